#include "aids/comment_toggle.h"
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
    QTest::addColumn<QList<int>>("changed");

    const QStringList four{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("caret line only")
        << four << 3 << 3 << QStringList{u"a"_s, u"b"_s, u"'c"_s, u"d"_s} << QList<int>{3};
    QTest::newRow("selection ending at column 1 includes that line")
        << four << 2 << 4 << QStringList{u"a"_s, u"'b"_s, u"'c"_s, u"'d"_s} << QList<int>{2, 3, 4};
    QTest::newRow("selection made upwards")
        << four << 4 << 2 << QStringList{u"a"_s, u"'b"_s, u"'c"_s, u"'d"_s} << QList<int>{2, 3, 4};
    QTest::newRow("plain line commented")
        << QStringList{u"a = 1"_s} << 1 << 1 << QStringList{u"'a = 1"_s} << QList<int>{1};
    QTest::newRow("commented line restored")
        << QStringList{u"'a = 1"_s} << 1 << 1 << QStringList{u"a = 1"_s} << QList<int>{1};
    QTest::newRow("apostrophe goes before the indentation")
        << QStringList{u"  b"_s} << 1 << 1 << QStringList{u"'  b"_s} << QList<int>{1};
    QTest::newRow("indented line restored")
        << QStringList{u"'  b"_s} << 1 << 1 << QStringList{u"  b"_s} << QList<int>{1};
    QTest::newRow("two apostrophes lose only the first")
        << QStringList{u"''x"_s} << 1 << 1 << QStringList{u"'x"_s} << QList<int>{1};
    QTest::newRow("trailing comment loses its apostrophe")
        << QStringList{u"x = 1; ' note"_s} << 1 << 1 << QStringList{u"x = 1;  note"_s}
        << QList<int>{1};
    QTest::newRow("an apostrophe inside a string is text, so the line is commented")
        << QStringList{u"MESSAGE(\"Don't stop\", 1)"_s} << 1 << 1
        << QStringList{u"'MESSAGE(\"Don't stop\", 1)"_s} << QList<int>{1};
    QTest::newRow("that commented line is restored")
        << QStringList{u"'MESSAGE(\"Don't stop\", 1)"_s} << 1 << 1
        << QStringList{u"MESSAGE(\"Don't stop\", 1)"_s} << QList<int>{1};
    QTest::newRow("a comment after a string with an apostrophe loses its own")
        << QStringList{u"MESSAGE(\"it's\", 1) ' say"_s} << 1 << 1
        << QStringList{u"MESSAGE(\"it's\", 1)  say"_s} << QList<int>{1};
    QTest::newRow("an unterminated string holds its apostrophe; the next line starts afresh")
        << QStringList{u"x = \"it's"_s, u"y = 'c"_s} << 1 << 2
        << QStringList{u"'x = \"it's"_s, u"y = c"_s} << QList<int>{1, 2};
    QTest::newRow("each line toggled on its own")
        << QStringList{u"'a"_s, u"b"_s} << 1 << 2 << QStringList{u"a"_s, u"'b"_s}
        << QList<int>{1, 2};
    QTest::newRow("empty line") << QStringList{QString()} << 1 << 1 << QStringList{u"'"_s}
                                << QList<int>{1};
    QTest::newRow("document without lines gets line 1")
        << QStringList() << 1 << 1 << QStringList{u"'"_s} << QList<int>{1};
}

void TestCommentToggle::toggle()
{
    QFETCH(QStringList, lines);
    QFETCH(int, blockBegin);
    QFETCH(int, blockEnd);
    QFETCH(QStringList, expected);
    QFETCH(QList<int>, changed);

    const QList<bp::LineChange> changes = bp::toggleComments(lines, blockBegin, blockEnd);
    QList<int> changedLines;
    for (const bp::LineChange &change : changes) {
        changedLines.append(change.line);
        if (change.line <= lines.size())
            lines[change.line - 1] = change.text;
        else
            lines.append(change.text);
    }
    QCOMPARE(changedLines, changed);
    QCOMPARE(lines, expected);
}

BP_TEST(TestCommentToggle)

#include "tst_comment_toggle.moc"
