#pragma once

// Shared by the fuzz targets: a reader that turns the fuzzer's bytes into values, and the
// check that stops the run when a property fails (libFuzzer then keeps the input).

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace bp::fuzz {

[[noreturn]] inline void propertyFailed(const char *condition, const char *file, int line,
                                        const QString &detail)
{
    std::fprintf(stderr, "\n%s:%d: property failed: %s\n%s\n", file, line, condition,
                 detail.toLocal8Bit().constData());
    std::abort();
}

// Faults found by a target and not mended yet are steered around, so that a run goes on to
// find others; BP_FUZZ_STRICT=1 checks them too (their inputs: fuzz/regressions/*/*.open).
inline bool strict()
{
    static const bool enabled = qEnvironmentVariableIsSet("BP_FUZZ_STRICT");
    return enabled;
}

// Text in a form that survives a terminal: percent-encoded UTF-8 (lone surrogates become
// U+FFFD), cut after 200 code units.
inline QString printable(QStringView text)
{
    const QString head = text.left(200).toString();
    return QString::fromLatin1(QUrl::toPercentEncoding(head)) +
           (text.size() > 200 ? QStringLiteral("...") : QString());
}

// Consumes the fuzzer's input from the front. Past the end every read gives 0, so a
// target never has to check the size before a read.
class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    char16_t codeUnit() { return char16_t(byte() | byte() << 8); }
    // A value in [0, bound), bound > 0.
    int below(int bound) { return int(codeUnit() % unsigned(bound)); }

    // Up to `maxUnits` characters: the length comes first, then each character as one byte
    // from a small alphabet that reaches the interesting cases quickly (line breaks, tabs,
    // quotes, apostrophes, brackets, Cyrillic, U+2028), or as a raw code unit.
    QString text(int maxUnits)
    {
        const int length = below(maxUnits + 1);
        QString result;
        result.reserve(length);
        for (int i = 0; i < length && !atEnd(); ++i)
            result += character();
        return result;
    }

    QChar character()
    {
        static constexpr char16_t kAlphabet[] = {
            u'a',  u'B',      u'_',      u'1',      u' ',      u'\t',     u'\r', u'\n', u'"',
            u'\'', u'(',      u')',      u'[',      u']',      u'{',      u'}',  u'.',  u';',
            u'x',  u'\u0434', u'\u0414', u'\u2028', u'\u00A0', u'\u4E2D', u'\0'};
        const std::uint8_t pick = byte();
        if (pick < 0xF0)
            return QChar(kAlphabet[pick % std::size(kAlphabet)]);
        return QChar(codeUnit());
    }

    QByteArrayView rest()
    {
        const QByteArrayView view(reinterpret_cast<const char *>(m_data + m_pos),
                                  qsizetype(remaining()));
        m_pos = m_size;
        return view;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace bp::fuzz

// Aborts with the condition and `detail` when `condition` is false; the fuzzer then saves the
// input that broke the property.
#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::bp::fuzz::propertyFailed(#condition, __FILE__, __LINE__, (detail));                  \
    } while (false)
