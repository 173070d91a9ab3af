// Bulk line commands over the whole document and their undo and redo, at 10k, 100k and 1M
// lines, through the entries the main window uses: the editor command dispatch
// (`executeCommand`) and the comment toggle aid. The model colours QPILE as the window's
// does, so each figure includes the rescan of the changed lines. Beside them, in the same
// run, the baseline: copying every line's text once (BM_CopyLines).
//
//   BM_Bulk/<command>/<phase>/<lines>: command 0 comment toggle, 1 block indent, 2 block
//   unindent, 3 select all + type, 4 column edit (Delete over a two-column rectangle);
//   phase 0 the command, 1 its undo, 2 its redo.
// The command phase reports heap_growth_per_changed_utf16: heap growth over the UTF-16
// size of the changed lines. Every phase reports ns_per_line, which stays flat from 100k to
// 1M lines where the work grows linearly with the document.
#include "aids/editor_aids.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "highlight/qpile_highlighter.h"
#include "qpile_corpus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>

using namespace bp;

namespace {

enum Command
{
    CommentToggle,
    BlockIndent,
    BlockUnindent,
    SelectAllAndType,
    ColumnEdit,
};

// The corpus text of `lines` lines; for unindenting every line starts with a tab.
const QString &documentText(int lines, bool indented)
{
    static std::map<std::pair<int, bool>, QString> texts;
    QString &text = texts[{lines, indented}];
    if (text.isEmpty()) {
        QStringList list = bench::qpileLines(lines);
        if (indented)
            for (QString &line : list)
                line.prepend(u'\t');
        text = list.join(QStringLiteral("\r\n"));
    }
    return text;
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void runCommand(EditModel &model, Command command)
{
    switch (command) {
    case CommentToggle:
        model.executeCommand(ecSelectAll);
        applyCommentToggle(model);
        break;
    case BlockIndent:
        model.executeCommand(ecSelectAll);
        model.executeCommand(ecBlockIndent);
        break;
    case BlockUnindent:
        model.executeCommand(ecSelectAll);
        model.executeCommand(ecBlockUnindent);
        break;
    case SelectAllAndType:
        model.executeCommand(ecSelectAll);
        model.executeCommand(ecChar, u'x');
        break;
    case ColumnEdit:
        model.setCaretXY({1, 1});
        model.executeCommand(ecColumnSelect);
        model.setCaretXY({3, model.Lines().Count()}, true);
        model.executeCommand(ecDeleteChar);
        break;
    }
}

void BM_Bulk(benchmark::State &state)
{
    const auto command = Command(state.range(0));
    const int phase = int(state.range(1));
    const int lines = int(state.range(2));
    const QString &text = documentText(lines, command == BlockUnindent);
    double growth = 0;
    double nanoseconds = 0;
    for (auto _ : state) {
        TQPILEHighlighter highlighter;
        EditModel model;
        EditorHighlighting colouring(model);
        model.Lines().setText(text);
        colouring.setHighlighter(&highlighter);
        // Outside the timing: the command's work before the phase measured.
        if (phase >= 1)
            runCommand(model, command);
        if (phase == 2)
            model.executeCommand(ecUndo);
        malloc_trim(0);
        const std::size_t heapBefore = heapInUse();
        QElapsedTimer timer;
        timer.start();
        if (phase == 0)
            runCommand(model, command);
        else
            model.executeCommand(phase == 1 ? ecUndo : ecRedo);
        nanoseconds = double(timer.nsecsElapsed());
        state.SetIterationTime(nanoseconds / 1e9);
        if (phase == 0)
            growth = double(heapInUse()) - double(heapBefore);
        benchmark::DoNotOptimize(model.Lines().Count());
    }
    if (phase == 0)
        state.counters["heap_growth_per_changed_utf16"] = growth / (double(text.size()) * 2);
    state.counters["ns_per_line"] = nanoseconds / lines;
}
BENCHMARK(BM_Bulk)
    ->ArgsProduct({{CommentToggle, BlockIndent, BlockUnindent, SelectAllAndType, ColumnEdit},
                   {0, 1, 2},
                   {10000, 100000, 1000000}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The baseline: every line's characters copied once into a list of strings.
void BM_CopyLines(benchmark::State &state)
{
    const int lines = int(state.range(0));
    EditModel model;
    model.Lines().setText(documentText(lines, false));
    for (auto _ : state) {
        std::vector<QString> copy;
        copy.reserve(lines);
        for (int i = 0; i < lines; ++i)
            copy.push_back(model.Lines().view(i).toString());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyLines)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
