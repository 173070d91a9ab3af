// Opening and saving the 1,000,000-line benchmark document, each beside the fastest honest
// baseline measured in the same run:
//   load  BM_Load1M/<encoding>  vs BM_ReadTableDecode1M (read the bytes, decode through a
//         plain 256-entry table) and BM_ReadQStringDecoder1M (read, Qt's windows-1251 decoder)
//   save  BM_Save1M/<encoding>  (the save plan, then the save, as the window runs them)
//         vs BM_WriteBytes1M/<encoding> (the same bytes, ready made, through QSaveFile with
//         the same sync)
#include "bench_fixture.h"
#include "common/text_file.h"
#include "common/windows1251.h"
#include "editor/model/editor_lines.h"
#include "qpile_corpus.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>

#include <unistd.h>

using namespace bp;

namespace {

constexpr int kLines = 1000000;

TextEncoding encodingOf(const benchmark::State &state)
{
    return state.range(0) == 0 ? TextEncoding::Ansi : TextEncoding::Utf8;
}

const char *nameOf(TextEncoding encoding)
{
    return encoding == TextEncoding::Ansi ? "Windows-1251" : "UTF-8";
}

// The document's text with CR LF, and its bytes in each encoding, made once.
const QString &documentText()
{
    static const QString text = bench::qpileLines(kLines).join(QStringLiteral("\r\n"));
    return text;
}

const QByteArray &documentBytes(TextEncoding encoding)
{
    static const QByteArray ansi = encodeText(documentText(), TextEncoding::Ansi);
    static const QByteArray utf8 = encodeText(documentText(), TextEncoding::Utf8);
    return encoding == TextEncoding::Ansi ? ansi : utf8;
}

// The document as a file on disk, written once per encoding.
QString documentFile(TextEncoding encoding)
{
    const QString path = tempDir().filePath(
        QStringLiteral("million-%1.qpl").arg(QString::fromLatin1(nameOf(encoding))));
    if (!QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(documentBytes(encoding)) < 0)
            qFatal("cannot write the benchmark file");
    }
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the benchmark file");
    return file.readAll();
}

void BM_Load1M(benchmark::State &state)
{
    const TextEncoding encoding = encodingOf(state);
    const QString path = documentFile(encoding);
    state.SetLabel(nameOf(encoding));
    for (auto _ : state) {
        TEditorLines lines;
        lines.LoadFromFile(path);
        if (lines.Count() != kLines)
            state.SkipWithError("the file did not load whole");
    }
    state.SetBytesProcessed(state.iterations() * documentBytes(encoding).size());
}
BENCHMARK(BM_Load1M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadTableDecode1M(benchmark::State &state)
{
    const QString path = documentFile(TextEncoding::Ansi);
    // A plain table: every byte through one lookup, no vector path.
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        const char raw = char(byte);
        table[byte] = windows1251::decode(QByteArrayView(&raw, 1)).at(0).unicode();
    }
    for (auto _ : state) {
        const QByteArray bytes = readAll(path);
        QString text(bytes.size(), Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        const auto *in = reinterpret_cast<const unsigned char *>(bytes.constData());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            out[i] = table[in[i]];
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * documentBytes(TextEncoding::Ansi).size());
}
BENCHMARK(BM_ReadTableDecode1M)->Unit(benchmark::kMillisecond);

void BM_ReadQStringDecoder1M(benchmark::State &state)
{
    const QString path = documentFile(TextEncoding::Ansi);
    for (auto _ : state) {
        QStringDecoder decoder("windows-1251");
        if (!decoder.isValid()) {
            state.SkipWithError("Qt offers no windows-1251 decoder here");
            break;
        }
        const QString text = decoder.decode(readAll(path));
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * documentBytes(TextEncoding::Ansi).size());
}
BENCHMARK(BM_ReadQStringDecoder1M)->Unit(benchmark::kMillisecond);

// The document as opened from a CR LF file in the given encoding.
TEditorLines &openedDocument(TextEncoding encoding)
{
    static std::array<TEditorLines *, 2> documents{};
    TEditorLines *&lines = documents[encoding == TextEncoding::Ansi ? 0 : 1];
    if (!lines) {
        lines = new TEditorLines;
        lines->LoadFromFile(documentFile(encoding));
    }
    return *lines;
}

void BM_Save1M(benchmark::State &state)
{
    const TextEncoding encoding = encodingOf(state);
    TEditorLines &lines = openedDocument(encoding);
    const QString path = tempDir().filePath(QStringLiteral("saved.qpl"));
    state.SetLabel(nameOf(encoding));
    for (auto _ : state) {
        const SavePlan plan = lines.savePlan();
        if (!plan.fits)
            state.SkipWithError("the document does not fit its encoding");
        lines.SaveToFile(path);
    }
    if (readAll(path) != documentBytes(encoding))
        state.SkipWithError("the saved bytes differ from the document's");
    state.SetBytesProcessed(state.iterations() * documentBytes(encoding).size());
}
BENCHMARK(BM_Save1M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteBytes1M(benchmark::State &state)
{
    const TextEncoding encoding = encodingOf(state);
    const QByteArray &bytes = documentBytes(encoding);
    const QString path = tempDir().filePath(QStringLiteral("written.qpl"));
    state.SetLabel(nameOf(encoding));
    for (auto _ : state) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.flush() || ::fsync(file.handle()) != 0 || !file.commit())
            state.SkipWithError("cannot write the file");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_WriteBytes1M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
