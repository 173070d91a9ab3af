#include "cell_glyphs.h"

#include <QPainter>

namespace bp {

void CellGlyphs::setFont(const QFont &font)
{
    m_font = font;
    m_raw = QRawFont::fromFont(font);
    for (auto &page : m_pages)
        page.reset();
    m_run = QGlyphRun();
    m_run.setRawFont(m_raw);
}

quint32 CellGlyphs::glyphOf(char16_t ch)
{
    auto &page = m_pages[ch >> 8];
    if (!page) {
        page = std::make_unique<std::array<quint32, 256>>();
        page->fill(kUnknown);
    }
    quint32 &glyph = (*page)[ch & 0xFF];
    if (glyph == kUnknown) {
        const QChar c(ch);
        int count = 1;
        quint32 index = 0;
        // Marks and format characters (a soft hyphen, say) take their look from the text
        // around them when text is laid out, so they are drawn the way text drawing does.
        const QChar::Category category = c.category();
        const bool laidOut = category == QChar::Mark_NonSpacing ||
                             category == QChar::Mark_SpacingCombining ||
                             category == QChar::Mark_Enclosing || category == QChar::Other_Format;
        if (laidOut || !m_raw.isValid() || !m_raw.glyphIndexesForChars(&c, 1, &index, &count) ||
            count != 1)
            index = 0;
        glyph = index;
    }
    return glyph;
}

void CellGlyphs::draw(QPainter &painter, QStringView cells, int x, int y, int cellWidth,
                      bool underline, bool strikeOut)
{
    m_glyphs.clear();
    m_positions.clear();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const char16_t ch = cells[i].unicode();
        const quint32 glyph = glyphOf(ch);
        if (glyph != 0) {
            m_glyphs.append(glyph);
            m_positions.append(QPointF(x + qreal(i) * cellWidth, y));
        } else if (ch != u' ') {
            QFont font = m_font;
            font.setUnderline(underline);
            font.setStrikeOut(strikeOut);
            painter.setFont(font);
            painter.drawText(int(x + i * cellWidth), y, QString(QChar(ch)));
        }
    }
    if (m_glyphs.isEmpty())
        return;
    m_run.setGlyphIndexes(m_glyphs);
    m_run.setPositions(m_positions);
    m_run.setUnderline(underline);
    m_run.setStrikeOut(strikeOut);
    painter.drawGlyphRun(QPointF(0, 0), m_run);
    // Lets go of the lists, so the next draw refills them without copying.
    m_run.setGlyphIndexes({});
    m_run.setPositions({});
}

} // namespace bp
