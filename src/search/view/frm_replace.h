#pragma once

#include "search/model/search_settings.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bp {

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

    explicit Tfrm_Replace(QWidget *owner = nullptr);

    // Creates the dialog over `owner`, fills it, shows it modally until it is closed and
    // destroys it.
    static void Execute(QWidget *owner, const TSearchSettings &settings, const QString &replaceText,
                        const Action &replaceNext, const Action &replaceAll);

    TSearchSettings settings() const;
    void setSettings(const TSearchSettings &settings);
    QString replaceText() const;
    void setReplaceText(const QString &text);
    void setActions(Action replaceNext, Action replaceAll);

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
    bool m_placed = false;
};

} // namespace bp
