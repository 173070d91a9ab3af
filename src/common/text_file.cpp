#include "text_file.h"

#include "error.h"
#include "previous_content.h"
#include "windows1251.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>

namespace bp {
namespace {

QString cannotOpen(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}

QString decodeUtf16(QByteArrayView body, bool bigEndian)
{
    const qsizetype count = body.size() / 2;
    QString text(count, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(body.data());
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned char first = in[2 * i];
        const unsigned char second = in[2 * i + 1];
        out[i] = bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    }
    return text;
}

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char byte : mark)
        if (static_cast<unsigned char>(bytes[i++]) != byte)
            return false;
    return true;
}

qsizetype firstNonAscii(QByteArrayView bytes)
{
    const auto found = std::find_if(bytes.begin(), bytes.end(), [](char byte) {
        return static_cast<unsigned char>(byte) >= 0x80;
    });
    return found == bytes.end() ? -1 : found - bytes.begin();
}

// Decodes `bytes` as UTF-8 to the end of `text`; false, with `text` as it was, when they are
// not valid UTF-8 (a sequence cut off at their end among them).
bool appendUtf8(QByteArrayView bytes, QString &text)
{
    // Stateless: a sequence cut off at the end of the data counts as an error too.
    // ConvertInitialBom: a U+FEFF that starts the bytes is text like any other.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const qsizetype at = text.size();
    // UTF-8 never takes fewer bytes than UTF-16 takes code units.
    text.resize(at + bytes.size());
    const QChar *end = decoder.appendToBuffer(text.data() + at, bytes);
    if (decoder.hasError()) {
        text.resize(at);
        return false;
    }
    text.resize(end - text.constData());
    return true;
}

void appendWindows1251(QByteArrayView bytes, QString &text)
{
    const qsizetype at = text.size();
    text.resize(at + bytes.size());
    windows1251::decodeTo(bytes, reinterpret_cast<char16_t *>(text.data()) + at);
}

// The length of `bytes` without a UTF-8 sequence that their end cuts off.
qsizetype completeUtf8Length(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, bytes.size()); ++back) {
        const unsigned char byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if (byte < 0x80)
            break;
        if (byte >= 0xC0) {
            const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            return length > back ? bytes.size() - back : bytes.size();
        }
    }
    return bytes.size();
}

// Decodes a file without a byte-order mark piece by piece as it is read, so its bytes are
// never held whole. ASCII is the same text in both encodings; from the first other byte on
// the bytes are taken as UTF-8, and decoded again as Windows-1251 once they turn out not to
// be valid UTF-8.
class UnmarkedText
{
public:
    explicit UnmarkedText(qint64 expectedBytes) { m_text.reserve(expectedBytes); }

    void add(QByteArrayView piece)
    {
        if (m_mode == Mode::Ascii) {
            const qsizetype wide = firstNonAscii(piece);
            if (wide < 0) {
                appendWindows1251(piece, m_text);
                return;
            }
            appendWindows1251(piece.first(wide), m_text);
            m_mode = Mode::Utf8;
            m_utf8From = m_text.size();
            piece = piece.sliced(wide);
        }
        if (m_mode == Mode::Ansi) {
            appendWindows1251(piece, m_text);
            return;
        }
        // A sequence cut by the end of a piece waits for the next one.
        m_pending += piece;
        const qsizetype complete = completeUtf8Length(m_pending);
        if (!appendUtf8(QByteArrayView(m_pending).first(complete), m_text)) {
            giveUpUtf8();
            return;
        }
        m_pending.remove(0, complete);
    }

    DecodedText finish()
    {
        if (m_mode == Mode::Utf8 && !m_pending.isEmpty())
            giveUpUtf8();
        return {std::move(m_text),
                m_mode == Mode::Utf8 ? TextEncoding::Utf8NoMark : TextEncoding::Ansi};
    }

private:
    void giveUpUtf8()
    {
        // Valid UTF-8 decodes one way only, so encoding the text again gives its bytes back.
        QByteArray bytes = QStringView(m_text).sliced(m_utf8From).toUtf8();
        bytes += m_pending;
        m_pending.clear();
        m_text.resize(m_utf8From);
        m_mode = Mode::Ansi;
        appendWindows1251(bytes, m_text);
    }

    enum class Mode
    {
        Ascii,
        Utf8,
        Ansi
    };
    Mode m_mode = Mode::Ascii;
    QString m_text;
    // Where the text decoded as UTF-8 starts.
    qsizetype m_utf8From = 0;
    QByteArray m_pending;
};

} // namespace

DecodedText decodeTextFile(QByteArrayView bytes, const QString &path)
{
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        // Stateless: a sequence cut off at the end of the data counts as an error too.
        // ConvertInitialBom: only the first mark is dropped; a second one is text and must
        // be written back.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(bytes.sliced(3));
        if (decoder.hasError())
            throw Error(QStringLiteral("Файл \"%1\" начинается с метки UTF-8, но содержит "
                                       "байты, недопустимые в UTF-8; файл не открыт")
                            .arg(path));
        return {std::move(text), TextEncoding::Utf8};
    }
    const bool littleEndian = startsWith(bytes, {0xFF, 0xFE});
    if (littleEndian || startsWith(bytes, {0xFE, 0xFF})) {
        const QByteArrayView body = bytes.sliced(2);
        if (body.size() % 2 != 0)
            throw Error(QStringLiteral("Файл \"%1\" в кодировке UTF-16 содержит нечетное число "
                                       "байтов; файл не открыт")
                            .arg(path));
        return {decodeUtf16(body, !littleEndian),
                littleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE};
    }
    if (firstNonAscii(bytes) >= 0) {
        QString text;
        if (appendUtf8(bytes, text))
            return {std::move(text), TextEncoding::Utf8NoMark};
    }
    return {windows1251::decode(bytes), TextEncoding::Ansi};
}

namespace {

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("Файл больше %1 МБ").arg(maxBytes / (qint64{1024} * 1024));
}

void checkReadable(const QFileInfo &info, const QString &path, qint64 maxBytes)
{
    if (!info.exists())
        throw Error(cannotOpen(path, systemReason(ENOENT)));
    if (!info.isFile())
        throw Error(cannotOpen(path, QStringLiteral("Это не обычный файл")));
    if (info.size() > maxBytes)
        throw Error(cannotOpen(path, tooLarge(maxBytes)));
}

} // namespace

DecodedText readTextFile(const QString &path, qint64 maxBytes)
{
    checkReadable(QFileInfo(path), path, maxBytes);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(cannotOpen(path, localReason(file.errorString(), EIO)));
    // Read, not mapped: a mapping of a file that another program shortens meanwhile ends the
    // process with SIGBUS on the first page past the new end.
    const qint64 reported = file.size();
    const qint64 chunk = 1 << 20;
    qint64 total = 0;
    // Reads the next chunk to `out`, which takes a whole chunk even near the limit (some /proc
    // files refuse reads of odd sizes); 0 at the file's end.
    auto readChunk = [&](char *out) {
        const qint64 got = file.read(out, chunk);
        if (got < 0)
            throw Error(cannotOpen(path, localReason(file.errorString(), EIO)));
        total += got;
        if (total > maxBytes)
            throw Error(cannotOpen(path, tooLarge(maxBytes)));
        return got;
    };
    auto checkWhole = [&] {
        if (reported > 0 && total != reported)
            throw Error(cannotOpen(path, QStringLiteral("Файл изменился во время чтения")));
    };

    // The first bytes tell the encoding: a byte-order mark has at most three.
    QByteArray bytes;
    bool ended = false;
    while (!ended && bytes.size() < 3) {
        const qsizetype before = bytes.size();
        bytes.resize(before + chunk);
        const qint64 got = readChunk(bytes.data() + before);
        bytes.resize(before + got);
        ended = got == 0;
    }
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}) || startsWith(bytes, {0xFF, 0xFE}) ||
        startsWith(bytes, {0xFE, 0xFF})) {
        // The Unicode decoders take the file's bytes whole.
        bytes.reserve(std::max<qint64>(reported, bytes.size()) + chunk);
        while (!ended) {
            const qsizetype before = bytes.size();
            bytes.resize(before + chunk);
            const qint64 got = readChunk(bytes.data() + before);
            bytes.resize(before + got);
            ended = got == 0;
        }
        checkWhole();
        return decodeTextFile(bytes, path);
    }

    UnmarkedText text(std::max<qint64>(reported, bytes.size()));
    text.add(bytes);
    bytes.resize(chunk);
    while (!ended) {
        const qint64 got = readChunk(bytes.data());
        text.add(QByteArrayView(bytes.constData(), got));
        ended = got == 0;
    }
    checkWhole();
    return text.finish();
}

} // namespace bp
