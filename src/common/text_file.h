#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace bp {

// Byte encoding of a text file, chosen by its byte-order mark; no mark means Windows-1251.
enum class TextEncoding
{
    Ansi,
    Utf8,
    Utf16LE,
    Utf16BE
};

struct DecodedText
{
    QString text;
    TextEncoding encoding = TextEncoding::Ansi;
};

// Files above this size are refused instead of read: far above any real script, it keeps
// a mistaken choice (a disk image, a log) from exhausting memory.
inline constexpr qint64 kMaxTextFileBytes = 512LL * 1024 * 1024;

// Decodes a whole file. Throws bp::Error naming `path` when the bytes do not decode:
// a UTF-8 mark followed by invalid or truncated UTF-8, or UTF-16 with an odd byte count.
DecodedText decodeTextFile(QByteArrayView bytes, const QString &path);

// Reads and decodes a whole file, refusing anything that is not a regular file (without
// opening it, so a named pipe never blocks) and anything above kMaxTextFileBytes.
DecodedText readTextFile(const QString &path);

// The bytes of `text` in `encoding`, with the byte-order mark for the Unicode encodings.
// Characters Windows-1251 cannot represent become "?".
QByteArray encodeText(QStringView text, TextEncoding encoding);

// Replaces the file at `path` with `bytes` atomically: on any failure the old file stays
// byte for byte as it was and no temporary file remains. Keeps the permission bits of an
// existing file and writes through a symbolic link to its target. Throws bp::Error with
// the system's reason.
void writeFileAtomically(const QString &path, QByteArrayView bytes);

} // namespace bp
