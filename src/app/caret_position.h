#pragma once

#include <QString>

namespace bp {

class EditModel;

// The status bar's caret position: "Стр 12, Стб 5" (the column as displayed, a tab counting
// to the next tab stop), and with a selection its size: characters, and lines when it spans
// several ("выделено: 40 (3 стр.)"), or lines by columns for a column block ("выделено: 3 × 4").
// Costs nothing for the caret alone; a selection is measured by its lines' lengths.
QString caretPositionText(const EditModel &editor);

} // namespace bp
