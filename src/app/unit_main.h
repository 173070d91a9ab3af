#pragma once

#include "command_table.h"
#include "common/text_file.h"
#include "document.h"
#include "platform/platform_services.h"
#include "platform/window_parts.h"
#include "search/model/search_settings.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QTreeView;

namespace bp {

class CaretPosition;
class DocumentRecovery;
class EditorZoom;
class FileCommands;
class RecentFiles;
class ReplaceCommands;
struct TBufferCoord;
class DiskChangeQuestions;
class FunctionLibraryTree;
class LanguageAids;
class LanguageTips;
class PanelSplitter;
class PrintCommands;
class SidePanel;
class RecoveryStore;
struct RecoveredText;
class SearchCommands;
class TCompletionProposal;
class TEditorPrint;
class TQPILEHighlighter;
class QpileReference;
class QpileCheckPanel;
class TEditorPane;
struct TSearchSettings;
enum class TEditAction;
enum class PromptAnswer;

// The main window: menus, tool bars, the side panel with the function library, the editor
// pane, the status bar and the command table. It runs the document's commands: asks their
// questions, carries out the answers on the document and shows its state.
class Tfrm_Main : public QMainWindow, private WindowParts
{
    Q_OBJECT
public:
    // `arguments` are the command-line arguments after the program name; the first one,
    // if any, is opened as the document.
    Tfrm_Main(const PlatformServices &services, const QStringList &arguments,
              QWidget *parent = nullptr);
    ~Tfrm_Main() override;

    // The one catch boundary: runs `command`; a failure ends it and shows the error box.
    // Returns whether the command ran to its end.
    bool runCommand(const std::function<void()> &command);
    // The application's error box for `message`.
    void showErrorBox(const QString &message);

    // Marks the document modified; the editor pane calls it after each recorded edit and
    // code that changes the line list directly calls it itself.
    void EditorPaneChange();

    // Offers the unsaved texts that ended instances left in `store`, then keeps this
    // document's unsaved text there until it is saved or closed.
    void startRecovery(RecoveryStore &store);
    DocumentRecovery *recovery() const { return m_recovery.get(); }

    TextDocument &document() const { return *m_document; }
    const QString &docFileName() const { return m_document->DocFileName(); }
    bool docSaved() const { return m_document->DocSaved(); }

    const ActionManager &actions() const { return m_actions; }
    TEditorPane *editorPane() const { return EditorPane; }
    QTreeView *treeView() const;
    QWidget *panel() const;
    PanelSplitter *splitter() const { return Splitter; }
    QMenu *editorPopupMenu() const { return PopupMenu_Editor; }
    QAction *commentAction() const { return m_actions.N9; }
    FunctionLibraryTree *libraryTree() const;
    // The language reference the QPILE aids use; null until it is loaded, or when it could
    // not be (that was reported once and the aids stay off).
    const QpileReference *languageReference() const { return m_reference.get(); }
    // The QPILE tips of the editor and the library; other aids add their hover texts here.
    LanguageTips *languageTips() const;
    // The structure check, its problem list and the outline; null until the reference is
    // loaded.
    QpileCheckPanel *checkPanel() const;
    TCompletionProposal *completionProposal1() const { return CompletionProposal1; }
    TCompletionProposal *completionProposal2() const { return CompletionProposal2; }
    SearchCommands &searchCommands() const { return *m_search; }
    DiskChangeQuestions &diskChanges() const;
    // Shows the search dialog modally; tests answer it instead.
    using SearchDialogRunner =
        std::function<std::optional<TSearchSettings>(const TSearchSettings &settings)>;
    void setSearchDialogRunner(SearchDialogRunner runner) { m_searchDialog = std::move(runner); }
    // Text of status bar panel 0, 1 or 2.
    QString statusPanelText(int panel) const;
    // The about window that "О программе..." shows modally; the command stays disabled
    // until there is one.
    void setAboutWindow(QDialog *window);
    TEditorPrint &editorPrint() const { return *EditorPrint; }
    PrintCommands &printCommands() const { return *m_print; }

    // Shows the replace dialog modally until it is closed; its buttons run the two actions.
    // Tests press them instead.
    using ReplaceAction = std::function<TSearchSettings(const TSearchSettings &, const QString &)>;
    using ReplaceDialogRunner =
        std::function<void(const TSearchSettings &settings, const QString &replaceText,
                           const ReplaceAction &replaceNext, const ReplaceAction &replaceAll)>;
    void setReplaceDialogRunner(ReplaceDialogRunner runner) { m_replaceDialog = std::move(runner); }
    // Asks for the line to go to; tests answer it instead.
    using GoToLineRunner = std::function<std::optional<TBufferCoord>()>;
    void setGoToLineRunner(GoToLineRunner runner) { m_goToLineDialog = std::move(runner); }
    EditorZoom &editorZoom() const { return *m_zoom; }
    // The text of the status bar's caret position panel, which follows its first three panels.
    QString caretPanelText() const;
    // The "Файл" menu with the recent files filled in, as it shows when opened.
    QMenu *fileMenu() const;

signals:
    // The language reference is loaded: the QPILE aids may start.
    void languageReferenceLoaded();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // What the subsystems add to the window. A command of theirs shows, and its shortcut
    // works, once it is bound.
    QAction *command(WindowCommand command) override;
    void addSideTab(QWidget *page, const QString &title, WindowCommand focus) override;

    void createControls();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void bindCommands();
    void bindEditAction(QAction *action, TEditAction editAction);
    void updateEditActions();
    void setStatusPanel(int panel, const QString &text);

    void markSaved();
    void FormShow();
    void FormClose();
    void N9Click();
    void TreeViewDblClick(const QString &nodeText, bool nodeHasChildren);
    void loadLibrary();
    void loadCompletionList();
    void loadLanguageReference();
    QString dataFile(const QString &name) const;
    bool FormCloseQuery();
    void HelpExecute();
    void Action2Execute();
    void Action1Execute();
    void createPrint();
    // Runs `handler` through the command boundary when `action` is triggered.
    void bindCommand(QAction *action, void (Tfrm_Main::*handler)());
    // Gives the print engine a fresh copy of the editor's lines, its highlighter and font.
    void attachEditorToPrint();
    void FilePrintExecute();
    void FilePrintPreviewExecute();
    void FilePrintSetup1Execute();

    void createHabits();
    void ActionReplaceExecute();
    // Scrolls the selected match out from under the replace dialog, or moves the dialog
    // off it where scrolling cannot.
    void keepMatchBeside(QWidget &dialog);
    void ActionGoToLineExecute();
    // Shows `text` in the hint panel for a few seconds.
    void showTemporaryHint(const QString &text);
    void showNotFound(const QString &searchText);
    void updateCaretPanel();

    PlatformServices m_services;
    ActionManager m_actions;
    QList<std::pair<QAction *, TEditAction>> m_editActions;

    SidePanel *m_side = nullptr;
    PanelSplitter *Splitter = nullptr;
    TEditorPane *EditorPane = nullptr;
    QToolBar *ActionToolBar1 = nullptr;
    QToolBar *ActionToolBar2 = nullptr;
    QMenu *PopupMenu_Editor = nullptr;
    QLabel *m_statusPanels[3] = {};
    std::unique_ptr<TQPILEHighlighter> m_highlighter;
    std::shared_ptr<const QpileReference> m_reference;
    TCompletionProposal *CompletionProposal1 = nullptr;
    TCompletionProposal *CompletionProposal2 = nullptr;
    std::unique_ptr<SearchCommands> m_search;
    SearchDialogRunner m_searchDialog;
    // Before the recovery and the file commands, which refer to it.
    std::unique_ptr<TextDocument> m_document;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<DocumentRecovery> m_recovery;
    bool m_shown = false;
    // Where the restore put the frame's corner, until the window manager's frame is known.
    std::optional<QPoint> m_fitWhenFramed;
    QDialog *m_aboutWindow = nullptr;
    // After the highlighter, which the engine may hold; the commands use the engine.
    std::unique_ptr<TEditorPrint> EditorPrint;
    std::unique_ptr<PrintCommands> m_print;

    std::unique_ptr<ReplaceCommands> m_replace;
    ReplaceDialogRunner m_replaceDialog;
    GoToLineRunner m_goToLineDialog;
    EditorZoom *m_zoom = nullptr;
    QLabel *m_caretPanel = nullptr;
    std::unique_ptr<CaretPosition> m_caretPosition;
    QTimer *m_hintTimer = nullptr;
    // Last, so the check is gone before the pane whose lines it watches.
    std::unique_ptr<LanguageAids> m_languageAids;
};

} // namespace bp
