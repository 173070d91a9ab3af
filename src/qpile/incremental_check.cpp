#include "incremental_check.h"

#include <algorithm>

namespace bp {
namespace {

// Moves 1-based line numbers at or after `end` (0-based) by `delta`.
struct LineShift
{
    int end = 0;
    int delta = 0;
    // Open blocks and calls are shared between states: each is moved once per shift.
    quint32 stamp = 0;

    void operator()(int &line) const
    {
        if (line - 1 >= end)
            line += delta;
    }
    void operator()(QpileCheckState &state) const
    {
        // Entries on a stack open in line order: below the first one before `end` none moves.
        // One that moves opened after the edit, so every state holding it lies after it too.
        state.blocks.shiftFromTop(stamp, [this](QpileCheckState::OpenBlock &block) {
            if (block.line - 1 < end)
                return false;
            block.line += delta;
            return true;
        });
        for (auto *calls : {&state.calls, &state.unclosed}) {
            calls->shiftFromTop(stamp, [this](QpileCheckState::OpenCall &call) {
                if (call.line - 1 < end)
                    return false;
                call.line += delta;
                (*this)(call.bracketLine);
                return true;
            });
        }
        (*this)(state.brokenLine);
        (*this)(state.lastTextLine);
        if (state.nextLine >= end)
            state.nextLine += delta;
    }
};

// A use's share of the checksum of all uses: a change in any of them changes the sum.
quint64 useHash(const QpileNameUse &use)
{
    quint64 x = quint64(use.kind) ^ (quint64(quint32(use.name)) << 8) ^
                (quint64(quint32(use.line)) << 32) ^ (quint64(quint32(use.column)) * 0x9E37) ^
                (quint64(quint32(use.length)) << 48);
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

bool beforeLine(const QpileCheckState &state, int line)
{
    return state.nextLine < line;
}

// Puts `with` in place of [first, last) of `values`, moving the entries after it once at most
// (not at all when the counts agree, as when a line is re-checked to as many findings).
template <class T>
void replaceRange(std::vector<T> &values, typename std::vector<T>::iterator first,
                  typename std::vector<T>::iterator last, std::vector<T> &with)
{
    const auto at = first - values.begin();
    const auto old = last - first;
    const auto count = std::ptrdiff_t(with.size());
    if (count > old)
        values.insert(values.begin() + at + old, std::size_t(count - old), T());
    else if (count < old)
        values.erase(values.begin() + at + count, values.begin() + at + old);
    std::move(with.begin(), with.end(), values.begin() + at);
    with.clear();
}

} // namespace

QpileIncrementalCheck::QpileIncrementalCheck(const QpileReference &reference, TEditorLines &lines)
    : m_checker(reference), m_nameCheck(m_checker, m_checker.names()), m_lines(lines)
{
    restart();
    m_lines.addListener(this);
}

QpileIncrementalCheck::~QpileIncrementalCheck()
{
    m_lines.removeListener(this);
}

void QpileIncrementalCheck::restart()
{
    m_states.assign(1, QpileCheckState());
    m_findings.clear();
    m_uses.clear();
    m_nameCheck.clear();
    m_usesSum = 0;
    m_nameProblemsCurrent = false;
    m_end = QpileCheckState();
    m_dueFrom = 0;
    m_stopFrom = kNone;
    m_linesChecked = 0;
    m_sortedCurrent = false;
}

void QpileIncrementalCheck::linesInserted(int index, int count)
{
    replaced(index, 0, count);
}

void QpileIncrementalCheck::linesDeleted(int index, int count)
{
    replaced(index, count, 0);
}

void QpileIncrementalCheck::linesChanged(int index, int count)
{
    replaced(index, count, count);
}

void QpileIncrementalCheck::linesCleared()
{
    restart();
}

void QpileIncrementalCheck::replaced(int index, int removed, int inserted)
{
    const int end = index + removed;
    const LineShift shift{end, inserted - removed, ++m_shiftStamp};

    // States inside the replaced lines describe lines that are gone; the state before the
    // first line after them may end the next pass, at its new place.
    auto inside = std::upper_bound(
        m_states.begin(), m_states.end(), index,
        [](int line, const QpileCheckState &state) { return line < state.nextLine; });
    auto after = std::lower_bound(inside, m_states.end(), end, beforeLine);
    after = m_states.erase(inside, after);
    if (shift.delta != 0) {
        for (auto state = after; state != m_states.end(); ++state)
            shift(*state);
    }
    // Lines removed with nothing put in their place bring the state after them to the first
    // line due, where only a state of the lines before may stand.
    if (inserted == 0 && after != m_states.end() && after->nextLine == index)
        m_states.erase(after);

    // Findings of lines that move go now, or those of the lines removed would sit among them.
    // Lines changed in place keep theirs until the pass that re-checks them replaces them,
    // which it does before it may stop; the same findings again then change nothing.
    if (shift.delta != 0)
        m_sortedCurrent = false;
    if (shift.delta == 0) {
        shift(m_end);
        setStopFrom(index, end, inserted, shift.delta);
        return;
    }
    auto firstGone =
        std::lower_bound(m_findings.begin(), m_findings.end(), index,
                         [](const Finding &finding, int line) { return finding.producer < line; });
    auto firstKept =
        std::lower_bound(firstGone, m_findings.end(), end,
                         [](const Finding &finding, int line) { return finding.producer < line; });
    firstKept = m_findings.erase(firstGone, firstKept);
    if (shift.delta != 0) {
        for (auto finding = firstKept; finding != m_findings.end(); ++finding) {
            finding->producer += shift.delta;
            shift(finding->problem.line);
        }
    }
    auto usesKept = eraseUses(index, end);
    if (shift.delta != 0) {
        // The uses and the findings about them move alike: the sums move together, so the
        // findings stay current exactly when they were.
        for (auto use = usesKept; use != m_uses.end(); ++use) {
            const quint64 before = useHash(*use);
            shift(use->line);
            const quint64 moved = useHash(*use) - before;
            m_usesSum += moved;
            m_nameProblemsSum += moved;
        }
        for (QpileProblem &problem : m_nameProblems)
            shift(problem.line);
    }
    shift(m_end);
    setStopFrom(index, end, inserted, shift.delta);
}

void QpileIncrementalCheck::setStopFrom(int index, int end, int inserted, int delta)
{
    // The findings stored after the replaced lines follow from the state stored after them.
    // With nothing put in their place that state is gone, and a state standing at `index`
    // describes the lines before the removed ones, not the findings after it: a pass may
    // stop only beyond it.
    const int firstAfter = index + std::max(inserted, 1);
    if (!pending()) {
        m_stopFrom = firstAfter;
    } else if (m_stopFrom != kNone) {
        // A pass under way has stored its own state at m_dueFrom, but what is stored after
        // that line still follows from the state stored there before: the next pass may
        // stop only beyond it.
        const auto moved = [&](int line) { return line >= end ? line + delta : line; };
        m_stopFrom = std::max({moved(m_stopFrom), moved(m_dueFrom) + 1, firstAfter});
    }
    m_dueFrom = std::min(m_dueFrom, index);
    m_linesChecked = 0;
}

bool QpileIncrementalCheck::run(int budget)
{
    if (!pending())
        return true;
    budget = std::max(budget, 1);
    auto start = std::upper_bound(
        m_states.begin(), m_states.end(), m_dueFrom,
        [](int line, const QpileCheckState &state) { return line < state.nextLine; });
    --start;
    QpileCheckState state = *start;
    const int from = state.nextLine;
    auto candidate = start + 1;
    std::vector<QpileCheckState> states;
    std::vector<Finding> findings;
    std::vector<QpileNameUse> uses;
    std::vector<QpileProblem> lineProblems;
    const int count = m_lines.Count();
    for (int checked = 0;; ++checked) {
        const int line = state.nextLine;
        if (line >= count) {
            if (!(m_end == state))
                m_sortedCurrent = false;
            m_end = std::move(state);
            commit(from, kNone, states, findings, uses);
            m_dueFrom = m_stopFrom = kNone;
            return true;
        }
        while (candidate != m_states.end() && candidate->nextLine < line)
            ++candidate;
        if (line > from && line >= m_stopFrom && candidate != m_states.end() &&
            candidate->nextLine == line && *candidate == state) {
            // From here on the stored states and findings hold.
            commit(from, line, states, findings, uses);
            m_dueFrom = m_stopFrom = kNone;
            return true;
        }
        if (checked >= budget) {
            states.push_back(state);
            commit(from, line, states, findings, uses);
            m_dueFrom = line;
            return false;
        }
        if (line > from && (line - from) % kCheckpointSpacing == 0)
            states.push_back(state);
        lineProblems.clear();
        m_checker.checkLine(m_lines.view(line), state, lineProblems, &uses);
        for (QpileProblem &problem : lineProblems)
            findings.push_back({line, std::move(problem)});
        ++m_linesChecked;
    }
}

std::vector<QpileNameUse>::iterator QpileIncrementalCheck::forgetUses(int from, int to)
{
    const auto byLine = [](const QpileNameUse &use, int line) { return use.line - 1 < line; };
    auto first = std::lower_bound(m_uses.begin(), m_uses.end(), from, byLine);
    auto last = to == kNone ? m_uses.end() : std::lower_bound(first, m_uses.end(), to, byLine);
    for (auto use = first; use != last; ++use) {
        m_nameCheck.remove(*use);
        m_usesSum -= useHash(*use);
    }
    return first;
}

std::vector<QpileNameUse>::iterator QpileIncrementalCheck::eraseUses(int from, int to)
{
    const auto first = forgetUses(from, to);
    const auto byLine = [](const QpileNameUse &use, int line) { return use.line - 1 < line; };
    return m_uses.erase(first, to == kNone ? m_uses.end()
                                           : std::lower_bound(first, m_uses.end(), to, byLine));
}

std::vector<int> QpileIncrementalCheck::functionLines() const
{
    std::vector<int> lines;
    for (const QpileNameUse &use : m_uses) {
        if (use.kind == QpileNameUse::Kind::FuncDef)
            lines.push_back(use.line - 1);
    }
    return lines;
}

void QpileIncrementalCheck::setScriptFolder(const QString &folder)
{
    if (folder == m_nameCheck.folder())
        return;
    m_nameCheck.setFolder(folder);
    m_nameProblemsCurrent = false;
    m_sortedCurrent = false;
}

void QpileIncrementalCheck::commit(int from, int to, std::vector<QpileCheckState> &states,
                                   std::vector<Finding> &findings, std::vector<QpileNameUse> &uses)
{
    auto usesAt = forgetUses(from, to);
    for (const QpileNameUse &use : uses) {
        m_nameCheck.add(use);
        m_usesSum += useHash(use);
    }
    const auto byLine = [](const QpileNameUse &use, int line) { return use.line - 1 < line; };
    replaceRange(m_uses, usesAt,
                 to == kNone ? m_uses.end() : std::lower_bound(usesAt, m_uses.end(), to, byLine),
                 uses);

    auto first = std::upper_bound(
        m_states.begin(), m_states.end(), from,
        [](int line, const QpileCheckState &state) { return line < state.nextLine; });
    auto last =
        to == kNone ? m_states.end() : std::lower_bound(first, m_states.end(), to, beforeLine);
    if (!states.empty() && states.back().nextLine == to && last != m_states.end() &&
        last->nextLine == to)
        ++last;
    first = m_states.erase(first, last);
    m_states.insert(first, std::make_move_iterator(states.begin()),
                    std::make_move_iterator(states.end()));

    const auto byProducer = [](const Finding &finding, int line) {
        return finding.producer < line;
    };
    auto gone = std::lower_bound(m_findings.begin(), m_findings.end(), from, byProducer);
    auto kept =
        to == kNone ? m_findings.end() : std::lower_bound(gone, m_findings.end(), to, byProducer);
    const auto same = [](const Finding &left, const Finding &right) {
        return left.producer == right.producer && left.problem == right.problem;
    };
    if (!std::equal(gone, kept, findings.begin(), findings.end(), same))
        m_sortedCurrent = false;
    replaceRange(m_findings, gone, kept, findings);
}

const std::vector<QpileProblem> &QpileIncrementalCheck::problems()
{
    // Lines re-checked to the same uses (typing inside an expression) leave the findings
    // about names as they were: no walk over every use.
    if (!m_nameProblemsCurrent || m_nameProblemsSum != m_usesSum) {
        std::vector<QpileProblem> fresh;
        m_nameCheck.report(m_uses, fresh);
        if (fresh != m_nameProblems) {
            m_nameProblems = std::move(fresh);
            m_sortedCurrent = false;
        }
        m_nameProblemsSum = m_usesSum;
        m_nameProblemsCurrent = true;
    }
    if (!m_sortedCurrent) {
        std::vector<QpileProblem> ended;
        m_checker.finish(m_end, ended);
        // In the order a stable sort by place gives, without one: findings are counted out
        // to their lines (each line keeps the order they were made in), then the few on one
        // line are put in column order. The list is long; lines are a bounded number.
        const std::size_t total = m_findings.size() + ended.size() + m_nameProblems.size();
        std::vector<const QpileProblem *> all;
        all.reserve(total);
        for (const Finding &finding : m_findings)
            all.push_back(&finding.problem);
        for (const QpileProblem &problem : ended)
            all.push_back(&problem);
        for (const QpileProblem &problem : m_nameProblems)
            all.push_back(&problem);
        int lastLine = 0;
        for (const QpileProblem *problem : all)
            lastLine = std::max(lastLine, problem->line);
        std::vector<int> starts(std::size_t(lastLine) + 2, 0);
        for (const QpileProblem *problem : all)
            ++starts[std::size_t(std::max(problem->line, 0)) + 1];
        for (std::size_t line = 1; line < starts.size(); ++line)
            starts[line] += starts[line - 1];
        std::vector<const QpileProblem *> placed(total);
        for (const QpileProblem *problem : all)
            placed[std::size_t(starts[std::size_t(std::max(problem->line, 0))]++)] = problem;
        for (std::size_t first = 0; first < total;) {
            std::size_t last = first + 1;
            while (last < total && placed[last]->line == placed[first]->line)
                ++last;
            // Insertion sort: stable, and the findings of one line are few.
            for (std::size_t i = first + 1; i < last; ++i) {
                const QpileProblem *moving = placed[i];
                std::size_t at = i;
                for (; at > first && placed[at - 1]->column > moving->column; --at)
                    placed[at] = placed[at - 1];
                placed[at] = moving;
            }
            first = last;
        }
        std::vector<QpileProblem> sorted;
        sorted.reserve(total);
        for (const QpileProblem *problem : placed)
            sorted.push_back(*problem);
        m_sorted = std::move(sorted);
        m_sortedCurrent = true;
    }
    return m_sorted;
}

} // namespace bp
