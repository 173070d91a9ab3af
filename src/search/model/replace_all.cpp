#include "replace_all.h"

#include "common/error.h"
#include "editor/model/edit_model.h"
#include "editor_search_custom.h"
#include "search_replace.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace bp {
namespace {

// How far a position stands from the end of the text; text after it does not change, so
// the same distance finds it again after the replacements before it.
struct DistanceFromEnd
{
    int lines = 0;
    int chars = 0;
};

DistanceFromEnd distanceFromEnd(const TEditorLines &lines, TBufferCoord position)
{
    const int line = std::min(position.Line, lines.Count());
    return {lines.Count() - line, lines.length(line - 1) + 1 - position.Char};
}

TBufferCoord positionAt(const TEditorLines &lines, DistanceFromEnd distance)
{
    const int line = std::max(1, lines.Count() - distance.lines);
    return {std::max(1, lines.length(line - 1) + 1 - distance.chars), line};
}

// The position just past `text` inserted at `at`.
TBufferCoord endOfText(TBufferCoord at, QStringView text)
{
    TBufferCoord end = at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r' || ch == u'\n' || ch == QChar(0x2028)) {
            // One break: U+2028, then CR, then LF, each at most once.
            if (ch == QChar(0x2028) && i + 1 < text.size() && text[i + 1] == u'\r')
                ++i;
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            else if (ch == QChar(0x2028) && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++end.Line;
            end.Char = 1;
        } else {
            ++end.Char;
        }
    }
    return end;
}

} // namespace

int ReplaceAll(EditModel &editor, TEditorSearchCustom *engine, const QString &search,
               const QString &replacement, TSearchOptions options)
{
    if (!engine)
        throw Error(QStringLiteral("No search engine has been assigned"));
    const TEditorLines &lines = editor.Lines();
    if (search.isEmpty() || lines.isEmpty())
        return 0;
    if (!editor.SelAvail())
        options.setFlag(TSearchOption::ssoSelectedOnly, false);

    const SearchRange range = searchRange(editor, options);
    const bool selectedOnly = options.testFlag(TSearchOption::ssoSelectedOnly);
    const TSelectionMode mode = editor.selection().mode;
    const bool inColumns =
        selectedOnly && mode == TSelectionMode::smColumn && range.start.Char != range.end.Char;
    const bool wholeLines = selectedOnly && mode == TSelectionMode::smLine;
    auto inside = [&](int line, int column, int length) {
        if (wholeLines)
            return true;
        if (inColumns)
            return column >= range.start.Char && column + length <= range.end.Char;
        return !(line == range.start.Line && column < range.start.Char) &&
               !(line == range.end.Line && column + length > range.end.Char);
    };
    // The selection that was the range is kept over the new text: its end moves with the
    // text after it, its begin stays.
    const DistanceFromEnd selectionEnd = distanceFromEnd(lines, editor.BlockEnd());
    const TBufferCoord selectionBegin = editor.BlockBegin();
    const bool caretAtBegin = editor.CaretXY() == selectionBegin;

    engine->SetOptions(options);
    engine->SetPattern(search);
    int replaced = 0;
    QString newText;
    // The caret keeps its place in the text: before the replacements on its line it only moves
    // down by the lines that replacements above it add; at or after them it keeps its distance
    // from the end of the text, which nothing above it changes.
    TBufferCoord caret = editor.CaretXY();
    std::optional<DistanceFromEnd> caretFromEnd;
    int linesAddedAbove = 0;
    editor.undoHistory().beginBlock();
    try {
        const int top = std::max(1, range.start.Line);
        const int bottom = std::min(lines.Count(), range.end.Line);
        // Bottom-up, so a replacement that adds or removes line breaks leaves the numbers of
        // the lines still to do as they were.
        for (int line = bottom; line >= top; --line) {
            const int count = engine->FindAll(lines.view(line - 1));
            if (count == 0)
                continue;
            int first = 0;
            int last = 0;
            newText.clear();
            const QStringView text = lines.view(line - 1);
            // Where the caret falls in the new text, when it stands before the last
            // occurrence on its line (after it, its distance from the end places it).
            std::optional<qsizetype> caretOffset;
            const bool caretLine = line == caret.Line;
            for (int i = 0; i < count; ++i) {
                const int column = engine->Results(i);
                const int length = engine->Lengths(i);
                if (!inside(line, column, length))
                    continue;
                if (first == 0) {
                    first = column;
                } else {
                    if (caretLine && !caretOffset && caret.Char <= column && caret.Char >= last)
                        caretOffset = newText.size() + (caret.Char - last);
                    newText += text.mid(last - 1, column - last);
                }
                newText += engine->Replace(text.mid(column - 1, length).toString(), replacement);
                // A caret inside an occurrence goes to the end of its replacement.
                if (caretLine && !caretOffset && caret.Char > column &&
                    caret.Char < column + length)
                    caretOffset = newText.size();
                last = column + length;
                ++replaced;
            }
            if (first == 0)
                continue;
            if (caretLine && caret.Char >= last)
                caretFromEnd = distanceFromEnd(lines, caret);
            else if (caretLine && caret.Char > first && caretOffset)
                caret = endOfText({first, line}, QStringView(newText).left(*caretOffset));
            const int linesBefore = lines.Count();
            // One change per line, covering its first to its last occurrence.
            editor.replaceRange({first, line}, {last, line}, newText);
            if (line < caret.Line)
                linesAddedAbove += lines.Count() - linesBefore;
        }
    } catch (...) {
        editor.undoHistory().endBlock();
        throw;
    }
    editor.undoHistory().endBlock();
    if (replaced > 0) {
        caret.Line += linesAddedAbove;
        editor.setCaretXY(caretFromEnd ? positionAt(lines, *caretFromEnd) : caret);
    }
    if (replaced > 0 && selectedOnly && mode != TSelectionMode::smColumn) {
        const TBufferCoord end = positionAt(lines, selectionEnd);
        editor.setCaretXY(caretAtBegin ? end : selectionBegin, false);
        editor.setCaretXY(caretAtBegin ? selectionBegin : end, true);
    }
    return replaced;
}

} // namespace bp
