#pragma once

#include "search/model/search_settings.h"

#include <QDialog>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bp {

// The modal search dialog: the text to find and the five options. It searches nothing;
// each property reads or writes its control directly and keeps no copy.
class Tfrm_Search : public QDialog
{
    Q_OBJECT
public:
    explicit Tfrm_Search(QWidget *owner = nullptr);

    // Creates the dialog over `owner`, fills it from `settings`, shows it modally and
    // destroys it; the confirmed settings, or nothing when it was not closed with OK.
    static std::optional<TSearchSettings> Execute(QWidget *owner, const TSearchSettings &settings);

    QString SearchText() const;
    // Sets the edit field only; the drop-down list stays empty.
    void SetSearchText(const QString &text);
    bool Backwards() const;
    void SetBackwards(bool backwards);
    bool CaseSensitive() const;
    void SetCaseSensitive(bool caseSensitive);
    bool WholeWords() const;
    void SetWholeWords(bool wholeWords);
    bool FromCursor() const;
    void SetFromCursor(bool fromCursor);
    bool SelectedOnly() const;
    void SetSelectedOnly(bool selectedOnly);

    QLabel *Label1;
    QComboBox *cbSearchText;
    QGroupBox *gbSearchOptions;
    QCheckBox *cbSearchCaseSensitive;
    QCheckBox *cbSearchWholeWords;
    QCheckBox *cbSearchFromCursor;
    QCheckBox *cbSearchSelectedOnly;
    QGroupBox *rgSearchDirection;
    QRadioButton *rbForward;
    QRadioButton *rbBackward;
    QPushButton *btnOK;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QButtonGroup *m_directionItems;
    bool m_placed = false;
};

} // namespace bp
