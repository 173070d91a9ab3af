#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStringView>
#include <array>
#include <memory>

class QPainter;

namespace bp {

// Draws text of one font in whole character cells from glyphs looked up once per code unit,
// so painting a screen neither lays out nor shapes text. A code unit the font has no glyph
// for, or a mark or format character, is drawn on its own as plain text drawing draws it.
class CellGlyphs
{
public:
    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }

    // Draws `cells` (one code unit per cell, a blank where nothing is to be drawn) with the
    // first cell's left edge at x and the baseline at y.
    void draw(QPainter &painter, QStringView cells, int x, int y, int cellWidth, bool underline,
              bool strikeOut);

private:
    static constexpr quint32 kUnknown = 0xFFFFFFFF;
    // The glyph of `ch` in the font itself; 0 when it has none.
    quint32 glyphOf(char16_t ch);

    QFont m_font;
    QRawFont m_raw;
    // Glyph indexes by code unit, in pages of 256 filled on first use.
    std::array<std::unique_ptr<std::array<quint32, 256>>, 256> m_pages;
    // Reused between draws so drawing allocates nothing in the steady state.
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
    QGlyphRun m_run;
};

} // namespace bp
