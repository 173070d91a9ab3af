#include "editor/model/edit_model.h"
#include "qpile_corpus.h"
#include "search/model/editor_search.h"
#include "search/model/replace_all.h"

#include <benchmark/benchmark.h>

// "Replace all" over the million-line document, where every tenth line holds the search text
// (100,000 occurrences), against one search pass of the same engine over the same lines that
// finds every occurrence as the baseline. Each replacement is undone outside the timing.
namespace {

constexpr int kLines = 1'000'000;
constexpr int kOccurrences = kLines / 10;
const QString kPattern = QStringLiteral("get_value");

bp::EditModel &document()
{
    static bp::EditModel editor;
    static const bool loaded = [] {
        editor.Lines().setText(bench::qpileLines(kLines).join(QStringLiteral("\r\n")));
        return true;
    }();
    Q_UNUSED(loaded);
    return editor;
}

void BM_SearchPassFindingAll(benchmark::State &state)
{
    bp::EditModel &editor = document();
    bp::TEditorSearch engine;
    engine.SetOptions({});
    engine.SetPattern(kPattern);
    const bp::TEditorLines &lines = editor.Lines();
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < lines.Count(); ++i)
            found += engine.FindAll(lines.view(i));
        if (found != kOccurrences)
            state.SkipWithError("the search did not find every occurrence");
        benchmark::DoNotOptimize(found);
    }
}

void replaceAll(benchmark::State &state, const QString &replacement)
{
    bp::EditModel &editor = document();
    bp::TEditorSearch engine;
    for (auto _ : state) {
        const int replaced = bp::ReplaceAll(editor, &engine, kPattern, replacement,
                                            bp::TSearchOption::ssoEntireScope);
        state.PauseTiming();
        if (replaced != kOccurrences)
            state.SkipWithError("not every occurrence was replaced");
        editor.executeCommand(bp::TEditorCommand::ecUndo);
        state.ResumeTiming();
    }
}

void BM_ReplaceAllLonger(benchmark::State &state)
{
    replaceAll(state, QStringLiteral("SET_VALUE_EX"));
}

void BM_ReplaceAllShorter(benchmark::State &state)
{
    replaceAll(state, QStringLiteral("GET"));
}

} // namespace

BENCHMARK(BM_SearchPassFindingAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAllLonger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAllShorter)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
