#pragma once

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bp {

// Fast searches for the first of a few code units in UTF-16 text, the hot loop of line cutting
// and of the highlighter's end-state scan. A stop set is every code unit at or below AtMost
// (none when AtMost is negative) plus the listed Units. All functions give the index of the
// first stop at or after `from`, or `size` when there is none.
namespace textscan {

template <int AtMost, char16_t... Units> constexpr bool isStop(char16_t c)
{
    return (AtMost >= 0 && int(c) <= AtMost) || ((c == Units) || ...);
}

// One code unit at a time; also the tail of findFirstStop.
template <int AtMost, char16_t... Units>
qsizetype findFirstStopScalar(const char16_t *data, qsizetype from, qsizetype size)
{
    for (qsizetype i = from; i < size; ++i)
        if (isStop<AtMost, Units...>(data[i]))
            return i;
    return size;
}

// Eight code units at a time where SSE2 is available, the rest one at a time.
template <int AtMost, char16_t... Units>
qsizetype findFirstStop(const char16_t *data, qsizetype from, qsizetype size)
{
    static_assert(AtMost < 0xFFFF, "AtMost must leave some code unit out of the set");
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= size; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        __m128i hit = zero;
        if constexpr (AtMost >= 0) {
            // Unsigned saturating subtraction gives zero exactly for units at or below AtMost.
            hit = _mm_cmpeq_epi16(_mm_subs_epu16(chunk, _mm_set1_epi16(short(AtMost))), zero);
        }
        ((hit = _mm_or_si128(hit, _mm_cmpeq_epi16(chunk, _mm_set1_epi16(short(Units))))), ...);
        if (_mm_movemask_epi8(hit) != 0)
            break;
    }
#endif
    return findFirstStopScalar<AtMost, Units...>(data, i, size);
}

// One code unit at a time; also the tail of findFirstInRange.
template <char16_t Low, char16_t High>
qsizetype findFirstInRangeScalar(const char16_t *data, qsizetype from, qsizetype size)
{
    for (qsizetype i = from; i < size; ++i)
        if (char16_t(data[i] - Low) <= char16_t(High - Low))
            return i;
    return size;
}

// The first code unit in [Low, High] at or after `from`, or `size`: the first unit outside
// ASCII for the encoders, the first surrogate for the UTF-8 writer. Eight code units at a
// time where SSE2 is available, the rest one at a time.
template <char16_t Low, char16_t High>
qsizetype findFirstInRange(const char16_t *data, qsizetype from, qsizetype size)
{
    static_assert(Low <= High, "an empty range finds nothing");
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(short(Low));
    const __m128i width = _mm_set1_epi16(short(High - Low));
    for (; i + 8 <= size; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        // Shifted down by Low (wrapping), a unit lies in the range exactly when it is at or
        // below the range's width, which the saturating subtraction turns into zero.
        const __m128i offset = _mm_sub_epi16(chunk, low);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(offset, width), zero)) != 0)
            break;
    }
#endif
    return findFirstInRangeScalar<Low, High>(data, i, size);
}

} // namespace textscan

// The first of the given code units at or after `from`; `size` when none occurs.
template <char16_t... Units>
qsizetype findFirstOf(const char16_t *data, qsizetype from, qsizetype size)
{
    return textscan::findFirstStop<-1, Units...>(data, from, size);
}

} // namespace bp
