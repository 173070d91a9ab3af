#include "call_position.h"

#include "editor/model/editor_lines.h"
#include "qpile_tokens.h"

#include <algorithm>
#include <vector>

namespace bp {

std::vector<QpileCallPosition> findEnclosingCalls(const QpileReference &reference,
                                                  const TEditorLines &lines, TBufferCoord caret,
                                                  TQPILEHighlighter &highlighter,
                                                  std::optional<TBufferCoord> from)
{
    std::vector<QpileCallPosition> calls;
    const int caretLine = caret.Line - 1;
    if (caretLine < 0 || caretLine >= lines.Count())
        return calls;
    const int caretIndex = caret.Char - 1; // the caret stands before this character

    QpileLineTokens tokens;
    // The statement starts after the last line above that does not continue.
    int first = caretLine;
    // The first line's characters before this one are not read.
    int skip = 0;
    if (from && from->Line >= 1 && from->Line - 1 <= caretLine &&
        (from->Line - 1 < caretLine || from->Char <= caret.Char)) {
        first = from->Line - 1;
        skip = std::max(0, from->Char - 1);
    }
    while (!from && first > 0) {
        highlighter.ResetRange();
        tokens.scan(highlighter, lines.view(first - 1), first - 1);
        if (tokens.continuationMark() < 0)
            break;
        --first;
    }

    struct Bracket
    {
        const QpileFunction *function = nullptr;
        int commas = 0;
        TBufferCoord name;
        TBufferCoord open;
    };
    std::vector<Bracket> open;
    for (int line = first; line <= caretLine; ++line) {
        // Strings never continue onto the next line, so every line can start afresh.
        highlighter.ResetRange();
        const int offset = line == first ? std::min<int>(skip, int(lines.view(line).size())) : 0;
        tokens.scan(highlighter, lines.view(line).sliced(offset), line);
        const bool atCaret = line == caretLine;
        const int mark = atCaret ? -1 : tokens.continuationMark();
        // Read from a given point, a line that does not continue ends the statement before
        // the caret's.
        if (from && !atCaret && mark < 0)
            return calls;
        const int count = mark >= 0 ? mark : tokens.significantCount();
        if (atCaret) {
            for (const QpileToken &token : tokens.all()) {
                if (token.kind == TtkTokenKind::tkComment && offset + token.pos < caretIndex)
                    return calls;
            }
        }
        for (int i = 0; i < count; ++i) {
            const QpileToken &token = tokens.significantAt(i);
            // A bracket counts once the caret is past it; a string holding the caret is part
            // of the current argument.
            if (atCaret && offset + token.pos >= caretIndex)
                break;
            if (token.kind != TtkTokenKind::tkUnknown || token.length != 1)
                continue;
            const char16_t c = tokens.lowered()[token.pos].unicode();
            if (c == u'(') {
                Bracket bracket;
                bracket.open = {offset + token.pos + 1, line + 1};
                if (i > 0 && QpileLineTokens::isWord(tokens.significantAt(i - 1))) {
                    const QpileToken &name = tokens.significantAt(i - 1);
                    bracket.function = reference.functionLowerCase(tokens.loweredText(name));
                    bracket.name = {offset + name.pos + 1, line + 1};
                }
                open.push_back(bracket);
            } else if (c == u')') {
                if (!open.empty())
                    open.pop_back();
            } else if (c == u',') {
                if (!open.empty())
                    ++open.back().commas;
            }
        }
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (it->function)
            calls.push_back({it->function, it->commas, it->name, it->open});
    }
    return calls;
}

std::optional<QpileCallPosition> findCallPosition(const QpileReference &reference,
                                                  const TEditorLines &lines, TBufferCoord caret,
                                                  TQPILEHighlighter &highlighter)
{
    std::vector<QpileCallPosition> calls =
        findEnclosingCalls(reference, lines, caret, highlighter, std::nullopt);
    if (calls.empty())
        return std::nullopt;
    return calls.front();
}

} // namespace bp
