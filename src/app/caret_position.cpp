#include "caret_position.h"

#include "editor/model/edit_model.h"

#include <cstdlib>

namespace bp {
namespace {

// `lengthOfLines(first, last)` gives the characters of lines [first, last] (1-based) of the
// text; a range past its end counts the lines that exist.
template <typename LineLengths>
qint64 selectedCharacters(const EditModel &editor, LineLengths lengthOfLines)
{
    const TEditorLines &lines = editor.Lines();
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    const int last = std::min(end.Line, lines.Count());
    auto length = [&](int line) { return line <= lines.Count() ? lines.length(line - 1) : 0; };
    if (editor.selection().mode == TSelectionMode::smLine)
        return lengthOfLines(begin.Line, last);
    if (begin.Line == end.Line)
        return std::max(0, std::min(end.Char, length(end.Line) + 1) -
                               std::min(begin.Char, length(begin.Line) + 1));
    // Whole lines between the two ends; a line break counts as no character.
    qint64 count = std::max(0, length(begin.Line) + 1 - begin.Char);
    count += lengthOfLines(begin.Line + 1, std::min(end.Line - 1, last));
    return count + std::min(end.Char - 1, length(end.Line));
}

template <typename LineLengths>
QString positionText(const EditModel &editor, LineLengths lengthOfLines)
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
    text += QStringLiteral(", выделено: %1").arg(selectedCharacters(editor, lengthOfLines));
    if (lineCount > 1)
        text += QStringLiteral(" (%1 стр.)").arg(lineCount);
    return text;
}

qint64 sumOfLengths(const TEditorLines &lines, int first, int last)
{
    qint64 total = 0;
    for (int line = first; line <= last; ++line)
        total += lines.length(line - 1);
    return total;
}

} // namespace

QString caretPositionText(const EditModel &editor)
{
    return positionText(editor, [&editor](int first, int last) {
        return sumOfLengths(editor.Lines(), first, std::min(last, editor.Lines().Count()));
    });
}

CaretPosition::CaretPosition(EditModel &editor) : m_editor(editor), m_lines(editor.Lines())
{
    m_lines.addListener(this);
}

CaretPosition::~CaretPosition()
{
    m_lines.removeListener(this);
}

QString CaretPosition::text()
{
    return positionText(m_editor, [this](int first, int last) {
        return lengthOfLines(first, std::min(last, m_lines.Count()));
    });
}

qint64 CaretPosition::lengthOfLines(int first, int last)
{
    if (first > last)
        return 0;
    // Moving the kept range's ends costs a line per line they move over; a range far from it
    // is counted afresh.
    const qint64 moves = qint64(std::abs(first - m_first)) + std::abs(last - m_last);
    if (!m_known || m_first > m_last || moves > qint64(last) - first + 1) {
        m_total = sumOfLengths(m_lines, first, last);
    } else {
        for (; m_first > first; --m_first)
            m_total += m_lines.length(m_first - 2);
        for (; m_first < first; ++m_first)
            m_total -= m_lines.length(m_first - 1);
        for (; m_last < last; ++m_last)
            m_total += m_lines.length(m_last);
        for (; m_last > last; --m_last)
            m_total -= m_lines.length(m_last - 1);
    }
    m_known = true;
    m_first = first;
    m_last = last;
    return m_total;
}

} // namespace bp
