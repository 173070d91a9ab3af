#include "check_schedule.h"

#include "editor/view/editor_pane.h"

#include <QTimer>

namespace bp {

CheckSchedule::CheckSchedule(const QpileReference &reference, TCustomEditorPane &pane,
                             QObject *parent)
    : QObject(parent), m_pane(pane), m_lines(pane.Lines()),
      m_check(std::make_unique<QpileIncrementalCheck>(reference, m_lines)),
      m_pause(new QTimer(this)), m_slice(new QTimer(this))
{
    m_lines.addListener(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPause);
    connect(m_pause, &QTimer::timeout, this, &CheckSchedule::runSlice);
    m_slice->setSingleShot(true);
    m_slice->setInterval(0);
    connect(m_slice, &QTimer::timeout, this, &CheckSchedule::runSlice);
    scheduleCheck();
}

CheckSchedule::~CheckSchedule()
{
    m_lines.removeListener(this);
}

void CheckSchedule::linesInserted(int index, int count)
{
    moveMarks(index, 0, count);
    scheduleCheck();
}

void CheckSchedule::linesDeleted(int index, int count)
{
    moveMarks(index, count, 0);
    scheduleCheck();
}

void CheckSchedule::linesCleared()
{
    m_pane.setLineMarks({});
    scheduleCheck();
}

void CheckSchedule::moveMarks(int index, int removed, int inserted)
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

void CheckSchedule::scheduleCheck()
{
    // Each edit puts the check off again, so typing runs at full speed.
    m_slice->stop();
    m_pause->start();
    emit edited();
}

void CheckSchedule::runSlice()
{
    if (!m_check->run(kSliceLines)) {
        m_slice->start();
        return;
    }
    putMarks();
    emit finished();
}

void CheckSchedule::putMarks()
{
    if (m_scriptFolder)
        m_check->setScriptFolder(m_scriptFolder());
    const std::vector<QpileProblem> &problems = m_check->problems();
    // The marks may have moved with edits since; they are put back in any case.
    std::vector<LineMark> marks;
    marks.reserve(problems.size());
    for (const QpileProblem &problem : problems)
        marks.push_back({problem.line, problem.column, problem.length,
                         problem.severity == QpileSeverity::Hint});
    m_pane.setLineMarks(std::move(marks));
}

} // namespace bp
