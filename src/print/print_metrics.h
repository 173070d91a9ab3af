#pragma once

#include <QFont>
#include <QStringView>
#include <array>
#include <optional>

namespace bp {

// What the layout and the page painting need to know of the print font, in device dots.
// The painting puts every character at the start of its column, so a text's column decides
// its place on the row.
class PrintMetrics
{
public:
    virtual ~PrintMetrics() = default;
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
// italic token never needs more room than a row gives. With a fixed-pitch font a text is
// as wide as its columns, since each character is printed at its own column.
class FontPrintMetrics : public PrintMetrics
{
public:
    explicit FontPrintMetrics(const QFont &font);

    int lineHeight() const override { return m_lineHeight; }
    int ascent() const override { return m_ascent; }
    int columnWidth() const override { return m_columnWidth; }
    int textWidth(QStringView text) const override;
    int characterColumns(QStringView character) const override;
    // The print font in a style.
    QFont printFont(bool bold, bool italic, bool underline, bool strikeOut) const;

private:
    int naturalWidth(QStringView text) const;

    QFont m_font;
    bool m_fixedPitch = false;
    int m_lineHeight = 0;
    int m_ascent = 0;
    int m_columnWidth = 1;
    // The fonts of the sixteen styles, made when first asked for.
    mutable std::array<std::optional<QFont>, 16> m_styled;
};

// The print font for an editor font: the same family at the same physical size on a device
// of `dotsPerInch` (a pixel size counts at the 96 dots per inch of a standard screen), so the
// printed text is as large as the text on the screen.
QFont printFontFor(const QFont &editorFont, int dotsPerInch);

} // namespace bp
