// Loading, memory, keystroke and painting costs of the editor, each beside a baseline
// measured in the same run:
//   load       BM_LoadFile1M           vs BM_DecodeWithQStringDecoder1M
//   memory     counter heap_per_utf16  (heap growth of the loaded list / UTF-16 text size)
//   keystroke  BM_Keystroke/1000000    vs BM_Keystroke/10
//   painting   BM_PaintScreen/1000000  vs BM_PaintScreen/10
//   long line  BM_OpenAndPaintLongLine vs BM_DecodeLongLine; BM_KeystrokeLongLine vs
//   BM_PassOverLongLine
#include "common/windows1251.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "qpile_corpus.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace bp;

namespace {

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

QByteArray writeFixture(const QString &name, const QByteArray &bytes)
{
    QFile file(tempDir().filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the benchmark file");
    return QFile::encodeName(file.fileName());
}

// The 1,000,000-line Windows-1251 CR LF document, about 40 MB.
const QByteArray &millionLineBytes()
{
    static const QByteArray bytes =
        windows1251::encode(bench::qpileLines(1000000).join(QStringLiteral("\r\n")));
    return bytes;
}

const QString &millionLinePath()
{
    static const QString path =
        QFile::decodeName(writeFixture(u"million.qpl"_qs, millionLineBytes()));
    return path;
}

// The editor always colours QPILE, so the pane benchmarks measure with it attached.
TQPILEHighlighter &highlighter()
{
    static TQPILEHighlighter instance;
    return instance;
}

QByteArray longLineBytes(int megabytes)
{
    QByteArray bytes;
    bytes.reserve(megabytes * 1024 * 1024);
    int i = 0;
    while (bytes.size() < megabytes * 1024 * 1024)
        bytes += windows1251::encode(bench::qpileLine(i++).trimmed()) + ' ';
    return bytes;
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The baseline of the loading figures: Qt's own decoder turning the bytes into one string.
void decodeWithQStringDecoder(benchmark::State &state, const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Latin1);
    for (auto _ : state) {
        QString text = decoder.decode(bytes);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_DecodeWithQStringDecoder1M(benchmark::State &state)
{
    const QByteArray &bytes = millionLineBytes();
    decodeWithQStringDecoder(state, bytes);
}
BENCHMARK(BM_DecodeWithQStringDecoder1M)->Unit(benchmark::kMillisecond);

void BM_LoadFile1M(benchmark::State &state)
{
    const QString &path = millionLinePath();
    std::size_t heapGrowth = 0;
    qsizetype utf16Bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto lines = std::make_unique<TEditorLines>();
        lines->LoadFromFile(path);
        state.PauseTiming();
        heapGrowth = heapInUse() - before;
        utf16Bytes = 0;
        for (int i = 0; i < lines->Count(); ++i)
            utf16Bytes += 2 * lines->length(i);
        lines.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * millionLineBytes().size());
    state.counters["heap_per_utf16"] = double(heapGrowth) / double(utf16Bytes);
}
BENCHMARK(BM_LoadFile1M)->Unit(benchmark::kMillisecond);

std::unique_ptr<TEditorPane> paneWithLines(int count)
{
    auto pane = std::make_unique<TEditorPane>();
    pane->resize(1000, 700);
    pane->show();
    pane->SetHighlighter(&highlighter());
    if (count == 1000000)
        pane->Lines().LoadFromFile(millionLinePath());
    else
        pane->Lines().setText(bench::qpileLines(count).join(QStringLiteral("\r\n")));
    return pane;
}

// One typed character and its Backspace, through the pane, in the middle of the document.
void BM_Keystroke(benchmark::State &state)
{
    auto pane = paneWithLines(int(state.range(0)));
    pane->model().setCaretXY({5, pane->Lines().Count() / 2 + 1});
    QApplication::processEvents();
    for (auto _ : state) {
        pane->executeCommand(ecChar, u'x');
        pane->executeCommand(ecDeleteLastChar);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_Keystroke)->Arg(10)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The pane is sized to show ten lines, so both documents fill the same screen.
void BM_PaintScreen(benchmark::State &state)
{
    auto pane = paneWithLines(int(state.range(0)));
    pane->resize(1000, pane->lineHeight() * 10 + pane->horizontalScrollBar()->sizeHint().height() +
                           2 * pane->frameWidth());
    pane->model().setCaretXY({1, std::max(1, pane->Lines().Count() / 2)});
    QImage image(pane->viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state)
        pane->viewport()->render(&image);
}
BENCHMARK(BM_PaintScreen)->Arg(10)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_DecodeLongLine(benchmark::State &state)
{
    const QByteArray bytes = longLineBytes(int(state.range(0)));
    decodeWithQStringDecoder(state, bytes);
}
BENCHMARK(BM_DecodeLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_OpenAndPaintLongLine(benchmark::State &state)
{
    const QString path = QFile::decodeName(
        writeFixture(u"long%1.qpl"_qs.arg(state.range(0)), longLineBytes(int(state.range(0)))));
    TEditorPane pane;
    pane.resize(1000, 700);
    pane.show();
    pane.SetHighlighter(&highlighter());
    QImage image(pane.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pane.Lines().LoadFromFile(path);
        pane.viewport()->render(&image);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_OpenAndPaintLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_PassOverLongLine(benchmark::State &state)
{
    const QString line = windows1251::decode(longLineBytes(int(state.range(0))));
    for (auto _ : state) {
        qsizetype visible = 0;
        for (QChar ch : line)
            visible += ch.unicode() > 0x20;
        benchmark::DoNotOptimize(visible);
    }
    state.SetBytesProcessed(state.iterations() * line.size() * 2);
}
BENCHMARK(BM_PassOverLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// A typed character in the middle of the long line, and its Backspace.
void BM_KeystrokeLongLine(benchmark::State &state)
{
    TEditorPane pane;
    pane.resize(1000, 700);
    pane.show();
    pane.SetHighlighter(&highlighter());
    pane.Lines().setText(windows1251::decode(longLineBytes(int(state.range(0)))));
    pane.model().setCaretXY({pane.Lines().length(0) / 2, 1});
    QApplication::processEvents();
    for (auto _ : state) {
        pane.executeCommand(ecChar, u'x');
        pane.executeCommand(ecDeleteLastChar);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_KeystrokeLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
