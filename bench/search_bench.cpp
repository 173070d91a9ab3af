#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "highlight/qpile_highlighter.h"
#include "qpile_corpus.h"
#include "search/model/editor_search.h"
#include "search/model/search_commands.h"
#include "search/model/search_replace.h"

#include <benchmark/benchmark.h>
#include <string_view>

// A search through the whole million-line document for a text that occurs only on its last
// line, against std::u16string_view::find over the same lines as the baseline; the same
// search "in selection" with everything selected, as the search command runs it.
// Bracket matching along one long line with strings and comments, against a plain count of
// bracket depth over the same line.
namespace {

constexpr int kLines = 1'000'000;
const QString kPattern = QStringLiteral("SET_VALUE");

struct Document
{
    bp::EditModel editor;
    qint64 bytes = 0;

    Document()
    {
        QStringList lines = bench::qpileLines(kLines - 1);
        lines.append(QStringLiteral("\t\tresult = SET_VALUE(row, \"SEC\")"));
        editor.Lines().setText(lines.join(QStringLiteral("\r\n")));
        for (int i = 0; i < editor.Lines().Count(); ++i)
            bytes += editor.Lines().length(i) * qint64(sizeof(char16_t));
    }
};

Document &document()
{
    static Document shared;
    return shared;
}

void searchWholeDocument(benchmark::State &state, const QString &pattern,
                         bp::TSearchOptions options)
{
    Document &doc = document();
    bp::TEditorSearch engine;
    for (auto _ : state) {
        doc.editor.setCaretXY({1, 1});
        const int found = bp::SearchReplace(doc.editor, &engine, pattern, QString(),
                                            options | bp::TSearchOption::ssoEntireScope);
        if (found != 1 || doc.editor.CaretY() != kLines)
            state.SkipWithError("the last line's occurrence was not found");
    }
    state.SetBytesProcessed(state.iterations() * doc.bytes);
}

void BM_SearchCaseSensitive(benchmark::State &state)
{
    searchWholeDocument(state, kPattern, bp::TSearchOption::ssoMatchCase);
}

void BM_SearchCaseInsensitive(benchmark::State &state)
{
    searchWholeDocument(state, QStringLiteral("set_value"), {});
}

void BM_SearchWholeWordCaseInsensitive(benchmark::State &state)
{
    searchWholeDocument(state, QStringLiteral("set_value"), bp::TSearchOption::ssoWholeWord);
}

void BM_U16StringViewFind(benchmark::State &state)
{
    Document &doc = document();
    const std::u16string_view pattern(QStringView(kPattern).utf16(), kPattern.size());
    const bp::TEditorLines &lines = doc.editor.Lines();
    for (auto _ : state) {
        int foundLine = 0;
        for (int i = 0; i < lines.Count(); ++i) {
            const QStringView line = lines.view(i);
            if (std::u16string_view(line.utf16(), line.size()).find(pattern) !=
                std::u16string_view::npos) {
                foundLine = i + 1;
                break;
            }
        }
        if (foundLine != kLines)
            state.SkipWithError("the last line's occurrence was not found");
        benchmark::DoNotOptimize(foundLine);
    }
    state.SetBytesProcessed(state.iterations() * doc.bytes);
}

void BM_SearchInSelectionAll(benchmark::State &state)
{
    Document &doc = document();
    bp::TSearchSettings settings;
    settings.SearchText = kPattern;
    settings.CaseSensitive = true;
    settings.SelectedOnly = true;
    bp::SearchCommands commands(
        doc.editor, [&](const bp::TSearchSettings &) { return std::optional(settings); },
        [](const QString &) { return false; }, [] {});
    for (auto _ : state) {
        doc.editor.executeCommand(bp::ecSelectAll);
        commands.ActionSearchExecute();
        if (doc.editor.CaretY() != kLines)
            state.SkipWithError("the last line's occurrence was not found");
    }
    state.SetBytesProcessed(state.iterations() * doc.bytes);
}

// About `bytes` characters on one line: calls whose arguments hold brackets in strings, and
// comments at the end, all inside one outer pair.
QString bracketLine(int bytes)
{
    const QString call = QStringLiteral("f(a, \")\", [b], \"(\") + ");
    QString line = QStringLiteral("x = (");
    while (line.size() < bytes)
        line += call;
    return line + QStringLiteral("0) ' (comment");
}

void BM_MatchBracketLongLine(benchmark::State &state)
{
    bp::EditModel editor;
    bp::EditorHighlighting highlighting(editor);
    bp::TQPILEHighlighter highlighter;
    highlighting.setHighlighter(&highlighter);
    const QString line = bracketLine(int(state.range(0)));
    editor.Lines().setText(line);
    const int partner = int(line.lastIndexOf(u')')) + 1;
    for (auto _ : state) {
        editor.setCaretXY({5, 1});
        editor.executeCommand(bp::ecMatchBracket);
        if (editor.CaretX() != partner)
            state.SkipWithError("the partner was not found");
    }
    state.SetBytesProcessed(state.iterations() * line.size() * qint64(sizeof(char16_t)));
}

void BM_BracketDepthCount(benchmark::State &state)
{
    const QString line = bracketLine(int(state.range(0)));
    for (auto _ : state) {
        int depth = 0;
        qsizetype at = 4;
        for (; at < line.size(); ++at) {
            const char16_t ch = line[at].unicode();
            depth += ch == u'(' ? 1 : ch == u')' ? -1 : 0;
            if (depth == 0)
                break;
        }
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(state.iterations() * line.size() * qint64(sizeof(char16_t)));
}

} // namespace

BENCHMARK(BM_BracketDepthCount)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchBracketLongLine)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchInSelectionAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_U16StringViewFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCaseSensitive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCaseInsensitive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWholeWordCaseInsensitive)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
