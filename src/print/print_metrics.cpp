#include "print_metrics.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <cmath>

namespace bp {
namespace {

constexpr int kScreenDotsPerInch = 96;

} // namespace

int TPrintMetrics::characterColumns(QStringView character) const
{
    const int width = textWidth(character);
    const int column = std::max(columnWidth(), 1);
    return std::max(1, (width + column - 1) / column);
}

TFontPrintMetrics::TFontPrintMetrics(const QFont &font) : m_font(font)
{
    QFont widest = font;
    widest.setBold(true);
    widest.setItalic(true);
    widest.setUnderline(true);
    widest.setStrikeOut(true);
    const QFontMetrics metrics(widest);
    m_lineHeight = std::max(1, metrics.height() + metrics.leading());
    m_ascent = metrics.ascent();
    m_columnWidth = std::max(1, metrics.averageCharWidth());
    if (QFontInfo(font).fixedPitch())
        m_letterSpacing = m_columnWidth - QFontMetricsF(font).horizontalAdvance(u'W');
    m_font.setKerning(false);
    m_font.setLetterSpacing(QFont::AbsoluteSpacing, m_letterSpacing);
}

int TFontPrintMetrics::textWidth(QStringView text) const
{
    return int(std::lround(QFontMetricsF(m_font).horizontalAdvance(text.toString())));
}

QFont TFontPrintMetrics::printFont(bool bold, bool italic, bool underline, bool strikeOut) const
{
    QFont font = m_font;
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return font;
}

QFont printFontFor(const QFont &editorFont, int dotsPerInch)
{
    QFont font = editorFont;
    const double inches = editorFont.pixelSize() > 0
                              ? double(editorFont.pixelSize()) / kScreenDotsPerInch
                              : editorFont.pointSizeF() / 72.0;
    font.setPixelSize(std::max(1, int(std::lround(inches * dotsPerInch))));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace bp
