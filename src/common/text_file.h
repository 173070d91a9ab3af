#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

namespace bp {

// Byte encoding of a text file, chosen by its byte-order mark. Without a mark, bytes that
// are valid UTF-8 and hold a character outside ASCII are UTF-8 without a mark (as the web and
// most editors save text); any other bytes are Windows-1251, ASCII among them.
enum class TextEncoding
{
    Ansi,
    Utf8,
    Utf16LE,
    Utf16BE,
    Utf8NoMark
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
// opening it, so a named pipe never blocks) and anything above `maxBytes`. The bytes are
// read into memory, so a file cut short meanwhile cannot crash the program: a file that
// does not hold the size it reported is refused. A file that reports size 0 (as /proc
// files do) is read to its end, but never past `maxBytes`.
DecodedText readTextFile(const QString &path, qint64 maxBytes = kMaxTextFileBytes);

// The bytes of `text` in `encoding`, with the byte-order mark for the Unicode encodings
// (but Utf8NoMark).
// Characters the encoding cannot represent become "?": those Windows-1251 lacks, and lone
// surrogates in UTF-8.
QByteArray encodeText(QStringView text, TextEncoding encoding);
// Whether `text` holds a surrogate without its partner: a character UTF-8 cannot write,
// which only UTF-16 keeps.
bool hasLoneSurrogate(QStringView text);

// A text held as lines and read where it lies: `count` lines, line i given by `line(i)`,
// `lineBreak` between two lines and none after the last. Saving reads a document this way,
// so it never joins the lines into one string.
struct TextLines
{
    qsizetype count = 0;
    std::function<QStringView(qsizetype index)> line;
    QStringView lineBreak;
};

// Takes bytes in order; the pieces are valid only during the call.
using ByteSink = std::function<void(QByteArrayView piece)>;

// The bytes encodeText gives for the joined text, handed to `write` in pieces of at most
// kEncodedPieceBytes, so the text is never held encoded as a whole.
inline constexpr qsizetype kEncodedPieceBytes = 1 << 20;
void encodeText(const TextLines &text, TextEncoding encoding, const ByteSink &write);

// What saving a text in its encoding can write, found before anything is written.
struct SavePlan
{
    TextEncoding encoding = TextEncoding::Ansi;
    // Whether `encoding` holds every character; when it does not, the user chooses first.
    bool fits = true;
    // The encoding that holds every character: UTF-8, or UTF-16 little-endian (which keeps
    // every code unit as it is) when the text has a lone surrogate. Equals `encoding` when
    // the text fits.
    TextEncoding wider = TextEncoding::Ansi;

    // The question to ask when the text does not fit: Yes writes `wider`, No writes "?" for
    // each character `encoding` lacks, Cancel writes nothing.
    QString question() const;
};

// The plan for saving `text` (already joined with its line breaks) in `encoding`.
SavePlan planSave(QStringView text, TextEncoding encoding);
// The same for a text held as lines, in one pass over them while the text fits.
SavePlan planSave(const TextLines &text, TextEncoding encoding);

// What a save does with a text that does not fit its encoding.
enum class UnfitText
{
    Refuse,    // throws bp::Error, writes nothing
    Widen,     // writes the plan's wider encoding
    Substitute // writes "?" for each character the encoding lacks
};

// Names `encoding` in messages: "Windows-1251", "UTF-8", "UTF-8 без BOM" or "UTF-16".
QString encodingName(TextEncoding encoding);

// Replaces the file at `path` with `bytes`; on any failure the old file stays byte for byte
// as it was and no temporary file remains. Writes through a symbolic link to its target.
// The data reach the disk (synced) before the save counts as done. Throws bp::Error with
// the file's name and the system's reason.
//
// Normally a new file takes the old one's place atomically, with the old file's mode bits,
// owner, group and extended attributes (ACLs among them). Where that cannot keep them, or
// the folder takes no new file while the file itself is writable, or the file has more
// than one hard link, the file is written in place instead: its old bytes are first copied
// to a named, synced file in the program's own data folder (see previous_content.h) and
// written back from there if anything fails.
void writeFileAtomically(const QString &path, QByteArrayView bytes);
// The same with the bytes that `source` hands to its sink, in order, while the file is
// written: a large text streams into the file without a copy of all its bytes. Anything
// `source` throws fails the save the same way, and reaches the caller.
using ByteSource = std::function<void(const ByteSink &write)>;
void writeFileAtomically(const QString &path, const ByteSource &source);

// The file a save left at its path, as the save's own descriptor saw it once the bytes were
// on disk and before the file took the path: whatever another program does to the path
// afterwards differs from it. Zero file number and device where the system has none.
struct WrittenFile
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 fileNumber = 0;
    quint64 device = 0;
};
// The same, telling what was written. A file that another program changed while the save
// was writing a replacement for it is left as that program left it: the save fails.
void writeFileAtomically(const QString &path, const ByteSource &source, WrittenFile &written);

// Makes writing past a file-size limit fail with an error instead of ending the process;
// called once at start-up, before anything is written.
void ignoreFileSizeSignal();

} // namespace bp
