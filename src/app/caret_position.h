#pragma once

#include "editor/model/editor_lines.h"

#include <QString>

namespace bp {

class EditModel;

// The status bar's caret position: "Стр 12, Стб 5" (the column as displayed, a tab counting
// to the next tab stop), and with a selection its size: characters, and lines when it spans
// several ("выделено: 40 (3 стр.)"), or lines by columns for a column block ("выделено: 3 × 4").
// Costs nothing for the caret alone; a selection is measured by its lines' lengths.
QString caretPositionText(const EditModel &editor);

// The same text for one editor as its caret moves: the lengths of the whole lines a selection
// covers are kept as a running total, moved along with the selection's ends, so a selection
// over a million lines that grows by a line costs a line, not a million. Any change of the
// text drops the total.
class CaretPosition : private TEditorLinesListener
{
public:
    explicit CaretPosition(EditModel &editor);
    ~CaretPosition() override;
    CaretPosition(const CaretPosition &) = delete;
    CaretPosition &operator=(const CaretPosition &) = delete;

    QString text();

private:
    // The characters of lines [first, last] (1-based, inside the text).
    qint64 lengthOfLines(int first, int last);

    void linesInserted(int, int) override { m_known = false; }
    void linesDeleted(int, int) override { m_known = false; }
    void linesChanged(int, int) override { m_known = false; }
    void linesCleared() override { m_known = false; }

    const EditModel &m_editor;
    TEditorLines &m_lines;
    bool m_known = false;
    int m_first = 1;
    int m_last = 0;
    qint64 m_total = 0;
};

} // namespace bp
