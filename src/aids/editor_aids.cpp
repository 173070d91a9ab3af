#include "editor_aids.h"

#include "aids/comment_toggle.h"
#include "aids/library_insertion.h"
#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor/model/text_difference.h"

#include <algorithm>

namespace bp {

void replaceLineRecorded(EditModel &model, int line, const QString &text)
{
    const QString old = model.Lines()[line - 1];
    const auto [prefix, suffix] = differingPart(old, text);
    if (prefix == old.size() && prefix == text.size() && !model.Lines().isEmpty())
        return;
    replaceRange(model, {int(prefix) + 1, line}, {int(old.size() - suffix) + 1, line},
                 text.mid(prefix, text.size() - prefix - suffix));
}

bool applyLibraryInsertion(EditModel &model, const QString &nodeText, bool nodeHasChildren)
{
    const int line = model.CaretY();
    const std::optional<LibraryInsertion> insertion =
        libraryInsertion(nodeText, nodeHasChildren, model.LineText(), model.CaretX());
    if (!insertion)
        return false;
    model.undoHistory().beginBlock();
    replaceLineRecorded(model, line, insertion->lineText);
    model.undoHistory().endBlock();
    model.setCaretXY({insertion->caretColumn, line});
    return true;
}

void applyCommentToggle(EditModel &model)
{
    const TBufferCoord caret = model.CaretXY();
    // A column selection of no width still spans its lines.
    const bool block = model.SelAvail() || model.BlockBegin().Line != model.BlockEnd().Line;
    const int first = block ? model.BlockBegin().Line : caret.Line;
    const int last = block ? model.BlockEnd().Line : caret.Line;
    replaceLines(model, std::max(1, std::min(first, last)),
                 toggledCommentLines(model.Lines(), first, last));
    model.setCaretXY(caret);
}

} // namespace bp
