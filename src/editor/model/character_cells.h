#pragma once

#include <QStringView>
#include <cstdint>

namespace bp {

// How many display cells the characters of a line take. A tab reaches the next tab stop;
// East Asian wide and full-width characters take two cells; a surrogate pair is one
// character, counted on its first code unit (its second takes none); everything else
// takes one cell.

// Below this code unit no character is wide and none is half of a surrogate pair.
inline constexpr char16_t kFirstWideCodeUnit = 0x1100;

// Whether `codePoint` is East Asian wide or full-width.
bool isWideCodePoint(char32_t codePoint);

// Cells taken by the character (not a tab) whose code unit is at `index` of `text`: 2, 1, or
// 0 for the second half of a surrogate pair.
int characterCells(QStringView text, qsizetype index);

// Whether character column `column` (1-based) stands between the halves of a surrogate pair,
// where the caret does not stop and no edit cuts: the pair is one character.
inline bool splitsSurrogatePair(QStringView text, int column)
{
    return column >= 2 && column <= text.size() && text[column - 1].isLowSurrogate() &&
           text[column - 2].isHighSurrogate();
}

// Whether every character of `text` takes one cell, so a character's cell is its index.
// Looks at each code unit once, in blocks the compiler can vectorise, since lines without
// tabs or wide characters take this path on every paint and caret move.
inline bool hasPlainCells(QStringView text)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    constexpr qsizetype kBlock = 16;
    qsizetype i = 0;
    for (; i + kBlock <= size; i += kBlock) {
        // A 16-bit accumulator without early exit lets the block become vector compares.
        std::uint16_t special = 0;
        for (qsizetype j = 0; j < kBlock; ++j) {
            const std::uint16_t unit = units[i + j];
            special |= std::uint16_t((unit == u'\t') | (unit >= kFirstWideCodeUnit));
        }
        if (special)
            return false;
    }
    for (; i < size; ++i)
        if (units[i] == u'\t' || units[i] >= kFirstWideCodeUnit)
            return false;
    return true;
}

// Code units of the character starting at `index`: 2 for a surrogate pair, else 1.
inline int characterCodeUnits(QStringView text, qsizetype index)
{
    return text[index].isHighSurrogate() && index + 1 < text.size() &&
                   text[index + 1].isLowSurrogate()
               ? 2
               : 1;
}

// The cell (0-based) just after the character at `index` of `text` that starts at `cell`.
inline int cellAfter(QStringView text, qsizetype index, int cell, int tabWidth)
{
    const char16_t unit = text[index].unicode();
    if (unit == u'\t')
        return (cell / tabWidth + 1) * tabWidth;
    if (unit < kFirstWideCodeUnit)
        return cell + 1;
    return cell + characterCells(text, index);
}

} // namespace bp
