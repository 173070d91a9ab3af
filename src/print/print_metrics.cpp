#include "print_metrics.h"

#include "editor/model/character_cells.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>
#include <cmath>

namespace bp {
namespace {

constexpr int kScreenDotsPerInch = 96;

int columnsFor(int width, int columnWidth)
{
    columnWidth = std::max(columnWidth, 1);
    return std::max(1, (width + columnWidth - 1) / columnWidth);
}

} // namespace

int PrintMetrics::characterColumns(QStringView character) const
{
    return columnsFor(textWidth(character), columnWidth());
}

FontPrintMetrics::FontPrintMetrics(const QFont &font) : m_font(font)
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
    m_fixedPitch = QFontInfo(font).fixedPitch();
    m_font.setKerning(false);
}

int FontPrintMetrics::naturalWidth(QStringView text) const
{
    return int(std::lround(QFontMetricsF(m_font).horizontalAdvance(text.toString())));
}

int FontPrintMetrics::characterColumns(QStringView character) const
{
    if (!character.isEmpty() && character[0].unicode() < kFirstWideCodeUnit)
        return 1;
    return columnsFor(naturalWidth(character), m_columnWidth);
}

int FontPrintMetrics::textWidth(QStringView text) const
{
    if (!m_fixedPitch)
        return naturalWidth(text);
    int columns = 0;
    for (qsizetype i = 0; i < text.size(); i += characterCodeUnits(text, i))
        columns += characterColumns(text.mid(i, characterCodeUnits(text, i)));
    return columns * m_columnWidth;
}

QFont FontPrintMetrics::printFont(bool bold, bool italic, bool underline, bool strikeOut) const
{
    const int index = int(bold) | int(italic) << 1 | int(underline) << 2 | int(strikeOut) << 3;
    std::optional<QFont> &styled = m_styled[std::size_t(index)];
    if (!styled) {
        QFont font = m_font;
        font.setBold(bold);
        font.setItalic(italic);
        font.setUnderline(underline);
        font.setStrikeOut(strikeOut);
        styled = font;
    }
    return *styled;
}

QFont printFontFor(const QFont &editorFont, int dotsPerInch)
{
    QFont font = editorFont;
    const double inches = editorFont.pixelSize() > 0
                              ? double(editorFont.pixelSize()) / kScreenDotsPerInch
                              : editorFont.pointSizeF() / 72.0;
    font.setPixelSize(std::max(1, int(std::lround(inches * dotsPerInch))));
    font.setStyleStrategy(QFont::PreferAntialias);
    // Unhinted, the widths measured here are the widths a printer or a PDF file gives the
    // characters.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace bp
