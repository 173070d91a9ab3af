#pragma once

#include <QObject>

namespace bp {

class TextColumns;

// The part of the document the view shows: its top line and left column (1-based) and its
// size in whole lines and columns. Scrolling stays within the document's extent as its
// columns measure it; keeping the window here lets commands that page or scroll run without
// a widget.
class ViewWindow : public QObject
{
    Q_OBJECT
public:
    explicit ViewWindow(const TextColumns &columns);

    int topLine() const { return m_topLine; }
    int leftColumn() const { return m_leftColumn; }
    int linesInWindow() const { return m_linesInWindow; }
    int columnsInWindow() const { return m_columnsInWindow; }
    // The last line the window shows when the document reaches that far.
    int bottomLine() const { return m_topLine + m_linesInWindow - 1; }

    // Both clamp to the document: the top line to its lines, the left column to the
    // horizontal scroll range less one window.
    void setTopLine(int line);
    void setLeftColumn(int column);
    void setSize(int lines, int columns);
    // Scrolls as little as needed for `line` and display column `column` to show.
    void reveal(int line, int column);
    // Back to line 1, column 1 without a signal: an emptied document sends its own
    // notifications in order once caret and window are both reset.
    void home();

signals:
    void scrolled();

private:
    const TextColumns &m_columns;
    int m_topLine = 1;
    int m_leftColumn = 1;
    int m_linesInWindow = 1;
    int m_columnsInWindow = 1;
};

} // namespace bp
