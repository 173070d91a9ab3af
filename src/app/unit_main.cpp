#include "unit_main.h"

#include "aids/completion_proposal_config.h"
#include "aids/editor_aids.h"
#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "application.h"
#include "common/error.h"
#include "disk_change_questions.h"
#include "document.h"
#include "document_recovery.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "error_box.h"
#include "file_commands.h"
#include "highlight/qpile_highlighter.h"
#include "icons/image_list_actions.h"
#include "language_aids.h"
#include "panel_splitter.h"
#include "platform/pixel_font.h"
#include "platform/settings_store.h"
#include "platform/user_prompts.h"
#include "print/editor_print.h"
#include "print/view/print_commands.h"
#include "qpile/qpile_reference.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/qpile_check_panel.h"
#include "recovery_store.h"
#include "search/model/search_commands.h"
#include "search/view/frm_search.h"
#include "side_panel.h"
#include "window_state.h"

#include "caret_position.h"
#include "editor_zoom.h"
#include "search/model/replace_commands.h"

#include <QTimer>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>

namespace bp {
namespace {

const QString kModified = QStringLiteral("Изменен");
const QString kSaved = QStringLiteral("Сохранен");

// The colour of the bars' empty area and of a highlighted entry.
const QColor kBarColor(226, 225, 219);

void paintBar(QWidget *bar)
{
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, kBarColor);
    palette.setColor(QPalette::Button, kBarColor);
    bar->setPalette(palette);
    bar->setAutoFillBackground(true);
}

} // namespace

Tfrm_Main::Tfrm_Main(const PlatformServices &services, const QStringList &arguments,
                     QWidget *parent)
    : QMainWindow(parent), m_services(services), m_actions(this)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(applicationTitle());
    setWindowIcon(ImageListActions::applicationIcon());
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 13));
    createControls();
    createMenus();
    createToolBars();
    createStatusBar();
    bindCommands();
    // The default client area; the position is that of the outer window.
    resize(961, 591);
    move(197, 111);

    m_document = std::make_unique<TextDocument>(EditorPane->Lines());
    m_files = std::make_unique<FileCommands>(FileCommands::Window{
        *this, *EditorPane, *m_services.prompts, *m_services.settings, *m_document,
        [this](const QString &name) { setStatusPanel(1, name); }, [this] { EditorPaneChange(); },
        [this] { markSaved(); },
        [this](const QString &text) {
            // The command line's file is read before the hint timer exists; its hint then
            // stays until the next one.
            if (m_hintTimer)
                showTemporaryHint(text);
            else
                setStatusPanel(0, text);
        },
        [this](const std::function<void()> &command) { return runCommand(command); }});
    m_files->openCommandLineFile(arguments);
    m_highlighter = std::make_unique<TQPILEHighlighter>();
    EditorPane->SetHighlighter(m_highlighter.get());
    createPrint();
    createHabits();
    m_languageAids = std::make_unique<LanguageAids>(
        LanguageAids::Window{*EditorPane, *m_side->treeView(), *this,
                             [this](const QString &text) { showTemporaryHint(text); },
                             [this] {
                                 const QString file = m_document->DocFileName();
                                 return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
                             }});
    connect(this, &Tfrm_Main::languageReferenceLoaded, this,
            [this] { m_languageAids->referenceLoaded(m_reference); });
}

Tfrm_Main::~Tfrm_Main()
{
    // The base destructor hides the window, which moves the focus after the members are gone.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    disconnect(EditorPane, nullptr, this, nullptr);
    // The caret panel's running total goes with the members; the model outlives them.
    disconnect(&EditorPane->model(), nullptr, this, nullptr);
    EditorPane->OnChange = nullptr;
    // The pane outlives this body; it must not keep the highlighter about to be freed.
    EditorPane->SetHighlighter(nullptr);
}

void Tfrm_Main::createControls()
{
    auto *client = new QWidget(this);
    auto *layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_side = new SidePanel(client);
    connect(m_side->library(), &FunctionLibraryTree::nodeDoubleClicked, this,
            [this](const QString &text, bool hasChildren) {
                runCommand([&] { TreeViewDblClick(text, hasChildren); });
            });
    Splitter = new PanelSplitter(m_side->panel(), client);
    Splitter->setPanelWidth(209);

    EditorPane = new TEditorPane(client);
    EditorPane->setObjectName(QStringLiteral("EditorPane"));
    EditorPane->setFont(pixelFont(QStringLiteral("Courier New"), 13));
    m_side->setEditor(EditorPane);

    CompletionProposal1 = new TCompletionProposal(EditorPane, completionProposal1Config(),
                                                  QKeySequence(Qt::CTRL | Qt::Key_Space), this);
    CompletionProposal2 = new TCompletionProposal(EditorPane, completionProposal2Config(),
                                                  QKeySequence(Qt::CTRL | Qt::Key_J), this);
    m_searchDialog = [this](const TSearchSettings &settings) {
        return Tfrm_Search::Execute(this, settings);
    };
    m_search = std::make_unique<SearchCommands>(
        EditorPane->model(),
        [this](const TSearchSettings &settings) { return m_searchDialog(settings); },
        [this](const QString &text) {
            return m_services.prompts->askYesNo(this, text, PromptIcon::Warning);
        },
        [this] { showNotFound(m_search->settings().SearchText); });

    layout->addWidget(m_side->panel());
    layout->addWidget(Splitter);
    layout->addWidget(EditorPane, 1);
    // An explicit minimum keeps the side panel's width from setting the window's: stored
    // values apply as they are, and the window may be made narrower than the panel.
    client->setMinimumSize(1, 1);
    setCentralWidget(client);
}

void Tfrm_Main::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    bar->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
    paintBar(bar);

    m_actions.fillMenuBar(*bar);
    // The document's own encoding is checked.
    QMenu *encodings = m_actions.menu(CommandMenu::Encoding);
    for (QAction *entry : encodings->actions())
        entry->setCheckable(true);
    connect(encodings, &QMenu::aboutToShow, this, [this] {
        const TextEncoding current = m_document->lines().encoding();
        m_actions.FileEncodingAnsi->setChecked(current == TextEncoding::Ansi);
        m_actions.FileEncodingUtf8->setChecked(current == TextEncoding::Utf8);
        m_actions.FileEncodingUtf16->setChecked(current == TextEncoding::Utf16LE ||
                                                current == TextEncoding::Utf16BE);
    });

    PopupMenu_Editor = new QMenu(this);
    PopupMenu_Editor->setObjectName(QStringLiteral("PopupMenu_Editor"));
    connect(m_actions.N9, &QAction::triggered, this, [this] { runCommand([this] { N9Click(); }); });
    for (QAction *entry : m_actions.contextMenu()) {
        if (entry)
            PopupMenu_Editor->addAction(entry);
        else
            PopupMenu_Editor->addSeparator();
    }
    EditorPane->setContextMenu(PopupMenu_Editor);
}

void Tfrm_Main::createToolBars()
{
    auto addBar = [&](const QString &name, const QList<QAction *> &entries) {
        auto *bar = new QToolBar(this);
        bar->setObjectName(name);
        bar->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setMinimumHeight(26);
        paintBar(bar);
        for (QAction *entry : entries) {
            if (entry)
                bar->addAction(entry);
            else
                bar->addSeparator();
        }
        // Tool tips are not shown; the long hint goes to the status bar instead.
        for (QWidget *button : bar->findChildren<QWidget *>())
            button->installEventFilter(this);
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    ActionToolBar1 = addBar(QStringLiteral("ActionToolBar1"), m_actions.toolBar(1));
    ActionToolBar2 = addBar(QStringLiteral("ActionToolBar2"), m_actions.toolBar(2));
}

void Tfrm_Main::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    const int widths[3] = {250, 150, 50};
    // The texts panels 0 and 2 show; the file name of panel 1 has no bound.
    QStringList shown[3];
    for (const QAction *action : m_actions.all())
        shown[0] << action->statusTip();
    shown[2] << kModified << kSaved;
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // A panel widens where the font actually used (a substitute, a larger one) would cut
        // one of its texts short.
        int width = widths[i];
        for (const QString &text : std::as_const(shown[i])) {
            label->setText(text);
            width = std::max(width, label->sizeHint().width());
        }
        label->clear();
        label->setFixedWidth(width);
        bar->addWidget(label);
        m_statusPanels[i] = label;
    }
}

void Tfrm_Main::bindCommands()
{
    const ActionManager &a = m_actions;
    // Every command's shortcut acts wherever the focus is in this window. Those the
    // subsystems bind wait for them.
    addActions(a.every());
    for (WindowCommand command :
         {WindowCommand::FunctionHelp, WindowCommand::SignatureTip, WindowCommand::FocusLibrary,
          WindowCommand::FocusProblems, WindowCommand::FocusOutline})
        a.bound(command)->setVisible(false);

    a.FileSave->setEnabled(false);
    // "О программе..." waits for its window (setAboutWindow); printing is set up by
    // createPrint.
    a.Action1->setEnabled(false);

    const auto bindFile = [this](QAction *action, void (FileCommands::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { runCommand([this, handler] { (m_files.get()->*handler)(); }); });
    };
    bindFile(a.FileNew, &FileCommands::FileNewExecute);
    bindFile(a.FileOpen1, &FileCommands::FileOpen1Execute);
    bindFile(a.FileSave, &FileCommands::FileSaveExecute);
    bindFile(a.FileSaveAs1, &FileCommands::FileSaveAs1Execute);
    bindCommand(a.Help, &Tfrm_Main::HelpExecute);
    connect(a.ActionSearch, &QAction::triggered, this,
            [this] { runCommand([this] { m_search->ActionSearchExecute(); }); });
    connect(a.ActionSearchNext, &QAction::triggered, this,
            [this] { runCommand([this] { m_search->ActionSearchNextExecute(); }); });
    bindCommand(a.Action2, &Tfrm_Main::Action2Execute);
    connect(a.FileExit1, &QAction::triggered, this, [this] { close(); });
    for (const auto &[action, encoding] : {std::pair{a.FileEncodingAnsi, TextEncoding::Ansi},
                                           std::pair{a.FileEncodingUtf8, TextEncoding::Utf8},
                                           std::pair{a.FileEncodingUtf16, TextEncoding::Utf16LE}})
        connect(action, &QAction::triggered, this, [this, encoding = encoding] {
            runCommand([this, encoding] { m_files->convertEncoding(encoding); });
        });

    bindEditAction(a.EditUndo1, TEditAction::Undo);
    bindEditAction(a.EditCopy1, TEditAction::Copy);
    bindEditAction(a.EditCut1, TEditAction::Cut);
    bindEditAction(a.EditPaste1, TEditAction::Paste);
    bindEditAction(a.EditSelectAll1, TEditAction::SelectAll);
    bindEditAction(a.EditDelete1, TEditAction::Delete);
    connect(qApp, &QApplication::focusChanged, this, &Tfrm_Main::updateEditActions);
    connect(EditorPane, &TEditorPane::actionStateChanged, this, &Tfrm_Main::updateEditActions);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &Tfrm_Main::updateEditActions);
    updateEditActions();

    EditorPane->OnChange = [this] { EditorPaneChange(); };
    // Keys and the mouse edit through the pane: their failures go to the same error box.
    EditorPane->setCommandBoundary(
        [this](const std::function<void()> &command) { return runCommand(command); });

    // F10 opens the menu bar at its first menu for the keyboard, wherever the focus is.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        QMenuBar *bar = menuBar();
        if (bar->actions().isEmpty())
            return;
        QAction *first = bar->actions().constFirst();
        bar->setActiveAction(first);
        if (QMenu *menu = first->menu(); menu && !menu->actions().isEmpty())
            menu->setActiveAction(menu->actions().constFirst());
    });
}

void Tfrm_Main::bindEditAction(QAction *action, TEditAction editAction)
{
    m_editActions.append({action, editAction});
    connect(action, &QAction::triggered, this, [this, editAction] {
        runCommand([=, this] { EditorPane->ExecuteAction(editAction); });
    });
}

void Tfrm_Main::updateEditActions()
{
    // The menu bar takes the keyboard focus while it is used from the keyboard (Alt, F10,
    // Escape from an open menu), and an open menu holds the input: the editing commands
    // keep the state that the widget focused before gave them.
    QWidget *focus = QApplication::focusWidget();
    if (QApplication::activePopupWidget() || qobject_cast<QMenuBar *>(focus) ||
        qobject_cast<QMenu *>(focus))
        return;
    for (const auto &[action, editAction] : std::as_const(m_editActions))
        action->setEnabled(EditorPane->UpdateAction(editAction));
}

QString Tfrm_Main::statusPanelText(int panel) const
{
    return m_statusPanels[panel]->text();
}

void Tfrm_Main::setStatusPanel(int panel, const QString &text)
{
    m_statusPanels[panel]->setText(text);
}

bool Tfrm_Main::runCommand(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (...) {
        if (const std::optional<QString> report = failureReport(std::current_exception()))
            showErrorBox(*report);
    }
    return false;
}

void Tfrm_Main::showErrorBox(const QString &message)
{
    m_services.prompts->showError(this, errorBoxText(message));
}

void Tfrm_Main::EditorPaneChange()
{
    m_actions.FileSave->setEnabled(true);
    setStatusPanel(2, kModified);
    m_document->markModified();
    if (m_recovery)
        m_recovery->documentChanged();
}

void Tfrm_Main::markSaved()
{
    m_actions.FileSave->setEnabled(false);
    setStatusPanel(2, kSaved);
    if (m_recovery)
        m_recovery->documentSaved();
}

void Tfrm_Main::N9Click()
{
    // Recorded as one undo step, so the pane's change notification marks the document.
    applyCommentToggle(EditorPane->model());
}

void Tfrm_Main::TreeViewDblClick(const QString &nodeText, bool nodeHasChildren)
{
    // Recorded as one undo step, so the pane's change notification marks the document. The
    // keyboard goes back to the text, or the next keys would search the tree.
    if (applyLibraryInsertion(EditorPane->model(), nodeText, nodeHasChildren))
        EditorPane->SetFocus();
}

void Tfrm_Main::createPrint()
{
    EditorPrint = std::make_unique<TEditorPrint>();
    EditorPrint->Copies = 1;
    EditorPrint->DocTitle = QStringLiteral("Brindlepad");
    EditorPrint->Colors = true;
    EditorPrint->LineNumbers = true;
    EditorPrint->TabWidth = 8;
    EditorPrint->Color = Qt::white;
    EditorPrint->SetFont(pixelFont(QStringLiteral("Tahoma"), 11));
    EditorPrint->Margins = EditorPrintMargins{};
    m_print = std::make_unique<PrintCommands>(*EditorPrint, *m_services.prompts, this);

    const ActionManager &a = m_actions;
    for (QAction *action : {a.FilePrintSetup1, a.FilePrintPreview, a.FilePrint})
        action->setEnabled(true);
    bindCommand(a.FilePrint, &Tfrm_Main::FilePrintExecute);
    bindCommand(a.FilePrintPreview, &Tfrm_Main::FilePrintPreviewExecute);
    bindCommand(a.FilePrintSetup1, &Tfrm_Main::FilePrintSetup1Execute);
}

void Tfrm_Main::bindCommand(QAction *action, void (Tfrm_Main::*handler)())
{
    connect(action, &QAction::triggered, this,
            [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
}

void Tfrm_Main::FormShow()
{
    // Each step is reported on its own, so one that fails leaves the others done.
    runCommand([this] { loadLibrary(); });
    runCommand([this] { loadCompletionList(); });
    runCommand([this] { loadLanguageReference(); });
    runCommand([this] {
        WindowState(*m_services.settings, *this, *Splitter).restore([this](const QString &message) {
            showErrorBox(message);
        });
        m_fitWhenFramed = frameGeometry().topLeft();
        // A store that cannot be read was reported just now; the text keeps its default size.
        m_zoom->restore();
    });
    runCommand([this] { EditorPane->SetFocus(); });
}

bool Tfrm_Main::FormCloseQuery()
{
    // The window state is stored at every attempt, also one the question below refuses.
    // A store that cannot be written must not keep the window from ever closing.
    runCommand([this] { WindowState(*m_services.settings, *this, *Splitter).store(); });
    return m_files->allowClose();
}

DiskChangeQuestions &Tfrm_Main::diskChanges() const
{
    return m_files->diskChanges();
}

void Tfrm_Main::startRecovery(RecoveryStore &store)
{
    m_recovery = std::make_unique<DocumentRecovery>(
        store, *m_document, [this](const QString &message) { showErrorBox(message); });
    m_recovery->setBasedOn([this] { return m_files->diskChanges().basedOn(); });
    offerLeftOverTexts(
        store, *m_services.prompts, this,
        [this](const std::function<void()> &step) { return runCommand(step); },
        [this](RecoveredText &&text) {
            const bool previous = text.previousContent;
            m_files->restoreRecoveredText(std::move(text));
            // The copy of the old bytes goes after this: the text is kept as this
            // instance's own first.
            if (previous)
                m_recovery->writeNow();
        });
}

bool Tfrm_Main::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // Into panel 0, instead of the temporary message that would hide all three panels.
        setStatusPanel(0, static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    // The restore fitted the window to the screen with the frame it knew; where the window
    // manager frames the window only after it is shown, the fit is finished once. The type
    // is tested first: child events arrive while the members are still being constructed.
    const bool framingEvent = event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                              event->type() == QEvent::WindowActivate;
    if (framingEvent && m_fitWhenFramed && frameGeometry() != geometry() &&
        frameGeometry().contains(geometry())) {
        const QPoint corner = *m_fitWhenFramed;
        m_fitWhenFramed.reset();
        keepWindowOnScreen(*this, corner);
    }
    // Another program may have changed the file while the user was in it.
    if (event->type() == QEvent::WindowActivate && m_files)
        m_files->diskChanges().checkSoon();
    return QMainWindow::event(event);
}

bool Tfrm_Main::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

QAction *Tfrm_Main::command(WindowCommand command)
{
    QAction *action = m_actions.bound(command);
    action->setVisible(true);
    return action;
}

void Tfrm_Main::addSideTab(QWidget *page, const QString &title, WindowCommand focus)
{
    // The library's own key comes with the first tab beside it.
    if (m_side->tabs()->count() == 1)
        m_side->bindFocus(m_side->treeView(), command(WindowCommand::FocusLibrary));
    m_side->addTab(page, title);
    m_side->bindFocus(page, command(focus));
}

QTreeView *Tfrm_Main::treeView() const
{
    return m_side->treeView();
}

QWidget *Tfrm_Main::panel() const
{
    return m_side->panel();
}

FunctionLibraryTree *Tfrm_Main::libraryTree() const
{
    return m_side->library();
}

LanguageTips *Tfrm_Main::languageTips() const
{
    return m_languageAids->tips();
}

QpileCheckPanel *Tfrm_Main::checkPanel() const
{
    return m_languageAids->checkPanel();
}

void Tfrm_Main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void Tfrm_Main::closeEvent(QCloseEvent *event)
{
    bool canClose = false;
    runCommand([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        event->accept();
        runCommand([this] { FormClose(); });
    } else {
        event->ignore();
    }
}

void Tfrm_Main::FormClose()
{
    // A clean close: the unsaved text, if any, was given up on purpose.
    if (m_recovery)
        m_recovery->documentSaved();
    EditorPane->SetHighlighter(nullptr);
    m_highlighter.reset();
}

} // namespace bp
