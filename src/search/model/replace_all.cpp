#include "replace_all.h"

#include "common/error.h"
#include "distance_from_end.h"
#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor_search_custom.h"
#include "search_replace.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace bp {
namespace {

bool isBreak(QChar ch)
{
    return ch == u'\r' || ch == u'\n' || ch == QChar(0x2028);
}

// The position just past `text` inserted at `at`.
TBufferCoord endOfText(TBufferCoord at, QStringView text)
{
    TBufferCoord end = at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (isBreak(ch)) {
            // One break: U+2028, then CR, then LF, each at most once.
            if (ch == QChar(0x2028) && i + 1 < text.size() && text[i + 1] == u'\r')
                ++i;
            if ((text[i] == u'\r' || ch == QChar(0x2028)) && i + 1 < text.size() &&
                text[i + 1] == u'\n')
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
               const QString &replacementText, TSearchOptions options)
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
    // The selection that was the range is kept over the new text: its end moves with the
    // text after it, its begin stays.
    const DistanceFromEnd selectionEnd = distanceFromEnd(lines, editor.BlockEnd());
    const TBufferCoord selectionBegin = editor.BlockBegin();
    const bool caretAtBegin = editor.CaretXY() == selectionBegin;

    engine->SetOptions(options);
    engine->SetPattern(search);
    const int top = std::max(1, range.start.Line);
    const int bottom = std::min(lines.Count(), range.end.Line);
    TBufferCoord caret = editor.CaretXY();

    // Each line with occurrences inside the range gets a new text in `buffer`, one line for
    // each splice, ready to replace those lines at once; the lines between them are left
    // where they are. A splice is the part of a new line from its first occurrence to
    // the end of its last one's replacement, with where the caret falls in it when the caret
    // stands before the line's last occurrence (after it, its distance from the end places
    // it).
    struct Splice
    {
        int line = 0;
        int first = 0;
        int last = 0;
        qsizetype length = 0;
        std::optional<qsizetype> caretOffset;
    };
    std::vector<Splice> splices;
    LineBuffer buffer;
    int replaced = 0;
    bool addsBreaks = false;
    bool changesText = false;
    QString found;
    for (int line = top; line <= bottom; ++line) {
        const int count = engine->FindAll(lines.view(line - 1));
        if (count == 0)
            continue;
        Splice splice;
        splice.line = line;
        const QStringView text = lines.view(line - 1);
        const bool caretLine = line == caret.Line;
        for (int i = 0; i < count; ++i) {
            const int column = engine->Results(i);
            const int length = engine->Lengths(i);
            if (!range.contains(line, column, length))
                continue;
            if (splice.first == 0) {
                splice.first = column;
                buffer.append(text.first(column - 1));
            } else {
                if (caretLine && !splice.caretOffset && caret.Char <= column &&
                    caret.Char >= splice.last)
                    splice.caretOffset = splice.length + (caret.Char - splice.last);
                buffer.append(text.sliced(splice.last - 1, column - splice.last));
                splice.length += column - splice.last;
            }
            found.resize(0);
            found.append(text.sliced(column - 1, length));
            const QString replacement = engine->Replace(found, replacementText);
            changesText = changesText || replacement != found;
            addsBreaks = addsBreaks || std::any_of(replacement.cbegin(), replacement.cend(),
                                                   [](QChar ch) { return isBreak(ch); });
            buffer.append(replacement);
            splice.length += replacement.size();
            // A caret inside an occurrence goes to the end of its replacement.
            if (caretLine && !splice.caretOffset && caret.Char > column &&
                caret.Char < column + length)
                splice.caretOffset = splice.length;
            splice.last = column + length;
            ++replaced;
        }
        if (splice.first == 0)
            continue;
        buffer.append(text.sliced(splice.last - 1)).endLine();
        splices.push_back(splice);
    }
    if (splices.empty())
        return 0;
    std::vector<QString> texts = buffer.takeLines();
    auto spliceText = [&](const Splice &splice) {
        return QStringView(texts[std::size_t(&splice - splices.data())])
            .sliced(splice.first - 1, splice.length);
    };

    // The caret keeps its place in the text: before the replacements on its line it only moves
    // down by the lines that replacements above it add; at or after them it keeps its distance
    // from the end of the text, which nothing above it changes.
    std::optional<DistanceFromEnd> caretFromEnd;
    int linesAddedAbove = 0;
    // Replacements that keep the lines as lines go in as one change of the lines they touch.
    // Others change the text line by line, bottom-up, so one that adds or removes line breaks
    // leaves the numbers of the lines still to do as they were.
    const bool lineByLine = addsBreaks || !changesText;
    editor.undoHistory().beginBlock();
    try {
        for (auto splice = splices.rbegin(); splice != splices.rend(); ++splice) {
            if (splice->line == caret.Line && caret.Char >= splice->last)
                caretFromEnd = distanceFromEnd(lines, caret);
            else if (splice->line == caret.Line && caret.Char > splice->first &&
                     splice->caretOffset)
                caret = endOfText({splice->first, splice->line},
                                  spliceText(*splice).first(*splice->caretOffset));
            if (!lineByLine)
                continue;
            const int linesBefore = lines.Count();
            replaceRange(editor, {splice->first, splice->line}, {splice->last, splice->line},
                         spliceText(*splice).toString());
            if (splice->line < caret.Line)
                linesAddedAbove += lines.Count() - linesBefore;
        }
        if (!lineByLine) {
            // Redo leaves the caret where replacing the first line's part on its own would.
            const Splice &top = splices.front();
            const TBufferCoord redoCaret{top.first + int(top.length), top.line};
            std::vector<int> numbers;
            numbers.reserve(splices.size());
            for (const Splice &splice : splices)
                numbers.push_back(splice.line);
            replaceSparseLines(editor, std::move(numbers), std::move(texts), redoCaret);
        }
    } catch (...) {
        editor.undoHistory().endBlock();
        throw;
    }
    editor.undoHistory().endBlock();
    caret.Line += linesAddedAbove;
    editor.setCaretXY(caretFromEnd ? positionAt(lines, *caretFromEnd) : caret);
    if (replaced > 0 && selectedOnly && mode != TSelectionMode::smColumn) {
        const TBufferCoord end = positionAt(lines, selectionEnd);
        editor.setCaretXY(caretAtBegin ? end : selectionBegin, false);
        editor.setCaretXY(caretAtBegin ? selectionBegin : end, true);
    }
    return replaced;
}

} // namespace bp
