#include "unit_main.h"

#include "common/error.h"
#include "common/text_file.h"
#include "disk_change_questions.h"
#include "document.h"
#include "document_recovery.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "platform/user_prompts.h"
#include "recovery_store.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>

// The document's file commands: new, open, save, save as, reloading from disk, the command
// line's file and the texts recovered from ended instances.
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

void Tfrm_Main::startRecovery(RecoveryStore &store)
{
    m_recovery = std::make_unique<DocumentRecovery>(
        store, *m_document, [this](const QString &message) { showErrorBox(message); });
    m_recovery->setBasedOn([this] { return m_diskChanges->basedOn(); });
    offerLeftOverTexts(
        store, *m_services.prompts, this,
        [this](const std::function<void()> &step) { return runCommand(step); },
        [this](RecoveredText &&text) {
            const bool previous = text.previousContent;
            restoreRecoveredText(std::move(text));
            // The copy of the old bytes goes after this: the text is kept as this
            // instance's own first.
            if (previous)
                m_recovery->writeNow();
        });
}

void Tfrm_Main::restoreRecoveredText(RecoveredText &&text)
{
    const FileIdentity basedOn = text.basedOn;
    m_document->restore(std::move(text));
    // The restored text's file is the one watched, and saving over a file that changed
    // since the text was based on it asks first.
    m_diskChanges->restored(m_document->DocFileName(), basedOn);
    setStatusPanel(1, fileNamePart(m_document->DocFileName()));
    EditorPaneChange();
}

void Tfrm_Main::openCommandLineFile(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    const QString &path = arguments.first();
    if (!QFileInfo::exists(path)) {
        // A name whose bytes are not UTF-8 arrives with U+FFFD for them: no file can be opened
        // by it, whether one exists or not.
        m_services.prompts->showMessage(
            this, path + (path.contains(QChar::ReplacementCharacter)
                              ? QStringLiteral(" не существует или имя файла не в кодировке "
                                               "UTF-8: файл с таким именем открыть нельзя")
                              : QStringLiteral(" не существует")));
        return;
    }
    // A file that cannot be read is reported; the program goes on with an empty document.
    runCommand([&] {
        m_diskChanges->read(path, [&] { m_document->read(path); });
        setStatusPanel(1, fileNamePart(path));
        showEncodingHint();
        rememberRecentFile(path);
    });
}

void Tfrm_Main::showEncodingHint()
{
    if (m_document->lines().encoding() != TextEncoding::Utf8NoMark)
        return;
    const QString text = QStringLiteral("Кодировка: ") + encodingName(TextEncoding::Utf8NoMark);
    // The command line's file is read before the hint timer exists; the text then stays
    // until the next hint.
    if (m_hintTimer)
        showTemporaryHint(text);
    else
        setStatusPanel(0, text);
}

void Tfrm_Main::convertEncoding(TextEncoding encoding)
{
    TEditorLines &lines = m_document->lines();
    if (encoding == TextEncoding::Utf16LE && lines.encoding() == TextEncoding::Utf16BE)
        encoding = TextEncoding::Utf16BE;
    if (lines.encoding() != encoding) {
        lines.setEncoding(encoding);
        EditorPaneChange();
    }
    showTemporaryHint(QStringLiteral("Кодировка: ") + encodingName(encoding));
}

PromptAnswer Tfrm_Main::askSaveQuestion()
{
    const QString &fileName = m_document->DocFileName();
    const QString name = fileNamePart(fileName.isEmpty() ? kUntitledPlaceholder : fileName);
    return m_services.prompts->askYesNoCancel(
        this, QStringLiteral("Сохранить изменения в ") + name + QStringLiteral(" ?"),
        PromptIcon::Warning);
}

void Tfrm_Main::saveToPath(const QString &path)
{
    m_diskChanges->beforeSave(path);
    const UnfitText unfit = askAboutUnfitText(m_document->savePlan());
    WrittenFile written;
    try {
        // Throws before anything changes; the old file then stays as it was.
        written = m_document->save(path, unfit);
    } catch (const Error &) {
        m_diskChanges->saveFailed(path);
        throw;
    }
    m_diskChanges->saved(path, written);
    setStatusPanel(1, fileNamePart(path));
    markSaved();
    rememberRecentFile(path);
}

UnfitText Tfrm_Main::askAboutUnfitText(const SavePlan &plan)
{
    if (plan.fits)
        return UnfitText::Refuse;
    switch (m_services.prompts->askYesNoCancel(this, plan.question(), PromptIcon::Question)) {
    case PromptAnswer::Yes:
        return UnfitText::Widen;
    case PromptAnswer::No:
        return UnfitText::Substitute;
    case PromptAnswer::Cancel:
        break;
    }
    throw SilentAbort();
}

std::optional<QString> Tfrm_Main::askModally(const std::function<std::optional<QString>()> &dialog)
{
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (!focused || focused->window() != this)
        focused = EditorPane;
    std::optional<QString> answer = dialog();
    // A file dialog that asked its own question (replace the file?) closes two windows; the
    // window manager may then leave the keyboard focus nowhere. It comes back here.
    if (isVisible()) {
        activateWindow();
        if (focused)
            focused->setFocus(Qt::OtherFocusReason);
    }
    return answer;
}

void Tfrm_Main::FileNewExecute()
{
    if (!m_document->DocSaved()) {
        switch (askSaveQuestion()) {
        case PromptAnswer::Yes:
            // Saving ends the command whatever its outcome; New again then finds it saved.
            FileSaveExecute();
            return;
        case PromptAnswer::No:
            m_document->giveUpChanges();
            break;
        case PromptAnswer::Cancel:
            return;
        }
    }
    m_document->startNew();
    EditorPaneChange();
}

std::optional<bool> Tfrm_Main::askBeforeReplacing()
{
    if (m_document->DocSaved())
        return false;
    switch (askSaveQuestion()) {
    case PromptAnswer::Yes:
        FileSaveExecute();
        if (!m_document->DocSaved())
            return std::nullopt;
        return false;
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return std::nullopt;
}

void Tfrm_Main::FileOpen1Execute()
{
    // The unsaved text is given up only when a file actually replaces it: a cancelled
    // dialog or a file that cannot be read leaves the document modified.
    const std::optional<bool> discardChanges = askBeforeReplacing();
    if (!discardChanges)
        return;
    FileDialogRequest request = qpileFileDialog(QStringLiteral("Открыть QPILE файл"));
    request.fileName = m_openDialogFileName;
    const std::optional<QString> chosen =
        askModally([&] { return m_services.prompts->chooseFileToOpen(this, request); });
    if (!chosen)
        return;
    m_openDialogFileName = *chosen;
    FileOpen1Accept(*chosen, *discardChanges);
}

void Tfrm_Main::FileOpen1Accept(const QString &path, bool discardChanges)
{
    // Throws before the line list changes when the file cannot be read or decoded.
    m_diskChanges->read(path, [&] { m_document->read(path); });
    setStatusPanel(1, fileNamePart(path));
    showEncodingHint();
    if (discardChanges) {
        // The unsaved text was given up on purpose: the file's text stands unmodified, as
        // Save, the state panel and the recovery (nothing left to recover) must say too.
        m_document->giveUpChanges();
        markSaved();
    }
    rememberRecentFile(path);
}

void Tfrm_Main::reloadFromDisk()
{
    // The text now equals the file's: the document is saved, and the caret stays on its line.
    const TBufferCoord caret = EditorPane->model().CaretXY();
    m_diskChanges->read(m_document->DocFileName(), [this] { m_document->reload(); });
    EditorPane->model().setCaretXY(caret);
    markSaved();
}

void Tfrm_Main::FileSaveExecute()
{
    if (m_document->DocFileName().isEmpty())
        FileSaveAs1Execute();
    else
        saveToPath(m_document->DocFileName());
}

void Tfrm_Main::FileSaveAs1Execute()
{
    if (!m_document->DocFileName().isEmpty())
        m_saveDialogFileName = m_document->DocFileName();
    FileDialogRequest request = qpileFileDialog(QStringLiteral("Сохранение QPILE файла"));
    request.fileName = m_saveDialogFileName;
    const std::optional<QString> chosen =
        askModally([&] { return m_services.prompts->chooseFileToSave(this, request); });
    if (!chosen)
        return;
    m_saveDialogFileName = *chosen;
    saveToPath(*chosen);
}

} // namespace bp
