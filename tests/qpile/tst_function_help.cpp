#include "aids/built_in_library.h"
#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"
#include "qpile/function_help.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const bp::QpileFunction &shipped(const QString &name)
{
    const bp::QpileFunction *function = bp::testing::shippedReference().function(name);
    Q_ASSERT(function);
    return *function;
}

// The texts set in bold, in order.
QStringList boldParts(const QString &html)
{
    static const QRegularExpression bold(u"<b>(.*?)</b>"_s);
    QStringList parts;
    for (const QRegularExpressionMatch &match : bold.globalMatch(html))
        parts << match.captured(1);
    return parts;
}

} // namespace

class TestFunctionHelp : public QObject
{
    Q_OBJECT

private slots:
    void signatureTipSetsTheArgumentInBold_data()
    {
        // The function, the argument the caret is in, what is bold (the argument, then the
        // name of the note) and a text the tip must hold.
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("argument");
        QTest::addColumn<QStringList>("bold");
        QTest::addColumn<QString>("holds");

        QTest::newRow("first argument, keys of the returned MAP")
            << u"GET_PARAM_EX"_s << 0 << QStringList{u"STRING classcode"_s, u"classcode"_s}
            << u"Возвращает MAP, ключи: <code>PARAM_VALUE, PARAM_IMAGE, PARAM_TYPE, RESULT"_s;
        QTest::newRow("last argument")
            << u"GET_PARAM_EX"_s << 2 << QStringList{u"STRING param_name"_s, u"param_name"_s}
            << u"идентификатор параметра"_s;
        QTest::newRow("allowed values of the argument")
            << u"MESSAGE"_s << 1 << QStringList{u"DOUBLE Msg_type"_s, u"Msg_type"_s}
            << u"Значения: 1 — информация, 2 — предупреждение, 3 — ошибка"_s;
        QTest::newRow("optional argument in brackets")
            << u"CREATE_COLLECTION"_s << 0 << QStringList{u"[COLLECTION IntValue]"_s, u"IntValue"_s}
            << u"<code>COLLECTION "_s;
        QTest::newRow("one argument too many: nothing bold")
            << u"LEN"_s << 1 << QStringList{} << u"Лишний аргумент (параметров: 1)"_s;
        QTest::newRow("many keys are cut short")
            << u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO"_s << 0
            << QStringList{u"STRING firmid"_s, u"firmid"_s} << u" и ещё 28 (F1 — все)"_s;
    }
    void signatureTipSetsTheArgumentInBold()
    {
        QFETCH(QString, function);
        QFETCH(int, argument);
        QFETCH(QStringList, bold);
        QFETCH(QString, holds);
        const QString html = bp::signatureTipHtml(shipped(function), argument);
        QCOMPARE(boldParts(html), bold);
        QVERIFY2(html.contains(holds), qPrintable(html));
    }

    void signatureTipOfAProcedureAndOfAPlainResult()
    {
        // No result type in front of a procedure, no keys line for a result that is no MAP.
        const QString message = bp::signatureTipHtml(shipped(u"MESSAGE"_s), 0);
        QVERIFY(message.contains(u"<code>MESSAGE (<b>STRING Text</b>, DOUBLE Msg_type)</code>"_s));
        QVERIFY(!message.contains(u"Возвращает"_s));
        const QString len = bp::signatureTipHtml(shipped(u"LEN"_s), 0);
        QVERIFY(len.contains(u"<code>DOUBLE LEN ("_s));
        QVERIFY(!len.contains(u"Возвращает"_s));
    }

    void textsFromTheReferenceAreEscaped()
    {
        bp::QpileFunction function;
        function.name = u"F"_s;
        function.signature = u"DOUBLE F (STRING a<b)"_s;
        bp::QpileParameter parameter;
        parameter.name = u"a<b"_s;
        parameter.type = u"STRING"_s;
        parameter.note = u"x < y & z"_s;
        function.params = {parameter};
        function.returns.type = u"DOUBLE"_s;
        function.summary = u"<i>not markup</i>"_s;
        function.pitfalls = {u"a && b"_s};
        function.example = u"IF a<b"_s;
        const QString tip = bp::signatureTipHtml(function, 0);
        QVERIFY(tip.contains(u"<b>STRING a&lt;b</b>"_s));
        QVERIFY(tip.contains(u"x &lt; y &amp; z"_s));
        const QString help = bp::functionHelpHtml(function);
        for (const QString &text :
             {u"DOUBLE F (STRING a&lt;b)"_s, u"&lt;i&gt;not markup&lt;/i&gt;"_s,
              u"a &amp;&amp; b"_s, u"<code>IF a&lt;b</code>"_s})
            QVERIFY2(help.contains(text), qPrintable(text));
    }

    void helpHoldsSummaryResultTrapsAndExample()
    {
        const bp::QpileFunction &function = shipped(u"GET_PARAM_EX"_s);
        const QString help = bp::functionHelpHtml(function);
        QStringList parts{function.signature, function.summary, function.returns.note,
                          function.example};
        parts << function.pitfalls << function.returns.keys;
        for (const QString &part : std::as_const(parts))
            QVERIFY2(help.contains(part.toHtmlEscaped()), qPrintable(part));

        // Each documented form, the keys of MAP items, the doubts and the state of the entry.
        const QString collection = bp::functionHelpHtml(shipped(u"CREATE_COLLECTION"_s));
        QVERIFY(collection.contains(u"COLLECTION CREATE_COLLECTION ()"_s));
        QVERIFY(collection.contains(u"COLLECTION CREATE_COLLECTION (COLLECTION IntValue)"_s));
        const QString book = bp::functionHelpHtml(shipped(u"GET_QUOTES_II_LEVEL_DATA"_s));
        QVERIFY(book.contains(u"элементы <code>BID</code>: <code>PRICE, QUANTITY</code>"_s));
        QVERIFY(book.contains(u"Не подтверждено источниками"_s));
        QVERIFY(bp::functionHelpHtml(shipped(u"MONEY_LIMIT_LOCKED_NONMARGINAL_VALUE"_s))
                    .contains(u"Больше не поддерживается"_s));
        QVERIFY(bp::functionHelpHtml(shipped(u"MESSAGE"_s))
                    .contains(u"ничего, вызывается как процедура"_s));
    }

    void functionNameAt_data()
    {
        // The line with "|" at the position; whether a caret just after the name counts; the
        // name found ("" for none) and its first column.
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("orBefore");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("column");

        QTest::newRow("on the first letter")
            << u"x = |GET_ITEM(t, 1)"_s << false << u"GET_ITEM"_s << 5;
        QTest::newRow("inside, lower case")
            << u"x = get_i|tem(t, 1)"_s << false << u"GET_ITEM"_s << 5;
        QTest::newRow("just after the name, asked for")
            << u"x = GET_ITEM|(t, 1)"_s << true << u"GET_ITEM"_s << 5;
        QTest::newRow("just after the name at the line end")
            << u"x = LEN|"_s << true << u"LEN"_s << 5;
        QTest::newRow("just after the name, not asked for")
            << u"x = GET_ITEM|(t, 1)"_s << false << QString() << 0;
        QTest::newRow("an argument") << u"x = GET_ITEM(t|ab, 1)"_s << true << QString() << 0;
        QTest::newRow("a known name in a string")
            << u"s = \"GET_|ITEM\""_s << true << QString() << 0;
        QTest::newRow("a known name in a comment")
            << u"x = 1 ' GET_|ITEM"_s << true << QString() << 0;
        QTest::newRow("an unknown name") << u"x = MY_F|UNC(1)"_s << true << QString() << 0;
        QTest::newRow("a keyword") << u"I|F a > 1"_s << true << QString() << 0;
        QTest::newRow("a blank") << u"x = | LEN(s)"_s << false << QString() << 0;
    }
    void functionNameAt()
    {
        QFETCH(QString, picture);
        QFETCH(bool, orBefore);
        QFETCH(QString, name);
        QFETCH(int, column);
        const qsizetype bar = picture.indexOf(u'|');
        bp::TEditorLines lines;
        lines.Add(picture.left(bar) + picture.mid(bar + 1));
        bp::TQPILEHighlighter highlighter;
        const std::optional<bp::QpileNameAt> found = bp::findFunctionNameAt(
            bp::testing::shippedReference(), lines, {int(bar) + 1, 1}, highlighter, orBefore);
        QCOMPARE(found ? found->function->name : QString(), name);
        if (found) {
            QCOMPARE(found->start, (bp::TBufferCoord{column, 1}));
            QCOMPARE(found->length, int(name.size()));
        }
    }

    void everyFunctionOfTheLibraryTreeHasItsHelp()
    {
        // The tree's nodes keep their own texts (trailing blanks, a missing comma): the name
        // before the bracket finds the entry all the same.
        const bp::QpileReference &reference = bp::testing::shippedReference();
        int functions = 0;
        std::function<void(const bp::LibraryForest &)> visit = [&](const bp::LibraryForest &nodes) {
            for (const bp::LibraryNode &node : nodes) {
                visit(node.children);
                if (!node.isFunction())
                    continue;
                ++functions;
                QVERIFY2(bp::functionOfLibraryNode(reference, node.text), qPrintable(node.text));
            }
        };
        visit(bp::builtInLibrary());
        QCOMPARE(functions, 71);
        QCOMPARE(bp::functionOfLibraryNode(reference, u"Общие"_s), nullptr);
        QCOMPARE(bp::functionOfLibraryNode(reference, u"MY_FUNC (DOUBLE x)"_s), nullptr);
    }
};

BP_TEST(TestFunctionHelp)
#include "tst_function_help.moc"
