#include "unit_main.h"

#include "caret_position.h"
#include "common/error.h"
#include "document.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "editor_zoom.h"
#include "file_commands.h"
#include "frm_go_to_line.h"
#include "go_to_line.h"
#include "platform/alert_sound.h"
#include "platform/settings_store.h"
#include "platform/user_prompts.h"
#include "recent_files.h"
#include "search/model/replace_commands.h"
#include "search/model/search_commands.h"
#include "search/view/frm_replace.h"
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

namespace bp {

// --- everyday editor habits: replace, go to line, caret position, recent files, drops,
// zoom, a visible "not found" ------------------------------------------------------------

void Tfrm_Main::createHabits()
{
    const ActionManager &a = m_actions;
    m_replace = std::make_unique<ReplaceCommands>(
        EditorPane->model(), m_search->EditorSearch1(),
        [this](const QString &text) {
            return m_services.prompts->askYesNo(this, text, PromptIcon::Warning);
        },
        [this](const QString &text) { showNotFound(text); },
        [this](const QString &text) { showTemporaryHint(text); });
    m_replaceDialog = [this](const TSearchSettings &settings, const QString &replaceText,
                             const ReplaceAction &replaceNext, const ReplaceAction &replaceAll) {
        Tfrm_Replace::Execute(this, settings, replaceText, replaceNext, replaceAll,
                              [this](QWidget &dialog) { keepMatchBeside(dialog); });
    };
    m_goToLineDialog = [this] { return Tfrm_GoToLine::Execute(this, EditorPane->model()); };
    connect(a.ActionReplace, &QAction::triggered, this,
            [this] { runCommand([this] { ActionReplaceExecute(); }); });
    connect(a.ActionGoToLine, &QAction::triggered, this,
            [this] { runCommand([this] { ActionGoToLineExecute(); }); });

    m_zoom = new EditorZoom(
        *EditorPane, *m_services.settings,
        [this](const std::function<void()> &step) { return runCommand(step); }, this);
    connect(a.ViewZoomIn, &QAction::triggered, this,
            [this] { runCommand([this] { m_zoom->zoomIn(); }); });
    connect(a.ViewZoomOut, &QAction::triggered, this,
            [this] { runCommand([this] { m_zoom->zoomOut(); }); });
    connect(a.ViewZoomReset, &QAction::triggered, this,
            [this] { runCommand([this] { m_zoom->reset(); }); });

    // Between the print commands' separator and "Выход".
    QMenu *menu = fileMenu();
    connect(menu, &QMenu::aboutToShow, this,
            [this, menu] { m_files->fillRecentFiles(menu, m_actions.FileExit1); });
    setAcceptDrops(true);

    m_hintTimer = new QTimer(this);
    m_hintTimer->setSingleShot(true);
    m_hintTimer->setInterval(5000);
    connect(m_hintTimer, &QTimer::timeout, this, [this] {
        if (statusPanelText(0) == m_hintTimer->property("hint").toString())
            setStatusPanel(0, QString());
    });

    m_caretPanel = new QLabel(statusBar());
    m_caretPanel->setObjectName(QStringLiteral("CaretPanel"));
    m_caretPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_caretPanel->setMinimumWidth(std::max(
        120, m_caretPanel->fontMetrics().horizontalAdvance(QStringLiteral("Стр 99999, Стб 999"))));
    statusBar()->addWidget(m_caretPanel, 1);
    EditModel &model = EditorPane->model();
    m_caretPosition = std::make_unique<CaretPosition>(model);
    connect(&model, &EditModel::caretMoved, this, &Tfrm_Main::updateCaretPanel);
    connect(&model, &EditModel::selectionChanged, this, &Tfrm_Main::updateCaretPanel);
    connect(&model, &EditModel::modeChanged, this, &Tfrm_Main::updateCaretPanel);
    updateCaretPanel();
}

QString Tfrm_Main::caretPanelText() const
{
    return m_caretPanel->text();
}

void Tfrm_Main::updateCaretPanel()
{
    m_caretPanel->setText(m_caretPosition->text());
}

void Tfrm_Main::showTemporaryHint(const QString &text)
{
    setStatusPanel(0, text);
    m_hintTimer->setProperty("hint", text);
    m_hintTimer->start();
}

void Tfrm_Main::showNotFound(const QString &searchText)
{
    m_services.sound->alert();
    // Before any search there is no text to name; the beep alone answers.
    if (!searchText.isEmpty())
        showTemporaryHint(QStringLiteral("Не найдено: ") + searchText);
}

void Tfrm_Main::ActionReplaceExecute()
{
    TSearchSettings settings = m_replace->settings();
    // The first replace starts from what was searched for last.
    if (settings.SearchText.isEmpty())
        settings = m_search->settings();
    m_replace->setSettings(settings, m_replace->replaceText());
    m_replace->start();
    auto action = [this](bool all) {
        return [this, all](const TSearchSettings &shown, const QString &replaceText) {
            runCommand([&] {
                m_replace->setSettings(shown, replaceText);
                if (all)
                    m_replace->ReplaceAllExecute();
                else
                    m_replace->ReplaceNext();
            });
            return m_replace->settings();
        };
    };
    m_replaceDialog(settings, m_replace->replaceText(), action(false), action(true));
}

void Tfrm_Main::keepMatchBeside(QWidget &dialog)
{
    EditModel &model = EditorPane->model();
    if (!model.SelAvail() || !dialog.isVisible())
        return;
    const QWidget *viewport = EditorPane->viewport();
    const QRect textArea(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
    // The match's line across the whole text area: the caret ends the selected match.
    const auto matchLine = [&] {
        const QRect caret = EditorPane->caretRect();
        return QRect(textArea.left(), viewport->mapToGlobal(caret.topLeft()).y(), textArea.width(),
                     EditorPane->lineHeight());
    };
    const int shift = textShiftBesideDialog(textArea, matchLine(), dialog.frameGeometry());
    const int lines = shift / EditorPane->lineHeight();
    if (lines != 0)
        model.viewWindow().setTopLine(model.viewWindow().topLine() + lines);
    // Near the ends of the text the lines cannot move far enough: the dialog moves instead.
    const QScreen *screen = dialog.screen();
    const QRect available = screen ? screen->availableGeometry() : textArea;
    if (const std::optional<QPoint> corner =
            dialogCornerBesideLine(matchLine(), dialog.frameGeometry(), available))
        dialog.move(*corner);
}

void Tfrm_Main::ActionGoToLineExecute()
{
    const std::optional<TBufferCoord> target = m_goToLineDialog();
    if (!target)
        return;
    goToLine(EditorPane->model(), *target);
    EditorPane->SetFocus();
}

QMenu *Tfrm_Main::fileMenu() const
{
    return m_actions.menu(CommandMenu::File);
}

namespace {

// The local files a drag carries, in its order.
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

void Tfrm_Main::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Tfrm_Main::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Tfrm_Main::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // The drag's source waits for the drop to end: the question and the reading come after.
    QTimer::singleShot(0, this, [this, files] {
        runCommand([&] {
            if (m_files->openFileFromOutside(files.constFirst()) && files.size() > 1)
                showTemporaryHint(QStringLiteral("Открыт только первый из %1 файлов: %2")
                                      .arg(files.size())
                                      .arg(fileNamePart(files.constFirst())));
        });
    });
}

} // namespace bp
