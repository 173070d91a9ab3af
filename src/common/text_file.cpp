#include "text_file.h"

#include "error.h"
#include "windows1251.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

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
        throw Error(cannotOpen(path, QStringLiteral("No such file or directory")));
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
        throw Error(cannotOpen(path, file.errorString()));
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
            throw Error(cannotOpen(path, file.errorString()));
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

    // Windows-1251: one byte is one character, so each chunk is decoded straight into the
    // text as it arrives, and the file's bytes are never held whole.
    QString text;
    text.reserve(std::max<qint64>(reported, bytes.size()));
    auto append = [&](QByteArrayView piece) {
        const qsizetype at = text.size();
        text.resize(at + piece.size());
        windows1251::decodeTo(piece, reinterpret_cast<char16_t *>(text.data()) + at);
    };
    append(bytes);
    bytes.resize(chunk);
    while (!ended) {
        const qint64 got = readChunk(bytes.data());
        append(QByteArrayView(bytes.constData(), got));
        ended = got == 0;
    }
    checkWhole();
    return {std::move(text), TextEncoding::Ansi};
}

} // namespace bp
