#include "aids/editor_aids.h"
#include "editor/model/edit_model.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommentToggle : public QObject
{
    Q_OBJECT

private slots:
    void toggle_data();
    void toggle();
};

void TestCommentToggle::toggle_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("blockBegin");
    QTest::addColumn<int>("blockEnd");
    QTest::addColumn<QStringList>("expected");

    const QStringList four{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("caret line only")
        << four << 3 << 3 << QStringList{u"a"_s, u"b"_s, u"'c"_s, u"d"_s};
    QTest::newRow("selection ending at column 1 includes that line")
        << four << 2 << 4 << QStringList{u"a"_s, u"'b"_s, u"'c"_s, u"'d"_s};
    QTest::newRow("selection made upwards")
        << four << 4 << 2 << QStringList{u"a"_s, u"'b"_s, u"'c"_s, u"'d"_s};
    QTest::newRow("plain line commented")
        << QStringList{u"a = 1"_s} << 1 << 1 << QStringList{u"'a = 1"_s};
    QTest::newRow("commented line restored")
        << QStringList{u"'a = 1"_s} << 1 << 1 << QStringList{u"a = 1"_s};
    QTest::newRow("apostrophe goes before the indentation")
        << QStringList{u"  b"_s} << 1 << 1 << QStringList{u"'  b"_s};
    QTest::newRow("indented line restored")
        << QStringList{u"'  b"_s} << 1 << 1 << QStringList{u"  b"_s};
    QTest::newRow("two apostrophes lose only the first")
        << QStringList{u"''x"_s} << 1 << 1 << QStringList{u"'x"_s};
    QTest::newRow("trailing comment loses its apostrophe")
        << QStringList{u"x = 1; ' note"_s} << 1 << 1 << QStringList{u"x = 1;  note"_s};
    QTest::newRow("an apostrophe inside a string is text, so the line is commented")
        << QStringList{u"MESSAGE(\"Don't stop\", 1)"_s} << 1 << 1
        << QStringList{u"'MESSAGE(\"Don't stop\", 1)"_s};
    QTest::newRow("that commented line is restored")
        << QStringList{u"'MESSAGE(\"Don't stop\", 1)"_s} << 1 << 1
        << QStringList{u"MESSAGE(\"Don't stop\", 1)"_s};
    QTest::newRow("a comment after a string with an apostrophe loses its own")
        << QStringList{u"MESSAGE(\"it's\", 1) ' say"_s} << 1 << 1
        << QStringList{u"MESSAGE(\"it's\", 1)  say"_s};
    QTest::newRow("an unterminated string holds its apostrophe; the next line starts afresh")
        << QStringList{u"x = \"it's"_s, u"y = 'c"_s} << 1 << 2
        << QStringList{u"'x = \"it's"_s, u"y = c"_s};
    QTest::newRow("each line toggled on its own")
        << QStringList{u"'a"_s, u"b"_s} << 1 << 2 << QStringList{u"a"_s, u"'b"_s};
    QTest::newRow("empty line") << QStringList{QString()} << 1 << 1 << QStringList{u"'"_s};
    QTest::newRow("document without lines gets line 1")
        << QStringList() << 1 << 1 << QStringList{u"'"_s};
}

// The command as the window runs it on the editor: the caret on `blockBegin` and, when the
// lines differ, a selection from column 1 of `blockBegin` to column 1 of `blockEnd`.
void TestCommentToggle::toggle()
{
    QFETCH(QStringList, lines);
    QFETCH(int, blockBegin);
    QFETCH(int, blockEnd);
    QFETCH(QStringList, expected);

    bp::EditModel model;
    for (const QString &line : std::as_const(lines))
        model.Lines().Add(line);
    model.setCaretXY({1, blockBegin});
    if (blockEnd != blockBegin)
        model.setCaretXY({1, blockEnd}, true);
    bp::applyCommentToggle(model);
    QStringList after;
    for (int i = 0; i < model.Lines().Count(); ++i)
        after << model.Lines()[i];
    QCOMPARE(after, expected);
    // One step takes it back.
    model.executeCommand(bp::ecUndo);
    QStringList undone;
    for (int i = 0; i < model.Lines().Count(); ++i)
        undone << model.Lines()[i];
    QCOMPARE(undone, lines.isEmpty() ? QStringList{QString()} : lines);
}

BP_TEST(TestCommentToggle)

#include "tst_comment_toggle.moc"
