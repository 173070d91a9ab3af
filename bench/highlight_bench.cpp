// The QPILE highlighter over 1,000,000 corpus lines: a full scan against a baseline pass that
// only counts the characters above U+0020 in the same lines, and the rescans after one edit.
#include "qpile_corpus.h"

#include "highlight/qpile_highlighter.h"
#include "highlight/range_rescanner.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int LineCount = 1000000;

class CorpusLines : public bp::HighlightLineSource
{
public:
    explicit CorpusLines(QStringList lines)
        : m_lines(std::move(lines)), m_ranges(std::size_t(m_lines.size()), bp::kUnscannedRange)
    {}
    int lineCount() const override { return int(m_lines.size()); }
    QStringView lineText(int index) const override { return m_lines.at(index); }
    bp::TRange lineRange(int index) const override { return m_ranges[std::size_t(index)]; }
    void setLineRange(int index, bp::TRange range) override
    {
        m_ranges[std::size_t(index)] = range;
    }
    void replaceLine(int index, const QString &text) { m_lines[index] = text; }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
    std::vector<bp::TRange> m_ranges;
};

CorpusLines &corpus()
{
    static CorpusLines lines(bench::qpileLines(LineCount));
    return lines;
}

qint64 utf16Bytes(const QStringList &lines)
{
    qint64 bytes = 0;
    for (const QString &line : lines)
        bytes += line.size() * qint64(sizeof(char16_t));
    return bytes;
}

void BM_BaselineCountAboveBlank(benchmark::State &state)
{
    const QStringList &lines = corpus().lines();
    for (auto _ : state) {
        qint64 count = 0;
        for (const QString &line : lines) {
            const char16_t *p = reinterpret_cast<const char16_t *>(line.constData());
            const qsizetype length = line.size();
            for (qsizetype i = 0; i < length; ++i)
                count += p[i] > 0x20 ? 1 : 0;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(state.iterations() * utf16Bytes(lines));
}
BENCHMARK(BM_BaselineCountAboveBlank)->Unit(benchmark::kMillisecond);

void BM_FullScan(benchmark::State &state)
{
    CorpusLines &lines = corpus();
    bp::TQPILEHighlighter highlighter;
    for (auto _ : state) {
        const bp::ScannedLines scanned = bp::RangeRescanner::scanAll(highlighter, lines);
        benchmark::DoNotOptimize(scanned);
    }
    state.SetBytesProcessed(state.iterations() * utf16Bytes(lines.lines()));
    state.counters["lines"] = double(lines.lineCount());
}
BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond);

// The same scan through the tokenising protocol (SetLine, NextToEol, GetRange), which the
// end-state shortcut of the full scan must agree with.
void BM_FullScanTokenising(benchmark::State &state)
{
    const QStringList &lines = corpus().lines();
    bp::TQPILEHighlighter highlighter;
    for (auto _ : state) {
        highlighter.ResetRange();
        for (int i = 0; i < lines.size(); ++i) {
            highlighter.SetLine(lines[i], i);
            highlighter.NextToEol();
        }
        benchmark::DoNotOptimize(highlighter.GetRange());
    }
    state.SetBytesProcessed(state.iterations() * utf16Bytes(lines));
}
BENCHMARK(BM_FullScanTokenising)->Unit(benchmark::kMillisecond);

// A full scan with the token loop a painter runs: every token's position, kind and attribute.
void BM_FullScanTokenLoop(benchmark::State &state)
{
    const QStringList &lines = corpus().lines();
    bp::TQPILEHighlighter highlighter;
    qint64 tokens = 0;
    for (auto _ : state) {
        tokens = 0;
        highlighter.ResetRange();
        for (int i = 0; i < lines.size(); ++i) {
            highlighter.SetLine(lines[i], i);
            while (!highlighter.GetEol()) {
                benchmark::DoNotOptimize(highlighter.GetTokenPos());
                benchmark::DoNotOptimize(highlighter.GetTokenAttribute());
                benchmark::DoNotOptimize(highlighter.GetTokenView());
                ++tokens;
                highlighter.Next();
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * utf16Bytes(lines));
    state.counters["tokens"] = double(tokens);
}
BENCHMARK(BM_FullScanTokenLoop)->Unit(benchmark::kMillisecond);

// Replacing a line in the middle with text whose end state is the same: one line rescanned.
void BM_EditKeepingEndState(benchmark::State &state)
{
    CorpusLines &lines = corpus();
    bp::TQPILEHighlighter highlighter;
    bp::RangeRescanner::scanAll(highlighter, lines);
    const int index = LineCount / 2;
    const QString original = lines.lines().at(index);
    const QString edited = original + QStringLiteral(" x");
    int rescanned = 0;
    bool toggle = false;
    for (auto _ : state) {
        toggle = !toggle;
        lines.replaceLine(index, toggle ? edited : original);
        rescanned = bp::RangeRescanner::afterLineChanged(highlighter, lines, index).count();
    }
    lines.replaceLine(index, original);
    state.counters["linesRescanned"] = rescanned;
}
BENCHMARK(BM_EditKeepingEndState);

// Typing a double quote at the start of the first line opens a string; deleting it again
// closes it. Each iteration does both and reports how many lines each rescan went over.
void BM_EditOpeningStringAtTop(benchmark::State &state)
{
    CorpusLines &lines = corpus();
    bp::TQPILEHighlighter highlighter;
    bp::RangeRescanner::scanAll(highlighter, lines);
    const QString original = lines.lines().at(0);
    const QString opened = u'"' + original;
    int openedRescan = 0;
    int closedRescan = 0;
    for (auto _ : state) {
        lines.replaceLine(0, opened);
        openedRescan = bp::RangeRescanner::afterLineChanged(highlighter, lines, 0).count();
        lines.replaceLine(0, original);
        closedRescan = bp::RangeRescanner::afterLineChanged(highlighter, lines, 0).count();
    }
    state.counters["linesRescannedOpening"] = openedRescan;
    state.counters["linesRescannedClosing"] = closedRescan;
}
BENCHMARK(BM_EditOpeningStringAtTop);

} // namespace

BENCHMARK_MAIN();
