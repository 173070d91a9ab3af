// Writing the recovery file of the 1,000,000-line document, beside a save of the same
// document measured in the same run:
//   recovery  BM_WriteRecovery1M  vs BM_Save1M
// and what a write costs the GUI thread, which only takes the snapshot that the worker
// writes (the limit is 20 ms):
//   recovery  BM_RecoverySnapshot1M  vs BM_WriteRecovery1M
#include "app/recovery_store.h"
#include "bench_fixture.h"
#include "common/windows1251.h"
#include "editor/model/editor_lines.h"
#include "qpile_corpus.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <thread>

using namespace bp;

namespace {

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

// The GUI thread's part of a background write: the snapshot, and starting the worker that
// takes it (the worker writes and frees it; it is joined outside the timing).
void BM_RecoverySnapshot1M(benchmark::State &state)
{
    const TEditorLines &lines = millionLines();
    const RecoveryStore store(tempDir().filePath(QStringLiteral("recovery")));
    for (auto _ : state) {
        RecoveredText snapshot =
            takeSnapshot(QStringLiteral("/home/user/million.qpl"), lines, FileIdentity());
        std::thread worker([&store, text = std::move(snapshot)] { store.write(text); });
        state.PauseTiming();
        worker.join();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecoverySnapshot1M)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
