#include "editor/model/editor_lines.h"
#include "qpile/incremental_check.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QRandomGenerator>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using bp::testing::shippedReference;

namespace {

struct Edit
{
    const char *name;
    std::function<void(bp::TEditorLines &)> apply;
};

std::vector<bp::QpileProblem> wholeCheck(const bp::TEditorLines &lines)
{
    bp::QpileStructureChecker checker(shippedReference());
    return checker.checkAll(lines);
}

// The portfolio fixture repeated, so passes cross many stored states.
void loadLongScript(bp::TEditorLines &lines)
{
    bp::TEditorLines one;
    one.LoadFromFile(bp::testing::qpileTestFile(u"portfolio.qpl"_s));
    QStringList text;
    for (int copy = 0; copy < 12; ++copy) {
        for (int i = 0; i < one.Count(); ++i)
            text << one[i];
    }
    lines.setText(text.join(u'\n'));
}

} // namespace

class TestIncrementalCheck : public QObject
{
    Q_OBJECT

private slots:
    void editsGiveTheWholeCheck();
    void editWhilePassIsUnderWay();
    void editAfterPausedPass_data();
    void editAfterPausedPass();
    void randomEdits();
};

void TestIncrementalCheck::editsGiveTheWholeCheck()
{
    // Each edit applies to the text the ones before left; after each, the check kept current
    // finds what a whole check finds.
    const std::vector<Edit> edits{
        {"typing inside a line",
         [](bp::TEditorLines &l) { l.setLine(30, l[30] + u" ' заметка"_s); }},
        {"an opener left open", [](bp::TEditorLines &l) { l.insert(40, u"IF x > 1"_s); }},
        {"its close added further on", [](bp::TEditorLines &l) { l.insert(600, u"END IF"_s); }},
        {"a string opened that hides the rest of its line",
         [](bp::TEditorLines &l) { l.setLine(41, u"s = \"abc"_s); }},
        {"lines deleted across stored states", [](bp::TEditorLines &l) { l.remove(250, 300); }},
        {"a continued call broken over lines",
         [](bp::TEditorLines &l) {
             l.insertLines(60, std::vector<QString>{u"SET_VALUE(m, \"A\", _"_s, u"  1)"_s});
         }},
        {"a misspelled close", [](bp::TEditorLines &l) { l.setLine(100, u"END_IF"_s); }},
        {"the first line removed", [](bp::TEditorLines &l) { l.remove(0); }},
        {"the last lines removed", [](bp::TEditorLines &l) { l.remove(l.Count() - 3, 3); }},
        {"the open IF removed", [](bp::TEditorLines &l) { l.remove(40); }},
        {"lines exchanged in one step",
         [](bp::TEditorLines &l) {
             std::vector<QString> texts{u"FUNC F(a)"_s, u"END FUNC"_s, u"x = 1"_s};
             texts.resize(std::size_t(l.Count() - 500));
             for (std::size_t i = 3; i < texts.size(); ++i)
                 texts[i] = l[500 + int(i)];
             l.exchangeLines(500, texts);
         }},
        {"everything replaced", [](bp::TEditorLines &l) { l.setText(u"IF a\nx = 1"_s); }},
        {"all lines removed", [](bp::TEditorLines &l) { l.Clear(); }},
        {"a line added to the empty list", [](bp::TEditorLines &l) { l.Add(u"END FOR"_s); }},
    };

    bp::TEditorLines lines;
    loadLongScript(lines);
    bp::QpileIncrementalCheck check(shippedReference(), lines);
    check.runAll();
    QCOMPARE(check.problems(), wholeCheck(lines));
    for (const Edit &edit : edits) {
        edit.apply(lines);
        QVERIFY2(check.pending(), edit.name);
        check.runAll();
        QVERIFY2(check.problems() == wholeCheck(lines), edit.name);
    }
}

void TestIncrementalCheck::editWhilePassIsUnderWay()
{
    // A pass paused by its budget, then edits before, inside and after what it has done;
    // also: typing in one line re-checks only the lines near it.
    bp::TEditorLines lines;
    loadLongScript(lines);
    bp::QpileIncrementalCheck check(shippedReference(), lines);
    QVERIFY(!check.run(300));
    lines.setLine(700, u"FOR i FROM 1 TO 2"_s);
    QVERIFY(!check.run(300));
    lines.insert(100, u"END FUNC"_s);
    lines.remove(1000, 20);
    while (!check.run(200)) {
    }
    QCOMPARE(check.problems(), wholeCheck(lines));

    lines.setLine(500, lines[500] + u" + 1"_s);
    check.runAll();
    QCOMPARE(check.problems(), wholeCheck(lines));
    QVERIFY2(check.linesChecked() <= bp::QpileIncrementalCheck::kCheckpointSpacing + 1,
             qPrintable(QString::number(check.linesChecked())));
}

void TestIncrementalCheck::editAfterPausedPass_data()
{
    QTest::addColumn<int>("removeAt");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QStringList>("inserted");
    // Line 256 starts a stored state's stretch; "END FOR" on 258 closes the FOR of line 1
    // and finds the IF of line 257 left open.
    QTest::newRow("lines removed at a stored state, the opener with them")
        << 256 << 2 << QStringList{};
    QTest::newRow("lines replaced there by others")
        << 256 << 2 << QStringList{u"y = 2"_s, u"IF b"_s, u"z = 3"_s};
    QTest::newRow("the opener removed alone") << 257 << 1 << QStringList{};
}

void TestIncrementalCheck::editAfterPausedPass()
{
    // A pass paused before the edit, then lines removed further on: the findings of the
    // lines after them were made with the removed lines open, and must not be kept because
    // the state stored before the removed lines still matches.
    QFETCH(int, removeAt);
    QFETCH(int, removed);
    QFETCH(QStringList, inserted);
    bp::TEditorLines lines;
    QStringList text{u"FOR i IN s"_s};
    for (int i = 1; i < 300; ++i)
        text << (i == 256   ? u"x = 1"_s
                 : i == 257 ? u"IF a"_s
                 : i == 258 ? u"END FOR"_s
                            : u"x = 1"_s);
    lines.setText(text.join(u'\n'));
    bp::QpileIncrementalCheck check(shippedReference(), lines);
    check.runAll();
    QCOMPARE(check.problems(), wholeCheck(lines));

    lines.setLine(100, u"x = 2"_s);
    QVERIFY(!check.run(50));
    lines.remove(removeAt, removed);
    for (int i = 0; i < inserted.size(); ++i)
        lines.insert(removeAt + i, inserted[i]);
    check.runAll();
    QCOMPARE(check.problems(), wholeCheck(lines));
}

void TestIncrementalCheck::randomEdits()
{
    const QStringList pieces{u"IF a"_s,
                             u"END IF"_s,
                             u"END_IF"_s,
                             u"FOR i IN s"_s,
                             u"END FOR"_s,
                             u"FUNC F(x)"_s,
                             u"END FUNC"_s,
                             u"s = \"a"_s,
                             u"x = 1 _"_s,
                             u"GET_ITEM(1,"_s,
                             u")"_s,
                             u"PARAMETER P;"_s,
                             u"END"_s,
                             u"' IF"_s,
                             u""_s,
                             u"PROGRAM"_s,
                             u"END_PROGRAM"_s,
                             u"y = a + Helper(1)"_s,
                             u"a = 1"_s,
                             u"FUNC Helper(v)"_s,
                             u"z = unset_thing"_s,
                             u"NEW_GLOBAL(\"a\", 0)"_s,
                             u"p = LEN(s"_s,
                             u"  s)"_s};
    // Names come and go with the lines that set, define and read them: the findings about
    // them follow as the whole check gives them.
    QRandomGenerator random(29);
    bp::TEditorLines lines;
    loadLongScript(lines);
    bp::QpileIncrementalCheck check(shippedReference(), lines);
    for (int round = 0; round < 150; ++round) {
        const int edits = random.bounded(1, 4);
        for (int e = 0; e < edits; ++e) {
            const int at = random.bounded(lines.Count() + 1);
            const QString piece = pieces[random.bounded(int(pieces.size()))];
            switch (random.bounded(3)) {
            case 0:
                lines.insert(at, piece);
                break;
            case 1:
                if (at < lines.Count())
                    lines.remove(at, std::min(lines.Count() - at, random.bounded(1, 40)));
                break;
            default:
                if (at < lines.Count())
                    lines.setLine(at, piece);
                break;
            }
            // Sometimes part of a pass runs between edits.
            if (random.bounded(2))
                check.run(random.bounded(1, 500));
        }
        check.runAll();
        QVERIFY2(check.problems() == wholeCheck(lines), qPrintable(QString::number(round)));
    }
}

BP_TEST(TestIncrementalCheck)
#include "tst_incremental_check.moc"
