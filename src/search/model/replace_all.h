#pragma once

#include "search_options.h"

#include <QString>

namespace bp {

class EditModel;
class TEditorSearchCustom;

// Replaces every occurrence of `search` that the editor's search would find with `options`
// by `replacement`, as one undo step, and returns how many were replaced.
//
// The range is the one the search walks: the selection with ssoSelectedOnly (dropped when
// nothing is selected), else the whole text, cut at the caret unless ssoEntireScope is set
// (from the caret to the end, or from the start to the caret with ssoBackwards). Occurrences
// are those the engine reports on the text as it was, so a replacement that contains or
// recreates the search text is never replaced again.
//
// The caret stays where it was; a stream or line selection that was the range is kept over
// the replaced text. Throws bp::Error when `engine` is null.
int ReplaceAll(EditModel &editor, TEditorSearchCustom *engine, const QString &search,
               const QString &replacement, TSearchOptions options);

} // namespace bp
