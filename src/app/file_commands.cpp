#include "file_commands.h"

#include "common/error.h"
#include "common/text_file.h"
#include "disk_change_questions.h"
#include "document.h"
#include "document_recovery.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "platform/user_prompts.h"
#include "recent_files.h"
#include "recovery_store.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

namespace bp {
namespace {

// Names an untitled document in the save question; the document stays untitled.
const QString kUntitledPlaceholder = QStringLiteral("c:\\untitled.qpl");

FileDialogRequest qpileFileDialog(const QString &title)
{
    FileDialogRequest request;
    request.title = title;
    request.filters = {{QStringLiteral("Все файлы (*.*)"), QStringLiteral("*.*")},
                       {QStringLiteral("QPILE файлы"), QStringLiteral("*.qpl")}};
    request.selectedFilter = 1;
    request.defaultSuffix = QStringLiteral("qpl");
    return request;
}

} // namespace

FileCommands::FileCommands(Window window, QObject *parent)
    : QObject(parent), m_window(std::move(window)),
      m_diskChanges(std::make_unique<DiskChangeQuestions>(
          m_window.prompts, &m_window.window,
          DiskChangeQuestions::Document{
              [this] { return m_window.document.DocSaved(); }, [this] { reloadFromDisk(); },
              [this] { m_window.changed(); },
              [this](const auto &command) { m_window.runCommand(command); }})),
      m_recentFiles(std::make_unique<RecentFiles>(m_window.settings))
{}

FileCommands::~FileCommands() = default;

bool FileCommands::allowClose()
{
    if (m_window.document.DocSaved())
        return true;
    switch (askSaveQuestion()) {
    case PromptAnswer::Yes:
        // A cancelled Save As dialog or a failed write keeps the window open.
        FileSaveExecute();
        return m_window.document.DocSaved();
    case PromptAnswer::No:
        m_window.document.giveUpChanges();
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return false;
}

void FileCommands::restoreRecoveredText(RecoveredText &&text)
{
    const FileIdentity basedOn = text.basedOn;
    m_window.document.restore(std::move(text));
    // The restored text's file is the one watched, and saving over a file that changed
    // since the text was based on it asks first.
    m_diskChanges->restored(m_window.document.DocFileName(), basedOn);
    m_window.showFileName(fileNamePart(m_window.document.DocFileName()));
    m_window.changed();
}

void FileCommands::openCommandLineFile(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    const QString &path = arguments.first();
    if (!QFileInfo::exists(path)) {
        // A name whose bytes are not UTF-8 arrives with U+FFFD for them: no file can be opened
        // by it, whether one exists or not.
        m_window.prompts.showMessage(
            &m_window.window,
            path + (path.contains(QChar::ReplacementCharacter)
                        ? QStringLiteral(" не существует или имя файла не в кодировке "
                                         "UTF-8: файл с таким именем открыть нельзя")
                        : QStringLiteral(" не существует")));
        return;
    }
    // A file that cannot be read is reported; the program goes on with an empty document.
    m_window.runCommand([&] {
        m_diskChanges->read(path, [&] { m_window.document.read(path); });
        m_window.showFileName(fileNamePart(path));
        showEncodingHint();
        rememberRecentFile(path);
    });
}

void FileCommands::showEncodingHint()
{
    if (m_window.document.lines().encoding() != TextEncoding::Utf8NoMark)
        return;
    m_window.showHint(QStringLiteral("Кодировка: ") + encodingName(TextEncoding::Utf8NoMark));
}

void FileCommands::convertEncoding(TextEncoding encoding)
{
    TEditorLines &lines = m_window.document.lines();
    if (encoding == TextEncoding::Utf16LE && lines.encoding() == TextEncoding::Utf16BE)
        encoding = TextEncoding::Utf16BE;
    if (lines.encoding() != encoding) {
        lines.setEncoding(encoding);
        m_window.changed();
    }
    m_window.showHint(QStringLiteral("Кодировка: ") + encodingName(encoding));
}

PromptAnswer FileCommands::askSaveQuestion()
{
    const QString &fileName = m_window.document.DocFileName();
    const QString name = fileNamePart(fileName.isEmpty() ? kUntitledPlaceholder : fileName);
    return m_window.prompts.askYesNoCancel(
        &m_window.window, QStringLiteral("Сохранить изменения в ") + name + QStringLiteral(" ?"),
        PromptIcon::Warning);
}

void FileCommands::saveToPath(const QString &path)
{
    m_diskChanges->beforeSave(path);
    const UnfitText unfit = askAboutUnfitText(m_window.document.savePlan());
    WrittenFile written;
    try {
        // Throws before anything changes; the old file then stays as it was.
        written = m_window.document.save(path, unfit);
    } catch (const Error &) {
        m_diskChanges->saveFailed(path);
        throw;
    }
    m_diskChanges->saved(path, written);
    m_window.showFileName(fileNamePart(path));
    m_window.saved();
    rememberRecentFile(path);
}

UnfitText FileCommands::askAboutUnfitText(const SavePlan &plan)
{
    if (plan.fits)
        return UnfitText::Refuse;
    switch (
        m_window.prompts.askYesNoCancel(&m_window.window, plan.question(), PromptIcon::Question)) {
    case PromptAnswer::Yes:
        return UnfitText::Widen;
    case PromptAnswer::No:
        return UnfitText::Substitute;
    case PromptAnswer::Cancel:
        break;
    }
    throw SilentAbort();
}

std::optional<QString>
FileCommands::askModally(const std::function<std::optional<QString>()> &dialog)
{
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (!focused || focused->window() != &m_window.window)
        focused = &m_window.pane;
    std::optional<QString> answer = dialog();
    // A file dialog that asked its own question (replace the file?) closes two windows; the
    // window manager may then leave the keyboard focus nowhere. It comes back here.
    if (m_window.window.isVisible()) {
        m_window.window.activateWindow();
        if (focused)
            focused->setFocus(Qt::OtherFocusReason);
    }
    return answer;
}

void FileCommands::FileNewExecute()
{
    if (!m_window.document.DocSaved()) {
        switch (askSaveQuestion()) {
        case PromptAnswer::Yes:
            // Saving ends the command whatever its outcome; New again then finds it saved.
            FileSaveExecute();
            return;
        case PromptAnswer::No:
            m_window.document.giveUpChanges();
            break;
        case PromptAnswer::Cancel:
            return;
        }
    }
    m_window.document.startNew();
    m_window.changed();
}

std::optional<bool> FileCommands::askBeforeReplacing()
{
    if (m_window.document.DocSaved())
        return false;
    switch (askSaveQuestion()) {
    case PromptAnswer::Yes:
        FileSaveExecute();
        if (!m_window.document.DocSaved())
            return std::nullopt;
        return false;
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return std::nullopt;
}

void FileCommands::FileOpen1Execute()
{
    // The unsaved text is given up only when a file actually replaces it: a cancelled
    // dialog or a file that cannot be read leaves the document modified.
    const std::optional<bool> discardChanges = askBeforeReplacing();
    if (!discardChanges)
        return;
    FileDialogRequest request = qpileFileDialog(QStringLiteral("Открыть QPILE файл"));
    request.fileName = m_openDialogFileName;
    const std::optional<QString> chosen =
        askModally([&] { return m_window.prompts.chooseFileToOpen(&m_window.window, request); });
    if (!chosen)
        return;
    m_openDialogFileName = *chosen;
    FileOpen1Accept(*chosen, *discardChanges);
}

void FileCommands::FileOpen1Accept(const QString &path, bool discardChanges)
{
    // Throws before the line list changes when the file cannot be read or decoded.
    m_diskChanges->read(path, [&] { m_window.document.read(path); });
    m_window.showFileName(fileNamePart(path));
    showEncodingHint();
    if (discardChanges) {
        // The unsaved text was given up on purpose: the file's text stands unmodified, as
        // Save, the state panel and the recovery (nothing left to recover) must say too.
        m_window.document.giveUpChanges();
        m_window.saved();
    }
    rememberRecentFile(path);
}

void FileCommands::reloadFromDisk()
{
    // The text now equals the file's: the document is saved, and the caret stays on its line.
    const TBufferCoord caret = m_window.pane.model().CaretXY();
    m_diskChanges->read(m_window.document.DocFileName(), [this] { m_window.document.reload(); });
    m_window.pane.model().setCaretXY(caret);
    m_window.saved();
}

void FileCommands::FileSaveExecute()
{
    if (m_window.document.DocFileName().isEmpty())
        FileSaveAs1Execute();
    else
        saveToPath(m_window.document.DocFileName());
}

void FileCommands::FileSaveAs1Execute()
{
    if (!m_window.document.DocFileName().isEmpty())
        m_saveDialogFileName = m_window.document.DocFileName();
    FileDialogRequest request = qpileFileDialog(QStringLiteral("Сохранение QPILE файла"));
    request.fileName = m_saveDialogFileName;
    const std::optional<QString> chosen =
        askModally([&] { return m_window.prompts.chooseFileToSave(&m_window.window, request); });
    if (!chosen)
        return;
    m_saveDialogFileName = *chosen;
    saveToPath(*chosen);
}

void FileCommands::fillRecentFiles(QMenu *menu, QAction *before)
{
    for (QAction *old : std::as_const(m_recentActions))
        delete old;
    m_recentActions.clear();
    QStringList files;
    m_window.runCommand([&] { files = m_recentFiles->files(); });
    if (files.isEmpty())
        return;
    // Between the print commands' separator and "Выход", closed by a separator of their own.
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto *entry = new QAction(RecentFiles::menuCaption(int(i), files[i]), menu);
        entry->setStatusTip(QDir::toNativeSeparators(files[i]));
        const QString path = files[i];
        connect(entry, &QAction::triggered, this,
                [this, path] { m_window.runCommand([&] { openFileFromOutside(path); }); });
        m_recentActions << entry;
    }
    auto *separator = new QAction(menu);
    separator->setSeparator(true);
    m_recentActions << separator;
    menu->insertActions(before, m_recentActions);
}

void FileCommands::rememberRecentFile(const QString &path)
{
    // The document is open or saved either way; a store that cannot keep the list says so.
    m_window.runCommand([&] { m_recentFiles->add(path); });
}

bool FileCommands::openFileFromOutside(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        m_window.prompts.showMessage(&m_window.window, QDir::toNativeSeparators(path) +
                                                           QStringLiteral(" не существует"));
        m_recentFiles->remove(path);
        return false;
    }
    // The same question and the same outcomes as Open before its dialog.
    const std::optional<bool> discardChanges = askBeforeReplacing();
    if (!discardChanges)
        return false;
    m_openDialogFileName = path;
    FileOpen1Accept(path, *discardChanges);
    return true;
}

} // namespace bp
