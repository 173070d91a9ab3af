#include "user_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace bp {
namespace {

// The file dialog shows each entry as the caption alone; the pattern rides along in the
// hidden brackets. "*.*" means every file, also one without an extension.
QStringList nameFilters(const std::vector<FileFilter> &filters)
{
    QStringList list;
    for (const FileFilter &filter : filters) {
        QString pattern = filter.pattern;
#ifndef Q_OS_WIN
        if (pattern == QStringLiteral("*.*"))
            pattern = QStringLiteral("*");
#endif
        list << filter.caption + QStringLiteral(" (") + pattern + u')';
    }
    return list;
}

std::optional<QString> runFileDialog(QWidget *parent, const FileDialogRequest &request,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    // A typed name need not exist; reading it then reports the missing file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = nameFilters(request.filters);
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
        dialog.selectNameFilter(filters[request.selectedFilter]);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

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

void QtUserPrompts::showError(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, m_title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserPrompts::showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, m_title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtUserPrompts::askYesNo(QWidget *parent, const QString &text, PromptIcon icon)
{
    QMessageBox box(icon == PromptIcon::Warning ? QMessageBox::Warning : QMessageBox::Question,
                    m_title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

PromptAnswer QtUserPrompts::askYesNoCancel(QWidget *parent, const QString &text, PromptIcon icon)
{
    QMessageBox box(icon == PromptIcon::Warning ? QMessageBox::Warning : QMessageBox::Question,
                    m_title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

bool QtUserPrompts::askInformation(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    placeBox(box, parent);
    return box.exec() == QMessageBox::Yes;
}

void QtUserPrompts::showInformation(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    placeBox(box, parent);
    box.exec();
}

std::optional<QString> QtUserPrompts::chooseFileToOpen(QWidget *parent,
                                                       const FileDialogRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtUserPrompts::chooseFileToSave(QWidget *parent,
                                                       const FileDialogRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

} // namespace bp
