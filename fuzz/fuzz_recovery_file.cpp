// The recovery file reader. The input is a whole recovery file. Properties:
// - reading either refuses the file with a message naming it, or gives a text whose lines
//   hold no LF;
// - a text it gives, written back as a recovery file of the same document, reads back the
//   same: name, encoding, break style and lines.

#include "fuzz_support.h"

#include "app/recovery_store.h"
#include "common/error.h"
#include "editor/model/editor_lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace bp;
using bp::fuzz::printable;

namespace {

const QTemporaryDir &folder()
{
    static const QTemporaryDir dir;
    return dir;
}

void writeInput(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), bytes.size()) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input = folder().filePath(QStringLiteral("1-1.recovery"));
    writeInput(input, QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    RecoveredText text;
    try {
        text = RecoveryStore::read(input);
    } catch (const Error &error) {
        FUZZ_CHECK(error.message().contains(input), printable(error.message()));
        return 0;
    }
    for (const QString &line : text.lines)
        FUZZ_CHECK(!line.contains(u'\n'), printable(line));

    TEditorLines lines;
    lines.insertLines(0, std::vector<QString>(text.lines));
    lines.setEncoding(text.encoding);
    lines.setBreakStyle(text.breakStyle);
    const RecoveryStore store(
        folder().filePath(QStringLiteral("store")), [](qint64, qint64) { return false; }, 2, 2);
    store.write(text.documentName, lines);
    const RecoveredText back = RecoveryStore::read(store.ownFile());
    // The store keeps the document's full path, so that a later start restores into it.
    const QString fullName =
        text.documentName.isEmpty() ? QString() : QFileInfo(text.documentName).absoluteFilePath();
    FUZZ_CHECK(back.documentName == fullName, printable(text.documentName));
    FUZZ_CHECK(back.encoding == text.encoding, QString());
    FUZZ_CHECK(back.breakStyle == text.breakStyle, QString());
    FUZZ_CHECK(back.lines == text.lines,
               printable(QStringList(text.lines.begin(), text.lines.end()).join(u'|')));
    return 0;
}
