#include "highlight/tcolor.h"

#include <array>
#include <optional>

namespace bp {

namespace {

struct SystemColorEntry
{
    std::optional<QPalette::ColorRole> role;
    QRgb fallback;
};

// Indexed by the system colour number; fallbacks are Windows' classic defaults.
const std::array<SystemColorEntry, 25> &systemColors()
{
    static const std::array<SystemColorEntry, 25> table = {{
        {std::nullopt, qRgb(0xC8, 0xC8, 0xC8)},              // clScrollBar
        {std::nullopt, qRgb(0x00, 0x00, 0x00)},              // clBackground (desktop)
        {QPalette::Highlight, qRgb(0x99, 0xB4, 0xD1)},       // clActiveCaption
        {QPalette::Button, qRgb(0xBF, 0xCD, 0xDB)},          // clInactiveCaption
        {QPalette::Window, qRgb(0xF0, 0xF0, 0xF0)},          // clMenu
        {QPalette::Base, qRgb(0xFF, 0xFF, 0xFF)},            // clWindow
        {QPalette::Shadow, qRgb(0x64, 0x64, 0x64)},          // clWindowFrame
        {QPalette::WindowText, qRgb(0x00, 0x00, 0x00)},      // clMenuText
        {QPalette::Text, qRgb(0x00, 0x00, 0x00)},            // clWindowText
        {QPalette::HighlightedText, qRgb(0x00, 0x00, 0x00)}, // clCaptionText
        {std::nullopt, qRgb(0xB4, 0xB4, 0xB4)},              // clActiveBorder
        {std::nullopt, qRgb(0xF4, 0xF7, 0xFC)},              // clInactiveBorder
        {QPalette::Dark, qRgb(0xAB, 0xAB, 0xAB)},            // clAppWorkSpace
        {QPalette::Highlight, qRgb(0x00, 0x78, 0xD7)},       // clHighlight
        {QPalette::HighlightedText, qRgb(0xFF, 0xFF, 0xFF)}, // clHighlightText
        {QPalette::Button, qRgb(0xF0, 0xF0, 0xF0)},          // clBtnFace
        {QPalette::Mid, qRgb(0xA0, 0xA0, 0xA0)},             // clBtnShadow
        {QPalette::PlaceholderText, qRgb(0x6D, 0x6D, 0x6D)}, // clGrayText
        {QPalette::ButtonText, qRgb(0x00, 0x00, 0x00)},      // clBtnText
        {std::nullopt, qRgb(0x00, 0x00, 0x00)},              // clInactiveCaptionText
        {QPalette::Light, qRgb(0xFF, 0xFF, 0xFF)},           // clBtnHighlight
        {QPalette::Shadow, qRgb(0x69, 0x69, 0x69)},          // cl3DDkShadow
        {QPalette::Midlight, qRgb(0xE3, 0xE3, 0xE3)},        // cl3DLight
        {QPalette::ToolTipText, qRgb(0x00, 0x00, 0x00)},     // clInfoText
        {QPalette::ToolTipBase, qRgb(0xFF, 0xFF, 0xE1)},     // clInfoBk
    }};
    return table;
}

QColor rgbColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QColor systemColor(TColor color, const QPalette *palette)
{
    const quint32 index = color & 0xFF;
    if (index >= systemColors().size())
        return QColor(Qt::black);
    const SystemColorEntry &entry = systemColors()[index];
    if (palette && entry.role)
        return palette->color(QPalette::Active, *entry.role);
    return QColor(entry.fallback);
}

} // namespace

QColor toQColor(TColor color, const QPalette &palette)
{
    if (color == clNone || color == clDefault)
        return QColor();
    if (isSystemColor(color))
        return systemColor(color, &palette);
    return rgbColor(color);
}

QColor toQColor(TColor color)
{
    if (color == clNone || color == clDefault)
        return QColor();
    if (isSystemColor(color))
        return systemColor(color, nullptr);
    return rgbColor(color);
}

} // namespace bp
