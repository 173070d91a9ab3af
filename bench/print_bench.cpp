// Printing the 1,000,000 corpus lines on A4 at 300 dpi: pagination against one full
// highlighter scan of the same lines (the baseline), one page rendered at the start and at
// the end of the document (the same work wherever the page is), and opening the preview (pagination
// plus one page painted).
#include "qpile_corpus.h"

#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"
#include "highlight/range_rescanner.h"
#include "print/editor_print.h"
#include "print/view/editor_print_preview.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

constexpr int LineCount = 1000000;

class CorpusLines : public bp::HighlightLineSource
{
public:
    explicit CorpusLines(const std::vector<QString> &lines)
        : m_lines(lines), m_ranges(lines.size(), bp::kUnscannedRange)
    {}
    int lineCount() const override { return int(m_lines.size()); }
    QStringView lineText(int index) const override { return m_lines[std::size_t(index)]; }
    bp::TRange lineRange(int index) const override { return m_ranges[std::size_t(index)]; }
    void setLineRange(int index, bp::TRange range) override
    {
        m_ranges[std::size_t(index)] = range;
    }

private:
    const std::vector<QString> &m_lines;
    std::vector<bp::TRange> m_ranges;
};

struct Corpus
{
    bp::TQPILEHighlighter highlighter;
    bp::TEditorPrint engine;

    Corpus()
    {
        bp::TEditorLines lines;
        lines.setText(bench::qpileLines(LineCount).join(u'\n'));
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(13);
        engine.Colors = true;
        engine.LineNumbers = true;
        engine.attachEditor(lines, &highlighter, font, 4);
        engine.UpdatePages();
    }
};

Corpus &corpus()
{
    static Corpus instance;
    return instance;
}

void BM_BaselineFullScan(benchmark::State &state)
{
    Corpus &c = corpus();
    CorpusLines lines(c.engine.Lines());
    for (auto _ : state) {
        const bp::ScannedLines scanned = bp::RangeRescanner::scanAll(c.highlighter, lines);
        benchmark::DoNotOptimize(scanned);
    }
    state.counters["lines"] = double(lines.lineCount());
}
BENCHMARK(BM_BaselineFullScan)->Unit(benchmark::kMillisecond);

void BM_Paginate(benchmark::State &state)
{
    Corpus &c = corpus();
    for (auto _ : state) {
        c.engine.UpdatePages();
        benchmark::DoNotOptimize(c.engine.PageCount());
    }
    state.counters["pages"] = double(c.engine.PageCount());
}
BENCHMARK(BM_Paginate)->Unit(benchmark::kMillisecond);

// Argument 0: page 1; argument 1: the page before the last, the last full one.
void BM_RenderPage(benchmark::State &state)
{
    Corpus &c = corpus();
    const bp::TEditorPrinterInfo &printer = c.engine.PrinterInfo();
    QImage image(printer.physicalWidth, printer.physicalHeight, QImage::Format_RGB32);
    const int page = state.range(0) == 0 ? 1 : c.engine.PageCount() - 1;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        c.engine.PrintPage(painter, page, QPoint(printer.leftOffset, printer.topOffset));
    }
    state.counters["page"] = page;
}
BENCHMARK(BM_RenderPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PreviewOpen(benchmark::State &state)
{
    Corpus &c = corpus();
    bp::TEditorPrintPreview preview(c.engine);
    preview.resize(497, 484);
    for (auto _ : state) {
        preview.UpdatePreview();
        preview.viewport()->grab();
    }
    state.counters["painted"] = preview.paintedPageCount();
}
BENCHMARK(BM_PreviewOpen)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
#ifndef Q_OS_WIN
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
