#include "qpile_check_panel.h"

#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "platform/window_parts.h"
#include "problem_count.h"

#include <QEvent>

namespace bp {

QpileCheckPanel::QpileCheckPanel(std::shared_ptr<const QpileReference> reference,
                                 TCustomEditorPane &pane, WindowParts &parts,
                                 std::function<void(const QString &)> showHint, QObject *parent)
    : QObject(parent), m_reference(std::move(reference)), m_pane(pane),
      m_showHint(std::move(showHint)), m_problemList(new ProblemList(pane, m_showHint)),
      m_outlineList(new OutlineList(pane))
{
    parts.addSideTab(m_problemList, QStringLiteral("Проверка"), WindowCommand::FocusProblems);
    parts.addSideTab(m_outlineList, QStringLiteral("Структура"), WindowCommand::FocusOutline);
    for (PlaceList *list :
         {static_cast<PlaceList *>(m_problemList), static_cast<PlaceList *>(m_outlineList)}) {
        if (QWidget *tabs = list->parentWidget())
            list->setFont(tabs->font());
    }
    if (!m_reference)
        return;
    m_schedule = std::make_unique<CheckSchedule>(*m_reference, pane);
    connect(m_schedule.get(), &CheckSchedule::edited, this, [this] { m_outlineCurrent = false; });
    connect(m_schedule.get(), &CheckSchedule::finished, this, &QpileCheckPanel::showCheck);
    // The outline is built when its tab comes up, and after each check while it is the
    // current tab.
    m_outlineList->installEventFilter(this);
}

bool QpileCheckPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_outlineList && event->type() == QEvent::Show && !m_outlineCurrent &&
        m_schedule && !m_schedule->check().pending())
        refreshOutline();
    return QObject::eventFilter(watched, event);
}

QpileCheckPanel::~QpileCheckPanel() = default;

void QpileCheckPanel::setScriptFolderSource(std::function<QString()> source)
{
    if (m_schedule)
        m_schedule->setScriptFolderSource(std::move(source));
}

void QpileCheckPanel::showCheck()
{
    const std::vector<QpileProblem> &problems = m_schedule->check().problems();
    m_problemList->showProblems(problems);
    int hints = 0;
    for (const QpileProblem &problem : problems)
        hints += problem.severity == QpileSeverity::Hint ? 1 : 0;
    const int errors = int(problems.size()) - hints;
    if (errors != m_errorsShown || hints != m_hintsShown) {
        m_errorsShown = errors;
        m_hintsShown = hints;
        if (m_showHint)
            m_showHint(problemCountText(errors, hints));
    }
    if (!m_outlineList->isHidden())
        refreshOutline();
    emit checked();
}

void QpileCheckPanel::refreshOutline()
{
    TQPILEHighlighter highlighter;
    m_outlineList->showOutline(buildOutline(m_pane.Lines(), highlighter));
    m_outlineCurrent = true;
}

QList<QpileFunction> QpileCheckPanel::scriptFunctions() const
{
    if (!m_schedule || m_schedule->check().pending())
        return {};
    TQPILEHighlighter highlighter;
    return bp::scriptFunctions(m_pane.Lines(), m_schedule->check().functionLines(), highlighter);
}

} // namespace bp
