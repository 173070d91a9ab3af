#pragma once

#include <utility>

namespace bp {

class TEditorLines;
struct TextSelection;

// Where characters stand on screen: display columns of the line list under a tab width, the
// caret's column limit and the horizontal scroll range. Columns are 1-based; a tab runs to
// the next tab stop, an East Asian wide character takes two cells (see character_cells.h),
// and columns beyond a line's end are virtual space, one cell each.
class TextColumns
{
public:
    static constexpr int kMaxScrollWidth = 1024;
    static constexpr int kMaxCaretColumn = kMaxScrollWidth + 1;

    explicit TextColumns(const TEditorLines &lines) : m_lines(lines) {}

    int tabWidth() const { return m_tabWidth; }
    void setTabWidth(int width);

    // 1-based display column of character column `charColumn` on `line` (1-based).
    int displayColumn(int line, int charColumn) const;
    // The character column shown at display column `column` (a column inside a tab or a
    // wide character gives that character's own column).
    int charColumnAt(int line, int column) const;
    // Display columns [left, right) a column selection covers.
    std::pair<int, int> selectionColumns(const TextSelection &selection) const;
    // Largest caret column on `line`: 1025, or the line's end when it is longer.
    int maxCaretColumn(int line) const;
    // Horizontal scroll range in columns: 1024, or the longest line when that is longer.
    int maxScrollWidth() const;
    // Lines the view shows: at least one, also for an empty document.
    int displayLineCount() const;

    // The line list grew or changed in lines [index, index + count): the longest line may be
    // longer now. After `forgetLongest` the next scroll range measures every line again.
    void noteLines(int index, int count);
    void forgetLongest() { m_longestLine = -1; }

private:
    const TEditorLines &m_lines;
    int m_tabWidth = 4;
    // Longest line seen since the last full measure; a stale larger value only widens the
    // scroll range, so shrinking lines need no full pass.
    mutable int m_longestLine = -1;
};

} // namespace bp
