#include "unit_about.h"

#include "icons/image_list_actions.h"
#include "platform/pixel_font.h"
#include "platform/shell_open.h"
#include "platform/user_prompts.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace bp {
Tfrm_About::Tfrm_About(AboutServices services, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_services(std::move(services))
{
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(377, 216);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // The frame stands in for the missing border; it lies under every other control.
    auto *Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 377, 216);

    auto *Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(8, 8, 128, 128);
    Image->setPixmap(ImageListActions::productLogo());

    auto *lbl_Name = new QLabel(QStringLiteral("Brindlepad"), this);
    lbl_Name->setObjectName(QStringLiteral("lbl_Name"));
    // Arial Black is Arial at its heaviest; where it is missing, the substitute is made as
    // heavy as it goes.
    QFont nameFont = pixelFont(QStringLiteral("Arial Black"), 21);
    nameFont.setWeight(QFont::Black);
    lbl_Name->setFont(nameFont);
    QPalette black = lbl_Name->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lbl_Name->setPalette(black);
    lbl_Name->move(160, 8);
    lbl_Name->adjustSize();

    lbl_Version = new QLabel(this);
    lbl_Version->setObjectName(QStringLiteral("lbl_Version"));
    lbl_Version->move(142, 53);

    auto *lbl_Copyright =
        new QLabel(QStringLiteral("© 2026 Авторы Brindlepad.\nВсе права защищены."), this);
    lbl_Copyright->setObjectName(QStringLiteral("lbl_Copyright"));
    lbl_Copyright->setWordWrap(true);
    lbl_Copyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbl_Copyright->setGeometry(142, 72, 211, 26);

    auto *Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel->setGeometry(8, 168, 353, 2);

    btn_Update = new QPushButton(QStringLiteral("Обновления"), this);
    btn_Update->setObjectName(QStringLiteral("btn_Update"));
    btn_Update->setGeometry(8, 176, 105, 25);
    btn_OK = new QPushButton(QStringLiteral("OK"), this);
    btn_OK->setObjectName(QStringLiteral("btn_OK"));
    btn_OK->setGeometry(261, 176, 100, 25);
    setTabOrder(btn_Update, btn_OK);

    connect(btn_Update, &QPushButton::clicked, this, &Tfrm_About::btn_UpdateClick);
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_check, &UpdateCheck::finished, this, &Tfrm_About::reportCheck);
}

void Tfrm_About::showEvent(QShowEvent *event)
{
    // Centred on the whole desktop, not on the main window.
    QScreen *desktop = parentWidget() ? parentWidget()->screen() : screen();
    if (desktop)
        move(desktop->geometry().center() - rect().center());
    FormShow();
    QDialog::showEvent(event);
}

void Tfrm_About::FormShow()
{
    m_version = m_services.readVersion();
    lbl_Version->setText(versionLine(m_version));
    lbl_Version->adjustSize();
}

void Tfrm_About::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Esc does nothing. Alt+F4 closes also where no window manager does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        return event->accept();
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfrm_About::done(int result)
{
    if (m_check.isRunning()) {
        m_check.abandon();
        setChecking(false);
    }
    QDialog::done(result);
}

void Tfrm_About::btn_UpdateClick()
{
    m_services.runCommand([this] {
        m_check.start(m_version);
        setChecking(true);
    });
}

void Tfrm_About::setChecking(bool checking)
{
    if (checking) {
        m_refocusUpdate = btn_Update->hasFocus();
        setCursor(Qt::BusyCursor);
        btn_Update->setEnabled(false);
        return;
    }
    unsetCursor();
    btn_Update->setEnabled(true);
    if (m_refocusUpdate)
        btn_Update->setFocus();
    m_refocusUpdate = false;
}

void Tfrm_About::reportCheck(const UpdateCheckResult &result)
{
    setChecking(false);
    if (result.kind == UpdateCheckResult::Kind::NewerVersion) {
        if (m_services.prompts->askInformation(this, updateCheckCaption(), result.text()))
            m_services.shell->open(downloadPageUrl());
        return;
    }
    m_services.prompts->showInformation(this, updateCheckCaption(), result.text());
}

} // namespace bp
