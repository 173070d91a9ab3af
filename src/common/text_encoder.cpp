// Encoding a text for saving: the plan (does the text fit its encoding) and the bytes, both
// read from the text's lines where they lie, so saving holds neither a joined copy of the
// text nor all of its bytes at once.
#include "find_first_of.h"
#include "text_file.h"
#include "windows1251.h"

#include <QStringEncoder>

#include <algorithm>
#include <memory>

namespace bp {
namespace {

// Long lines are encoded this many code units at a time, so one piece buffer serves any line.
constexpr qsizetype kSegmentUnits = 1 << 16;
// The most bytes one code unit becomes (UTF-8: three for a unit of the basic plane).
constexpr qsizetype kMaxBytesPerUnit = 3;
static_assert(kSegmentUnits * kMaxBytesPerUnit + 3 <= kEncodedPieceBytes);

bool isLoneSurrogate(QStringView text, qsizetype i)
{
    const QChar unit = text[i];
    if (unit.isHighSurrogate())
        return i + 1 == text.size() || !text[i + 1].isLowSurrogate();
    if (unit.isLowSurrogate())
        return i == 0 || !text[i - 1].isHighSurrogate();
    return false;
}

// Collects encoded bytes and hands them on in pieces of at most kEncodedPieceBytes.
class PieceBuffer
{
public:
    explicit PieceBuffer(const ByteSink &write)
        : m_write(write), m_bytes(std::make_unique<char[]>(kEncodedPieceBytes))
    {}

    // Room for `size` more bytes (at most kEncodedPieceBytes), handing on what is held first
    // when it is needed.
    char *room(qsizetype size)
    {
        if (m_used + size > kEncodedPieceBytes)
            flush();
        return m_bytes.get() + m_used;
    }
    void used(qsizetype size) { m_used += size; }
    void flush()
    {
        if (m_used > 0)
            m_write(QByteArrayView(m_bytes.get(), m_used));
        m_used = 0;
    }

private:
    const ByteSink &m_write;
    std::unique_ptr<char[]> m_bytes;
    qsizetype m_used = 0;
};

class Encoder
{
public:
    Encoder(TextEncoding encoding, PieceBuffer &out)
        : m_encoding(encoding), m_out(out),
          m_utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless)
    {}

    void byteOrderMark()
    {
        switch (m_encoding) {
        case TextEncoding::Ansi:
        case TextEncoding::Utf8NoMark:
            return;
        case TextEncoding::Utf8:
            put("\xEF\xBB\xBF");
            return;
        case TextEncoding::Utf16LE:
            put("\xFF\xFE");
            return;
        case TextEncoding::Utf16BE:
            put("\xFE\xFF");
            return;
        }
    }

    void text(QStringView text)
    {
        if (text.size() <= kSegmentUnits) {
            segment(text);
            return;
        }
        const char16_t *data = text.utf16();
        for (qsizetype start = 0; start < text.size();) {
            qsizetype end = std::min(start + kSegmentUnits, text.size());
            // A surrogate pair stays in one segment.
            if (end < text.size() && QChar::isHighSurrogate(data[end - 1]) &&
                QChar::isLowSurrogate(data[end]))
                --end;
            segment(text.sliced(start, end - start));
            start = end;
        }
    }

private:
    void put(QByteArrayView bytes)
    {
        std::copy(bytes.begin(), bytes.end(), m_out.room(bytes.size()));
        m_out.used(bytes.size());
    }

    void segment(QStringView text)
    {
        switch (m_encoding) {
        case TextEncoding::Ansi:
            windows1251::encodeTo(text, m_out.room(text.size()));
            m_out.used(text.size());
            return;
        case TextEncoding::Utf8:
        case TextEncoding::Utf8NoMark:
            utf8(text);
            return;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            utf16(text, m_encoding == TextEncoding::Utf16BE);
            return;
        }
    }

    // UTF-8 has no form for a lone surrogate; it is written as "?", as Windows-1251 writes
    // what it lacks.
    void utf8(QStringView text)
    {
        char *out = m_out.room(text.size() * kMaxBytesPerUnit);
        if (!hasLoneSurrogate(text)) {
            m_out.used(m_utf8.appendToBuffer(out, text) - out);
            return;
        }
        QString copy = text.toString();
        for (qsizetype i = 0; i < text.size(); ++i)
            if (isLoneSurrogate(text, i))
                copy[i] = QChar(u'?');
        m_out.used(m_utf8.appendToBuffer(out, copy) - out);
    }

    void utf16(QStringView text, bool bigEndian)
    {
        auto *out = reinterpret_cast<unsigned char *>(m_out.room(2 * text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            const unsigned char high = unit >> 8;
            const unsigned char low = unit & 0xFF;
            out[2 * i] = bigEndian ? high : low;
            out[2 * i + 1] = bigEndian ? low : high;
        }
        m_out.used(2 * text.size());
    }

    TextEncoding m_encoding;
    PieceBuffer &m_out;
    QStringEncoder m_utf8;
};

TextLines oneLine(const QStringView &text)
{
    return {1, [text](qsizetype) { return text; }, QStringView()};
}

// Whether `test` holds for a line of `text` or, when there are two lines or more, its break.
template <typename Test> bool anyPart(const TextLines &text, Test test)
{
    if (text.count > 1 && test(text.lineBreak))
        return true;
    for (qsizetype i = 0; i < text.count; ++i)
        if (test(text.line(i)))
            return true;
    return false;
}

} // namespace

// Lines are separated by breaks that are no surrogates, so a surrogate is lone in a line
// exactly when it is lone in the joined text: the lines are scanned one by one.
bool hasLoneSurrogate(QStringView text)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = textscan::findFirstInRange<0xD800, 0xDFFF>(data, 0, size); i < size;
         i = textscan::findFirstInRange<0xD800, 0xDFFF>(data, i + 1, size))
        if (isLoneSurrogate(text, i))
            return true;
    return false;
}

void encodeText(const TextLines &text, TextEncoding encoding, const ByteSink &write)
{
    PieceBuffer out(write);
    Encoder encoder(encoding, out);
    encoder.byteOrderMark();
    for (qsizetype i = 0; i < text.count; ++i) {
        if (i > 0)
            encoder.text(text.lineBreak);
        encoder.text(text.line(i));
    }
    out.flush();
}

QByteArray encodeText(QStringView text, TextEncoding encoding)
{
    QByteArray bytes;
    encodeText(oneLine(text), encoding, [&](QByteArrayView piece) { bytes += piece; });
    return bytes;
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return QStringLiteral("Windows-1251");
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8NoMark:
        return QStringLiteral("UTF-8 без BOM");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16");
    }
    return QString();
}

QString SavePlan::question() const
{
    return QStringLiteral("Текст содержит символы, которые нельзя записать в кодировке %1.\n\n"
                          "Да \u2014 сохранить файл в кодировке %2.\n"
                          "Нет \u2014 записать вместо таких символов знак \"?\".\n"
                          "Отмена \u2014 не сохранять.")
        .arg(encodingName(encoding), encodingName(wider));
}

SavePlan planSave(const TextLines &text, TextEncoding encoding)
{
    SavePlan plan{encoding, true, encoding};
    switch (encoding) {
    case TextEncoding::Ansi:
        if (!anyPart(text,
                     [](QStringView part) { return windows1251::firstUnencodable(part) >= 0; }))
            return plan;
        break;
    case TextEncoding::Utf8:
    case TextEncoding::Utf8NoMark:
        if (!anyPart(text, hasLoneSurrogate))
            return plan;
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return plan;
    }
    plan.fits = false;
    // Only UTF-16 stores a lone surrogate as it is; every other character fits UTF-8.
    plan.wider = anyPart(text, hasLoneSurrogate) ? TextEncoding::Utf16LE : TextEncoding::Utf8;
    return plan;
}

SavePlan planSave(QStringView text, TextEncoding encoding)
{
    return planSave(oneLine(text), encoding);
}

} // namespace bp
