// The structure check kept current across edits, against a whole check. The input builds a
// QPILE-like text from a small alphabet of the language's words and marks, then edits it
// (lines set, inserted, copied, removed, exchanged) with partial runs of the kept check in
// between. Property: whenever the kept check is complete, its findings are exactly those of
// a whole check of the same lines.

#include "fuzz_support.h"

#include "editor/model/editor_lines.h"
#include "qpile/incremental_check.h"
#include "qpile/qpile_reference.h"
#include "qpile/structure_check.h"

#include <memory>

using namespace bp;
using bp::fuzz::InputReader;
using bp::fuzz::printable;

namespace {

// Long enough to cross several stored states, short enough for many runs a second.
constexpr int kMaxLines = 300;

const QpileReference &reference()
{
    static const QpileReference loaded = QpileReference::load(QStringLiteral(BP_REFERENCE_FILE));
    return loaded;
}

// Pieces of a line: block words with their misspellings, calls, brackets, strings,
// comments, continuations and blanks.
QString piece(InputReader &input)
{
    static const char16_t *const kPieces[] = {u"IF ",
                                              u"END IF",
                                              u"ELSE",
                                              u"FOR i FROM 1 TO 3",
                                              u"END FOR",
                                              u"FUNC F(a)",
                                              u"END FUNC",
                                              u"PROGRAM",
                                              u"END_PROGRAM",
                                              u"PARAMETER p;",
                                              u"END",
                                              u"PORTFOLIO_EX x;",
                                              u"END_PORTFOLIO_EX",
                                              u"PORTFOLIO",
                                              u"END_IF",
                                              u"ENDIF",
                                              u"END  IF",
                                              u"SET_VALUE(",
                                              u"GET_VALUE(",
                                              u"MESSAGE(",
                                              u"LEN(",
                                              u"(",
                                              u")",
                                              u",",
                                              u";",
                                              u" _",
                                              u"\"",
                                              u"\"s\"",
                                              u"'",
                                              u"' note",
                                              u" ",
                                              u"\t",
                                              u"x",
                                              u"1",
                                              u"=",
                                              u"DESCRIPTION d",
                                              u"\u0434",
                                              u"m = ",
                                              u"a == 1"};
    const std::uint8_t pick = input.byte();
    if (pick >= 0xF8)
        return QString(input.character());
    return QString::fromUtf16(kPieces[pick % std::size(kPieces)]);
}

QString line(InputReader &input)
{
    const int count = input.below(8);
    QString text;
    for (int i = 0; i < count; ++i)
        text += piece(input);
    // The editor never keeps a break inside a line.
    text.replace(u'\r', u' ').replace(u'\n', u' ').replace(QChar(0x2028), u' ');
    return text;
}

std::vector<QString> someLines(InputReader &input, int most)
{
    std::vector<QString> lines(std::size_t(input.below(most) + 1));
    for (QString &text : lines)
        text = line(input);
    return lines;
}

QString describe(const QpileProblem &problem)
{
    // Every part of a finding: its place, kind, severity and message.
    return QStringLiteral("%1:%2+%3 kind %4 severity %5 %6")
        .arg(problem.line)
        .arg(problem.column)
        .arg(problem.length)
        .arg(int(problem.kind))
        .arg(int(problem.severity))
        .arg(problem.message);
}

void compare(QpileIncrementalCheck &kept, const TEditorLines &lines)
{
    kept.runAll();
    QpileStructureChecker whole(reference());
    const std::vector<QpileProblem> expected = whole.checkAll(lines);
    const std::vector<QpileProblem> &found = kept.problems();
    for (std::size_t i = 0; i < std::max(found.size(), expected.size()); ++i) {
        const QString foundText = i < found.size() ? describe(found[i]) : QStringLiteral("-");
        const QString expectedText =
            i < expected.size() ? describe(expected[i]) : QStringLiteral("-");
        FUZZ_CHECK(foundText == expectedText,
                   QStringLiteral("finding %1 of %2 lines: kept %3, whole %4")
                       .arg(i)
                       .arg(lines.Count())
                       .arg(printable(foundText), printable(expectedText)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    TEditorLines lines;
    lines.insertLines(0, someLines(input, 40));
    auto kept = std::make_unique<QpileIncrementalCheck>(reference(), lines);
    while (!input.atEnd()) {
        const int count = lines.Count();
        switch (input.byte() % 8) {
        case 0:
            if (count > 0)
                lines.setLine(input.below(count), line(input));
            break;
        case 1:
            lines.insert(input.below(count + 1), line(input));
            break;
        case 2:
            lines.insertLines(input.below(count + 1), someLines(input, 6));
            break;
        case 3: {
            // Copies of a stretch of lines, so a text grows past the stored states.
            if (count == 0)
                break;
            const int from = input.below(count);
            const int length = 1 + input.below(std::min(count - from, 64));
            const int copies = 1 + input.below(4);
            std::vector<QString> copied;
            for (int c = 0; c < copies && count + int(copied.size()) < kMaxLines; ++c)
                for (int i = from; i < from + length; ++i)
                    copied.push_back(lines[i]);
            lines.insertLines(input.below(count + 1), std::move(copied));
            break;
        }
        case 4:
            if (count > 0) {
                const int from = input.below(count);
                lines.remove(from, 1 + input.below(std::min(count - from, 300)));
            }
            break;
        case 5:
            if (count > 0) {
                const int from = input.below(count);
                // New texts for the first lines from `from`, the rest as they are.
                std::vector<QString> texts = someLines(input, std::min(count - from, 4));
                for (int i = from + int(texts.size()); i < count; ++i)
                    texts.push_back(lines[i]);
                lines.exchangeLines(from, texts);
            }
            break;
        case 6:
            kept->run(1 + input.below(600));
            break;
        case 7:
            compare(*kept, lines);
            break;
        }
    }
    compare(*kept, lines);
    // A check started over the finished text agrees too.
    kept = std::make_unique<QpileIncrementalCheck>(reference(), lines);
    compare(*kept, lines);
    return 0;
}
