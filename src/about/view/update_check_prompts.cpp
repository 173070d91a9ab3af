#include "update_check_prompts.h"

#include <QMessageBox>

namespace bp {

bool QtUpdateCheckPrompts::askInformation(QWidget *parent, const QString &caption,
                                          const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtUpdateCheckPrompts::showInformation(QWidget *parent, const QString &caption,
                                           const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace bp
