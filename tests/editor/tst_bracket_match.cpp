#include "editor/model/bracket_match.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "highlight/qpile_highlighter.h"
#include "test_runner.h"

#include <QTest>

using namespace bp;
using namespace Qt::StringLiterals;

namespace {

// Quotes pair up within a line, and "//" comments out the rest of it. Counts how often each
// question is asked.
class QuotesAndSlashes final : public TextRules
{
public:
    explicit QuotesAndSlashes(const TEditorLines &lines) : m_lines(lines) {}
    bool isWordChar(QChar ch) const override { return plainWordChar(ch); }
    bool isInStringOrComment(TBufferCoord at) const override
    {
        ++columnQuestions;
        return inside(at);
    }
    std::vector<ColumnSpan> stringOrCommentSpans(int line, int length) const override
    {
        ++lineQuestions;
        std::vector<ColumnSpan> spans;
        for (int column = 1; column <= length; ++column) {
            if (!inside({column, line}))
                continue;
            if (!spans.empty() && spans.back().last == column - 1)
                spans.back().last = column;
            else
                spans.push_back({column, column});
        }
        return spans;
    }

    mutable int columnQuestions = 0;
    mutable int lineQuestions = 0;

private:
    bool inside(TBufferCoord at) const
    {
        const QStringView line = m_lines.view(at.Line - 1);
        const qsizetype comment = line.indexOf(u"//");
        if (comment >= 0 && at.Char - 1 >= comment)
            return true;
        return line.first(at.Char - 1).count(u'"') % 2 == 1;
    }

    const TEditorLines &m_lines;
};

// The rules' own column answer, through the interface's default span form.
class ColumnOnly final : public TextRules
{
public:
    explicit ColumnOnly(const TextRules &inner) : m_inner(inner) {}
    bool isWordChar(QChar ch) const override { return m_inner.isWordChar(ch); }
    bool isInStringOrComment(TBufferCoord at) const override
    {
        return m_inner.isInStringOrComment(at);
    }

private:
    const TextRules &m_inner;
};

} // namespace

class TestBracketMatch : public QObject
{
    Q_OBJECT

private slots:
    void partners_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TBufferCoord>("at");
        QTest::addColumn<TBufferCoord>("partner"); // {0, 0}: none
        QTest::newRow("forwards over nesting")
            << u"f(a(b)[c])"_s << TBufferCoord{2, 1} << TBufferCoord{10, 1};
        QTest::newRow("backwards over nesting")
            << u"f(a(b)[c])"_s << TBufferCoord{10, 1} << TBufferCoord{2, 1};
        QTest::newRow("across lines forwards")
            << u"{\n  (x)\n}"_s << TBufferCoord{1, 1} << TBufferCoord{1, 3};
        QTest::newRow("across lines backwards, empty line between")
            << u"<a\n\n>"_s << TBufferCoord{1, 3} << TBufferCoord{1, 1};
        QTest::newRow("other pairs do not nest")
            << u"(]"_s << TBufferCoord{1, 1} << TBufferCoord{0, 0};
        QTest::newRow("string on the same line skipped")
            << u"(a \")\" b)"_s << TBufferCoord{1, 1} << TBufferCoord{9, 1};
        QTest::newRow("comment on the next line skipped")
            << u"(a\n// )\n)"_s << TBufferCoord{1, 1} << TBufferCoord{1, 3};
        QTest::newRow("backwards past a string")
            << u"(a \"(\" b)"_s << TBufferCoord{9, 1} << TBufferCoord{1, 1};
        QTest::newRow("the only partner is in a string")
            << u"(a \")\""_s << TBufferCoord{1, 1} << TBufferCoord{0, 0};
        QTest::newRow("no bracket at the caret")
            << u"a(b)"_s << TBufferCoord{1, 1} << TBufferCoord{0, 0};
        QTest::newRow("caret past the line's end")
            << u"a(b)"_s << TBufferCoord{5, 1} << TBufferCoord{0, 0};
        QTest::newRow("caret below the last line")
            << u"()"_s << TBufferCoord{1, 2} << TBufferCoord{0, 0};
    }

    void partners()
    {
        QFETCH(QString, text);
        QFETCH(TBufferCoord, at);
        QFETCH(TBufferCoord, partner);
        TEditorLines lines;
        lines.setText(text);
        const QuotesAndSlashes rules(lines);
        const std::optional<TBufferCoord> found = findMatchingBracket(lines, at, &rules);
        QCOMPARE(found.value_or(TBufferCoord{0, 0}), partner);
        // The default span form, built from the column question, finds the same.
        const ColumnOnly columns(rules);
        QCOMPARE(findMatchingBracket(lines, at, &columns).value_or(TBufferCoord{0, 0}), partner);
    }

    // An unmatched bracket in a very large text is given up on after a bounded walk, in
    // either direction, within one long line and across many lines; a partner inside the
    // limit is still found.
    void searchGivesUpPastItsLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TBufferCoord>("at");
        QTest::addColumn<TBufferCoord>("partner");
        const int limit = int(kBracketSearchLimit);
        const QString pad(limit, u'x');
        QTest::newRow("forwards, one line, partner just inside")
            << u"("_s + pad.left(limit - 1) + u")"_s << TBufferCoord{1, 1}
            << TBufferCoord{limit + 1, 1};
        QTest::newRow("forwards, one line, partner past the limit")
            << u"("_s + pad + u")"_s << TBufferCoord{1, 1} << TBufferCoord{0, 0};
        QTest::newRow("backwards, one line, partner past the limit")
            << u"("_s + pad + u")"_s << TBufferCoord{limit + 2, 1} << TBufferCoord{0, 0};
        QTest::newRow("backwards, one line, partner just inside")
            << u"("_s + pad.left(limit - 1) + u")"_s << TBufferCoord{limit + 1, 1}
            << TBufferCoord{1, 1};
        const QString lines = QString(u"ab\n"_s).repeated(limit / 3 + 1);
        QTest::newRow("forwards, many lines, partner past the limit")
            << u"(\n"_s + lines + u")"_s << TBufferCoord{1, 1} << TBufferCoord{0, 0};
        QTest::newRow("backwards, many lines, partner past the limit")
            << u"(\n"_s + lines + u")"_s << TBufferCoord{1, limit / 3 + 3} << TBufferCoord{0, 0};
    }

    void searchGivesUpPastItsLimit()
    {
        QFETCH(QString, text);
        QFETCH(TBufferCoord, at);
        QFETCH(TBufferCoord, partner);
        TEditorLines lines;
        lines.setText(text);
        QCOMPARE(findMatchingBracket(lines, at, nullptr).value_or(TBufferCoord{0, 0}), partner);
    }

    // A walk along a line asks for its strings and comments once, not once per bracket
    // (which rescanned the line from its start each time: quadratic in the line's length).
    void eachLineIsAskedOnce()
    {
        TEditorLines lines;
        const QString nested = QString(500, u'(') + u"\")\""_s + QString(500, u')');
        lines.setText(u"x\n"_s + nested + u"\nplain words\n)"_s);
        const QuotesAndSlashes rules(lines);
        const std::optional<TBufferCoord> found = findMatchingBracket(lines, {1, 2}, &rules);
        QCOMPARE(found.value_or(TBufferCoord{0, 0}), (TBufferCoord{int(nested.size()), 2}));
        QCOMPARE(rules.lineQuestions, 1);
        QCOMPARE(rules.columnQuestions, 0);

        // With no partner the walk goes to the end, asking only on lines with a bracket.
        lines.setText(u"(\n\"(\"\nno brackets\n("_s);
        rules.lineQuestions = 0;
        QVERIFY(!findMatchingBracket(lines, {1, 1}, &rules));
        QCOMPARE(rules.lineQuestions, 2);
        QCOMPARE(rules.columnQuestions, 0);
    }

    // With the QPILE highlighter attached, its strings and comments hide brackets: the
    // highlighting side finds them with one scan of each line.
    void qpileStringsAndCommentsHideBrackets_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TBufferCoord>("at");
        QTest::addColumn<TBufferCoord>("partner");
        QTest::newRow("string, then a comment to the line's end")
            << u"f(a, \")\", b ' )\n  c)"_s << TBufferCoord{2, 1} << TBufferCoord{4, 2};
        QTest::newRow("backwards past the comment and the string")
            << u"f(a, \")\", b ' )\n  c)"_s << TBufferCoord{4, 2} << TBufferCoord{2, 1};
        QTest::newRow("brackets in a comment pair among themselves, not with code")
            << u"x = (1 ' (\n)"_s << TBufferCoord{5, 1} << TBufferCoord{1, 2};
        QTest::newRow("bracket right after a string")
            << u"(\"(\")"_s << TBufferCoord{1, 1} << TBufferCoord{5, 1};
    }

    void qpileStringsAndCommentsHideBrackets()
    {
        QFETCH(QString, text);
        QFETCH(TBufferCoord, at);
        QFETCH(TBufferCoord, partner);
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        highlighting.setHighlighter(&highlighter);
        model.Lines().setText(text);
        model.setCaretXY(at);
        model.executeCommand(ecMatchBracket);
        QCOMPARE(model.CaretXY(), partner);
    }
};

BP_TEST(TestBracketMatch)

#include "tst_bracket_match.moc"
