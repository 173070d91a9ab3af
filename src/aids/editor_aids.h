#pragma once

#include <QString>

namespace bp {

class EditModel;

// The coding aids applied to the editor's model. Each change is one undo step with one
// change notification, so undo stays consistent with the text.

// Replaces line `line` (1-based; line 1 of an empty document is created) by `text`,
// recording only the part that differs.
void replaceLineRecorded(EditModel &model, int line, const QString &text);

// Writes a library function's signature into the caret's line by the insertion rule; the
// caret keeps the column the rule gives and the selection is emptied. Groups (nodes with
// children) insert nothing. Returns whether anything was inserted.
bool applyLibraryInsertion(EditModel &model, const QString &nodeText, bool nodeHasChildren);

// Comments or uncomments each line the caret or the selection touches, as one model
// operation with one undo record; the caret keeps its line and column, and the selection is
// emptied.
void applyCommentToggle(EditModel &model);

} // namespace bp
