#include "frm_replace.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>

namespace bp {
namespace {

// A line of text left between the match and the dialog's edge.
constexpr int kGap = 8;

} // namespace

int textShiftBesideDialog(const QRect &textArea, const QRect &matchLine, const QRect &dialog)
{
    if (!dialog.intersects(matchLine))
        return 0;
    const int above = dialog.top() - textArea.top();
    const int below = textArea.bottom() - dialog.bottom();
    if (std::max(above, below) < 3 * matchLine.height())
        return 0;
    const int middle =
        above >= below ? textArea.top() + above / 2 : dialog.bottom() + 1 + below / 2;
    return matchLine.center().y() - middle;
}

std::optional<QPoint> dialogCornerBesideLine(const QRect &matchLine, const QRect &dialog,
                                             const QRect &available)
{
    if (!dialog.intersects(matchLine))
        return std::nullopt;
    QRect moved = dialog;
    const int roomBelow = available.bottom() - matchLine.bottom() - kGap;
    const int roomAbove = matchLine.top() - available.top() - kGap;
    if (roomBelow >= dialog.height() || roomBelow >= roomAbove)
        moved.moveTop(matchLine.bottom() + 1 + kGap);
    else
        moved.moveBottom(matchLine.top() - 1 - kGap);
    // On a screen too small for both, the dialog stays on it and covers as little as it can.
    moved.moveLeft(std::clamp(moved.left(), available.left(),
                              std::max(available.left(), available.right() - moved.width() + 1)));
    moved.moveTop(std::clamp(moved.top(), available.top(),
                             std::max(available.top(), available.bottom() - moved.height() + 1)));
    return moved.topLeft();
}

Tfrm_Replace::Tfrm_Replace(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frm_Replace"));
    setWindowTitle(QStringLiteral("Замена"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);

    Label1 = new QLabel(QStringLiteral("Искать:"), this);
    Label2 = new QLabel(QStringLiteral("Заменить на:"), this);
    // Both fields start after the wider caption in the font actually used.
    const int captionWidth = std::max(Label1->sizeHint().width(), Label2->sizeHint().width());
    const int captionHeight = std::max(13, Label1->sizeHint().height());
    Label1->setGeometry(8, 12, captionWidth, captionHeight);
    Label2->setGeometry(8, 39, captionWidth, captionHeight);
    const int fieldLeft = 8 + captionWidth + 6;
    const int fieldRight = 324;

    auto field = [this, fieldLeft, fieldRight](int top) {
        auto *box = new QComboBox(this);
        box->setEditable(true);
        // Enter presses the default button; it must not also collect the text into the list.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setGeometry(fieldLeft, top, fieldRight - fieldLeft, 21);
        return box;
    };
    cbSearchText = field(8);
    cbReplaceText = field(35);
    Label1->setBuddy(cbSearchText);
    Label2->setBuddy(cbReplaceText);

    gbSearchOptions = new QGroupBox(QStringLiteral("Options"), this);
    gbSearchOptions->setGeometry(8, 67, 154, 111);
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
    rgSearchDirection->setGeometry(170, 67, 154, 65);
    rbForward = new QRadioButton(QStringLiteral("Вперед"), rgSearchDirection);
    rbForward->setGeometry(8, 17, 138, 17);
    rbBackward = new QRadioButton(QStringLiteral("Назад"), rgSearchDirection);
    rbBackward->setGeometry(8, 39, 138, 17);
    m_directionItems = new QButtonGroup(this);
    m_directionItems->addButton(rbForward, 0);
    m_directionItems->addButton(rbBackward, 1);
    rbForward->setChecked(true);

    // The buttons stand in a column right of the fields, as wide as their widest caption.
    btnReplace = new QPushButton(QStringLiteral("Заменить"), this);
    btnReplaceAll = new QPushButton(QStringLiteral("Заменить все"), this);
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    int buttonWidth = 85;
    for (const QPushButton *button : {btnReplace, btnReplaceAll, btnClose})
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
    btnReplace->setGeometry(332, 7, buttonWidth, 23);
    btnReplaceAll->setGeometry(332, 34, buttonWidth, 23);
    btnClose->setGeometry(332, 155, buttonWidth, 23);
    btnReplace->setDefault(true);
    setFixedSize(332 + buttonWidth + 8, 186);
    connect(btnReplace, &QPushButton::clicked, this, [this] { run(m_replaceNext); });
    connect(btnReplaceAll, &QPushButton::clicked, this, [this] { run(m_replaceAll); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(cbSearchText, cbReplaceText);
    setTabOrder(cbReplaceText, cbSearchCaseSensitive);
    setTabOrder(cbSearchCaseSensitive, cbSearchWholeWords);
    setTabOrder(cbSearchWholeWords, cbSearchFromCursor);
    setTabOrder(cbSearchFromCursor, cbSearchSelectedOnly);
    setTabOrder(cbSearchSelectedOnly, rbForward);
    setTabOrder(rbForward, rbBackward);
    setTabOrder(rbBackward, btnReplace);
    setTabOrder(btnReplace, btnReplaceAll);
    setTabOrder(btnReplaceAll, btnClose);
    cbSearchText->setFocus();

    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    cbSearchText->setObjectName(QStringLiteral("cbSearchText"));
    cbReplaceText->setObjectName(QStringLiteral("cbReplaceText"));
    gbSearchOptions->setObjectName(QStringLiteral("gbSearchOptions"));
    cbSearchCaseSensitive->setObjectName(QStringLiteral("cbSearchCaseSensitive"));
    cbSearchWholeWords->setObjectName(QStringLiteral("cbSearchWholeWords"));
    cbSearchFromCursor->setObjectName(QStringLiteral("cbSearchFromCursor"));
    cbSearchSelectedOnly->setObjectName(QStringLiteral("cbSearchSelectedOnly"));
    rgSearchDirection->setObjectName(QStringLiteral("rgSearchDirection"));
    btnReplace->setObjectName(QStringLiteral("btnReplace"));
    btnReplaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
}

void Tfrm_Replace::showEvent(QShowEvent *event)
{
    // Centred on the desktop, as the search dialog is; the frame is known only once shown.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen *desktop = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(desktop->availableGeometry().center());
            move(frame.topLeft());
        }
        // Off the match the search left selected, once the window manager has framed it.
        QTimer::singleShot(0, this, [this] {
            if (m_placement)
                m_placement(*this);
        });
    }
    QDialog::showEvent(event);
}

void Tfrm_Replace::Execute(QWidget *owner, const TSearchSettings &settings,
                           const QString &replaceText, const Action &replaceNext,
                           const Action &replaceAll, const Placement &placement)
{
    const auto frm_Replace = std::make_unique<Tfrm_Replace>(owner);
    frm_Replace->setSettings(settings);
    frm_Replace->setReplaceText(replaceText);
    frm_Replace->setActions(replaceNext, replaceAll);
    frm_Replace->setPlacement(placement);
    frm_Replace->exec();
}

void Tfrm_Replace::setActions(Action replaceNext, Action replaceAll)
{
    m_replaceNext = std::move(replaceNext);
    m_replaceAll = std::move(replaceAll);
}

void Tfrm_Replace::run(const Action &action)
{
    if (action)
        setSettings(action(settings(), replaceText()));
    // The next match may lie under the dialog.
    if (m_placement)
        m_placement(*this);
}

TSearchSettings Tfrm_Replace::settings() const
{
    TSearchSettings settings;
    settings.SearchText = cbSearchText->currentText();
    settings.Backwards = m_directionItems->checkedId() == 1;
    settings.CaseSensitive = cbSearchCaseSensitive->isChecked();
    settings.WholeWords = cbSearchWholeWords->isChecked();
    settings.FromCursor = cbSearchFromCursor->isChecked();
    settings.SelectedOnly = cbSearchSelectedOnly->isChecked();
    return settings;
}

void Tfrm_Replace::setSettings(const TSearchSettings &settings)
{
    cbSearchText->setEditText(settings.SearchText);
    m_directionItems->button(settings.Backwards ? 1 : 0)->setChecked(true);
    cbSearchCaseSensitive->setChecked(settings.CaseSensitive);
    cbSearchWholeWords->setChecked(settings.WholeWords);
    cbSearchFromCursor->setChecked(settings.FromCursor);
    cbSearchSelectedOnly->setChecked(settings.SelectedOnly);
}

QString Tfrm_Replace::replaceText() const
{
    return cbReplaceText->currentText();
}

void Tfrm_Replace::setReplaceText(const QString &text)
{
    cbReplaceText->setEditText(text);
}

} // namespace bp
