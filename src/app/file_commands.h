#pragma once

#include "common/text_file.h"
#include "platform/user_prompts.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace bp {

class DiskChangeQuestions;
class RecentFiles;
class SettingsStore;
class TEditorPane;
class TextDocument;
struct RecoveredText;

// The document's file commands: new, open, save, save as, the encoding of the next save,
// reloading from disk, the command line's file, a recent or dropped file, a text recovered
// from an ended instance, and the save question before the window closes. It asks their
// questions and carries out the answers on the document; the window shows the outcome.
class FileCommands : public QObject
{
    Q_OBJECT
public:
    struct Window
    {
        // Parent of every question and dialog; the keyboard comes back to it after a file
        // dialog.
        QWidget &window;
        TEditorPane &pane;
        UserPrompts &prompts;
        SettingsStore &settings;
        TextDocument &document;
        // Shows the document's file name (without its folder).
        std::function<void(const QString &)> showFileName;
        // The document changed: marks it modified.
        std::function<void()> changed;
        // The document now equals its file: shows it saved.
        std::function<void()> saved;
        // Shows a text in the hint panel for a while.
        std::function<void(const QString &)> showHint;
        // The command boundary: runs a step, shows its failure in the error box.
        std::function<bool(const std::function<void()> &)> runCommand;
    };

    explicit FileCommands(Window window, QObject *parent = nullptr);
    ~FileCommands() override;

    void FileNewExecute();
    void FileOpen1Execute();
    void FileSaveExecute();
    void FileSaveAs1Execute();
    // Makes the next save write `encoding` (UTF-16 keeps the byte order it has); a text the
    // encoding cannot hold meets the save's question then.
    void convertEncoding(TextEncoding encoding);

    // Opens the first command-line argument, if any.
    void openCommandLineFile(const QStringList &arguments);
    // Opens `path` as Open does after its dialog, with the save question first: for a recent
    // file and a dropped one. Returns whether it was opened.
    bool openFileFromOutside(const QString &path);
    void restoreRecoveredText(RecoveredText &&text);
    // Before the window closes: asks the save question of a modified document and carries
    // out the answer. Whether the window may close.
    bool allowClose();
    // Puts the recent files into `menu`, before its last command.
    void fillRecentFiles(QMenu *menu, QAction *before);

    DiskChangeQuestions &diskChanges() const { return *m_diskChanges; }

private:
    PromptAnswer askSaveQuestion();
    // Before another text replaces a modified document: asks the save question and carries
    // out the answer. Empty when the replacing must not go on (cancelled, or the save
    // failed); otherwise whether the unsaved text is to be given up.
    std::optional<bool> askBeforeReplacing();
    // Runs a file dialog, then gives the keyboard focus back to where it was in the window
    // (the editor pane when it was elsewhere).
    std::optional<QString> askModally(const std::function<std::optional<QString>()> &dialog);
    void FileOpen1Accept(const QString &path, bool discardChanges);
    void saveToPath(const QString &path);
    // Asks the question `plan` names, when the text does not fit its encoding; Cancel
    // throws bp::SilentAbort.
    UnfitText askAboutUnfitText(const SavePlan &plan);
    // Says in the hint panel that the file just read is UTF-8 without a byte-order mark.
    void showEncodingHint();
    void reloadFromDisk();
    void rememberRecentFile(const QString &path);

    Window m_window;
    std::unique_ptr<DiskChangeQuestions> m_diskChanges;
    std::unique_ptr<RecentFiles> m_recentFiles;
    QList<QAction *> m_recentActions;
    // What each file dialog shows the next time it opens.
    QString m_openDialogFileName;
    QString m_saveDialogFileName = QStringLiteral("untitled");
};

} // namespace bp
