#include "search_replace.h"

#include "common/error.h"
#include "editor/model/edit_model.h"
#include "editor_search_custom.h"

#include <algorithm>
#include <utility>

namespace bp {

SearchRange searchRange(const EditModel &editor, TSearchOptions options)
{
    const TEditorLines &lines = editor.Lines();
    if (options.testFlag(TSearchOption::ssoSelectedOnly)) {
        SearchRange range{editor.BlockBegin(), editor.BlockEnd()};
        switch (editor.selection().mode) {
        case TSelectionMode::smLine:
            range.start.Char = 1;
            range.end.Char = lines.length(range.end.Line - 1) + 1;
            range.wholeLines = true;
            break;
        case TSelectionMode::smColumn:
            if (range.end.Char < range.start.Char)
                std::swap(range.start.Char, range.end.Char);
            range.inColumns = range.start.Char != range.end.Char;
            break;
        case TSelectionMode::smNormal:
            break;
        }
        return range;
    }
    const int lastLine = lines.Count();
    SearchRange range{{1, 1}, {lines.length(lastLine - 1) + 1, lastLine}};
    if (!options.testFlag(TSearchOption::ssoEntireScope)) {
        if (options.testFlag(TSearchOption::ssoBackwards))
            range.end = editor.CaretXY();
        else
            range.start = editor.CaretXY();
    }
    return range;
}

namespace {

// Scrolls so that column 1 of `line` shows, keeping the line away from the window's edges:
// a line above the view comes to just above its middle, a line below it to just below.
void revealLine(EditModel &editor, int line)
{
    // Column 1 is left of every scrolled view, so any horizontal scroll goes back to it.
    if (editor.viewWindow().leftColumn() > 1)
        editor.viewWindow().setLeftColumn(1);
    const int visible = editor.viewWindow().linesInWindow();
    const int half = visible / 2;
    const int top = editor.viewWindow().topLine();
    if (line < top - 1)
        editor.viewWindow().setTopLine(std::max(1, line - half + 1));
    else if (line > top + visible - 2)
        editor.viewWindow().setTopLine(line - visible + 1 + half);
}

// Selects [from, to) on one line with the caret at `caret`, which is one of the two ends;
// the view moves only as far as needed to show the caret from where the reveal left it.
void selectMatch(EditModel &editor, TBufferCoord from, TBufferCoord to, bool caretAtStart)
{
    // The selection mode is the user's: only its own commands change it.
    const TBufferCoord anchor = caretAtStart ? to : from;
    const TBufferCoord caret = caretAtStart ? from : to;
    const int top = editor.viewWindow().topLine();
    const int left = editor.viewWindow().leftColumn();
    editor.setCaretXY(anchor, false);
    editor.viewWindow().setTopLine(top);
    editor.viewWindow().setLeftColumn(left);
    editor.setCaretXY(caret, true);
}

} // namespace

int SearchReplace(EditModel &editor, TEditorSearchCustom *engine, const QString &search,
                  const QString &replace, TSearchOptions options)
{
    Q_UNUSED(replace);
    if (!engine)
        throw Error(QStringLiteral("No search engine has been assigned"));
    if (options & (TSearchOption::ssoReplace | TSearchOption::ssoReplaceAll))
        throw Error(QStringLiteral("Replacing is not supported"));
    if (search.isEmpty())
        return 0;
    const TEditorLines &lines = editor.Lines();
    if (lines.isEmpty())
        return 0;
    if (!editor.SelAvail())
        options.setFlag(TSearchOption::ssoSelectedOnly, false);

    const SearchRange range = searchRange(editor, options);
    const bool backwards = options.testFlag(TSearchOption::ssoBackwards);

    engine->SetOptions(options);
    engine->SetPattern(search);
    const int top = std::max(1, range.start.Line);
    const int bottom = std::min(lines.Count(), range.end.Line);
    for (int line = backwards ? bottom : top; top <= line && line <= bottom;
         line += backwards ? -1 : 1) {
        const int count = engine->FindAll(lines.view(line - 1));
        for (int i = 0; i < count; ++i) {
            const int index = backwards ? count - 1 - i : i;
            const int column = engine->Results(index);
            const int length = engine->Lengths(index);
            if (!range.contains(line, column, length))
                continue;
            revealLine(editor, line);
            selectMatch(editor, {column, line}, {column + length, line}, backwards);
            return 1;
        }
    }
    return 0;
}

} // namespace bp
