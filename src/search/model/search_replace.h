#pragma once

#include "editor/model/buffer_coord.h"
#include "search_options.h"

#include <QString>

namespace bp {

class EditModel;
class TEditorSearchCustom;

// Where a search or a replacement looks: from `start` to just past the last character; in
// a column selection only its columns, in a line selection its whole lines.
struct SearchRange
{
    TBufferCoord start;
    TBufferCoord end;
    bool inColumns = false;
    bool wholeLines = false;

    // Whether the occurrence of `length` characters at `column` of `line` (a line in the
    // range) lies inside.
    bool contains(int line, int column, int length) const
    {
        if (wholeLines)
            return true;
        if (inColumns)
            return column >= start.Char && column + length <= end.Char;
        return !(line == start.Line && column < start.Char) &&
               !(line == end.Line && column + length > end.Char);
    }
};

// The selection with ssoSelectedOnly (whole lines in line mode, the columns in column mode),
// else the whole text, cut at the caret unless ssoEntireScope is set.
SearchRange searchRange(const EditModel &editor, TSearchOptions options);

// The editor's search: finds the next occurrence of `search` inside the search range with
// `engine`, selects it and moves the caret to its end (its start when searching
// backwards), scrolling the match's line into view; the selection mode stays as it is. Returns the
// number of occurrences acted on: 0 or 1. Finding nothing changes nothing.
//
// The range is the selection with ssoSelectedOnly (dropped when nothing is selected),
// else the whole text, cut at the caret unless ssoEntireScope is set.
//
// Throws bp::Error when `engine` is null, and for ssoReplace or ssoReplaceAll: this
// editor only searches, and a request to replace must not look like a success.
int SearchReplace(EditModel &editor, TEditorSearchCustom *engine, const QString &search,
                  const QString &replace, TSearchOptions options);

} // namespace bp
