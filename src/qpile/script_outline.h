#pragma once

#include "qpile_reference.h"

#include <QList>
#include <QString>
#include <vector>

namespace bp {

class TEditorLines;
class TQPILEHighlighter;

// One entry of a script's outline: a FUNC, or a PARAMETER block (a column of the table).
struct QpileOutlineEntry
{
    enum class Kind
    {
        Function,
        Column,
    };
    Kind kind = Kind::Function;
    // The FUNC's or the column's name as written.
    QString name;
    // A column's PARAMETER_TITLE text; a FUNC's argument list as written ("(a, b)").
    QString title;
    // Where the name starts (1-based).
    int line = 1;
    int column = 1;

    bool operator==(const QpileOutlineEntry &) const = default;
};

// The FUNCs and PARAMETER columns of the script, in text order. A column's title is the
// text of the PARAMETER_TITLE line inside its block, without the final ";" (empty when the
// block has none). Uses `highlighter` to tokenise each line once, so comments and strings
// never count.
QList<QpileOutlineEntry> buildOutline(const TEditorLines &lines, TQPILEHighlighter &highlighter);

// The script's FUNCs whose FUNC lines are `funcLines` (0-based), as entries the tips show:
// the name and parameter names from the FUNC line, the comment lines right above it as the
// summary.
QList<QpileFunction> scriptFunctions(const TEditorLines &lines, const std::vector<int> &funcLines,
                                     TQPILEHighlighter &highlighter);

} // namespace bp
