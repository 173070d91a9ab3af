#include "unit_main.h"

#include "aids/built_in_library.h"
#include "aids/completion_proposal_config.h"
#include "aids/completion_words.h"
#include "aids/editor_aids.h"
#include "aids/library_file.h"
#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "aids/view/library_tree_view.h"
#include "application.h"
#include "common/error.h"
#include "common/text_file.h"
#include "disk_change_questions.h"
#include "document.h"
#include "document_recovery.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "error_box.h"
#include "highlight/qpile_highlighter.h"
#include "icons/image_list_actions.h"
#include "panel_splitter.h"
#include "platform/alert_sound.h"
#include "platform/data_files.h"
#include "platform/settings_store.h"
#include "platform/shell_open.h"
#include "platform/user_prompts.h"
#include "platform/web_host.h"
#include "print/editor_print.h"
#include "print/view/print_commands.h"
#include "qpile/qpile_reference.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/qpile_check_panel.h"
#include "recovery_store.h"
#include "search/model/search_commands.h"
#include "search/view/frm_search.h"
#include "window_state.h"

#include "caret_position.h"
#include "editor_zoom.h"
#include "frm_go_to_line.h"
#include "go_to_line.h"
#include "recent_files.h"
#include "search/model/replace_commands.h"
#include "search/view/frm_replace.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
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

QFont pixelFont(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

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
    : QMainWindow(parent), m_services(services), m_actions(this),
      m_saveDialogFileName(QStringLiteral("untitled"))
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
    m_diskChanges = std::make_unique<DiskChangeQuestions>(
        *m_services.prompts, this,
        DiskChangeQuestions::Document{[this] { return m_document->DocSaved(); },
                                      [this] { reloadFromDisk(); }, [this] { EditorPaneChange(); },
                                      [this](const auto &command) { runCommand(command); }});
    openCommandLineFile(arguments);
    m_highlighter = std::make_unique<TQPILEHighlighter>();
    EditorPane->SetHighlighter(m_highlighter.get());
    createPrint();
    createHabits();
    // The QPILE tips start with the language reference; their commands close the "Вид" menu.
    m_languageTips = new LanguageTips(*EditorPane, *TreeView);
    connect(this, &Tfrm_Main::languageReferenceLoaded, m_languageTips,
            [this] { m_languageTips->setReference(m_reference); });
    for (QAction *entry : menuBar()->actions()) {
        if (QMenu *menu = entry->menu(); menu && entry->text() == QStringLiteral("Вид")) {
            menu->addSeparator();
            menu->addActions(
                {m_languageTips->functionHelpAction(), m_languageTips->signatureTipAction()});
        }
    }
    connect(this, &Tfrm_Main::languageReferenceLoaded, this, [this] {
        if (m_checkPanel)
            return;
        m_checkPanel = std::make_unique<QpileCheckPanel>(
            m_reference, *EditorPane, *PageControl1, TreeView, menuBar(),
            [this](const QString &text) { showTemporaryHint(text); });
        m_checkPanel->setScriptFolderSource([this] {
            const QString file = m_document->DocFileName();
            return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
        });
        // The script's own FUNCs get the signature tip and the hover help too.
        connect(m_checkPanel.get(), &QpileCheckPanel::checked, m_languageTips,
                [this] { m_languageTips->setScriptFunctions(m_checkPanel->scriptFunctions()); });
        // A problem under the mouse is told before the help of the function it is in. As
        // rich text, so a message quoting the script is never read as markup.
        m_languageTips->addHoverSource([this](TBufferCoord position) -> QString {
            QString text = m_checkPanel->problemTextAt(position);
            if (text.isEmpty())
                return text;
            return QStringLiteral("<p>") +
                   text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")) +
                   QStringLiteral("</p>");
        });
    });
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

    auto *panel = new QFrame(client);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel = panel;
    auto *panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);

    PageControl1 = new QTabWidget(Panel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    panelLayout->addWidget(PageControl1);

    TreeView = new LibraryTreeView;
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
    m_library = new FunctionLibraryTree(TreeView);
    m_library->setLibrary(builtInLibrary());
    connect(m_library, &FunctionLibraryTree::nodeDoubleClicked, this,
            [this](const QString &text, bool hasChildren) {
                runCommand([&] { TreeViewDblClick(text, hasChildren); });
            });
    TreeView->installEventFilter(this);
    PageControl1->addTab(TreeView, QStringLiteral("Библиотека функций"));
    PageControl1->widget(0)->setObjectName(QStringLiteral("TabSheet1"));

    Splitter = new PanelSplitter(Panel, client);
    Splitter->setPanelWidth(209);

    EditorPane = new TEditorPane(client);
    EditorPane->setObjectName(QStringLiteral("EditorPane"));
    EditorPane->setFont(pixelFont(QStringLiteral("Courier New"), 13));

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

    layout->addWidget(Panel);
    layout->addWidget(Splitter);
    layout->addWidget(EditorPane, 1);
    // An explicit minimum keeps the side panel's width from setting the window's: stored
    // values apply as they are, and the window may be made narrower than the panel.
    client->setMinimumSize(1, 1);
    setCentralWidget(client);
}

void Tfrm_Main::createMenus()
{
    const ActionManager &a = m_actions;
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    bar->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
    paintBar(bar);

    auto addMenu = [&](const QString &title, const QList<QAction *> &entries) {
        QMenu *menu = bar->addMenu(title);
        for (QAction *entry : entries) {
            if (entry)
                menu->addAction(entry);
            else
                menu->addSeparator();
        }
        return menu;
    };
    QMenu *file =
        addMenu(QStringLiteral("Файл"),
                {a.FileNew, a.FileOpen1, a.FileSave, a.FileSaveAs1, nullptr, a.FilePrintSetup1,
                 a.FilePrintPreview, a.FilePrint, nullptr, a.FileExit1});
    // The encoding the next save writes, right after the save commands; the document's own
    // is checked.
    auto *encodings = new QMenu(QStringLiteral("Кодировка"), file);
    encodings->setObjectName(QStringLiteral("FileEncodingMenu"));
    for (QAction *entry : {a.FileEncodingAnsi, a.FileEncodingUtf8, a.FileEncodingUtf16}) {
        entry->setCheckable(true);
        encodings->addAction(entry);
    }
    file->insertMenu(file->actions().value(file->actions().indexOf(a.FileSaveAs1) + 1), encodings);
    connect(encodings, &QMenu::aboutToShow, this, [this] {
        const TextEncoding current = m_document->lines().encoding();
        m_actions.FileEncodingAnsi->setChecked(current == TextEncoding::Ansi);
        m_actions.FileEncodingUtf8->setChecked(current == TextEncoding::Utf8);
        m_actions.FileEncodingUtf16->setChecked(current == TextEncoding::Utf16LE ||
                                                current == TextEncoding::Utf16BE);
    });
    addMenu(QStringLiteral("Правка"), {a.EditUndo1, nullptr, a.EditCopy1, a.EditCut1, a.EditPaste1,
                                       nullptr, a.EditSelectAll1, nullptr, a.EditDelete1});
    addMenu(QStringLiteral("Поиск"), {a.ActionSearch, a.ActionSearchNext});
    addMenu(QStringLiteral("Помощь"), {a.Help, nullptr, a.Action2, nullptr, a.Action1});

    PopupMenu_Editor = new QMenu(this);
    PopupMenu_Editor->setObjectName(QStringLiteral("PopupMenu_Editor"));
    N9 = new QAction(QStringLiteral("Поставить/снять комментарий"), this);
    N9->setObjectName(QStringLiteral("N9"));
    connect(N9, &QAction::triggered, this, [this] { runCommand([this] { N9Click(); }); });
    for (QAction *entry :
         {a.EditUndo1, static_cast<QAction *>(nullptr), a.EditCopy1, a.EditCut1, a.EditPaste1,
          static_cast<QAction *>(nullptr), a.EditSelectAll1, static_cast<QAction *>(nullptr), N9}) {
        if (entry)
            PopupMenu_Editor->addAction(entry);
        else
            PopupMenu_Editor->addSeparator();
    }
    EditorPane->setContextMenu(PopupMenu_Editor);
}

void Tfrm_Main::createToolBars()
{
    const ActionManager &a = m_actions;
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
    ActionToolBar1 = addBar(QStringLiteral("ActionToolBar1"),
                            {a.FileNew, a.FileOpen1, a.FileSave, nullptr, a.FilePrint});
    ActionToolBar2 =
        addBar(QStringLiteral("ActionToolBar2"), {a.EditCopy1, a.EditCut1, a.EditPaste1, nullptr,
                                                  a.EditUndo1, nullptr, a.ActionSearch});
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
    // Every command's shortcut acts wherever the focus is in this window.
    addActions(a.all());

    a.FileSave->setEnabled(false);
    // "О программе..." waits for its window (setAboutWindow); printing is set up by
    // createPrint.
    a.Action1->setEnabled(false);

    bindCommand(a.FileNew, &Tfrm_Main::FileNewExecute);
    bindCommand(a.FileOpen1, &Tfrm_Main::FileOpen1Execute);
    bindCommand(a.FileSave, &Tfrm_Main::FileSaveExecute);
    bindCommand(a.FileSaveAs1, &Tfrm_Main::FileSaveAs1Execute);
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
            runCommand([this, encoding] { convertEncoding(encoding); });
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
    if (m_document->DocSaved())
        return true;
    switch (askSaveQuestion()) {
    case PromptAnswer::Yes:
        // A cancelled Save As dialog or a failed write keeps the window open.
        FileSaveExecute();
        return m_document->DocSaved();
    case PromptAnswer::No:
        m_document->giveUpChanges();
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return false;
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
    if (event->type() == QEvent::WindowActivate && m_diskChanges)
        m_diskChanges->checkSoon();
    return QMainWindow::event(event);
}

bool Tfrm_Main::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true;
    // The tree's own Copy key would put the current node's text on the clipboard; here the
    // editing commands belong to the editor pane alone.
    if (watched == TreeView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy))
        return true;
    return QMainWindow::eventFilter(watched, event);
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
