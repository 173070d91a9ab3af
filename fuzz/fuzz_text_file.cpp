// The text file decoder with its round trip. The input is a whole file. Properties:
// - decoding either refuses the file with a message naming it, or gives text whose encoding
//   in the same encoding is the file byte for byte;
// - the document made of that text (lines and break style) covers the text exactly, and
//   saving it and reading the saved bytes back gives the same lines, break style and encoding.

#include "fuzz_support.h"

#include "common/error.h"
#include "common/text_file.h"
#include "editor/model/editor_lines.h"

#include <algorithm>
#include <vector>

using namespace bp;
using bp::fuzz::printable;

namespace {

const QString kPath = QStringLiteral("fuzz.qpl");

bool isBreakCharacter(QChar ch)
{
    return ch == u'\r' || ch == u'\n' || ch == QChar(0x2028);
}

std::vector<QString> linesOf(const TEditorLines &lines)
{
    std::vector<QString> result;
    for (int i = 0; i < lines.Count(); ++i)
        result.push_back(lines[i]);
    return result;
}

// The lines are the text with its breaks taken out: no line holds a break character, the
// lines in order are every other character of the text, and a text ending in a break ends
// with an empty line.
void checkLinesCoverText(const QString &text, const CutLines &cut)
{
    QString joined;
    for (const QString &line : cut.lines) {
        FUZZ_CHECK(std::none_of(line.begin(), line.end(), isBreakCharacter), printable(line));
        joined += line;
    }
    QString withoutBreaks = text;
    withoutBreaks.removeIf(isBreakCharacter);
    FUZZ_CHECK(joined == withoutBreaks, printable(text));
    if (!text.isEmpty() && isBreakCharacter(text.back()))
        FUZZ_CHECK(cut.lines.back().isEmpty(), printable(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    DecodedText decoded;
    try {
        decoded = decodeTextFile(bytes, kPath);
    } catch (const Error &error) {
        FUZZ_CHECK(error.message().contains(kPath), error.message());
        return 0;
    }
    FUZZ_CHECK(encodeText(decoded.text, decoded.encoding) == bytes,
               QStringLiteral("decoded text does not encode back to the file's bytes"));

    const CutLines cut = cutIntoLines(decoded.text);
    FUZZ_CHECK(cut.lines.empty() == decoded.text.isEmpty(), printable(decoded.text));
    checkLinesCoverText(decoded.text, cut);

    // The line list reads the text the same way, and its save reopens unchanged.
    TEditorLines document;
    document.setText(decoded.text);
    document.setEncoding(decoded.encoding);
    FUZZ_CHECK(linesOf(document) == cut.lines, printable(decoded.text));
    FUZZ_CHECK(document.breakStyle() == cut.style, printable(decoded.text));

    const QByteArray saved = document.encodedText();
    DecodedText reread;
    try {
        reread = decodeTextFile(saved, kPath);
    } catch (const Error &error) {
        fuzz::propertyFailed("saved file reopens", __FILE__, __LINE__, error.message());
    }
    // UTF-8 without a mark is told only by its non-ASCII bytes: a save that kept none of
    // them reopens as Windows-1251, which reads the same bytes the same way.
    const bool plainAscii =
        std::all_of(saved.begin(), saved.end(), [](char byte) { return uchar(byte) < 0x80; });
    FUZZ_CHECK(reread.encoding == decoded.encoding ||
                   (decoded.encoding == TextEncoding::Utf8NoMark && plainAscii &&
                    reread.encoding == TextEncoding::Ansi),
               printable(decoded.text));
    TEditorLines reopened;
    reopened.setText(reread.text);
    FUZZ_CHECK(linesOf(reopened) == cut.lines,
               QStringLiteral("lines changed by save and reopen: %1").arg(printable(decoded.text)));
    FUZZ_CHECK(
        reopened.breakStyle() == cut.style,
        QStringLiteral("break style changed by save and reopen: %1").arg(printable(decoded.text)));
    // A file whose breaks are all of its style is written back byte for byte.
    if (document.text() == decoded.text)
        FUZZ_CHECK(saved == bytes, printable(decoded.text));
    return 0;
}
