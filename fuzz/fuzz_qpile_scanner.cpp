// The QPILE scanner on one line from any start state. The first byte is the start state (the
// scanner keeps its low byte), the second chooses a display form, the rest is the line.
// Properties:
// - the tokens cover the line exactly, in order, each one the line's own text in its letter
//   case; only a comment state that meets a line end at once may give an empty token;
// - the end state is never rsComment, and NextToEol and the fast ScanEndState give the end
//   state the token loop gives;
// - the same line followed by CR LF gives the same tokens plus one white-space token for the
//   break, and the same end state;
// - with a display form (one filler before each wide character), each token's display text
//   is its text with the fillers in front of its wide characters.

#include "fuzz_support.h"

#include "highlight/qpile_highlighter.h"

#include <QList>

using namespace bp;
using bp::fuzz::InputReader;
using bp::fuzz::printable;

namespace {

struct Token
{
    int pos;
    int length;
    TtkTokenKind kind;
    friend bool operator==(const Token &, const Token &) = default;
};

struct Scan
{
    QList<Token> tokens;
    TRange endRange = 0;
};

QString context(QStringView line, TRange start)
{
    return QStringLiteral("line \"%1\" from state %2").arg(printable(line), QString::number(start));
}

Scan scanTokens(TQPILEHighlighter &highlighter, QStringView line, TRange start)
{
    Scan scan;
    highlighter.SetRange(start);
    highlighter.SetLine(line, 0);
    // Each step moves on by at least one character, apart from one empty comment token; more
    // steps than that means the scanner is stuck.
    for (int steps = 0; !highlighter.GetEol(); ++steps) {
        FUZZ_CHECK(steps <= line.size() + 1, context(line, start));
        const Token token{highlighter.GetTokenPos(), int(highlighter.GetTokenView().size()),
                          highlighter.TokenID()};
        FUZZ_CHECK(token.pos >= 0 && token.pos + token.length <= line.size(), context(line, start));
        FUZZ_CHECK(highlighter.GetToken() == line.sliced(token.pos, token.length),
                   context(line, start));
        FUZZ_CHECK(quint8(token.kind) <= quint8(TtkTokenKind::tkUnknown), context(line, start));
        scan.tokens << token;
        highlighter.Next();
    }
    scan.endRange = highlighter.GetRange();
    return scan;
}

void checkCoverage(const Scan &scan, QStringView line, TRange start)
{
    int pos = 0;
    for (const Token &token : scan.tokens) {
        FUZZ_CHECK(token.pos == pos, context(line, start) + QStringLiteral(" at %1").arg(pos));
        // A comment state set by the client, met at a line end, gives one empty comment.
        FUZZ_CHECK(token.length > 0 ||
                       (pos == 0 && quint8(start) == quint8(TRangeState::rsComment) &&
                        token.kind == TtkTokenKind::tkComment),
                   context(line, start));
        pos += token.length;
    }
    FUZZ_CHECK(pos == line.size(), context(line, start) + QStringLiteral(" ends at %1").arg(pos));
    FUZZ_CHECK(scan.endRange != TRange(TRangeState::rsComment), context(line, start));
}

bool isWide(QChar ch)
{
    return ch.unicode() >= 0x1100 && ch.unicode() != TCustomHighlighter::FillerChar;
}

void checkDisplayForm(TQPILEHighlighter &highlighter, const Scan &scan, QStringView line,
                      TRange start)
{
    if (line.contains(QChar(TCustomHighlighter::FillerChar)))
        return; // a filler in the text itself makes the display form ambiguous
    QString expanded;
    for (QChar ch : line) {
        if (isWide(ch))
            expanded += QChar(TCustomHighlighter::FillerChar);
        expanded += ch;
    }
    highlighter.SetRange(start);
    highlighter.SetLineExpandedAtWideGlyphs(line, expanded, 0);
    for (const Token &token : scan.tokens) {
        FUZZ_CHECK(!highlighter.GetEol(), context(line, start));
        FUZZ_CHECK(highlighter.GetTokenPos() == token.pos, context(line, start));
        QString shown;
        for (QChar ch : line.sliced(token.pos, token.length)) {
            if (isWide(ch))
                shown += QChar(TCustomHighlighter::FillerChar);
            shown += ch;
        }
        FUZZ_CHECK(highlighter.GetExpandedToken() == shown,
                   context(line, start) + QStringLiteral(" token at %1").arg(token.pos));
        FUZZ_CHECK(highlighter.GetExpandedTokenPos() == highlighter.PosToExpandedPos(token.pos),
                   context(line, start));
        highlighter.Next();
    }
    FUZZ_CHECK(highlighter.GetEol(), context(line, start));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One scanner for every input, as the editor keeps one: no state may leak between lines.
    static TQPILEHighlighter highlighter;
    InputReader input(data, size);
    const TRange start = TRange(input.byte());
    const bool withDisplayForm = input.byte() & 1;
    QString line;
    while (!input.atEnd())
        line += input.character();

    const Scan scan = scanTokens(highlighter, line, start);
    checkCoverage(scan, line, start);

    highlighter.SetRange(start);
    highlighter.SetLine(line, 0);
    highlighter.NextToEol();
    FUZZ_CHECK(highlighter.GetEol() && highlighter.GetRange() == scan.endRange,
               context(line, start));
    highlighter.SetRange(start);
    FUZZ_CHECK(highlighter.ScanEndState(line, 0) == scan.endRange, context(line, start));
    FUZZ_CHECK(highlighter.GetRange() == scan.endRange, context(line, start));

    // (An empty line gives an empty token in the comment state, which the break replaces.)
    if (!line.isEmpty() && !line.contains(u'\r') && !line.contains(u'\n')) {
        const QString withBreak = line + QStringLiteral("\r\n");
        const Scan broken = scanTokens(highlighter, withBreak, start);
        QList<Token> expected = scan.tokens;
        expected << Token{int(line.size()), 2, TtkTokenKind::tkSpace};
        FUZZ_CHECK(broken.tokens == expected,
                   QStringLiteral("CR LF changes the tokens of ") + context(line, start));
        FUZZ_CHECK(broken.endRange == scan.endRange,
                   QStringLiteral("CR LF changes the end state of ") + context(line, start));
    }

    if (withDisplayForm)
        checkDisplayForm(highlighter, scan, line, start);
    return 0;
}
