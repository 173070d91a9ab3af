#include "app/document.h"
#include "editor/model/editor_lines.h"
#include "qpile/call_position.h"
#include "qpile/script_outline.h"
#include "qpile/structure_check.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using bp::testing::drawProblemPicture;
using bp::testing::parseProblemPicture;
using bp::testing::shippedReference;

namespace {

// A file around the body that is right in itself: header, PROGRAM … END_PROGRAM, the end.
QStringList inProgram(const QStringList &body)
{
    return QStringList{u"PORTFOLIO_EX Test;"_s, u"DESCRIPTION Проверка;"_s, u"FIRMS_LIST F;"_s,
                       u"PROGRAM"_s} +
           body + QStringList{u"END_PROGRAM"_s, u"END_PORTFOLIO_EX"_s};
}

QString checked(const QStringList &text)
{
    bp::QpileStructureChecker checker(shippedReference());
    return drawProblemPicture(text, checker.checkAll(text));
}

} // namespace

class TestStructureCheck : public QObject
{
    Q_OBJECT

private slots:
    void blocks_data();
    void blocks();
    void fileStructure_data();
    void fileStructure();
    void statements_data();
    void statements();
    void realisticScriptIsClean();
    void newDocumentTemplateIsClean();
    void chunksGiveTheWholeCheck_data();
    void chunksGiveTheWholeCheck();
    void randomText();
};

void TestStructureCheck::blocks_data()
{
    QTest::addColumn<QStringList>("picture");

    QTest::newRow("blocks closed in any letter case, ELSE inside IF")
        << QStringList{u"if a > 1"_s,    u"  For i FROM 1 TO 3"_s, u"  end for"_s, u"Else"_s,
                       u"  FUNC F(x)"_s, u"  END FUNC"_s,          u"End If"_s};
    QTest::newRow("IF never closed") << QStringList{
        u"x = 1"_s, u"  IF x > 1"_s, u"  ^^ Блок IF не закрыт: нет END IF"_s, u"    x = 2"_s};
    QTest::newRow("FOR left open inside an IF that closes")
        << QStringList{u"IF a"_s, u"  FOR i FROM 1 TO 3"_s,
                       u"  ^^^ Блок FOR не закрыт: нет END FOR"_s, u"END IF"_s};
    QTest::newRow("close without opener") << QStringList{u"x = 1"_s,
                                                         u"END IF"_s,
                                                         u"^^^^^^ END IF без IF"_s,
                                                         u"  END FOR"_s,
                                                         u"  ^^^^^^^ END FOR без FOR"_s,
                                                         u"END FUNC ' конец"_s,
                                                         u"^^^^^^^^ END FUNC без FUNC"_s};
    QTest::newRow("ELSE without IF")
        << QStringList{u"FOR i FROM 1 TO 2"_s, u"  ELSE"_s, u"  ^^^^ ELSE без IF"_s, u"END FOR"_s};
    QTest::newRow("ELSE of an IF with a FOR left open inside")
        << QStringList{u"IF a"_s, u"  FOR i FROM 1 TO 2"_s,
                       u"  ^^^ Блок FOR не закрыт: нет END FOR"_s, u"ELSE"_s, u"END IF"_s};
    QTest::newRow("END IF inside a FUNC cannot close an IF outside it")
        << QStringList{u"IF a"_s,     u"FUNC F()"_s, u"  END IF"_s, u"  ^^^^^^ END IF без IF"_s,
                       u"END FUNC"_s, u"END IF"_s};
    QTest::newRow("underscore and joined spellings")
        << QStringList{u"IF a"_s,       u"END_IF"_s,   u"^^^^^^ ожидалось END IF"_s,
                       u"FOR i IN s"_s, u"  endfor"_s, u"  ^^^^^^ ожидалось END FOR"_s,
                       u"FUNC F()"_s,   u"END_FUNC"_s, u"^^^^^^^^ ожидалось END FUNC"_s,
                       u"IF b"_s,       u"ENDIF"_s,    u"^^^^^ ожидалось END IF"_s};
    QTest::newRow("misspelled close with no opener gives one finding")
        << QStringList{u"x = 1"_s, u"END_IF"_s, u"^^^^^^ END_IF без IF"_s, u"  endfor"_s,
                       u"  ^^^^^^ ENDFOR без FOR"_s};
    QTest::newRow("two blanks or a tab between the words")
        << QStringList{u"IF a"_s,
                       u"END  IF"_s,
                       u"^^^^^^^ ожидалось END IF"_s,
                       u"FOR i FROM 1 TO 2"_s,
                       u"END\tFOR"_s,
                       u"^^^^^^^ ожидалось END FOR"_s};
    QTest::newRow("a bare END inside IF")
        << QStringList{u"IF a"_s, u"  x = 1"_s, u"END"_s, u"^^^ ожидалось END IF"_s};
    QTest::newRow("block words inside strings, comments and expressions") << QStringList{
        u"s = \"IF x\" ' FOR i"_s, u"MESSAGE(\"END IF\", 1)"_s, u"x = a AND b ' END FOR"_s};
}

void TestStructureCheck::blocks()
{
    QFETCH(QStringList, picture);
    const bp::testing::ProblemPicture expected = parseProblemPicture(inProgram(picture));
    QCOMPARE(checked(expected.text), drawProblemPicture(expected.text, expected.problems));
}

void TestStructureCheck::fileStructure_data()
{
    QTest::addColumn<QStringList>("picture");

    QTest::newRow("header lines without ;")
        << QStringList{u"PORTFOLIO_EX Test"_s,
                       u"^^^^^^^^^^^^^^^^^ Нет «;» в конце строки PORTFOLIO_EX"_s,
                       u"Description Портфель клиента ' пояснение"_s,
                       u"^^^^^^^^^^^^^^^^^^^^^^^^^^^^ Нет «;» в конце строки DESCRIPTION"_s,
                       u"FIRMS_LIST F;"_s,
                       u"PROGRAM"_s,
                       u"END_PROGRAM"_s,
                       u"PARAMETER P"_s,
                       u"^^^^^^^^^^^ Нет «;» в конце строки PARAMETER"_s,
                       u"PARAMETER_TITLE Цена;"_s,
                       u"PARAMETER_TYPE NUMERIC(10,2)"_s,
                       u"^^^^^^^^^^^^^^^^^^^^^^^^^^^^ Нет «;» в конце строки PARAMETER_TYPE"_s,
                       u"END"_s,
                       u"END_PORTFOLIO_EX"_s};
    QTest::newRow("missing END_PORTFOLIO_EX: marked on the last line with text")
        << QStringList{u"PORTFOLIO_EX Test;"_s,
                       u"PROGRAM"_s,
                       u"END_PROGRAM"_s,
                       u"^^^^^^^^^^^ Нет END_PORTFOLIO_EX в конце файла"_s,
                       u""_s,
                       u"' конец"_s};
    QTest::newRow("the first version's file end")
        << QStringList{u"PORTFOLIO Test;"_s, u"PROGRAM"_s, u"END_PROGRAM"_s,
                       u"^^^^^^^^^^^ Нет END_PORTFOLIO в конце файла"_s};
    QTest::newRow("program and file ends written with a blank")
        << QStringList{u"PORTFOLIO_EX Test;"_s, u"PROGRAM"_s,
                       u"END PROGRAM"_s,        u"^^^^^^^^^^^ ожидалось END_PROGRAM"_s,
                       u"END PORTFOLIO_EX"_s,   u"^^^^^^^^^^^^^^^^ ожидалось END_PORTFOLIO_EX"_s};
    QTest::newRow("PROGRAM left open when the columns start")
        << QStringList{u"PORTFOLIO_EX Test;"_s,
                       u"PROGRAM"_s,
                       u"^^^^^^^ Блок PROGRAM не закрыт: нет END_PROGRAM"_s,
                       u"x = 1"_s,
                       u"  IF x"_s,
                       u"  ^^ Блок IF не закрыт: нет END IF"_s,
                       u"PARAMETER P;"_s,
                       u"END"_s,
                       u"END_PORTFOLIO_EX"_s};
    QTest::newRow("PARAMETER without END, END without PARAMETER")
        << QStringList{u"PORTFOLIO_EX Test;"_s,
                       u"PARAMETER A;"_s,
                       u"^^^^^^^^^ Блок PARAMETER не закрыт: нет END"_s,
                       u"PARAMETER_TITLE А;"_s,
                       u"PARAMETER B;"_s,
                       u"END"_s,
                       u"END"_s,
                       u"^^^ END без PARAMETER"_s,
                       u"END_PORTFOLIO_EX"_s};
    QTest::newRow("closes without openers at file level") << QStringList{
        u"END_PROGRAM"_s, u"^^^^^^^^^^^ END_PROGRAM без PROGRAM"_s, u"END_PORTFOLIO_EX"_s,
        u"^^^^^^^^^^^^^^^^ END_PORTFOLIO_EX без PORTFOLIO_EX"_s};
    QTest::newRow("comments and blank lines only: nothing to report")
        << QStringList{u"' только комментарий"_s, u""_s, u"   "_s};
}

void TestStructureCheck::fileStructure()
{
    QFETCH(QStringList, picture);
    const bp::testing::ProblemPicture expected = parseProblemPicture(picture);
    QCOMPARE(checked(expected.text), drawProblemPicture(expected.text, expected.problems));
}

void TestStructureCheck::statements_data()
{
    QTest::addColumn<QStringList>("picture");

    QTest::newRow("unterminated strings")
        << QStringList{u"s = \"abc"_s,
                       u"    ^^^^ Строка не закрыта: нет второй кавычки \""_s,
                       u"MESSAGE(\"a, 1)"_s,
                       u"        ^^^^^^ Строка не закрыта: нет второй кавычки \""_s,
                       u"t = \"it's\" & \"\" ' \"в комментарии"_s,
                       u"u = \""_s,
                       u"    ^ Строка не закрыта: нет второй кавычки \""_s};
    QTest::newRow("result of a copying function not kept") << QStringList{
        u"SET_VALUE(row, \"A\", 1)"_s,
        u"^^^^^^^^^ Результат SET_VALUE теряется: пишите row = SET_VALUE(row, …)"_s,
        u"  insert_collection_item(GET_LIST(), 0, x) ' вставка"_s,
        u"  ^^^^^^^^^^^^^^^^^^^^^^ Результат INSERT_COLLECTION_ITEM теряется: присвойте его переменной"_s,
        u"REMOVE_COLLECTION_ITEM (c, 0)"_s,
        u"^^^^^^^^^^^^^^^^^^^^^^ Результат REMOVE_COLLECTION_ITEM теряется: пишите c = REMOVE_COLLECTION_ITEM(c, …)"_s,
        u"row = SET_VALUE(row, \"A\", 1)"_s,
        u"c = SET_COLLECTION_ITEM(c, 0, SET_VALUE(m, \"K\", 2))"_s,
        u"ADD_ITEM(1, row)"_s};
    QTest::newRow("argument counts of functions known for sure")
        << QStringList{u"x = GET_ITEM(\"ORDERS\")"_s,
                       u"    ^^^^^^^^ GET_ITEM: нужно аргументов: 2, передано: 1"_s,
                       u"m = CREATE_MAP(a, b)"_s,
                       u"    ^^^^^^^^^^ CREATE_MAP: нужно аргументов: 0–1, передано: 2"_s,
                       u"m = CREATE_MAP()"_s,
                       u"m = CREATE_MAP(m)"_s,
                       u"x = RAND( )"_s,
                       u"x = abs(1, 2)"_s,
                       u"    ^^^ ABS: нужно аргументов: 1, передано: 2"_s,
                       u"x = POW(GET_VALUE(m, \"A\"), (1 + 2) * 3)"_s,
                       u"x = LEN(\"a, b (c\") ' LEN(a, b)"_s,
                       u"x = POW(LEN(a, b), 2,)"_s,
                       u"    ^^^ POW: нужно аргументов: 2, передано: 3"_s,
                       u"        ^^^ LEN: нужно аргументов: 1, передано: 2"_s,
                       u"x = MyFunc(1, 2, 3)"_s};
    QTest::newRow("entries whose parameters are in doubt are not counted")
        << QStringList{u"x = MONEY_LIMIT_LOCKED_NONMARGINAL_VALUE(a)"_s,
                       u"m = GET_CLIENT_MARGINAL_BUY_SELL_INFO_EX(a)"_s};
    QTest::newRow("a call continued on the next line")
        << QStringList{u"x = GET_ITEM(\"ORDERS\", _"_s,
                       u"    ^^^^^^^^ GET_ITEM: нужно аргументов: 2, передано: 3"_s,
                       u"    1, _ ' ещё строка"_s,
                       u"    2)"_s,
                       u"SET_ROW_COLOR_EX(1, \"A\", \"B\", _"_s,
                       u"                 \"C\", \"D\")"_s};
    QTest::newRow("a bracket left open ends with its line")
        << QStringList{u"x = LEN(s"_s, u"y = LEN(t)"_s, u"z = x_"_s, u"q = LEN(t)"_s};
    QTest::newRow("a bracket left open does not count the next line as its argument")
        << QStringList{u"x = RAND("_s, u"y = ABS(z))"_s};
}

void TestStructureCheck::statements()
{
    QFETCH(QStringList, picture);
    const bp::testing::ProblemPicture expected = parseProblemPicture(inProgram(picture));
    QCOMPARE(checked(expected.text), drawProblemPicture(expected.text, expected.problems));
}

void TestStructureCheck::realisticScriptIsClean()
{
    bp::TEditorLines lines;
    lines.LoadFromFile(bp::testing::qpileTestFile(u"portfolio.qpl"_s));
    QVERIFY(lines.Count() > 100);
    bp::QpileStructureChecker checker(shippedReference());
    QStringList text;
    for (int i = 0; i < lines.Count(); ++i)
        text.append(lines[i]);
    QCOMPARE(drawProblemPicture(text, checker.checkAll(lines)), text.join(u'\n'));
}

void TestStructureCheck::newDocumentTemplateIsClean()
{
    // The text File > New puts in, as the document makes it.
    const QStringList text = bp::newDocumentTemplate();
    QCOMPARE(text.size(), 18);
    QCOMPARE(checked(text), text.join(u'\n'));
}

void TestStructureCheck::chunksGiveTheWholeCheck_data()
{
    QTest::addColumn<int>("chunkLines");
    QTest::newRow("line by line") << 1;
    QTest::newRow("3 lines") << 3;
    QTest::newRow("50 lines") << 50;
}

void TestStructureCheck::chunksGiveTheWholeCheck()
{
    // A check resumed from the state after each chunk finds what one pass finds, and a
    // second run reaches equal states at the same lines, where a background check may stop.
    QFETCH(int, chunkLines);
    bp::TEditorLines lines;
    lines.LoadFromFile(bp::testing::qpileTestFile(u"portfolio.qpl"_s));
    // Break it in several ways, across the chunk borders.
    lines.setLine(14, u"    IF bid > 0 AND offer > 0 _"_s);
    lines.setLine(20, u"END_FUNC"_s);
    lines.setLine(48, u"        SET_VALUE(row, \"CLIENT\", GET_ITEM(\"ORDERS\"))"_s);
    lines.setLine(56, u"        SET_ROW_COLOR_EX(row_number, RowColor(offer - bid), \"A\", _"_s);
    lines.remove(lines.Count() - 2);

    bp::QpileStructureChecker whole(shippedReference());
    const std::vector<bp::QpileProblem> expected = whole.checkAll(lines);
    QVERIFY(expected.size() >= 4);

    bp::QpileStructureChecker chunked(shippedReference());
    std::vector<bp::QpileProblem> found;
    std::vector<bp::QpileCheckState> states;
    bp::QpileCheckState state;
    while (state.nextLine < lines.Count()) {
        chunked.checkLines(lines, chunkLines, state, found);
        states.push_back(state);
    }
    chunked.finish(state, found);
    std::stable_sort(found.begin(), found.end(), [](const auto &left, const auto &right) {
        return std::tie(left.line, left.column) < std::tie(right.line, right.column);
    });
    QCOMPARE(found, expected);

    bp::QpileCheckState again;
    std::vector<bp::QpileProblem> ignored;
    for (const bp::QpileCheckState &stored : states) {
        chunked.checkLines(lines, chunkLines, again, ignored);
        QCOMPARE(again, stored);
    }
}

void TestStructureCheck::randomText()
{
    // Lines made of random pieces of the language (and of what it forbids): every finding
    // lies inside the text, and a check line by line finds what one pass finds. The
    // argument-position finder and the outline read the same lines without failing.
    const QStringList pieces{u"IF "_s,
                             u"END"_s,
                             u" "_s,
                             u"  "_s,
                             u"\t"_s,
                             u"FOR"_s,
                             u"FUNC"_s,
                             u"("_s,
                             u")"_s,
                             u","_s,
                             u"\""_s,
                             u"'"_s,
                             u"_"_s,
                             u"SET_VALUE"_s,
                             u"GET_ITEM"_s,
                             u"x"_s,
                             u"PARAMETER"_s,
                             u"PROGRAM"_s,
                             u"ELSE"_s,
                             u"END_PROGRAM"_s,
                             u"END_PORTFOLIO_EX"_s,
                             u"PORTFOLIO_EX"_s,
                             u";"_s,
                             u"д"_s,
                             QString(QChar(0)),
                             u"END_IF"_s,
                             u"\r"_s,
                             u"1"_s,
                             u"END IF"_s};
    QRandomGenerator random(17);
    bp::QpileStructureChecker whole(shippedReference());
    bp::QpileStructureChecker chunked(shippedReference());
    for (int document = 0; document < 40; ++document) {
        bp::TEditorLines lines;
        const int count = random.bounded(1, 60);
        for (int i = 0; i < count; ++i) {
            QString line;
            for (int n = random.bounded(0, 12); n > 0; --n)
                line += pieces[random.bounded(int(pieces.size()))];
            lines.Add(line);
        }
        const std::vector<bp::QpileProblem> expected = whole.checkAll(lines);
        for (const bp::QpileProblem &problem : expected) {
            QVERIFY(problem.line >= 1 && problem.line <= lines.Count());
            QVERIFY(problem.column >= 1 && problem.length >= 1);
            QVERIFY(problem.column - 1 + problem.length <= lines.length(problem.line - 1));
            QVERIFY(!problem.message.isEmpty());
        }
        std::vector<bp::QpileProblem> found;
        bp::QpileCheckState state;
        while (state.nextLine < lines.Count())
            chunked.checkLines(lines, 1, state, found);
        chunked.finish(state, found);
        std::stable_sort(found.begin(), found.end(), [](const auto &left, const auto &right) {
            return std::tie(left.line, left.column) < std::tie(right.line, right.column);
        });
        QCOMPARE(found, expected);

        bp::TQPILEHighlighter highlighter;
        for (int probe = 0; probe < 20; ++probe) {
            const int line = random.bounded(1, count + 1);
            const bp::TBufferCoord caret{random.bounded(1, lines.length(line - 1) + 3), line};
            const auto call = bp::findCallPosition(shippedReference(), lines, caret, highlighter);
            if (call) {
                QVERIFY(call->argument >= 0);
                QVERIFY(call->openBracket < caret);
            }
        }
        for (const bp::QpileOutlineEntry &entry : bp::buildOutline(lines, highlighter))
            QVERIFY(entry.line >= 1 && entry.line <= count);
    }
}

BP_TEST(TestStructureCheck)
#include "tst_structure_check.moc"
