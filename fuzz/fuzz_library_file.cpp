// The "library.txt" reader. The input is a whole file. Properties:
// - a file that does not decode is refused with a message; otherwise the reading gives a tree
//   or stops with a message, and never anything else;
// - the tree in depth-first order is the file's lines in order (all of them, or those before
//   the line that stopped the reading), each without its leading blanks and tabs;
// - each node's depth is its line's indentation, the first line's apart (always top level).

#include "fuzz_support.h"

#include "aids/data_file_lines.h"
#include "aids/library_file.h"
#include "common/error.h"
#include "common/text_file.h"

#include <vector>

using namespace bp;
using bp::fuzz::printable;

namespace {

struct Visit
{
    const LibraryNode *node;
    qsizetype depth;
};

// Depth-first order without recursion, so a deep tree cannot exhaust the fuzzer's stack.
std::vector<Visit> depthFirst(const LibraryForest &forest)
{
    std::vector<Visit> order;
    std::vector<Visit> pending;
    for (qsizetype i = forest.size() - 1; i >= 0; --i)
        pending.push_back({&forest[i], 0});
    while (!pending.empty()) {
        const Visit visit = pending.back();
        pending.pop_back();
        order.push_back(visit);
        const QList<LibraryNode> &children = visit.node->children;
        for (qsizetype i = children.size() - 1; i >= 0; --i)
            pending.push_back({&children[i], visit.depth + 1});
    }
    return order;
}

qsizetype indentationOf(const QString &line)
{
    qsizetype indent = 0;
    while (indent < line.size() && (line[indent] == u' ' || line[indent] == u'\t'))
        ++indent;
    return indent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = QStringLiteral("library.txt");
    DecodedText decoded;
    try {
        decoded = decodeTextFile(
            QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), path);
    } catch (const Error &error) {
        FUZZ_CHECK(!error.message().isEmpty(), QString());
        return 0;
    }
    const QStringList lines = cutDataFileLines(decoded.text);
    const LibraryReadResult result = parseLibraryText(decoded.text);
    const std::vector<Visit> order = depthFirst(result.nodes);
    FUZZ_CHECK(qsizetype(order.size()) == countLibraryNodes(result.nodes), QString());

    if (result.error) {
        FUZZ_CHECK(!result.error->isEmpty(), QString());
        FUZZ_CHECK(qsizetype(order.size()) < lines.size(),
                   QStringLiteral("stopped, yet every line was read: ") + printable(decoded.text));
        bool thrown = false;
        try {
            result.throwIfFailed();
        } catch (const Error &error) {
            thrown = error.message() == *result.error;
        }
        FUZZ_CHECK(thrown, *result.error);
    } else {
        FUZZ_CHECK(qsizetype(order.size()) == lines.size(),
                   QStringLiteral("%1 nodes from %2 lines of %3")
                       .arg(order.size())
                       .arg(lines.size())
                       .arg(printable(decoded.text)));
    }

    for (std::size_t i = 0; i < order.size(); ++i) {
        const QString &line = lines[qsizetype(i)];
        const qsizetype indent = indentationOf(line);
        const LibraryNode &node = *order[i].node;
        FUZZ_CHECK(node.text == line.sliced(indent),
                   QStringLiteral("node %1 of %2").arg(i).arg(printable(decoded.text)));
        FUZZ_CHECK(order[i].depth == (i == 0 ? 0 : indent),
                   QStringLiteral("node %1 at depth %2 of %3")
                       .arg(i)
                       .arg(order[i].depth)
                       .arg(printable(decoded.text)));
    }
    return 0;
}
