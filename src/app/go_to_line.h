#pragma once

#include "editor/model/buffer_coord.h"

#include <QString>
#include <optional>

namespace bp {

class EditModel;

// Where "go to line" should take the caret, or why the text typed cannot say.
struct GoToLineTarget
{
    std::optional<TBufferCoord> position;
    // Empty when `position` is set; otherwise a message for the user.
    QString problem;
};

// Reads "line" or "line:column" (blanks around the numbers allowed) against the document in
// `editor`. The line must lie between 1 and the last line; the column is a display column
// (a tab counts to the next tab stop) between 1 and one past the line's end, and becomes the
// character column it shows. Without a column the caret goes to column 1.
GoToLineTarget parseGoToLine(const QString &text, const EditModel &editor);

// Moves the caret to `position`, emptying the selection; a line outside the view comes to
// the middle of it.
void goToLine(EditModel &editor, TBufferCoord position);

} // namespace bp
