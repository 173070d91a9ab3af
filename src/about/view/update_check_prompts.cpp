#include "update_check_prompts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace bp {
namespace {

// Room for the caption in the title bar and for the title bar's own buttons, which the box
// does not count when it sizes itself for its text.
constexpr int kTitleBarButtonsWidth = 120;

// Sizes the box so that its caption is not cut short, and centres it over the window that
// owns it. The toolkit's own centring asks the window system where the owner is, and for a
// window without a frame under a reparenting window manager the answer is sometimes the
// screen's origin; the owner's own geometry is always right.
void placeBox(QMessageBox &box, QWidget *parent)
{
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int captionWidth =
        QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarButtonsWidth;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
    if (!parent)
        return;
    box.ensurePolished();
    box.adjustSize();
    const QRect owner = parent->window()->geometry();
    box.move(owner.center() - QPoint(box.width() / 2, box.height() / 2));
}

} // namespace

bool QtUpdateCheckPrompts::askInformation(QWidget *parent, const QString &caption,
                                          const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    placeBox(box, parent);
    return box.exec() == QMessageBox::Yes;
}

void QtUpdateCheckPrompts::showInformation(QWidget *parent, const QString &caption,
                                           const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    placeBox(box, parent);
    box.exec();
}

} // namespace bp
