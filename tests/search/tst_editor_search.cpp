#include "common/error.h"
#include "search/model/editor_search.h"
#include "test_runner.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// The occurrences a plain left-to-right scan reports: non-overlapping, and a whole-word
// reject moves on by one character only.
QList<int> plainScan(const QString &line, const QString &pattern, bool matchCase, bool whole)
{
    auto fold = [matchCase](QChar ch) { return matchCase ? ch : ch.toLower(); };
    auto isBreak = [&](QChar ch) { return TEditorSearch::isWordBreak(fold(ch).unicode()); };
    QList<int> columns;
    const qsizetype n = pattern.size();
    for (qsizetype start = 0; start + n <= line.size();) {
        bool same = true;
        for (qsizetype j = 0; j < n && same; ++j)
            same = fold(line[start + j]) == fold(pattern[j]);
        const bool wholeWord = (start == 0 || isBreak(line[start - 1])) &&
                               (start + n == line.size() || isBreak(line[start + n]));
        if (same && (!whole || wholeWord)) {
            columns.append(int(start) + 1);
            start += n;
        } else {
            ++start;
        }
    }
    return columns;
}

QList<int> occurrences(TEditorSearch &engine, const QString &line)
{
    QList<int> columns;
    const int count = engine.FindAll(line);
    for (int i = 0; i < count; ++i)
        columns.append(engine.Results(i));
    return columns;
}

TSearchOptions optionsOf(bool matchCase, bool whole)
{
    TSearchOptions options;
    options.setFlag(TSearchOption::ssoMatchCase, matchCase);
    options.setFlag(TSearchOption::ssoWholeWord, whole);
    return options;
}

} // namespace

class TestEditorSearch : public QObject
{
    Q_OBJECT

private slots:
    void findAll_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<QList<int>>("columns");

        QTest::newRow("case ignored finds upper case")
            << u"x = SET_VALUE(1)"_s << u"set_value"_s << false << false << QList<int>{5};
        QTest::newRow("case kept misses upper case")
            << u"x = SET_VALUE(1)"_s << u"set_value"_s << true << false << QList<int>{};
        QTest::newRow("case kept finds the same case")
            << u"x = SET_VALUE(1)"_s << u"SET_VALUE"_s << true << false << QList<int>{5};
        QTest::newRow("every occurrence, left to right")
            << u"ab ab ab"_s << u"ab"_s << true << false << QList<int>{1, 4, 7};
        QTest::newRow("matches do not overlap")
            << u"aaaa"_s << u"aaa"_s << true << false << QList<int>{1};
        QTest::newRow("one-character pattern")
            << u"a.a..a"_s << u"."_s << true << false << QList<int>{2, 4, 5};
        QTest::newRow("line shorter than the pattern")
            << u"ab"_s << u"abc"_s << false << false << QList<int>{};
        QTest::newRow("match fills the line")
            << u"abc"_s << u"abc"_s << true << true << QList<int>{1};
        QTest::newRow("underscore is no word break")
            << u"x = GET_PARAM_EX(a, b)"_s << u"GET_PARAM"_s << false << true << QList<int>{};
        QTest::newRow("parentheses are word breaks")
            << u"x = (GET_PARAM)"_s << u"GET_PARAM"_s << false << true << QList<int>{6};
        QTest::newRow("match at the line end is a whole word")
            << u"CALL GET_PARAM"_s << u"get_param"_s << false << true << QList<int>{6};
        QTest::newRow("digits are no word breaks")
            << u"1X X2 X"_s << u"X"_s << true << true << QList<int>{7};
        QTest::newRow("Cyrillic letters are no word breaks")
            << u"Бумага ума"_s << u"ума"_s << true << true << QList<int>{8};
        QTest::newRow("section and degree signs are word breaks")
            << u"§abc°"_s << u"abc"_s << true << true << QList<int>{2};
        QTest::newRow("a rejected match consumes nothing")
            << u"xa.a.a"_s << u"a.a"_s << true << true << QList<int>{4};
        QTest::newRow("Cyrillic case ignored")
            << u"name = \"БУМАГА\""_s << u"бумага"_s << false << false << QList<int>{9};
        QTest::newRow("Cyrillic case kept")
            << u"name = \"БУМАГА\""_s << u"бумага"_s << true << false << QList<int>{};
        QTest::newRow("Ґ is a word break only when case is ignored")
            << u"Ґab"_s << u"ab"_s << false << true << QList<int>{2};
        QTest::newRow("Ґ is a letter when case is kept")
            << u"Ґab"_s << u"ab"_s << true << true << QList<int>{};
        QTest::newRow("surrogate halves are plain code units")
            << u"a\U0001D400b\U0001D400"_s << u"\U0001D400"_s << false << false << QList<int>{2, 5};
    }

    void findAll()
    {
        QFETCH(QString, line);
        QFETCH(QString, pattern);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(QList<int>, columns);
        TEditorSearch engine;
        engine.SetOptions(optionsOf(matchCase, wholeWord));
        engine.SetPattern(pattern);
        QCOMPARE(occurrences(engine, line), columns);
        for (int i = 0; i < engine.ResultCount(); ++i)
            QCOMPARE(engine.Lengths(i), int(pattern.size()));
    }

    // The skip table and the last-character shift must never jump over an occurrence;
    // a small alphabet with repeats in patterns makes near misses common.
    void findAllAgreesWithAPlainScan()
    {
        const QString alphabet = u"aaabA_ (Бб"_s;
        auto randomText = [&](QRandomGenerator &random, int length) {
            QString text;
            for (int i = 0; i < length; ++i)
                text += alphabet[random.bounded(int(alphabet.size()))];
            return text;
        };
        QRandomGenerator random(7);
        TEditorSearch engine;
        for (int round = 0; round < 4000; ++round) {
            const QString pattern = randomText(random, 1 + random.bounded(4));
            const bool matchCase = random.bounded(2) == 1;
            const bool whole = random.bounded(2) == 1;
            // The same engine throughout: pattern and option changes must rebuild the table.
            engine.SetOptions(optionsOf(matchCase, whole));
            engine.SetPattern(pattern);
            const QString line = randomText(random, random.bounded(24));
            QCOMPARE(occurrences(engine, line), plainScan(line, pattern, matchCase, whole));
        }
    }

    void emptyPatternIsAnError()
    {
        TEditorSearch engine;
        engine.SetPattern(QString());
        QVERIFY_THROWS_EXCEPTION(Error, engine.FindAll(u"text"));
    }

    void caseSettingRederivesThePattern()
    {
        TEditorSearch engine;
        engine.SetPattern(u"Set"_s);
        QCOMPARE(occurrences(engine, u"SET set Set"_s), (QList<int>{1, 5, 9}));
        engine.SetOptions(TSearchOption::ssoMatchCase);
        QCOMPARE(occurrences(engine, u"SET set Set"_s), QList<int>{9});
        engine.SetOptions({});
        QCOMPARE(occurrences(engine, u"SET set Set"_s), (QList<int>{1, 5, 9}));
        QCOMPARE(engine.Pattern(), u"Set"_s);
    }
};

BP_TEST(TestEditorSearch)

#include "tst_editor_search.moc"
