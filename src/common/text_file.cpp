#include "text_file.h"

#include "error.h"
#include "windows1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <cstring>

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

QByteArray encodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray bytes(2 + 2 * text.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    out[0] = bigEndian ? 0xFE : 0xFF;
    out[1] = bigEndian ? 0xFF : 0xFE;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const unsigned char high = unit >> 8;
        const unsigned char low = unit & 0xFF;
        out[2 + 2 * i] = bigEndian ? high : low;
        out[3 + 2 * i] = bigEndian ? low : high;
    }
    return bytes;
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

void checkReadable(const QFileInfo &info, const QString &path)
{
    if (!info.exists())
        throw Error(cannotOpen(path, QStringLiteral("No such file or directory")));
    if (!info.isFile())
        throw Error(cannotOpen(path, QStringLiteral("Это не обычный файл")));
    if (info.size() > kMaxTextFileBytes)
        throw Error(cannotOpen(
            path, QStringLiteral("Файл больше %1 МБ").arg(kMaxTextFileBytes / (1024 * 1024))));
}

} // namespace

DecodedText readTextFile(const QString &path)
{
    checkReadable(QFileInfo(path), path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(cannotOpen(path, file.errorString()));
    // Decoding straight from a mapping spares a copy of the whole file.
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar *mapped = file.map(0, size)) {
            DecodedText decoded =
                decodeTextFile(QByteArrayView(reinterpret_cast<const char *>(mapped), size), path);
            file.unmap(mapped);
            return decoded;
        }
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(cannotOpen(path, file.errorString()));
    return decodeTextFile(bytes, path);
}

QByteArray encodeText(QStringView text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return windows1251::encode(text);
    case TextEncoding::Utf8: {
        QByteArray bytes("\xEF\xBB\xBF");
        // Lone surrogates have no UTF-8 form; QStringEncoder writes them as U+FFFD's
        // bytes, which the caller is told about before saving (see firstUnencodable).
        QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        bytes += QByteArray(encoder.encode(text));
        return bytes;
    }
    case TextEncoding::Utf16LE:
        return encodeUtf16(text, false);
    case TextEncoding::Utf16BE:
        return encodeUtf16(text, true);
    }
    return {};
}

void writeFileAtomically(const QString &path, QByteArrayView bytes)
{
#ifdef SIGXFSZ
    // Past a file-size limit the write must fail with EFBIG instead of killing the program.
    static const bool ignored = (std::signal(SIGXFSZ, SIG_IGN), true);
    Q_UNUSED(ignored);
#endif
    const QString reasonPrefix = QStringLiteral("Не удалось сохранить файл \"%1\". ").arg(path);
    const QFileInfo link(path);
    const QString target = link.isSymLink() ? link.symLinkTarget() : path;

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(reasonPrefix + file.errorString());
    auto fail = [&](const QString &reason) {
        file.cancelWriting();
        throw Error(reasonPrefix + reason);
    };
    qint64 done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            fail(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
        done += written;
    }
    errno = 0;
    if (!file.flush())
        fail(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
    if (!file.commit())
        throw Error(reasonPrefix + file.errorString());
}

} // namespace bp
