#include "caret_position.h"

#include "editor/model/edit_model.h"

namespace bp {
namespace {

qint64 selectedCharacters(const EditModel &editor)
{
    const TEditorLines &lines = editor.Lines();
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    const int last = std::min(end.Line, lines.Count());
    auto length = [&](int line) { return line <= lines.Count() ? lines.length(line - 1) : 0; };
    if (editor.selection().mode == TSelectionMode::smLine) {
        qint64 count = 0;
        for (int line = begin.Line; line <= last; ++line)
            count += length(line);
        return count;
    }
    if (begin.Line == end.Line)
        return std::max(0, std::min(end.Char, length(end.Line) + 1) -
                               std::min(begin.Char, length(begin.Line) + 1));
    // Whole lines between the two ends; a line break counts as no character.
    qint64 count = std::max(0, length(begin.Line) + 1 - begin.Char);
    for (int line = begin.Line + 1; line < end.Line && line <= last; ++line)
        count += length(line);
    return count + std::min(end.Char - 1, length(end.Line));
}

} // namespace

QString caretPositionText(const EditModel &editor)
{
    const TBufferCoord caret = editor.CaretXY();
    QString text = QStringLiteral("Стр %1, Стб %2")
                       .arg(caret.Line)
                       .arg(editor.columns().displayColumn(caret.Line, caret.Char));
    if (!editor.SelAvail())
        return text;
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    const int lineCount = end.Line - begin.Line + 1;
    if (editor.selection().mode == TSelectionMode::smColumn) {
        const auto [left, right] = editor.columns().selectionColumns(editor.selection());
        return text + QStringLiteral(", выделено: %1 × %2").arg(lineCount).arg(right - left);
    }
    text += QStringLiteral(", выделено: %1").arg(selectedCharacters(editor));
    if (lineCount > 1)
        text += QStringLiteral(" (%1 стр.)").arg(lineCount);
    return text;
}

} // namespace bp
