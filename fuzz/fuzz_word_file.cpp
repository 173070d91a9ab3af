// The "func.txt" reader and the completion that works on its words. The first byte chooses a
// caret column, the rest is the whole file. Properties:
// - a file that does not decode is refused with a message; otherwise every entry is a line
//   of the file without its break (no CR, LF or NUL in it), and writing the entries back one
//   per line reads back the same entries;
// - completing at the caret in any entry, used as the caret line: the word left of the caret
//   holds no blank or word end, the filtered list is in list order and holds exactly the
//   entries that start with that word, and the replacement range lies around the caret.

#include "fuzz_support.h"

#include "aids/completion_matching.h"
#include "aids/completion_proposal_config.h"
#include "aids/completion_words.h"
#include "common/error.h"
#include "common/text_file.h"

using namespace bp;
using bp::fuzz::InputReader;
using bp::fuzz::printable;

namespace {

void checkCompletion(const QStringList &words, const QString &line, int caret)
{
    CompletionProposalConfig config = completionProposal1Config();
    config.ItemList = words;
    config.InsertList = words;

    const CompletionInput input = completionInputAt(line, caret, config.EndOfTokenChr);
    FUZZ_CHECK(input.startColumn >= 1 && input.startColumn <= caret, printable(line));
    if (caret <= line.size() + 1) {
        FUZZ_CHECK(input.currentString ==
                       line.sliced(input.startColumn - 1, caret - input.startColumn),
                   printable(line));
    }
    for (QChar ch : input.currentString)
        FUZZ_CHECK(ch.unicode() > 0x20 && !config.EndOfTokenChr.contains(ch), printable(line));

    const QList<CompletionEntry> entries = matchingCompletionEntries(config, input.currentString);
    qsizetype expected = 0;
    for (const QString &word : words)
        expected += completionMatches(word, input.currentString, false) ? 1 : 0;
    FUZZ_CHECK(entries.size() == expected, printable(input.currentString));
    qsizetype previous = -1;
    for (const CompletionEntry &entry : entries) {
        FUZZ_CHECK(entry.itemIndex > previous && entry.itemIndex < words.size(), QString());
        FUZZ_CHECK(entry.text == words[entry.itemIndex], QString());
        FUZZ_CHECK(completionMatches(entry.text, input.currentString, false), QString());
        previous = entry.itemIndex;
    }

    if (entries.isEmpty() || caret > line.size() + 1)
        return;
    const CompletionReplacement replacement =
        completionReplacement(line, input.startColumn, caret, entries.front().text);
    FUZZ_CHECK(replacement.startColumn == input.startColumn, printable(line));
    FUZZ_CHECK(replacement.endColumn >= caret && replacement.endColumn <= line.size() + 1,
               printable(line));
    FUZZ_CHECK(replacement.caretColumn == replacement.startColumn + entries.front().text.size(),
               printable(line));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const int caretPick = input.byte();
    DecodedText decoded;
    try {
        decoded = decodeTextFile(input.rest(), QStringLiteral("func.txt"));
    } catch (const Error &error) {
        FUZZ_CHECK(!error.message().isEmpty(), QString());
        return 0;
    }
    const QStringList words = parseCompletionText(decoded.text);
    QString written;
    for (const QString &word : words) {
        FUZZ_CHECK(!word.contains(u'\r') && !word.contains(u'\n') && !word.contains(QChar(0)),
                   printable(word));
        written += word + u'\n';
    }
    FUZZ_CHECK(parseCompletionText(written) == words, printable(decoded.text));
    // Every character before the first NUL is in an entry or a break.
    const QStringView beforeNul =
        QStringView(decoded.text)
            .first(decoded.text.contains(QChar(0)) ? decoded.text.indexOf(QChar(0))
                                                   : decoded.text.size());
    qsizetype breaks = 0;
    for (QChar ch : beforeNul)
        breaks += (ch == u'\r' || ch == u'\n') ? 1 : 0;
    FUZZ_CHECK(written.size() - words.size() == beforeNul.size() - breaks, printable(decoded.text));

    if (!words.isEmpty()) {
        const QString &line = words[caretPick % words.size()];
        checkCompletion(words, line, caretPick % (int(line.size()) + 3) + 1);
    }
    return 0;
}
