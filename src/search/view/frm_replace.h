#pragma once

#include "search/model/search_settings.h"

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bp {

// How far the text must move up (negative: down), in pixels, so that the match's line comes
// into the middle of the larger part of the text area that `dialog` (its frame) leaves
// uncovered; 0 when the dialog does not cover the line, or when neither part holds three
// lines. All rectangles in screen coordinates.
int textShiftBesideDialog(const QRect &textArea, const QRect &matchLine, const QRect &dialog);
// Where the dialog's frame goes so that it leaves the match's line uncovered: just below the
// line, or above it when the screen's `available` area has no room below; none when the
// dialog does not cover the line.
std::optional<QPoint> dialogCornerBesideLine(const QRect &matchLine, const QRect &dialog,
                                             const QRect &available);

// The modal replace dialog: the text to find, its replacement and the five search options,
// laid out like the search dialog, with buttons that replace the next occurrence or all of
// them while the dialog stays open. The dialog replaces nothing itself: each button hands
// what the dialog holds to its action and shows the settings the action leaves (a search
// that was allowed to leave the selection clears "В выделенном").
class Tfrm_Replace : public QDialog
{
    Q_OBJECT
public:
    using Action = std::function<TSearchSettings(const TSearchSettings &, const QString &)>;
    // Keeps the match in sight beside the dialog: called once the dialog is shown and after
    // each of its actions.
    using Placement = std::function<void(QWidget &dialog)>;

    explicit Tfrm_Replace(QWidget *owner = nullptr);

    // Creates the dialog over `owner`, fills it, shows it modally until it is closed and
    // destroys it.
    static void Execute(QWidget *owner, const TSearchSettings &settings, const QString &replaceText,
                        const Action &replaceNext, const Action &replaceAll,
                        const Placement &placement = {});

    TSearchSettings settings() const;
    void setSettings(const TSearchSettings &settings);
    QString replaceText() const;
    void setReplaceText(const QString &text);
    void setActions(Action replaceNext, Action replaceAll);
    void setPlacement(Placement placement) { m_placement = std::move(placement); }

    QLabel *Label1;
    QComboBox *cbSearchText;
    QLabel *Label2;
    QComboBox *cbReplaceText;
    QGroupBox *gbSearchOptions;
    QCheckBox *cbSearchCaseSensitive;
    QCheckBox *cbSearchWholeWords;
    QCheckBox *cbSearchFromCursor;
    QCheckBox *cbSearchSelectedOnly;
    QGroupBox *rgSearchDirection;
    QRadioButton *rbForward;
    QRadioButton *rbBackward;
    QPushButton *btnReplace;
    QPushButton *btnReplaceAll;
    QPushButton *btnClose;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void run(const Action &action);

    QButtonGroup *m_directionItems;
    Action m_replaceNext;
    Action m_replaceAll;
    Placement m_placement;
    bool m_placed = false;
};

} // namespace bp
