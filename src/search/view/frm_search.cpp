#include "frm_search.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <memory>

namespace bp {

Tfrm_Search::Tfrm_Search(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frm_Search"));
    setWindowTitle(QStringLiteral("Поиск"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);
    setFixedSize(341, 161);

    Label1 = new QLabel(QStringLiteral("Искать:"), this);
    // As wide and high as the caption in the font actually used (a substitute may be wider);
    // the field beside it gives way and keeps its right edge.
    const QSize caption = Label1->sizeHint();
    Label1->setGeometry(8, 12, qMax(40, caption.width()), qMax(13, caption.height()));
    const int fieldLeft = qMax(54, Label1->geometry().right() + 7);

    cbSearchText = new QComboBox(this);
    cbSearchText->setEditable(true);
    // Enter confirms the dialog; it must not also collect the text into the list.
    cbSearchText->setInsertPolicy(QComboBox::NoInsert);
    cbSearchText->setGeometry(fieldLeft, 8, 324 - fieldLeft, 21);
    Label1->setBuddy(cbSearchText);

    gbSearchOptions = new QGroupBox(QStringLiteral("Options"), this);
    gbSearchOptions->setGeometry(8, 40, 154, 111);
    auto optionBox = [this](const QString &caption, int top) {
        auto *box = new QCheckBox(caption, gbSearchOptions);
        box->setGeometry(8, top, 140, 17);
        return box;
    };
    cbSearchCaseSensitive = optionBox(QStringLiteral("Учитывать регистр"), 17);
    cbSearchWholeWords = optionBox(QStringLiteral("Только целые слова"), 39);
    cbSearchFromCursor = optionBox(QStringLiteral("Поиск от указателя"), 61);
    cbSearchSelectedOnly = optionBox(QStringLiteral("В выделенном"), 83);

    rgSearchDirection = new QGroupBox(QStringLiteral("Направление"), this);
    rgSearchDirection->setGeometry(170, 40, 154, 65);
    rbForward = new QRadioButton(QStringLiteral("Вперед"), rgSearchDirection);
    rbForward->setGeometry(8, 17, 138, 17);
    rbBackward = new QRadioButton(QStringLiteral("Назад"), rgSearchDirection);
    rbBackward->setGeometry(8, 39, 138, 17);
    m_directionItems = new QButtonGroup(this);
    m_directionItems->addButton(rbForward, 0);
    m_directionItems->addButton(rbBackward, 1);
    rbForward->setChecked(true);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setGeometry(168, 130, 75, 23);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setGeometry(249, 130, 75, 23);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(cbSearchText, cbSearchCaseSensitive);
    setTabOrder(cbSearchCaseSensitive, cbSearchWholeWords);
    setTabOrder(cbSearchWholeWords, cbSearchFromCursor);
    setTabOrder(cbSearchFromCursor, cbSearchSelectedOnly);
    setTabOrder(cbSearchSelectedOnly, rbForward);
    setTabOrder(rbForward, rbBackward);
    setTabOrder(rbBackward, btnOK);
    setTabOrder(btnOK, btnCancel);
    cbSearchText->setFocus();

    // Each control keeps its own name, so tools and tests find each control.
    Label1->setObjectName(QStringLiteral("Label1"));
    cbSearchText->setObjectName(QStringLiteral("cbSearchText"));
    gbSearchOptions->setObjectName(QStringLiteral("gbSearchOptions"));
    cbSearchCaseSensitive->setObjectName(QStringLiteral("cbSearchCaseSensitive"));
    cbSearchWholeWords->setObjectName(QStringLiteral("cbSearchWholeWords"));
    cbSearchFromCursor->setObjectName(QStringLiteral("cbSearchFromCursor"));
    cbSearchSelectedOnly->setObjectName(QStringLiteral("cbSearchSelectedOnly"));
    rgSearchDirection->setObjectName(QStringLiteral("rgSearchDirection"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
}

void Tfrm_Search::showEvent(QShowEvent *event)
{
    // Centred on the desktop, not on the owner; the frame is known only once shown.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen *desktop = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(desktop->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

std::optional<TSearchSettings> Tfrm_Search::Execute(QWidget *owner, const TSearchSettings &settings)
{
    const auto frm_Search = std::make_unique<Tfrm_Search>(owner);
    frm_Search->SetBackwards(settings.Backwards);
    frm_Search->SetCaseSensitive(settings.CaseSensitive);
    frm_Search->SetFromCursor(settings.FromCursor);
    frm_Search->SetSelectedOnly(settings.SelectedOnly);
    frm_Search->SetSearchText(settings.SearchText);
    frm_Search->SetWholeWords(settings.WholeWords);
    if (frm_Search->exec() != QDialog::Accepted)
        return std::nullopt;
    TSearchSettings confirmed;
    confirmed.SelectedOnly = frm_Search->SelectedOnly();
    confirmed.Backwards = frm_Search->Backwards();
    confirmed.CaseSensitive = frm_Search->CaseSensitive();
    confirmed.FromCursor = frm_Search->FromCursor();
    confirmed.WholeWords = frm_Search->WholeWords();
    confirmed.SearchText = frm_Search->SearchText();
    return confirmed;
}

QString Tfrm_Search::SearchText() const
{
    return cbSearchText->currentText();
}

void Tfrm_Search::SetSearchText(const QString &text)
{
    cbSearchText->setEditText(text);
}

bool Tfrm_Search::Backwards() const
{
    return m_directionItems->checkedId() == 1;
}

void Tfrm_Search::SetBackwards(bool backwards)
{
    m_directionItems->button(backwards ? 1 : 0)->setChecked(true);
}

bool Tfrm_Search::CaseSensitive() const
{
    return cbSearchCaseSensitive->isChecked();
}

void Tfrm_Search::SetCaseSensitive(bool caseSensitive)
{
    cbSearchCaseSensitive->setChecked(caseSensitive);
}

bool Tfrm_Search::WholeWords() const
{
    return cbSearchWholeWords->isChecked();
}

void Tfrm_Search::SetWholeWords(bool wholeWords)
{
    cbSearchWholeWords->setChecked(wholeWords);
}

bool Tfrm_Search::FromCursor() const
{
    return cbSearchFromCursor->isChecked();
}

void Tfrm_Search::SetFromCursor(bool fromCursor)
{
    cbSearchFromCursor->setChecked(fromCursor);
}

bool Tfrm_Search::SelectedOnly() const
{
    return cbSearchSelectedOnly->isChecked();
}

void Tfrm_Search::SetSelectedOnly(bool selectedOnly)
{
    cbSearchSelectedOnly->setChecked(selectedOnly);
}

} // namespace bp
