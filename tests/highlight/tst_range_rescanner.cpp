#include "tst_range_rescanner.h"
#include "highlight/qpile_highlighter.h"
#include "test_runner.h"

#include "highlight_test_support.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;
using bp::test::CountingLineSource;
using bp::test::fullScanRanges;

namespace {

constexpr qint64 U = 0; // rsUnknown
constexpr qint64 S = 2; // rsString

// A document whose line 2 can open a string that runs on to the comment on line 6.
QStringList document()
{
    return {
        u"PROGRAM"_s,     // 0
        u"x = 1"_s,       // 1
        u"y = 2"_s,       // 2
        u"z = 3"_s,       // 3
        u"w = 4"_s,       // 4
        u"v = 5"_s,       // 5
        u"' comment"_s,   // 6
        u"u = 6"_s,       // 7
        u"t = \"open"_s,  // 8
        u"END_PROGRAM"_s, // 9
    };
}

struct Edit
{
    enum Kind
    {
        Insert,
        InsertWithMatchingStates,
        Delete,
        Replace
    };
};

} // namespace

Q_DECLARE_METATYPE(Edit::Kind)

void TstRangeRescanner::scanAllStoresEveryEndState()
{
    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    const ScannedLines scanned = RangeRescanner::scanAll(highlighter, source);
    QCOMPARE(scanned, (ScannedLines{0, 9}));
    QCOMPARE(source.textReads(), 10);
    QCOMPARE(source.ranges(), (QList<qint64>{U, U, U, U, U, U, U, U, S, S}));
}

void TstRangeRescanner::scanAllOfEmptyList()
{
    CountingLineSource source;
    TQPILEHighlighter highlighter;
    const ScannedLines scanned = RangeRescanner::scanAll(highlighter, source);
    QVERIFY(scanned.isEmpty());
    QCOMPARE(scanned.count(), 0);
    QCOMPARE(source.textReads(), 0);
}

void TstRangeRescanner::scanAllIgnoresStaleStates()
{
    // The full scan starts from ResetRange whatever state the highlighter was left in, and
    // flows the state from line to line.
    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    highlighter.SetRange(TRange(TRangeState::rsString));
    RangeRescanner::scanAll(highlighter, source);
    QCOMPARE(source.ranges(), fullScanRanges(document()));
}

void TstRangeRescanner::rescanFromBeyondTheEnd()
{
    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    RangeRescanner::scanAll(highlighter, source);
    source.resetCounters();
    QCOMPARE(RangeRescanner::rescanFrom(highlighter, source, 10), -1);
    QCOMPARE(RangeRescanner::rescanFrom(highlighter, source, 11), -1);
    QCOMPARE(RangeRescanner::rescanFrom(highlighter, source, -1), -1);
    QCOMPARE(source.textReads(), 0);
    QVERIFY(RangeRescanner::afterLinesDeleted(highlighter, source, 10).isEmpty());
    QVERIFY(RangeRescanner::afterLineChanged(highlighter, source, 12).isEmpty());
    QVERIFY(RangeRescanner::afterLinesInserted(highlighter, source, 10, 0).isEmpty());
    QCOMPARE(source.textReads(), 0);
}

void TstRangeRescanner::rescanStopsOnAgreement_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("last");
    QTest::newRow("unchanged first line") << 0 << 0;
    QTest::newRow("unchanged middle line") << 4 << 4;
    QTest::newRow("unchanged last line") << 9 << 9;
}

void TstRangeRescanner::rescanStopsOnAgreement()
{
    QFETCH(int, from);
    QFETCH(int, last);
    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    RangeRescanner::scanAll(highlighter, source);
    source.resetCounters();
    QCOMPARE(RangeRescanner::rescanFrom(highlighter, source, from), last);
    QCOMPARE(source.textReads(), last - from + 1);
}

void TstRangeRescanner::edits_data()
{
    QTest::addColumn<Edit::Kind>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("newLines"); // inserted lines, or the replacement line
    QTest::addColumn<int>("deleteCount");
    QTest::addColumn<QList<int>>("linesRead");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    const QStringList plain3{u"a = 1"_s, u"b = 2"_s, u"c = 3"_s};
    QTest::newRow("insert three plain lines: all three, then the next one agrees")
        << Edit::Insert << 3 << plain3 << 0 << QList<int>{3, 4, 5, 6} << 3 << 6;
    QTest::newRow("insert three lines opening a string: on until the comment")
        << Edit::Insert << 2 << QStringList{u"\"open"_s, u"k = 1"_s, u"m"_s} << 0
        << QList<int>{2, 3, 4, 5, 6, 7, 8, 9} << 2 << 9;
    QTest::newRow("insert three lines whose states already agree: each one still scanned")
        << Edit::InsertWithMatchingStates << 3 << plain3 << 0 << QList<int>{3, 4, 5} << 3 << 5;
    QTest::newRow("insert at the top")
        << Edit::Insert << 0 << QStringList{u"' header"_s} << 0 << QList<int>{0, 1} << 0 << 1;
    QTest::newRow("insert at the end")
        << Edit::Insert << 10 << QStringList{u"x"_s, u"y"_s} << 0 << QList<int>{10, 11} << 10 << 11;
    QTest::newRow("insert a comment after an open string closes the state")
        << Edit::Insert << 9 << QStringList{u"' closes"_s} << 0 << QList<int>{9, 10} << 9 << 10;
    QTest::newRow("replace a line keeping its end state: only that line")
        << Edit::Replace << 4 << QStringList{u"w = GET_VALUE(4)"_s} << 0 << QList<int>{4} << 4 << 4;
    QTest::newRow("replace a line to open a string: on until states agree")
        << Edit::Replace << 1 << QStringList{u"x = \"1"_s} << 0 << QList<int>{1, 2, 3, 4, 5, 6} << 1
        << 6;
    QTest::newRow("replace the last line changing its state")
        << Edit::Replace << 9 << QStringList{u"' end"_s} << 0 << QList<int>{9} << 9 << 9;
    QTest::newRow("replace a line to close the carried string")
        << Edit::Replace << 8 << QStringList{u"t = \"closed\""_s} << 0 << QList<int>{8, 9} << 8
        << 9;
    QTest::newRow("delete lines keeping the states: the line now at the index")
        << Edit::Delete << 2 << QStringList() << 2 << QList<int>{2} << 2 << 2;
    QTest::newRow("delete the comment: the carried state has nothing to change")
        << Edit::Delete << 6 << QStringList() << 1 << QList<int>{6} << 6 << 6;
    QTest::newRow("delete the line opening a string: the next line changes")
        << Edit::Delete << 8 << QStringList() << 1 << QList<int>{8} << 8 << 8;
    QTest::newRow("delete the last lines: nothing to scan")
        << Edit::Delete << 8 << QStringList() << 2 << QList<int>{} << 0 << -1;
}

void TstRangeRescanner::edits()
{
    QFETCH(Edit::Kind, kind);
    QFETCH(int, index);
    QFETCH(QStringList, newLines);
    QFETCH(int, deleteCount);
    QFETCH(QList<int>, linesRead);
    QFETCH(int, first);
    QFETCH(int, last);

    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    RangeRescanner::scanAll(highlighter, source);
    source.resetCounters();

    ScannedLines scanned;
    switch (kind) {
    case Edit::Insert:
        source.insertLines(index, newLines);
        scanned =
            RangeRescanner::afterLinesInserted(highlighter, source, index, int(newLines.size()));
        break;
    case Edit::InsertWithMatchingStates:
        source.insertLines(index, newLines, 0);
        scanned =
            RangeRescanner::afterLinesInserted(highlighter, source, index, int(newLines.size()));
        break;
    case Edit::Delete:
        source.deleteLines(index, deleteCount);
        scanned = RangeRescanner::afterLinesDeleted(highlighter, source, index);
        break;
    case Edit::Replace:
        source.replaceLine(index, newLines.first());
        scanned = RangeRescanner::afterLineChanged(highlighter, source, index);
        break;
    }
    QCOMPARE(source.linesRead(), linesRead);
    QCOMPARE(source.textReads(), int(linesRead.size()));
    if (last < first) {
        QVERIFY(scanned.isEmpty());
    } else {
        QCOMPARE(scanned.first, first);
        QCOMPARE(scanned.last, last);
    }
    // The store ends up as a fresh full scan of the new text would leave it.
    QCOMPARE(source.ranges(), fullScanRanges(source.lines()));
}

void TstRangeRescanner::severalLinesReplaced_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("newLines");
    QTest::addColumn<QList<int>>("linesRead");
    QTest::addColumn<int>("last");

    QTest::newRow("states kept: each replaced line once, nothing after")
        << 1 << QStringList{u"x = 10"_s, u"y = 20"_s, u"z = 30"_s} << QList<int>{1, 2, 3} << 3;
    QTest::newRow("the first opens a string: carried through the others, each read once")
        << 1 << QStringList{u"x = \"1"_s, u"y = 2"_s, u"z = 3"_s} << QList<int>{1, 2, 3, 4, 5, 6}
        << 6;
    QTest::newRow("the last opens a string: on past the replaced lines until states agree")
        << 3 << QStringList{u"z = 3"_s, u"w = \"4"_s} << QList<int>{3, 4, 5, 6} << 6;
    QTest::newRow("comments out the open string: the line after it changes too")
        << 8 << QStringList{u"' t = \"open"_s} << QList<int>{8, 9} << 9;
    QTest::newRow("up to the last line")
        << 7 << QStringList{u"\"a"_s, u"b"_s, u"c"_s} << QList<int>{7, 8, 9} << 9;
}

// Replacing a run of lines scans each of them once in one pass, then on while the states
// carried out of them differ from the stored ones.
void TstRangeRescanner::severalLinesReplaced()
{
    QFETCH(int, index);
    QFETCH(QStringList, newLines);
    QFETCH(QList<int>, linesRead);
    QFETCH(int, last);

    CountingLineSource source(document());
    TQPILEHighlighter highlighter;
    RangeRescanner::scanAll(highlighter, source);
    source.resetCounters();
    for (int i = 0; i < newLines.size(); ++i)
        source.replaceLine(index + i, newLines[i]);
    const ScannedLines scanned =
        RangeRescanner::afterLinesChanged(highlighter, source, index, int(newLines.size()));
    QCOMPARE(source.linesRead(), linesRead);
    QCOMPARE(scanned, (ScannedLines{index, last}));
    QCOMPARE(source.ranges(), fullScanRanges(source.lines()));
}

// Seeded random edits: after each one the store equals a fresh full scan, and every line
// outside the repainted span starts from the state it started from before.
void TstRangeRescanner::randomEditsMatchFullScan()
{
    const QStringList pieces{u"x = 1"_s, u"\"open"_s, u"' c"_s,    u"\"a\" b"_s,
                             QString(),  u"END IF"_s, u"\"\"\""_s, u"y \" z \""_s};
    QRandomGenerator random(20240611);
    CountingLineSource source;
    TQPILEHighlighter highlighter;
    for (int step = 0; step < 400; ++step) {
        const QList<qint64> before = source.ranges();
        const int count = source.lineCount();
        const int action = int(random.bounded(3));
        ScannedLines scanned;
        int index = 0;
        int inserted = 0;
        int deleted = 0;
        if (action == 0 || count == 0) {
            index = int(random.bounded(count + 1));
            inserted = 1 + int(random.bounded(3));
            QStringList lines;
            for (int i = 0; i < inserted; ++i)
                lines << pieces[int(random.bounded(int(pieces.size())))];
            source.insertLines(index, lines);
            scanned = RangeRescanner::afterLinesInserted(highlighter, source, index, inserted);
            QVERIFY(scanned.first == index && scanned.last >= index + inserted - 1);
        } else if (action == 1) {
            index = int(random.bounded(count));
            deleted = 1 + int(random.bounded(qMin(2, count - index)));
            source.deleteLines(index, deleted);
            scanned = RangeRescanner::afterLinesDeleted(highlighter, source, index);
        } else {
            index = int(random.bounded(count));
            source.replaceLine(index, pieces[int(random.bounded(int(pieces.size())))]);
            scanned = RangeRescanner::afterLineChanged(highlighter, source, index);
        }
        const QList<qint64> after = source.ranges();
        QCOMPARE(after, fullScanRanges(source.lines()));
        // Lines after the scanned span keep their stored states (shifted by the edit).
        const int shift = inserted - deleted;
        const int resume = scanned.isEmpty() ? index : scanned.last + 1;
        for (int line = resume; line < source.lineCount(); ++line)
            QCOMPARE(after[line], before[line - shift]);
    }
}

// The rescans take the end state from ScanEndState; it must agree with tokenising the line
// for every start state, including lines with CR, LF and NUL inside.
void TstRangeRescanner::endStateShortcutMatchesTokenising()
{
    QRandomGenerator random(7);
    // Upper case, Cyrillic and the Kelvin sign lower-case on the tokenising path only.
    const QString alphabet = u"ab \"\"''\r\n\t1_.QZ\u0434\u212A"_s;
    bp::TQPILEHighlighter tokenising;
    bp::TQPILEHighlighter shortcut;
    for (int round = 0; round < 20000; ++round) {
        QString line;
        const int length = random.bounded(0, 40);
        for (int i = 0; i < length; ++i)
            line +=
                random.bounded(50) == 0 ? QChar(u'\0') : alphabet[random.bounded(alphabet.size())];
        for (bp::TRange start : {0, 1, 2, 255}) {
            tokenising.SetRange(start);
            tokenising.SetLine(line, 1);
            tokenising.NextToEol();
            shortcut.SetRange(start);
            QCOMPARE(shortcut.ScanEndState(line, 1), tokenising.GetRange());
            QCOMPARE(shortcut.GetRange(), tokenising.GetRange());
        }
    }
}

BP_TEST(TstRangeRescanner)
