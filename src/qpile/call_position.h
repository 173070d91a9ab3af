#pragma once

#include "editor/model/buffer_coord.h"
#include "qpile_reference.h"

#include <optional>
#include <vector>

namespace bp {

class TEditorLines;
class TQPILEHighlighter;

// Where the caret stands inside a call of a built-in function.
struct QpileCallPosition
{
    const QpileFunction *function = nullptr;
    // 0-based: the number of commas before the caret at the call's own bracket level.
    int argument = 0;
    // The first character of the function's name and the call's "(" (1-based).
    TBufferCoord name;
    TBufferCoord openBracket;
};

// The innermost call of a function the reference knows whose brackets enclose the caret,
// and the argument the caret is in. Arguments are counted by commas outside strings,
// comments and nested brackets; a call may span lines joined by the continuation mark
// (" _" at a line end), so the search starts at the first line of the caret's statement.
// A caret inside a comment, or after the call's ")", is in no call. Brackets of unknown
// functions and plain brackets are looked through to the call around them. Uses
// `highlighter` to tokenise the statement's lines; its range is set for each line.
std::optional<QpileCallPosition> findCallPosition(const QpileReference &reference,
                                                  const TEditorLines &lines, TBufferCoord caret,
                                                  TQPILEHighlighter &highlighter);
// Every call of a known function whose brackets enclose the caret, innermost first, by the
// same rules. With `from` (a point before the caret outside strings and comments, such as
// the name of a call found before) the lines are read from there instead of from the
// statement's start, so the work is bounded by the call, not by the line; calls opened
// before `from` are not found then.
std::vector<QpileCallPosition> findEnclosingCalls(const QpileReference &reference,
                                                  const TEditorLines &lines, TBufferCoord caret,
                                                  TQPILEHighlighter &highlighter,
                                                  std::optional<TBufferCoord> from = std::nullopt);

} // namespace bp
