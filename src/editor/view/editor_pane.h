#pragma once

#include "cell_glyphs.h"
#include "editor/model/buffer_coord.h"
#include "editor/model/editor_command.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPolygon>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QMenu;

namespace bp {

class TEditorLines;
class EditModel;
class EditorHighlighting;
class SystemClipboard;
class TCustomHighlighter;

// The six standard editing commands of the main window that the pane carries out
// while it has the keyboard focus.
enum class TEditAction
{
    Undo,
    Copy,
    Cut,
    Paste,
    SelectAll,
    Delete
};

// A stretch of one line painted in one style. Invalid colours mean the editor's own.
struct TPaintRun
{
    int start = 0; // 0-based character index in the line
    int length = 0;
    QColor foreground;
    QColor background;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// A stretch of one line marked as wrong: drawn with a wavy underline, and with a sign in the
// gutter beside its line. A hint (a likely slip, not a certain fault) is drawn more quietly:
// a grey dotted underline and a hollow sign. 1-based line and column.
struct LineMark
{
    int line = 1;
    int column = 1;
    int length = 1;
    bool hint = false;
};

// The custom-drawn text area over an EditModel: paints the visible lines with a line-number
// gutter and maps keys and the mouse onto the model's commands. Holds no editing rules.
class TCustomEditorPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TCustomEditorPane(QWidget *parent = nullptr);
    ~TCustomEditorPane() override;

    EditModel &model() { return *m_model; }
    const EditModel &model() const { return *m_model; }
    TEditorLines &Lines();

    // Whether the pane enables `action` now; false whenever the pane lacks the focus.
    bool UpdateAction(TEditAction action) const;
    // Runs `action` when the pane has the focus; returns whether it ran.
    bool ExecuteAction(TEditAction action);
    void executeCommand(TEditorCommand command, QChar ch = QChar());

    void SetFocus();
    // Keeps the caret drawn while a popup that edits this pane has the keyboard focus.
    void setCaretAlwaysVisible(bool visible);
    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }

    // The change notification: called after each editing step that enters the undo history.
    std::function<void()> OnChange;

    // The boundary the work of key, mouse and input-method events runs through, so a failing
    // command is reported as the window reports its own commands and the event loop never
    // sees it; returns whether the work succeeded. Without one the work runs unguarded.
    using CommandBoundary = std::function<bool(const std::function<void()> &)>;
    void setCommandBoundary(CommandBoundary boundary) { m_commandBoundary = std::move(boundary); }

    // Colours the text: attaching runs a full scan; the pane detaches a highlighter that is
    // destroyed while attached.
    void SetHighlighter(TCustomHighlighter *highlighter);
    TCustomHighlighter *Highlighter() const;
    EditorHighlighting &highlighting() { return *m_highlighting; }

    // Supplies the styled runs of a line (0-based index) for painting, replacing the
    // highlighter's; runs need to cover characters before `endChar` only.
    using RunProvider =
        std::function<std::vector<TPaintRun>(int index, QStringView text, int endChar)>;
    void setRunProvider(RunProvider provider);

    // Marks to draw over the text; kept as given (an edit does not move them) until the next
    // call replaces them.
    void setLineMarks(std::vector<LineMark> marks);
    const std::vector<LineMark> &lineMarks() const { return m_lineMarks; }

    // Display settings.
    void setEditorFont(const QFont &font);
    const QFont &editorFont() const { return m_font; }
    void setGutterFont(const QFont &font);
    void setActiveLineColor(const QColor &color);
    QColor activeLineColor() const { return m_activeLineColor; }
    void setRightEdge(int column, const QColor &color);

    // Geometry, for painting tests and the widget's own mapping.
    int gutterWidth() const { return m_gutterWidth; }
    int lineHeight() const { return m_lineHeight; }
    int charWidth() const { return m_charWidth; }
    // Text position under a viewport point (column 1 when in the gutter).
    TBufferCoord positionAt(const QPoint &point) const;
    // The character under a viewport point; none over the gutter, past the end of its line
    // or below the last line.
    std::optional<TBufferCoord> characterAt(const QPoint &point) const;
    // Viewport rectangle of the caret.
    QRect caretRect() const;
    // Answers the cursor rectangle with the caret's, in the pane's coordinates.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // Repaints lines [first, last] (0-based; last -1 = to the bottom of the view).
    void invalidateLines(int first, int last);
    // The hint beside the vertical scroll bar while its thumb is dragged.
    const QLabel *scrollHint() const { return m_scrollHint; }

signals:
    // Something the enabled state of the editing actions depends on may have changed
    // (focus, selection, undo history, clipboard).
    void actionStateChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void runInput(const std::function<void()> &work);
    void handleKey(QKeyEvent *event);
    void handleMousePress(QMouseEvent *event);
    void handleMouseMove(QMouseEvent *event);
    void updateMetrics();
    void updateGutterWidth();
    void updateScrollBars();
    void updateWindowSize();
    void onCaretMoved();
    void restartCaretBlink();
    void paintGutter(QPainter &painter, int firstLine, int lastLine);
    void paintBookmark(QPainter &painter, int number, int y);
    void paintLineMarkSign(QPainter &painter, int y, bool hint);
    const QPixmap &gutterBackground(QSize size);
    void showScrollHint(int topLine);
    void paintLine(QPainter &painter, int line, int y);
    // The runs of characters [startChar, endChar) of line `index` (0-based); runs wholly
    // before startChar may be left out.
    std::vector<TPaintRun> runsFor(int index, QStringView text, int startChar, int endChar) const;
    void updateAutoScroll(const QPoint &point);
    void autoScrollStep();
    // Selected display cells [from, to) of `line`, 0-based.
    std::pair<int, int> selectedCells(int line, int length) const;
    QRect lineRect(int line) const;
    // The display column (1-based) of `charColumn` on `line`, as the model counts it.
    int displayColumn(int line, int charColumn) const;
    // Code units at the start of `line` (1-based, text `text`) that take one cell each.
    int plainPrefix(int line, QStringView text) const;

    std::unique_ptr<EditModel> m_model;
    std::unique_ptr<SystemClipboard> m_clipboard;
    std::unique_ptr<EditorHighlighting> m_highlighting;
    QMenu *m_contextMenu = nullptr;
    RunProvider m_runProvider;
    // Sorted by line.
    std::vector<LineMark> m_lineMarks;
    QPolygon m_wave;
    CommandBoundary m_commandBoundary;

    QFont m_font;
    // m_font with the letter spacing that makes every character one cell wide.
    QFont m_drawFont;
    QFont m_gutterFont;
    // m_drawFont's glyphs: plain, bold, italic, bold italic.
    std::array<CellGlyphs, 4> m_cellGlyphs;
    QColor m_activeLineColor;
    QColor m_rightEdgeColor;
    int m_rightEdge = 80;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    int m_gutterDigitWidth = 7;
    int m_gutterDigits = 4;
    int m_gutterWidth = 0;
    bool m_updatingScrollBars = false;

    bool m_selecting = false;
    // Dragging the selection: pending from a press inside it until the mouse moves far
    // enough, then dragging until release drops it at m_dropPosition.
    bool m_dragPending = false;
    bool m_dragging = false;
    QPoint m_dragStart;
    TBufferCoord m_dropPosition;
    QLabel *m_scrollHint = nullptr;
    int m_blinkTimer = 0;
    int m_autoScrollTimer = 0;
    QPoint m_lastMousePoint;
    bool m_caretVisible = true;
    // The line whose background shows the active-line colour (1-based).
    int m_caretLineShown = 1;
    QPixmap m_gutterPixmap;
    std::pair<QColor, QColor> m_gutterColours;
    bool m_caretAlwaysVisible = false;
    // Reused between paints so painting a line allocates nothing in the steady state.
    QString m_visibleText;
    std::vector<int> m_visibleCellOfChar;
    // A character drawn on its own at a visible cell: `length` code units from `index`.
    struct VisibleGlyph
    {
        int cell = 0;
        int index = 0;
        int length = 1;
    };
    std::vector<VisibleGlyph> m_visibleGlyphs;
    // plainPrefix of line m_plainPrefixLine (0-based; -1 for none), kept until it changes.
    mutable int m_plainPrefixLine = -1;
    mutable int m_plainPrefix = 0;
};

// The configured pane of the main window: Courier New 13 px, tab width 4, the info
// background as active-line colour, right edge after column 80.
class TEditorPane : public TCustomEditorPane
{
    Q_OBJECT
public:
    explicit TEditorPane(QWidget *parent = nullptr);
};

} // namespace bp
