#include "windows1251.h"

#include "find_first_of.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bp::windows1251 {
namespace {

// Code points of the bytes 0x80..0xFF. 0x98 is unassigned in the code page; it reads as
// U+0098 so that every byte survives a read and a write unchanged.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Reverse map for the characters of the high half, built by the compiler: the encoders are
// called once per line, and a table built on first use would cost a guard check each time.
constexpr std::array<unsigned char, 0x10000> kByteOf = [] {
    std::array<unsigned char, 0x10000> byteOf{};
    for (int i = 0; i < 128; ++i)
        byteOf[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
    return byteOf;
}();

} // namespace

// decodeTo and encodeTo keep vector loops of their own instead of the scans of
// find_first_of.h: they convert every chunk while they look at it, and a scan for the first
// non-ASCII unit followed by a conversion would read the text twice.

void decodeTo(QByteArrayView bytes, char16_t *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype i = 0;
    const qsizetype n = bytes.size();
#if defined(__SSE2__)
    // Runs of ASCII widen sixteen bytes at a time; only chunks with high bytes use the table.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        if (_mm_movemask_epi8(chunk) != 0) {
            for (qsizetype k = i; k < i + 16; ++k)
                out[k] = in[k] < 0x80 ? char16_t(in[k]) : kHighHalf[in[k] - 0x80];
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    }
#endif
    for (; i < n; ++i) {
        const unsigned char byte = in[i];
        out[i] = byte < 0x80 ? char16_t(byte) : kHighHalf[byte - 0x80];
    }
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeTo(bytes, reinterpret_cast<char16_t *>(text.data()));
    return text;
}

void encodeTo(QStringView text, char *out)
{
    const char16_t *in = text.utf16();
    const qsizetype n = text.size();
    auto encodeOne = [&](qsizetype i) {
        const char16_t ch = in[i];
        if (ch < 0x80) {
            out[i] = char(ch);
        } else {
            const unsigned char byte = kByteOf[ch];
            out[i] = byte ? char(byte) : kSubstitute;
        }
    };
    qsizetype i = 0;
#if defined(__SSE2__)
    // Runs of ASCII narrow eight code units at a time; only chunks with others use the table.
    const __m128i ascii = _mm_set1_epi16(0x7F);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(chunk, ascii), zero)) != 0xFFFF) {
            for (qsizetype k = i; k < i + 8; ++k)
                encodeOne(k);
            continue;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(chunk, chunk));
    }
#endif
    for (; i < n; ++i)
        encodeOne(i);
}

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    encodeTo(text, bytes.data());
    return bytes;
}

qsizetype firstUnencodable(QStringView text)
{
    const char16_t *in = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        i = textscan::findFirstInRange<0x80, 0xFFFF>(in, i, n);
        // A run outside ASCII (a Cyrillic word) is looked up unit by unit.
        for (; i < n && in[i] >= 0x80; ++i)
            if (kByteOf[in[i]] == 0)
                return i;
    }
    return -1;
}

} // namespace bp::windows1251
