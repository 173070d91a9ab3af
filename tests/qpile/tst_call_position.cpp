#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"
#include "qpile/call_position.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCallPosition : public QObject
{
    Q_OBJECT

private slots:
    void argument_data();
    void argument();
    void enclosingCalls_data();
    void enclosingCalls();
};

namespace {

bp::TBufferCoord readPicture(const QStringList &picture, bp::TEditorLines &lines)
{
    bp::TBufferCoord caret;
    for (int i = 0; i < picture.size(); ++i) {
        QString text = picture[i];
        const qsizetype bar = text.indexOf(u'|');
        if (bar >= 0) {
            caret = {int(bar) + 1, i + 1};
            text.remove(bar, 1);
        }
        lines.Add(text);
    }
    return caret;
}

} // namespace

void TestCallPosition::argument_data()
{
    // The lines with "|" at the caret; the function found ("" for none), the argument index
    // and where the function's name starts ("line:column").
    QTest::addColumn<QStringList>("picture");
    QTest::addColumn<QString>("function");
    QTest::addColumn<int>("argument");
    QTest::addColumn<QString>("name");

    QTest::newRow("just after the bracket")
        << QStringList{u"q = GET_PARAM_EX(|"_s} << u"GET_PARAM_EX"_s << 0 << u"1:5"_s;
    QTest::newRow("after a comma")
        << QStringList{u"q = GET_PARAM_EX(\"TQBR\", |)"_s} << u"GET_PARAM_EX"_s << 1 << u"1:5"_s;
    QTest::newRow("name in lower case, blank before the bracket")
        << QStringList{u"x = get_item (\"ORDERS\", i|)"_s} << u"GET_ITEM"_s << 1 << u"1:5"_s;
    QTest::newRow("inside a nested call")
        << QStringList{u"x = GET_VALUE(GET_ITEM(\"ORDERS\", |), \"PRICE\")"_s} << u"GET_ITEM"_s << 1
        << u"1:15"_s;
    QTest::newRow("back in the outer call after the nested one")
        << QStringList{u"x = GET_VALUE(GET_ITEM(\"ORDERS\", 1), |\"PRICE\")"_s} << u"GET_VALUE"_s
        << 1 << u"1:5"_s;
    QTest::newRow("commas and brackets inside a string")
        << QStringList{u"MESSAGE(\"a, (b\", |"_s} << u"MESSAGE"_s << 1 << u"1:1"_s;
    QTest::newRow("caret inside a string holding a comma")
        << QStringList{u"MESSAGE(\"it's, o|k\""_s} << u"MESSAGE"_s << 0 << u"1:1"_s;
    QTest::newRow("commas inside plain brackets")
        << QStringList{u"x = POW((a, b) * 2, |"_s} << u"POW"_s << 1 << u"1:5"_s;
    QTest::newRow("an unknown function is looked through")
        << QStringList{u"x = GET_VALUE(MyFunc(a, |"_s} << u"GET_VALUE"_s << 0 << u"1:5"_s;
    QTest::newRow("a function the keyword table lacks")
        << QStringList{u"x = ABS(|"_s} << u"ABS"_s << 0 << u"1:5"_s;
    QTest::newRow("after the closing bracket")
        << QStringList{u"x = LEN(s)|"_s} << QString() << 0 << QString();
    QTest::newRow("before the bracket")
        << QStringList{u"x = LEN|(s)"_s} << QString() << 0 << QString();
    QTest::newRow("inside a comment")
        << QStringList{u"x = LEN(s, ' GET_ITEM(a, |"_s} << QString() << 0 << QString();
    QTest::newRow("unknown name") << QStringList{u"x = FOO(|"_s} << QString() << 0 << QString();
    QTest::newRow("a call continued over lines")
        << QStringList{u"x = 1"_s, u"SEND_TRANSACTION(10, _ ' ждать"_s, u"  params, _"_s, u"  |"_s}
        << u"SEND_TRANSACTION"_s << 2 << u"2:1"_s;
    QTest::newRow("a line without the continuation mark ends the statement")
        << QStringList{u"x = LEN(s"_s, u"y = |"_s} << QString() << 0 << QString();
    QTest::newRow("the line above closes its own call")
        << QStringList{u"x = POW(2, _"_s, u"  LEN(s)), |"_s} << QString() << 0 << QString();
}

void TestCallPosition::argument()
{
    QFETCH(QStringList, picture);
    QFETCH(QString, function);
    QFETCH(int, argument);
    QFETCH(QString, name);

    bp::TEditorLines lines;
    const bp::TBufferCoord caret = readPicture(picture, lines);
    bp::TQPILEHighlighter highlighter;
    const std::optional<bp::QpileCallPosition> found =
        bp::findCallPosition(bp::testing::shippedReference(), lines, caret, highlighter);
    QCOMPARE(found ? found->function->name : QString(), function);
    if (found) {
        QCOMPARE(found->argument, argument);
        QCOMPARE(u"%1:%2"_s.arg(found->name.Line).arg(found->name.Char), name);
    }
}

void TestCallPosition::enclosingCalls_data()
{
    // The known calls around the caret, innermost first, as "NAME argument".
    QTest::addColumn<QStringList>("picture");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("two known calls, an unknown one between")
        << QStringList{u"x = GET_VALUE(MyFunc(a, GET_ITEM(\"ORDERS\", |"_s}
        << QStringList{u"GET_ITEM 1"_s, u"GET_VALUE 0"_s};
    QTest::newRow("the inner call closed")
        << QStringList{u"MESSAGE(LEN(s), |"_s} << QStringList{u"MESSAGE 1"_s};
    QTest::newRow("in a comment") << QStringList{u"' MESSAGE(LEN(|"_s} << QStringList{};
}

void TestCallPosition::enclosingCalls()
{
    QFETCH(QStringList, picture);
    QFETCH(QStringList, calls);
    bp::TEditorLines lines;
    const bp::TBufferCoord caret = readPicture(picture, lines);
    bp::TQPILEHighlighter highlighter;
    QStringList found;
    for (const bp::QpileCallPosition &call :
         bp::findEnclosingCalls(bp::testing::shippedReference(), lines, caret, highlighter))
        found << u"%1 %2"_s.arg(call.function->name).arg(call.argument);
    QCOMPARE(found, calls);
}

BP_TEST(TestCallPosition)
#include "tst_call_position.moc"
