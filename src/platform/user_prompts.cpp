#include "user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

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
