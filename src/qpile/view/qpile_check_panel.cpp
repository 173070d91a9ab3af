#include "qpile_check_panel.h"

#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

namespace bp {
namespace {

// Items keep the place they jump to.
constexpr int kLineRole = Qt::UserRole;
constexpr int kColumnRole = Qt::UserRole + 1;
// The list shows this many findings at most; the count in the hint panel is the whole.
constexpr int kListedProblems = 5000;

// Rows as high as their message needs at the column's width: a long message wraps instead of
// being cut at the panel's edge.
class WrappingDelegate : public QStyledItemDelegate
{
public:
    WrappingDelegate(QTreeView *view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem wrapped = option;
        wrapped.features |= QStyleOptionViewItem::WrapText;
        wrapped.rect = QRect(0, 0, std::max(m_view->columnWidth(index.column()), 20), 1);
        return QStyledItemDelegate::sizeHint(wrapped, index);
    }

private:
    QTreeView *m_view;
};

QTreeWidget *makeList(const QStringList &headers, const QString &name)
{
    auto *list = new QTreeWidget;
    list->setObjectName(name);
    list->setColumnCount(int(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(true);
    return list;
}

QTreeWidgetItem *placeItem(const QStringList &texts, int line, int column)
{
    auto *item = new QTreeWidgetItem(texts);
    item->setData(0, kLineRole, line);
    item->setData(0, kColumnRole, column);
    return item;
}

} // namespace

QpileCheckPanel::QpileCheckPanel(std::shared_ptr<const QpileReference> reference,
                                 TCustomEditorPane &pane, QTabWidget &tabs, QWidget *library,
                                 QMenuBar *menus, std::function<void(const QString &)> showHint,
                                 QObject *parent)
    : QObject(parent), m_reference(std::move(reference)), m_pane(pane), m_lines(pane.Lines()),
      m_tabs(tabs), m_library(library), m_showHint(std::move(showHint))
{
    m_problemList =
        makeList({QStringLiteral("Стр"), QStringLiteral("Стб"), QStringLiteral("Замечание")},
                 QStringLiteral("ProblemList"));
    m_outlineList =
        makeList({QStringLiteral("Имя"), QStringLiteral("Заголовок")}, QStringLiteral("Outline"));
    for (QTreeWidget *list : {m_problemList, m_outlineList}) {
        list->setFont(tabs.font());
        connect(list, &QTreeWidget::itemActivated, this,
                [this](QTreeWidgetItem *item) { jumpTo(item); });
        list->installEventFilter(this);
    }
    m_problemList->header()->resizeSection(0, 36);
    m_problemList->header()->resizeSection(1, 30);
    // A narrow panel wraps a long message onto more lines instead of cutting it; the row's
    // tooltip and the hint panel show it whole as well.
    m_problemList->setWordWrap(true);
    m_problemList->setUniformRowHeights(false);
    m_problemList->setTextElideMode(Qt::ElideNone);
    m_problemList->setItemDelegate(new WrappingDelegate(m_problemList));
    connect(m_problemList->header(), &QHeaderView::sectionResized, m_problemList,
            [list = m_problemList] { list->doItemsLayout(); });
    connect(m_problemList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item && m_showHint)
            m_showHint(item->text(2));
    });
    m_tabs.insertTab(1, m_problemList, QStringLiteral("Проверка"));
    m_tabs.insertTab(2, m_outlineList, QStringLiteral("Структура"));
    // All three tabs stay in reach at the panel's width: their titles narrow, no arrows, and
    // each tells its whole title under the mouse.
    m_tabs.setUsesScrollButtons(false);
    m_tabs.setElideMode(Qt::ElideRight);
    // No tab takes the room of the others: a long title is the one shortened.
    m_tabs.tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { max-width: 8em; padding: 3px 4px; }"));
    for (int i = 0; i < m_tabs.count(); ++i)
        m_tabs.setTabToolTip(i, m_tabs.tabText(i));
    connect(&m_tabs, &QTabWidget::currentChanged, this, [this] {
        if (m_tabs.currentWidget() == m_outlineList && !m_outlineCurrent && m_check &&
            !m_check->pending())
            refreshOutline();
    });
    if (m_library)
        m_library->installEventFilter(this);
    addKeyboardCommands(menus);

    if (!m_reference)
        return;
    m_check = std::make_unique<QpileIncrementalCheck>(*m_reference, m_lines);
    m_lines.addListener(this);
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPause);
    connect(m_pause, &QTimer::timeout, this, &QpileCheckPanel::runSlice);
    m_slice = new QTimer(this);
    m_slice->setSingleShot(true);
    m_slice->setInterval(0);
    connect(m_slice, &QTimer::timeout, this, &QpileCheckPanel::runSlice);
    scheduleCheck();
}

QpileCheckPanel::~QpileCheckPanel()
{
    if (m_check)
        m_lines.removeListener(this);
}

void QpileCheckPanel::addKeyboardCommands(QMenuBar *menus)
{
    const auto command = [this](const QString &caption, const QString &name, Qt::Key key) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcut(QKeySequence(Qt::ALT | key));
        action->setShortcutContext(Qt::WindowShortcut);
        m_pane.window()->addAction(action);
        return action;
    };
    QAction *focusLibrary = command(QStringLiteral("Библиотека функций"),
                                    QStringLiteral("ViewFocusLibrary"), Qt::Key_1);
    QAction *focusProblems =
        command(QStringLiteral("Проверка"), QStringLiteral("ViewFocusProblems"), Qt::Key_2);
    QAction *focusOutline =
        command(QStringLiteral("Структура"), QStringLiteral("ViewFocusOutline"), Qt::Key_3);
    connect(focusLibrary, &QAction::triggered, this, [this] { focusTab(m_library); });
    connect(focusProblems, &QAction::triggered, this, [this] { focusTab(m_problemList); });
    connect(focusOutline, &QAction::triggered, this, [this] { focusTab(m_outlineList); });
    if (!menus)
        return;
    for (QAction *entry : menus->actions()) {
        if (entry->menu() && entry->text() == QStringLiteral("Вид")) {
            QMenu *menu = entry->menu();
            menu->addSeparator();
            menu->addActions({focusLibrary, focusProblems, focusOutline});
            return;
        }
    }
}

void QpileCheckPanel::focusTab(QWidget *page)
{
    if (!page)
        return;
    // A side panel dragged shut has no room to show the tab; the editor keeps the focus.
    QWidget *panel = m_tabs.parentWidget() ? m_tabs.parentWidget() : &m_tabs;
    if (panel->width() == 0)
        return;
    const int index = m_tabs.indexOf(page);
    if (index >= 0)
        m_tabs.setCurrentIndex(index);
    page->setFocus(Qt::ShortcutFocusReason);
}

bool QpileCheckPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier &&
        (watched == m_library || watched == m_problemList || watched == m_outlineList)) {
        m_pane.SetFocus();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void QpileCheckPanel::linesInserted(int index, int count)
{
    moveMarks(index, 0, count);
    scheduleCheck();
}

void QpileCheckPanel::linesDeleted(int index, int count)
{
    moveMarks(index, count, 0);
    scheduleCheck();
}

void QpileCheckPanel::linesCleared()
{
    m_pane.setLineMarks({});
    scheduleCheck();
}

void QpileCheckPanel::moveMarks(int index, int removed, int inserted)
{
    if (m_pane.lineMarks().empty())
        return;
    std::vector<LineMark> marks;
    marks.reserve(m_pane.lineMarks().size());
    for (LineMark mark : m_pane.lineMarks()) {
        if (mark.line - 1 >= index + removed)
            mark.line += inserted - removed;
        else if (mark.line - 1 >= index)
            continue;
        marks.push_back(mark);
    }
    m_pane.setLineMarks(std::move(marks));
}

void QpileCheckPanel::scheduleCheck()
{
    // Each edit puts the check off again, so typing runs at full speed.
    m_slice->stop();
    m_pause->start();
    m_outlineCurrent = false;
}

void QpileCheckPanel::runSlice()
{
    if (!m_check->run(kSliceLines)) {
        m_slice->start();
        return;
    }
    showProblems();
    if (m_tabs.currentWidget() == m_outlineList)
        refreshOutline();
    emit checked();
}

void QpileCheckPanel::showProblems()
{
    if (m_scriptFolder)
        m_check->setScriptFolder(m_scriptFolder());
    const std::vector<QpileProblem> &problems = m_check->problems();
    // The marks may have moved with edits since; they are put back in any case.
    std::vector<LineMark> marks;
    marks.reserve(problems.size());
    int hints = 0;
    for (const QpileProblem &problem : problems) {
        const bool hint = problem.severity == QpileSeverity::Hint;
        hints += hint ? 1 : 0;
        marks.push_back({problem.line, problem.column, problem.length, hint});
    }
    m_pane.setLineMarks(std::move(marks));
    if (problems != m_shown) {
        m_shown = problems;
        m_problemList->clear();
        QList<QTreeWidgetItem *> items;
        for (const QpileProblem &problem : m_shown) {
            if (items.size() == kListedProblems)
                break;
            QTreeWidgetItem *item = placeItem(
                {QString::number(problem.line), QString::number(problem.column), problem.message},
                problem.line, problem.column);
            item->setToolTip(2, problem.message);
            if (problem.severity == QpileSeverity::Hint) {
                // A hint reads more quietly than an error, as its mark does.
                for (int column = 0; column < 3; ++column)
                    item->setForeground(
                        column, m_problemList->palette().brush(QPalette::Disabled, QPalette::Text));
            }
            items.append(item);
        }
        m_problemList->addTopLevelItems(items);
    }
    const int errors = int(m_shown.size()) - hints;
    if (errors != m_countShown || hints != m_hintsShown) {
        m_countShown = errors;
        m_hintsShown = hints;
        if (m_showHint)
            m_showHint(countText(errors, hints));
    }
}

void QpileCheckPanel::refreshOutline()
{
    TQPILEHighlighter highlighter;
    const QList<QpileOutlineEntry> outline = buildOutline(m_lines, highlighter);
    m_outlineList->clear();
    QList<QTreeWidgetItem *> items;
    for (const QpileOutlineEntry &entry : outline) {
        const QString name = entry.kind == QpileOutlineEntry::Kind::Function
                                 ? QStringLiteral("FUNC ") + entry.name
                                 : entry.name;
        items.append(placeItem({name, entry.title}, entry.line, entry.column));
    }
    m_outlineList->addTopLevelItems(items);
    m_outlineCurrent = true;
}

void QpileCheckPanel::jumpTo(const QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int line = item->data(0, kLineRole).toInt();
    const int column = item->data(0, kColumnRole).toInt();
    if (line < 1)
        return;
    m_pane.model().setCaretXY(TBufferCoord{column, line});
    m_pane.SetFocus();
}

QString QpileCheckPanel::problemTextAt(TBufferCoord position) const
{
    QStringList messages;
    for (const QpileProblem &problem : m_shown) {
        if (problem.line > position.Line)
            break;
        if (problem.line == position.Line && position.Char >= problem.column &&
            position.Char < problem.column + std::max(problem.length, 1))
            messages.append(problem.message);
    }
    return messages.join(u'\n');
}

QList<QpileFunction> QpileCheckPanel::scriptFunctions() const
{
    if (!m_check || m_check->pending())
        return {};
    TQPILEHighlighter highlighter;
    return bp::scriptFunctions(m_lines, m_check->functionLines(), highlighter);
}

QString QpileCheckPanel::countText(int errors, int hints)
{
    if (hints == 0)
        return countText(errors);
    const int tens = hints % 100;
    const int ones = hints % 10;
    const char16_t *word = u"подсказок";
    if (ones == 1 && tens != 11)
        word = u"подсказка";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = u"подсказки";
    return QStringLiteral("%1, %2 %3")
        .arg(countText(errors))
        .arg(hints)
        .arg(QString::fromUtf16(word));
}

QString QpileCheckPanel::countText(int count)
{
    if (count == 0)
        return QStringLiteral("Проверка: замечаний нет");
    const int tens = count % 100;
    const int ones = count % 10;
    const char16_t *word = u"замечаний";
    if (ones == 1 && tens != 11)
        word = u"замечание";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = u"замечания";
    return QStringLiteral("Проверка: %1 %2").arg(count).arg(QString::fromUtf16(word));
}

} // namespace bp
