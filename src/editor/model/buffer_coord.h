#pragma once

#include <QMetaType>
#include <QtGlobal>
#include <compare>

namespace bp {

// A position in the text: 1-based column (a tab counts as one) and 1-based line.
struct TBufferCoord
{
    qint32 Char = 1;
    qint32 Line = 1;

    friend bool operator==(const TBufferCoord &, const TBufferCoord &) = default;
    friend std::strong_ordering operator<=>(const TBufferCoord &a, const TBufferCoord &b)
    {
        if (auto byLine = a.Line <=> b.Line; byLine != 0)
            return byLine;
        return a.Char <=> b.Char;
    }
};

enum class TSelectionMode
{
    smNormal,
    smLine,
    smColumn
};

} // namespace bp

Q_DECLARE_METATYPE(bp::TBufferCoord)
