// The editor commands that replace text: the selection, a range, whole lines, a rectangle.
#include "edit_commands.h"

#include "edit_model.h"
#include "text_difference.h"

#include <algorithm>

namespace bp {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The records made while it lives form a command of their own, never undone together with
// the commands around it.
class StandaloneRecords
{
public:
    explicit StandaloneRecords(EditModel &model) : m_model(model), m_outer(model.recordKind())
    {
        m_model.setRecordKind({true, m_outer.overwrite});
    }
    ~StandaloneRecords() { m_model.setRecordKind(m_outer); }
    StandaloneRecords(const StandaloneRecords &) = delete;
    StandaloneRecords &operator=(const StandaloneRecords &) = delete;

private:
    EditModel &m_model;
    const EditModel::RecordKind m_outer;
};

// Where replacing `old` by `changed` on `line` leaves the caret: after what the differing part
// inserted, or where it removed; none when the texts are equal.
std::optional<TBufferCoord> changeEnd(QStringView old, QStringView changed, int line)
{
    if (old == changed)
        return std::nullopt;
    return TBufferCoord{int(changed.size() - differingPart(old, changed).suffix) + 1, line};
}

// Replaces `lines` by `texts` (one each) as one standalone undo step: the shared body of the
// contiguous and the scattered replacement. The caret keeps its line and its column within the
// limit, the selection empties at it; redo puts the caret after the last changed line's
// differing part, or at `redoCaret`. Nothing happens when no line differs.
void replaceLineSet(EditModel &model, LineSet lines, std::vector<QString> texts,
                    std::optional<TBufferCoord> redoCaret)
{
    const TEditorLines &current = model.Lines();
    // Caret and view stay unless the caret's column is gone; the selection empties at the
    // caret, as after any direct change of lines.
    TBufferCoord caret = model.CaretXY();
    int caretLength = current.length(caret.Line - 1);
    if (lines.indexes.empty()) {
        const int caretEntry = caret.Line - 1 - lines.first;
        if (caretEntry >= 0 && caretEntry < int(texts.size()))
            caretLength = int(texts[std::size_t(caretEntry)].size());
    } else {
        const auto entry =
            std::lower_bound(lines.indexes.begin(), lines.indexes.end(), caret.Line - 1);
        if (entry != lines.indexes.end() && *entry == caret.Line - 1)
            caretLength = int(texts[std::size_t(entry - lines.indexes.begin())].size());
    }
    caret.Char = std::clamp(caret.Char, 1, std::max(EditModel::kMaxCaretColumn, caretLength + 1));
    std::optional<TBufferCoord> lastChange;
    for (std::size_t i = texts.size(); i-- > 0 && !lastChange;)
        lastChange = changeEnd(current.view(lines.at(i)), texts[i], lines.at(i) + 1);
    if (!lastChange)
        return;
    if (!redoCaret)
        redoCaret = lastChange;
    UndoHistory &history = model.undoHistory();
    history.beginBlock();
    {
        const StandaloneRecords standalone(model);
        model.exchangeLines(std::move(lines), std::move(texts), TChangeReason::Insert,
                            {caret, caret, caret}, redoCaret);
    }
    history.endBlock();
}

void deleteColumnBlock(EditModel &model, int firstLine, int lastLine)
{
    const TEditorLines &lines = model.Lines();
    // One record for the whole rectangle, however many lines it spans.
    const auto [left, right] = model.columns().selectionColumns(model.selection());
    const TBufferCoord caret{model.charColumnAt(firstLine, left), firstLine};
    LineBuffer buffer;
    qsizetype characters = 0;
    for (int line = firstLine; line <= lastLine; ++line)
        characters += lines.length(line - 1);
    buffer.reserve(characters, lastLine - firstLine + 1);
    // Redo leaves the caret where the rectangle's last non-empty slice was.
    std::optional<TBufferCoord> redoCaret;
    for (int line = firstLine; line <= lastLine; ++line) {
        const QStringView text = lines.view(line - 1);
        const int from = std::min<int>(model.charColumnAt(line, left) - 1, int(text.size()));
        const int to = std::min<int>(model.charColumnAt(line, right) - 1, int(text.size()));
        if (to <= from) {
            buffer.addLine(lines[line - 1]);
            continue;
        }
        buffer.append(text.first(from)).append(text.sliced(to)).endLine();
        redoCaret = {from + 1, line};
    }
    if (redoCaret) {
        model.exchangeLines({firstLine - 1, {}}, buffer.takeLines(), TChangeReason::Delete,
                            {caret, caret, caret}, redoCaret);
    } else {
        model.setSelection(caret, caret);
        model.setCaretOnly(caret);
    }
}

void insertColumnBlock(EditModel &model, const QString &text)
{
    const TEditorLines &lines = model.Lines();
    TextPieces block(text);
    std::vector<QString> &parts = block.pieces();
    const int column = model.displayColumn(model.CaretXY().Line, model.CaretXY().Char);
    const int firstLine = model.CaretXY().Line;
    const int lastLine = firstLine + block.breakCount();
    // Missing lines are added at the end first, all at once (the first break on an empty
    // document makes two lines).
    if (lastLine > lines.Count()) {
        const int breaks = lines.isEmpty() ? std::max(1, lastLine - 1) : lastLine - lines.Count();
        const int last = std::max(1, lines.Count());
        model.insertText({lines.length(last - 1) + 1, last}, kCrLf.repeated(breaks),
                         TChangeReason::Paste);
    }
    LineBuffer buffer;
    qsizetype characters = text.size();
    for (int line = firstLine; line <= lastLine; ++line)
        characters += lines.length(line - 1);
    buffer.reserve(characters, parts.size());
    TBufferCoord end = model.CaretXY();
    bool changed = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int line = firstLine + int(i);
        const QStringView current = lines.view(line - 1);
        const int length = int(current.size());
        const int lineDisplayEnd = model.displayColumn(line, length + 1);
        const int at = column <= lineDisplayEnd ? model.charColumnAt(line, column)
                                                : length + 1 + (column - lineDisplayEnd);
        if (parts[i].isEmpty()) {
            buffer.addLine(lines[line - 1]);
            end = {at, line};
            continue;
        }
        // As typing it would: a start in virtual space first fills the line up to it.
        int start = at;
        if (at > length + 1) {
            const QString fill = model.virtualFill(line, at);
            start = length + 1 + int(fill.size());
            buffer.append(current).append(fill).append(parts[i]).endLine();
        } else {
            buffer.append(current.first(at - 1)).append(parts[i]).append(current.sliced(at - 1));
            buffer.endLine();
        }
        end = {start + int(parts[i].size()), line};
        changed = true;
    }
    // An empty last row inserts nothing, so its column may lie past the limit of a short line.
    const TBufferCoord caret = model.clamp(end, false);
    if (changed) {
        model.exchangeLines({firstLine - 1, {}}, buffer.takeLines(), TChangeReason::Paste,
                            {caret, caret, caret});
    } else {
        model.setSelection(caret, caret);
        model.setCaretOnly(caret);
    }
}

void insertLineBlock(EditModel &model, const QString &text)
{
    QString block = text;
    if (!block.endsWith(u'\n') && !block.endsWith(u'\r'))
        block += kCrLf;
    const TBufferCoord end =
        model.insertText({1, model.CaretXY().Line}, block, TChangeReason::Paste);
    model.setSelection(end, end);
    model.setCaretOnly(model.clamp(end, false));
}

} // namespace

void deleteSelection(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    UndoHistory &history = model.undoHistory();
    if (!model.SelAvail() || lines.isEmpty())
        return;
    const TBufferCoord begin = model.BlockBegin();
    const TBufferCoord end = model.BlockEnd();
    history.beginBlock();
    switch (model.selectionMode()) {
    case TSelectionMode::smNormal: {
        // A selection that starts in virtual space joins at the line's end; the caret
        // goes there, not into the text pulled up from the line below.
        TBufferCoord at = model.clamp(begin, false);
        if (end.Line > begin.Line)
            at.Char = std::min(at.Char, lines.length(at.Line - 1) + 1);
        model.deleteText(begin, end, TChangeReason::Delete);
        model.setSelection(at, at);
        model.setCaretOnly(at);
        break;
    }
    case TSelectionMode::smLine: {
        const int lastLine = std::min(end.Line, lines.Count());
        TBufferCoord from{1, begin.Line};
        TBufferCoord to{1, lastLine + 1};
        if (lastLine == lines.Count()) {
            to = {lines.length(lastLine - 1) + 1, lastLine};
            if (begin.Line > 1)
                from = {lines.length(begin.Line - 2) + 1, begin.Line - 1};
        }
        model.deleteText(from, to, TChangeReason::Delete);
        const TBufferCoord caret = model.clamp({1, begin.Line}, true);
        model.setSelection(caret, caret);
        model.setCaretOnly(caret);
        break;
    }
    case TSelectionMode::smColumn:
        deleteColumnBlock(model, begin.Line, std::min(end.Line, lines.Count()));
        break;
    }
    history.endBlock();
    model.revealCaret();
}

void replaceRange(EditModel &model, TBufferCoord from, TBufferCoord to, const QString &text)
{
    const TEditorLines &lines = model.Lines();
    UndoHistory &history = model.undoHistory();
    // A range past the last line reads as the end of the text, as selections read.
    auto onText = [&](TBufferCoord position) {
        const int last = std::max(1, lines.Count());
        if (position.Line > last)
            return TBufferCoord{lines.length(last - 1) + 1, last};
        return model.clamp(position, false);
    };
    from = onText(from);
    to = std::max(from, onText(to));
    history.beginBlock();
    {
        const StandaloneRecords standalone(model);
        model.deleteText(from, to, TChangeReason::Delete);
        model.insertText(from, text, TChangeReason::Insert);
    }
    history.endBlock();
    // Caret, selection and view stay where they were unless the change took their line or
    // their column away; then they come back onto the text and within the column limit.
    model.setSelection(model.clamp(model.selection().anchor, false),
                       model.clamp(model.selection().moving, false));
    model.setCaretOnly(model.clamp(model.CaretXY(), false));
    model.viewWindow().setTopLine(model.viewWindow().topLine());
}

void setSelText(EditModel &model, const QString &text, TSelectionMode mode, TChangeReason reason)
{
    UndoHistory &history = model.undoHistory();
    history.beginBlock();
    deleteSelection(model);
    switch (mode) {
    case TSelectionMode::smNormal: {
        const TBufferCoord end = model.insertText(model.CaretXY(), text, reason);
        model.setSelection(end, end);
        model.setCaretOnly(end);
        break;
    }
    case TSelectionMode::smLine:
        insertLineBlock(model, text);
        break;
    case TSelectionMode::smColumn:
        insertColumnBlock(model, text);
        break;
    }
    history.endBlock();
    model.revealCaret();
}

void replaceLines(EditModel &model, int first, std::vector<QString> texts,
                  std::optional<TBufferCoord> redoCaret)
{
    if (texts.empty())
        return;
    TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        lines.Add(QString());
    first = std::clamp(first, 1, lines.Count());
    texts.resize(std::min<std::size_t>(texts.size(), lines.Count() - first + 1));
    replaceLineSet(model, {first - 1, {}}, std::move(texts), redoCaret);
}

void replaceSparseLines(EditModel &model, std::vector<int> lineNumbers, std::vector<QString> texts,
                        std::optional<TBufferCoord> redoCaret)
{
    TEditorLines &lines = model.Lines();
    const int count = std::max(1, lines.Count());
    // The caller computes the numbers from the text it changes; numbers that do not fit it
    // mean a fault there, and going on would change lines nobody asked for.
    if (lineNumbers.size() != texts.size())
        qFatal("replaceSparseLines: %zu line numbers for %zu texts", lineNumbers.size(),
               texts.size());
    for (std::size_t i = 0; i < lineNumbers.size(); ++i) {
        const int number = lineNumbers[i];
        if (number < 1 || number > count || (i > 0 && number <= lineNumbers[i - 1]))
            qFatal("replaceSparseLines: line number %d out of order or outside 1..%d", number,
                   count);
    }
    if (texts.empty())
        return;
    if (lines.isEmpty())
        lines.Add(QString());
    for (int &number : lineNumbers)
        --number;
    replaceLineSet(model, {0, std::move(lineNumbers)}, std::move(texts), redoCaret);
}

} // namespace bp
