#include "editor_aids.h"

#include "aids/comment_toggle.h"
#include "aids/library_insertion.h"
#include "editor/model/edit_model.h"

namespace bp {

namespace {

// The aids change lines by selecting and replacing text; the user's view and selection
// mode come back afterwards, as if only the lines had changed.
class KeepViewAndMode
{
public:
    explicit KeepViewAndMode(EditModel &model)
        : m_model(model), m_topLine(model.TopLine()), m_leftChar(model.LeftChar()),
          m_mode(model.selectionMode())
    {}
    ~KeepViewAndMode()
    {
        m_model.setSelectionMode(m_mode);
        m_model.SetTopLine(m_topLine);
        m_model.SetLeftChar(m_leftChar);
    }

private:
    EditModel &m_model;
    int m_topLine;
    int m_leftChar;
    TSelectionMode m_mode;
};

} // namespace

void replaceLineRecorded(EditModel &model, int line, const QString &text)
{
    const QString old = model.Lines()[line - 1];
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < text.size() - prefix &&
           old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    if (prefix == old.size() && prefix == text.size() && !model.Lines().isEmpty())
        return;
    model.setSelectionMode(TSelectionMode::smNormal);
    model.SetCaretXY({int(prefix) + 1, line});
    model.SetBlockBegin({int(prefix) + 1, line});
    model.SetBlockEnd({int(old.size() - suffix) + 1, line});
    model.SetSelTextPrimitive(text.mid(prefix, text.size() - prefix - suffix));
}

bool applyLibraryInsertion(EditModel &model, const QString &nodeText, bool nodeHasChildren)
{
    const int line = model.CaretY();
    const std::optional<LibraryInsertion> insertion =
        libraryInsertion(nodeText, nodeHasChildren, model.LineText(), model.CaretX());
    if (!insertion)
        return false;
    const KeepViewAndMode keep(model);
    model.BeginUndoBlock();
    replaceLineRecorded(model, line, insertion->lineText);
    model.EndUndoBlock();
    model.SetCaretXY({insertion->caretColumn, line});
    return true;
}

void applyCommentToggle(EditModel &model)
{
    const TBufferCoord caret = model.CaretXY();
    // A column selection of no width still spans its lines.
    const bool block = model.SelAvail() || model.BlockBegin().Line != model.BlockEnd().Line;
    const int first = block ? model.BlockBegin().Line : caret.Line;
    const int last = block ? model.BlockEnd().Line : caret.Line;
    const KeepViewAndMode keep(model);
    const QList<LineChange> changes =
        toggleComments([&](int line) { return model.Lines()[line - 1]; }, first, last);
    model.BeginUndoBlock();
    for (const LineChange &change : changes)
        replaceLineRecorded(model, change.line, change.text);
    model.EndUndoBlock();
    model.SetCaretXY(caret);
}

} // namespace bp
