// Writing the recovery file of the 1,000,000-line document, beside a save of the same
// document measured in the same run:
//   recovery  BM_WriteRecovery1M  vs BM_Save1M
#include "app/recovery_store.h"
#include "common/windows1251.h"
#include "editor/model/editor_lines.h"
#include "qpile_corpus.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace bp;

namespace {

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The document as opened from a Windows-1251 CR LF file.
TEditorLines &millionLines()
{
    static TEditorLines *lines = [] {
        auto *loaded = new TEditorLines;
        loaded->setText(bench::qpileLines(1000000).join(QStringLiteral("\r\n")));
        return loaded;
    }();
    return *lines;
}

void BM_Save1M(benchmark::State &state)
{
    TEditorLines &lines = millionLines();
    const QString path = tempDir().filePath(QStringLiteral("saved.qpl"));
    for (auto _ : state)
        lines.SaveToFile(path);
}
BENCHMARK(BM_Save1M)->Unit(benchmark::kMillisecond);

void BM_WriteRecovery1M(benchmark::State &state)
{
    const TEditorLines &lines = millionLines();
    const RecoveryStore store(tempDir().filePath(QStringLiteral("recovery")));
    for (auto _ : state)
        store.write(QStringLiteral("/home/user/million.qpl"), lines);
}
BENCHMARK(BM_WriteRecovery1M)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
