// The structure check over the 1,000,000-line corpus beside the highlighter's full scan of the
// same lines, measured in the same run: the check should cost at most three scans. Then the
// re-check after an edit. Each runs several times; the median, minimum and maximum are
// reported.
#include "qpile_corpus.h"

#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"
#include "highlight/range_rescanner.h"
#include "qpile/incremental_check.h"
#include "qpile/qpile_reference.h"
#include "qpile/structure_check.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int LineCount = 1000000;
constexpr int Repetitions = 5;

bp::TEditorLines &corpus()
{
    static bp::TEditorLines lines;
    if (lines.isEmpty())
        lines.setText(bench::qpileLines(LineCount).join(QStringLiteral("\r\n")));
    return lines;
}

const bp::QpileReference &reference()
{
    static const bp::QpileReference loaded =
        bp::QpileReference::load(QStringLiteral(BP_SOURCE_DIR "/data/reference.json"));
    return loaded;
}

class LineSource : public bp::HighlightLineSource
{
public:
    explicit LineSource(bp::TEditorLines &lines) : m_lines(lines) {}
    int lineCount() const override { return m_lines.Count(); }
    QStringView lineText(int index) const override { return m_lines.view(index); }
    bp::TRange lineRange(int index) const override { return m_lines.range(index); }
    void setLineRange(int index, bp::TRange range) override { m_lines.setRange(index, range); }

private:
    bp::TEditorLines &m_lines;
};

double smallest(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

double largest(const std::vector<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

// The full scan the editor runs when a highlighter is attached.
void BM_HighlighterFullScan(benchmark::State &state)
{
    LineSource lines(corpus());
    bp::TQPILEHighlighter highlighter;
    for (auto _ : state)
        benchmark::DoNotOptimize(bp::RangeRescanner::scanAll(highlighter, lines));
    state.counters["lines"] = double(lines.lineCount());
}
BENCHMARK(BM_HighlighterFullScan)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(Repetitions)
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest);

// Every token of every line, as painting reads them.
void BM_HighlighterTokenLoop(benchmark::State &state)
{
    bp::TEditorLines &lines = corpus();
    bp::TQPILEHighlighter highlighter;
    for (auto _ : state) {
        highlighter.ResetRange();
        for (int i = 0; i < lines.Count(); ++i) {
            highlighter.SetLine(lines.view(i), i);
            while (!highlighter.GetEol()) {
                benchmark::DoNotOptimize(highlighter.GetTokenPos());
                benchmark::DoNotOptimize(highlighter.GetTokenKind());
                benchmark::DoNotOptimize(highlighter.GetTokenView());
                highlighter.Next();
            }
        }
    }
}
BENCHMARK(BM_HighlighterTokenLoop)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(Repetitions)
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest);

// The whole structure check: every line, the end of the file, the findings sorted.
void BM_StructureCheck(benchmark::State &state)
{
    bp::TEditorLines &lines = corpus();
    bp::QpileStructureChecker checker(reference());
    std::size_t problems = 0;
    for (auto _ : state)
        problems = checker.checkAll(lines).size();
    state.counters["problems"] = double(problems);
}
BENCHMARK(BM_StructureCheck)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(Repetitions)
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest);

// An edit, then the check kept current re-checks: typing in a line in the middle of the
// document, a line break put in there and taken out again (every stored line after it
// moves), and a line that sets a variable no other line names (the name analysis learns a
// new name and forgets it again). Beside the whole check above, this is what each pause in
// typing costs, the findings about names included.
void BM_EditThenRecheck(benchmark::State &state)
{
    bp::TEditorLines &lines = corpus();
    bp::QpileIncrementalCheck check(reference(), lines);
    check.runAll();
    const int middle = lines.Count() / 2;
    const QString unchanged = lines[middle];
    const bool newLine = state.range(0) == 1;
    const bool newName = state.range(0) == 2;
    int checked = 0;
    for (auto _ : state) {
        if (newName) {
            lines.setLine(middle, QStringLiteral("fresh_name = total"));
            check.runAll();
            checked = check.linesChecked();
            benchmark::DoNotOptimize(check.problems().size());
            lines.setLine(middle, unchanged);
        } else if (newLine) {
            lines.insert(middle, QString());
            check.runAll();
            checked = check.linesChecked();
            lines.remove(middle);
        } else {
            lines.setLine(middle, unchanged + QStringLiteral(" + 1"));
            check.runAll();
            checked = check.linesChecked();
            lines.setLine(middle, unchanged);
        }
        check.runAll();
        benchmark::DoNotOptimize(check.problems().size());
    }
    state.counters["lines checked"] = double(checked);
    state.SetLabel(newName ? "new name" : newLine ? "line break" : "typing");
}
BENCHMARK(BM_EditThenRecheck)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(Repetitions)
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest);

// Bytes the allocator hands out now.
double allocatedBytes()
{
    return double(mallinfo2().uordblks);
}

// Text the check must hold much state for: every line opens a FOR inside the ones before
// (the nesting as deep as the file is long), or every line carries a call on to the next
// with " _" and opens one more. The kept check runs in the slices the check panel gives it;
// reported are the memory the finished check holds, the process's peak and the longest
// slice. Memory should grow with the file, not with its square.
void BM_DeepState(benchmark::State &state)
{
    const bool continued = state.range(0) == 1;
    const int count = int(state.range(1));
    bp::TEditorLines lines;
    QStringList text;
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text.append(continued ? QStringLiteral("  SUBSTR(s, _")
                              : QStringLiteral("FOR i FROM 1 TO 3"));
    lines.setText(text.join(QStringLiteral("\r\n")));
    constexpr int SliceLines = 20000;
    double held = 0;
    double longest = 0;
    for (auto _ : state) {
        const double before = allocatedBytes();
        bp::QpileIncrementalCheck check(reference(), lines);
        for (bool done = false; !done;) {
            const auto start = std::chrono::steady_clock::now();
            done = check.run(SliceLines);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            longest = std::max(longest, took.count());
        }
        benchmark::DoNotOptimize(check.problems().size());
        held = allocatedBytes() - before;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["held MB"] = held / 1e6;
    state.counters["peak RSS MB"] = double(usage.ru_maxrss) / 1e3;
    state.counters["longest slice ms"] = longest;
    state.SetLabel(continued ? "continued calls" : "nested FOR");
}
BENCHMARK(BM_DeepState)
    ->Args({0, 100000})
    ->Args({0, 300000})
    ->Args({0, 1000000})
    ->Args({1, 100000})
    ->Args({1, 300000})
    ->Args({1, 1000000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(Repetitions)
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest);

} // namespace

BENCHMARK_MAIN();
