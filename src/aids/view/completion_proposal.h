#pragma once

#include "aids/completion_proposal_state.h"

#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QKeyEvent;
class QListWidget;
class QFrame;

namespace bp {

class TCustomEditorPane;

// Where the popup's top left goes: under the caret's line, moved left to end 5 pixels
// inside the screen's right edge (never left of it), or above the line when it would
// cross the bottom edge. All rectangles in screen coordinates.
QPoint completionPopupPosition(const QRect &caretLine, const QSize &popupSize, const QRect &screen);

// A completion popup attached to an editor pane: its shortcut opens a borderless list under
// the caret with the words that start with the text left of the caret; confirming replaces
// that word as one undo step. The rules live in CompletionProposalState; this class maps
// keys and the mouse onto them and applies the results to the pane.
class TCompletionProposal : public QObject
{
    Q_OBJECT
public:
    TCompletionProposal(TCustomEditorPane *pane, CompletionProposalConfig config,
                        const QKeySequence &shortCut, QObject *parent = nullptr);
    ~TCompletionProposal() override;

    CompletionProposalState &state() { return m_state; }
    void setItemList(const QStringList &items) { m_state.setItemList(items); }
    void setInsertList(const QStringList &items) { m_state.setInsertList(items); }
    QKeySequence ShortCut() const { return m_shortCut; }

    // Opens at the caret; does nothing while ItemList is empty.
    void Execute();
    bool isVisible() const;
    QWidget *popup() const;
    QListWidget *list() const { return m_list; }
    // Width and number of visible entries used at the next opening.
    QSize rememberedSize() const { return {m_width, m_visibleEntries}; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showList();
    void refreshList();
    void handleKey(QKeyEvent *event);
    void closePopup();
    void confirm();
    void typeIntoPane(QChar ch);
    int visibleEntries() const;
    void rememberSize();

    TCustomEditorPane *m_pane;
    CompletionProposalState m_state;
    QKeySequence m_shortCut;
    QFrame *m_popup;
    QListWidget *m_list;
    QWidget *m_listViewport;
    int m_width = 260;
    int m_visibleEntries = 8;
    int m_rowHeight = 1;
    int m_chromeHeight = 0;
    bool m_closing = false;
};

} // namespace bp
