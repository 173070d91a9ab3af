#pragma once

#include "editor_hover_tip.h"

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPoint>
#include <QTreeView>
#include <memory>

#include "qpile/qpile_reference.h"

class QAction;
class QTimer;

namespace bp {

class QpileReference;
class SignatureTip;
class TCustomEditorPane;
class TQPILEHighlighter;
class TipWindow;
class WindowParts;

// The QPILE tips of the editor and the function library: the signature tip while typing a
// call, the function help on hover (after a short rest of the mouse) or on request, and the
// same help on a function of the library tree. Everything stays off until the language
// reference is given.
//
// Two of the window's commands carry the keyboard paths, "Справка по функции" (F1: the help
// of the function at the caret, or of the library node with the focus) and "Подсказка
// параметров" (Ctrl+Shift+Space: the signature tip inside a call); addCommands binds them.
class LanguageTips : public QObject
{
    Q_OBJECT
public:
    // Lives as long as the pane, as a child of it.
    LanguageTips(TCustomEditorPane &pane, QTreeView &libraryTree);
    ~LanguageTips() override;

    // Null turns the tips off again.
    void setReference(std::shared_ptr<const QpileReference> reference);
    // The script's own FUNCs, shown by the signature tip and the hover help like built-ins.
    void setScriptFunctions(const QList<QpileFunction> &functions);

    // Another text for the editor's hover tip; asked before the function help, in the order
    // added.
    void addHoverSource(EditorHoverTip::Source source);

    // Binds the window's two commands of the tips; they are enabled while there is a
    // reference.
    void addCommands(WindowParts &parts);
    QAction *functionHelpAction() const { return m_helpAction; }
    QAction *signatureTipAction() const { return m_signatureAction; }

    // The help of the function at the caret, or of the library node that has the focus;
    // nothing anywhere else.
    void showFunctionHelp();

    SignatureTip &signatureTip() const { return *m_signature; }
    EditorHoverTip &hoverTip() const { return *m_hover; }
    // The help that F1 asked for, and the one for a library node under the mouse.
    TipWindow *helpWindow() const { return m_helpWindow; }
    TipWindow *libraryTipWindow() const { return m_libraryWindow; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString helpAt(TBufferCoord position) const;
    // The tip of a library node: the help of a known function, the node's own text for
    // another function node, nothing for a group.
    QString libraryNodeText(const QModelIndex &index) const;
    void showLibraryTip();

    TCustomEditorPane &m_pane;
    // Null once the tree is gone; the tree may go before the pane.
    QTreeView *m_tree;
    QObject *m_treeViewport;
    std::shared_ptr<const QpileReference> m_reference;
    // The reference as loaded, without the script's FUNCs.
    std::shared_ptr<const QpileReference> m_loaded;
    std::unique_ptr<TQPILEHighlighter> m_highlighter;
    SignatureTip *m_signature;
    EditorHoverTip *m_hover;
    TipWindow *m_helpWindow;
    TipWindow *m_libraryWindow;
    QTimer *m_libraryTimer;
    QPoint m_libraryPoint;
    QAction *m_helpAction = nullptr;
    QAction *m_signatureAction = nullptr;
};

} // namespace bp
