#pragma once

#include <QFont>
#include <QStringView>

namespace bp {

// What the layout and the page painting need to know of the print font, in device dots.
// Every character of one column advances by exactly columnWidth(), so a text's column
// decides its place on the row.
class TPrintMetrics
{
public:
    virtual ~TPrintMetrics() = default;
    // Character height plus external leading: the distance from one row to the next.
    virtual int lineHeight() const = 0;
    // Distance from a row's top to the base line of its text.
    virtual int ascent() const = 0;
    // The average character width: the width of one column.
    virtual int columnWidth() const = 0;
    // Width of `text` as printed.
    virtual int textWidth(QStringView text) const = 0;
    // Columns taken by the character (one or two code units): as many as its width needs,
    // rounded up, and at least one.
    virtual int characterColumns(QStringView character) const;
};

// The metrics of a real font, taken with all four styles switched on so that a bold or
// italic token never needs more room than a row gives. The font is printed with a letter
// spacing that puts every character of a fixed-pitch font on the column grid.
class TFontPrintMetrics : public TPrintMetrics
{
public:
    explicit TFontPrintMetrics(const QFont &font);

    int lineHeight() const override { return m_lineHeight; }
    int ascent() const override { return m_ascent; }
    int columnWidth() const override { return m_columnWidth; }
    int textWidth(QStringView text) const override;
    // `style` (regular, bold, ...) of the print font, spaced to the column grid.
    QFont printFont(bool bold, bool italic, bool underline, bool strikeOut) const;

private:
    QFont m_font;
    int m_lineHeight = 0;
    int m_ascent = 0;
    int m_columnWidth = 1;
    // Added after each character so that it advances by exactly one column.
    qreal m_letterSpacing = 0;
};

// The print font for an editor font: the same family at the same physical size on a device
// of `dotsPerInch` (a pixel size counts at the 96 dots per inch of a standard screen), so the
// printed text is as large as the text on the screen.
QFont printFontFor(const QFont &editorFont, int dotsPerInch);

} // namespace bp
