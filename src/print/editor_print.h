#pragma once

#include "highlight/custom_highlighter.h"
#include "print_layout.h"
#include "print_margins.h"
#include "print_metrics.h"
#include "printer_info.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace bp {

class TEditorLines;

// The print engine: a copy of the document's lines, laid out on the pages of one printing
// device and painted page by page with line numbers and highlight colours. The same engine
// serves the printer, the PDF file and the preview, so they show the same pages.
//
// Coordinates are dots of the device's printable area. Call UpdatePages after the lines,
// the settings or the device changed; painting uses the pages of the last UpdatePages.
class TEditorPrint
{
public:
    TEditorPrint();
    ~TEditorPrint();
    TEditorPrint(const TEditorPrint &) = delete;
    TEditorPrint &operator=(const TEditorPrint &) = delete;

    // Settings, as the main window gives them.
    int Copies = 1;
    QString DocTitle;
    bool Colors = false;
    bool LineNumbers = false;
    bool Wrap = true;
    bool Highlight = true;
    int TabWidth = 8;
    // The page background.
    QColor Color = Qt::white;
    // The font's own colour, for text without a highlight colour.
    QColor FontColor = Qt::black;
    EditorPrintMargins Margins;

    // The font as it is on the screen; the engine prints it at the same physical size.
    const QFont &Font() const { return m_font; }
    void SetFont(const QFont &font) { m_font = font; }

    // The printed lines, tabs expanded.
    std::vector<QString> &Lines() { return m_lines; }
    const std::vector<QString> &Lines() const { return m_lines; }
    // Colours tokens through `highlighter` (null: no colours); it may be destroyed while
    // attached, the engine then prints without it.
    void SetHighlighter(TCustomHighlighter *highlighter);
    TCustomHighlighter *Highlighter() const { return m_highlighter; }

    // Takes what the printout needs of the editor: its highlighter, its font, its tab width
    // and a copy of its lines with the tabs expanded to that width.
    void attachEditor(const TEditorLines &lines, TCustomHighlighter *highlighter, const QFont &font,
                      int tabWidth);

    const TEditorPrinterInfo &PrinterInfo() const { return m_printer; }
    void SetPrinterInfo(const TEditorPrinterInfo &printer) { m_printer = printer; }

    // Lays the lines out on pages of the device: margins, font metrics, wrap width, the
    // highlighter's start range of every line, and the page breaks.
    void UpdatePages();
    int PageCount() const { return m_layout.pageCount(); }
    const PrintLayout &layout() const { return m_layout; }
    // The font metrics of the last UpdatePages.
    const FontPrintMetrics &metrics() const { return *m_metrics; }

    // Paints page `pageNumber` (1-based) with the printable area's corner at `origin`.
    void PrintPage(QPainter &painter, int pageNumber, QPoint origin = {});

    // Told before each printed sheet (1-based, counting every copy) of `sheetCount`; false
    // stops the printing.
    using Progress = std::function<bool(int sheet, int sheetCount)>;
    // Prints pages `firstPage` to `lastPage` (1-based, clamped to the pages there are; by
    // default every page), Copies times in order, on `device`, which `painter` is painting on
    // already, starting a new sheet between pages. False when `progress` stopped it.
    // Throws bp::Error when the device refuses a new sheet.
    bool Print(QPainter &painter, QPagedPaintDevice &device, QPoint origin = {},
               const Progress &progress = {}, int firstPage = 1,
               int lastPage = std::numeric_limits<int>::max());

private:
    void storeRanges();
    void printLine(QPainter &painter, int line, int firstRow, int endRow, int &y);

    QFont m_font;
    std::vector<QString> m_lines;
    TCustomHighlighter *m_highlighter = nullptr;
    THookId m_destroyHook = 0;
    TEditorPrinterInfo m_printer;
    PrintLayout m_layout;
    std::unique_ptr<FontPrintMetrics> m_metrics;
    // The highlighter's range at the start of each line.
    std::vector<TRange> m_ranges;
};

// `line` with each tab replaced by the blanks up to the next multiple of `tabWidth`
// columns.
QString expandTabs(QStringView line, int tabWidth);

} // namespace bp
