#include "character_cells.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <iterator>

namespace bp {
namespace {

struct CodePointRange
{
    char32_t first;
    char32_t last;
};

// East Asian wide (W) and full-width (F) code points, in order. Ranges include a few
// unassigned points inside the wide blocks, which a later assignment makes wide anyway.
constexpr std::array kWideRanges{
    CodePointRange{0x1100, 0x115F}, // Hangul Jamo initial consonants
    CodePointRange{0x231A, 0x231B}, // watch, hourglass
    CodePointRange{0x2329, 0x232A}, // angle brackets
    CodePointRange{0x23E9, 0x23EC}, // media symbols
    CodePointRange{0x23F0, 0x23F0},
    CodePointRange{0x23F3, 0x23F3},
    CodePointRange{0x25FD, 0x25FE}, // medium small squares
    CodePointRange{0x2614, 0x2615}, // umbrella, hot beverage
    CodePointRange{0x2648, 0x2653}, // zodiac
    CodePointRange{0x267F, 0x267F},
    CodePointRange{0x2693, 0x2693},
    CodePointRange{0x26A1, 0x26A1},
    CodePointRange{0x26AA, 0x26AB},
    CodePointRange{0x26BD, 0x26BE},
    CodePointRange{0x26C4, 0x26C5},
    CodePointRange{0x26CE, 0x26CE},
    CodePointRange{0x26D4, 0x26D4},
    CodePointRange{0x26EA, 0x26EA},
    CodePointRange{0x26F2, 0x26F3},
    CodePointRange{0x26F5, 0x26F5},
    CodePointRange{0x26FA, 0x26FA},
    CodePointRange{0x26FD, 0x26FD},
    CodePointRange{0x2705, 0x2705}, // dingbats shown as emoji
    CodePointRange{0x270A, 0x270B},
    CodePointRange{0x2728, 0x2728},
    CodePointRange{0x274C, 0x274C},
    CodePointRange{0x274E, 0x274E},
    CodePointRange{0x2753, 0x2755},
    CodePointRange{0x2757, 0x2757},
    CodePointRange{0x2795, 0x2797},
    CodePointRange{0x27B0, 0x27B0},
    CodePointRange{0x27BF, 0x27BF},
    CodePointRange{0x2B1B, 0x2B1C},
    CodePointRange{0x2B50, 0x2B50},
    CodePointRange{0x2B55, 0x2B55},
    CodePointRange{0x2E80, 0x2E99}, // CJK radicals
    CodePointRange{0x2E9B, 0x2EF3},
    CodePointRange{0x2F00, 0x2FD5}, // Kangxi radicals
    CodePointRange{0x2FF0, 0x2FFF}, // ideographic description
    CodePointRange{0x3000, 0x303E}, // ideographic space, CJK symbols and punctuation
    CodePointRange{0x3041, 0x3096}, // Hiragana
    CodePointRange{0x3099, 0x30FF}, // Katakana
    CodePointRange{0x3105, 0x312F}, // Bopomofo
    CodePointRange{0x3131, 0x318E}, // Hangul compatibility Jamo
    CodePointRange{0x3190, 0x31E3}, // Kanbun, Bopomofo extended, CJK strokes
    CodePointRange{0x31EF, 0x321E}, // Katakana extension, enclosed
    CodePointRange{0x3220, 0x3247},
    CodePointRange{0x3250, 0x4DBF}, // enclosed CJK, compatibility, extension A
    CodePointRange{0x4E00, 0xA48C}, // CJK unified ideographs, Yi syllables
    CodePointRange{0xA490, 0xA4C6}, // Yi radicals
    CodePointRange{0xA960, 0xA97C}, // Hangul Jamo extended A
    CodePointRange{0xAC00, 0xD7A3}, // Hangul syllables
    CodePointRange{0xF900, 0xFAFF}, // CJK compatibility ideographs
    CodePointRange{0xFE10, 0xFE19}, // vertical forms
    CodePointRange{0xFE30, 0xFE52}, // CJK compatibility forms, small forms
    CodePointRange{0xFE54, 0xFE66},
    CodePointRange{0xFE68, 0xFE6B},
    CodePointRange{0xFF01, 0xFF60},   // full-width forms
    CodePointRange{0xFFE0, 0xFFE6},   // full-width signs
    CodePointRange{0x16FE0, 0x16FE4}, // ideographic symbols
    CodePointRange{0x16FF0, 0x16FF1},
    CodePointRange{0x17000, 0x187F7}, // Tangut
    CodePointRange{0x18800, 0x18CD5}, // Tangut components, Khitan
    CodePointRange{0x18D00, 0x18D08},
    CodePointRange{0x1AFF0, 0x1AFFE}, // Kana extended B
    CodePointRange{0x1B000, 0x1B122}, // Kana supplement, extended A
    CodePointRange{0x1B132, 0x1B132},
    CodePointRange{0x1B150, 0x1B152}, // small Kana
    CodePointRange{0x1B155, 0x1B155},
    CodePointRange{0x1B164, 0x1B167},
    CodePointRange{0x1B170, 0x1B2FB}, // Nushu
    CodePointRange{0x1F004, 0x1F004}, // mahjong tile
    CodePointRange{0x1F0CF, 0x1F0CF}, // playing card
    CodePointRange{0x1F18E, 0x1F18E},
    CodePointRange{0x1F191, 0x1F19A}, // squared words
    CodePointRange{0x1F200, 0x1F202}, // enclosed ideographic supplement
    CodePointRange{0x1F210, 0x1F23B},
    CodePointRange{0x1F240, 0x1F248},
    CodePointRange{0x1F250, 0x1F251},
    CodePointRange{0x1F260, 0x1F265},
    CodePointRange{0x1F300, 0x1F320}, // pictographs
    CodePointRange{0x1F32D, 0x1F335},
    CodePointRange{0x1F337, 0x1F37C},
    CodePointRange{0x1F37E, 0x1F393},
    CodePointRange{0x1F3A0, 0x1F3CA},
    CodePointRange{0x1F3CF, 0x1F3D3},
    CodePointRange{0x1F3E0, 0x1F3F0},
    CodePointRange{0x1F3F4, 0x1F3F4},
    CodePointRange{0x1F3F8, 0x1F43E},
    CodePointRange{0x1F440, 0x1F440},
    CodePointRange{0x1F442, 0x1F4FC},
    CodePointRange{0x1F4FF, 0x1F53D},
    CodePointRange{0x1F54B, 0x1F54E},
    CodePointRange{0x1F550, 0x1F567},
    CodePointRange{0x1F57A, 0x1F57A},
    CodePointRange{0x1F595, 0x1F596},
    CodePointRange{0x1F5A4, 0x1F5A4},
    CodePointRange{0x1F5FB, 0x1F64F}, // emoticons
    CodePointRange{0x1F680, 0x1F6C5}, // transport
    CodePointRange{0x1F6CC, 0x1F6CC},
    CodePointRange{0x1F6D0, 0x1F6D2},
    CodePointRange{0x1F6D5, 0x1F6D7},
    CodePointRange{0x1F6DC, 0x1F6DF},
    CodePointRange{0x1F6EB, 0x1F6EC},
    CodePointRange{0x1F6F4, 0x1F6FC},
    CodePointRange{0x1F7E0, 0x1F7EB}, // coloured shapes
    CodePointRange{0x1F7F0, 0x1F7F0},
    CodePointRange{0x1F90C, 0x1F93A}, // supplemental pictographs
    CodePointRange{0x1F93C, 0x1F945},
    CodePointRange{0x1F947, 0x1F9FF},
    CodePointRange{0x1FA70, 0x1FAFF}, // symbols and pictographs extended A
    CodePointRange{0x20000, 0x2FFFD}, // supplementary ideographic plane
    CodePointRange{0x30000, 0x3FFFD}, // tertiary ideographic plane
};

constexpr bool isOrdered()
{
    for (std::size_t i = 0; i < kWideRanges.size(); ++i) {
        if (kWideRanges[i].first > kWideRanges[i].last)
            return false;
        if (i > 0 && kWideRanges[i - 1].last >= kWideRanges[i].first)
            return false;
    }
    return kWideRanges.front().first == kFirstWideCodeUnit;
}
static_assert(isOrdered(), "wide ranges must be ordered, apart and start the wide code units");

} // namespace

bool isWideCodePoint(char32_t codePoint)
{
    if (codePoint < kFirstWideCodeUnit)
        return false;
    // The first range that ends at or after the code point is the only one it can be in.
    const auto range =
        std::lower_bound(kWideRanges.begin(), kWideRanges.end(), codePoint,
                         [](const CodePointRange &r, char32_t value) { return r.last < value; });
    return range != kWideRanges.end() && range->first <= codePoint;
}

int characterCells(QStringView text, qsizetype index)
{
    const QChar unit = text[index];
    if (unit.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        return isWideCodePoint(QChar::surrogateToUcs4(unit, text[index + 1])) ? 2 : 1;
    if (unit.isLowSurrogate() && index > 0 && text[index - 1].isHighSurrogate())
        return 0;
    return isWideCodePoint(unit.unicode()) ? 2 : 1;
}

} // namespace bp
