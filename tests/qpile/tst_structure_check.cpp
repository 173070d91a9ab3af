#include "app/document.h"
#include "editor/model/editor_lines.h"
#include "qpile/call_position.h"
#include "qpile/script_outline.h"
#include "qpile/structure_check.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
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

// The findings drawn as a picture. The structure tables read names they never set; hints
// about those are beside their point and left out unless asked for.
QString checked(const QStringList &text, bool variableHints = false, const QString &folder = {})
{
    bp::QpileStructureChecker checker(shippedReference());
    std::vector<bp::QpileProblem> problems = checker.checkAll(text, folder);
    if (!variableHints)
        std::erase_if(problems, [](const bp::QpileProblem &problem) {
            return problem.kind == bp::QpileProblemKind::UnsetVariable;
        });
    return drawProblemPicture(text, problems);
}

// The check run a chunk of lines at a time, the state carried between chunks, as a
// background check runs it; the findings sorted as a whole check gives them.
std::vector<bp::QpileProblem> checkInChunks(bp::QpileStructureChecker &checker,
                                            const bp::TEditorLines &lines, int chunkLines,
                                            std::vector<bp::QpileCheckState> *states = nullptr)
{
    std::vector<bp::QpileProblem> found;
    std::vector<bp::QpileNameUse> uses;
    bp::QpileCheckState state;
    while (state.nextLine < lines.Count()) {
        checker.checkLines(lines, chunkLines, state, found, &uses);
        if (states)
            states->push_back(state);
    }
    checker.finish(state, found);
    bp::QpileNameCheck names(checker, checker.names());
    for (const bp::QpileNameUse &use : uses)
        names.add(use);
    names.report(uses, found);
    bp::sortProblems(found);
    return found;
}

QStringList readLines(const QString &path)
{
    bp::TEditorLines lines;
    lines.LoadFromFile(path);
    QStringList text;
    for (int i = 0; i < lines.Count(); ++i)
        text.append(lines[i]);
    return text;
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
    void findings_data();
    void findings();
    void wholeFiles_data();
    void wholeFiles();
    void includedFiles();
    void tradingDayIsClean();
    void tradingDayMistakes_data();
    void tradingDayMistakes();
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
        u"                         ^^^^^^^^ Неизвестная функция GET_LIST"_s,
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
                       u"x = MyFunc(1, 2, 3)"_s,
                       u"    ^^^^^^ Неизвестная функция MyFunc"_s};
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
        << QStringList{u"x = LEN(s"_s, u"       ^ Скобка «(» не закрыта"_s, u"y = LEN(t)"_s,
                       u"z = x_"_s, u"q = LEN(t)"_s};
    QTest::newRow("a bracket left open does not count the next line as its argument")
        << QStringList{u"x = RAND("_s, u"        ^ Скобка «(» не закрыта"_s, u"y = ABS(z))"_s,
                       u"          ^ Лишняя «)»"_s};
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

void TestStructureCheck::findings_data()
{
    QTest::addColumn<QStringList>("picture");

    QTest::newRow("brackets: unclosed at its own place, extra, line broken inside a call")
        << QStringList{u"s = \"SBER\""_s,
                       u"p = GET_PARAM_EX(\"TQBR\", SUBSTR(s, 1, 2)"_s,
                       u"    ^^^^^^^^^^^^ GET_PARAM_EX: нужно аргументов: 3, передано: 2"_s,
                       u"                ^ Скобка «(» не закрыта"_s,
                       u"x = LEN(\"a\"))"_s,
                       u"            ^ Лишняя «)»"_s,
                       u"y = POW(2,"_s,
                       u"         ^ Строка оборвана внутри вызова: продолжение строки — « _»"_s,
                       u"    3)"_s,
                       u"z = LEN(s"_s,
                       u"       ^ Скобка «(» не закрыта"_s,
                       u""_s,
                       u"w = POW(2, _"_s,
                       u"    LEN(s))"_s};
    QTest::newRow("unknown functions, with the nearest known name") << QStringList{
        u"b = MONEY_CURENT_BALANCE(\"C\", \"F\", \"T\", \"SUR\")"_s,
        u"    ^^^^^^^^^^^^^^^^^^^^ Неизвестная функция MONEY_CURENT_BALANCE — может быть, MONEY_CURRENT_BALANCE?"_s,
        u"c = Twice(b) + Helper(1) + twise(2)"_s,
        u"               ^^^^^^ Неизвестная функция Helper"_s,
        u"                           ^^^^^ Неизвестная функция twise — может быть, TWICE?"_s,
        u"FUNC Twice(v)"_s,
        u"    RESULT = v * 2 + abs(v) + RANDOMIZE()"_s,
        u"END FUNC"_s};
    QTest::newRow("typographic characters at the character, their text no argument of its own")
        << QStringList{u"MESSAGE(“Готово, всё”, 1)"_s,
                       u"        ^ Типографская кавычка “ вместо \""_s,
                       u"                    ^ Типографская кавычка ” вместо \""_s,
                       u"d = 5 – 2 — 1"_s,
                       u"      ^ – вместо -"_s,
                       u"          ^ — вместо -"_s,
                       u"‘ комментарий из документа"_s,
                       u"^ Типографская кавычка ‘: комментарий начинается с '"_s,
                       u"s = «SBER» ’ тоже комментарий ("_s,
                       u"    ^ Типографская кавычка « вместо \""_s,
                       u"         ^ Типографская кавычка » вместо \""_s,
                       u"           ^ Типографская кавычка ’: комментарий начинается с '"_s,
                       u"DESCR = \"«кавычки» в строке – можно\" ' и “в комментарии”"_s};
    QTest::newRow("Cyrillic letters inside Latin words; a FUNC spelt so still opens its block")
        << QStringList{u"funс Calc(x)"_s,
                       u"   ^ Кириллическая «с» в слове funс"_s,
                       u"    RESULT = x"_s,
                       u"END FUNC"_s,
                       u"ClDepoСB = Calc(1) + Сalc(2)"_s,
                       u"      ^ Кириллическая «С» в слове ClDepoСB"_s,
                       u"                     ^ Кириллическая «С» в слове Сalc"_s};
    QTest::newRow("FOR and IF headers")
        << QStringList{u"FOR i = 100 TO 200"_s,
                       u"      ^ «=» вместо FROM или IN: FOR i FROM a TO b или FOR v IN список"_s,
                       u"END FOR"_s,
                       u"FOR j FROM 1"_s,
                       u"      ^^^^ FROM без TO: FOR i FROM a TO b или FOR v IN список"_s,
                       u"END FOR"_s,
                       u"FOR IN \"a,b\""_s,
                       u"^^^ После FOR нужна переменная: FOR i FROM a TO b или FOR v IN список"_s,
                       u"END FOR"_s,
                       u"FOR k IN"_s,
                       u"      ^^ После IN нужен список значений"_s,
                       u"END FOR"_s,
                       u"IF "_s,
                       u"^^ IF без условия"_s,
                       u"END IF"_s,
                       u"FOR n FROM 1 TO 3"_s,
                       u"    FOR v IN \"a,b\""_s,
                       u"        IF n > 1 AND v = \"a\""_s,
                       u"        END IF"_s,
                       u"    END FOR"_s,
                       u"END FOR"_s};
    QTest::newRow("a variable read but never set is a hint at its first read") << QStringList{
        u"x = MoneyCurrentBalance + 1"_s,
        u"    ~~~~~~~~~~~~~~~~~~~ Переменная MoneyCurrentBalance нигде не получает значения"_s,
        u"IF moneycurrentbalance > x"_s, u"END IF"_s};
    QTest::newRow("what sets a variable: assignment anywhere, FOR, NEW_GLOBAL, a FUNC's parameters")
        << QStringList{u"NEW_GLOBAL(\"Counter\", 0)"_s,
                       u"Counter = Counter + later"_s,
                       u"FOR v IN \"a,b\""_s,
                       u"    s = s & v"_s,
                       u"END FOR"_s,
                       u"FUNC Sum(a, b)"_s,
                       u"    RESULT = a + b + Counter + 3E2"_s,
                       u"END FUNC"_s,
                       u"later = Sum(1, 2D3) + ABS(-1)"_s,
                       u"MESSAGE(\"Итог: \" & later, 1)"_s};
}

void TestStructureCheck::findings()
{
    QFETCH(QStringList, picture);
    const bp::testing::ProblemPicture expected = parseProblemPicture(inProgram(picture));
    QCOMPARE(checked(expected.text, true), drawProblemPicture(expected.text, expected.problems));
}

void TestStructureCheck::wholeFiles_data()
{
    QTest::addColumn<QStringList>("picture");

    QTest::newRow("header and column lines continued with \" _\" end with \";\" on their last line")
        << QStringList{u"PORTFOLIO_EX Test;"_s,
                       u"DESCRIPTION Очень длинное описание _"_s,
                       u"    портфеля;"_s,
                       u"CLIENTS_LIST C1, C2, _"_s,
                       u"    C3;"_s,
                       u"FIRMS_LIST F1, _"_s,
                       u"    F2;"_s,
                       u"USE_CASE_SENSITIVE_CONSTANTS"_s,
                       u"PROGRAM"_s,
                       u"END_PROGRAM"_s,
                       u"PARAMETER P;"_s,
                       u"PARAMETER_TITLE Длинный _"_s,
                       u"    заголовок;"_s,
                       u"PARAMETER_DESCRIPTION Без _"_s,
                       u"    точки с запятой"_s,
                       u"    ^^^^^^^^^^^^^^^ Нет «;» в конце строки PARAMETER_DESCRIPTION"_s,
                       u"END"_s,
                       u"END_PORTFOLIO_EX"_s};
    QTest::newRow("a file of FUNCs only is a library") << QStringList{u"' библиотека для INCLUDE"_s,
                                                                      u"FUNC Add(a, b)"_s,
                                                                      u"    RESULT = a + b"_s,
                                                                      u"END FUNC"_s,
                                                                      u""_s,
                                                                      u"FUNC Twice(a)"_s,
                                                                      u"    RESULT = Add(a, a)"_s,
                                                                      u"END FUNC"_s};
    QTest::newRow("a misspelt opener is reported at the opener, not at its close")
        << QStringList{u"PORTFOLIO_EX Test;"_s,
                       u"DESCRIPTION Т;"_s,
                       u"FIRMS_LIST F;"_s,
                       u"PROGRM"_s,
                       u"^^^^^^ Неизвестное слово PROGRM — может быть, PROGRAM?"_s,
                       u"x = 1"_s,
                       u"END_PROGRAМ"_s,
                       u"          ^ Кириллическая «М» в слове END_PROGRAМ"_s,
                       u"PARAMETЕR P;"_s,
                       u"       ^ Кириллическая «Е» в слове PARAMETЕR"_s,
                       u"END"_s,
                       u"END_PORTFOLIO_EX"_s};
    QTest::newRow("the first version's file with every block")
        << QStringList{u"PORTFOLIO Old;"_s,
                       u"DESCRIPTION Старый формат;"_s,
                       u"FIRMS_LIST F;"_s,
                       u"PROGRAM"_s,
                       u"FUNC F(a)"_s,
                       u"    IF a > 0"_s,
                       u"        RESULT = a"_s,
                       u"    ELSE"_s,
                       u"        RESULT = 0"_s,
                       u"    END IF"_s,
                       u"END FUNC"_s,
                       u"FOR i FROM 1 TO 2"_s,
                       u"    X = F(i)"_s,
                       u"END FOR"_s,
                       u"END_PROGRAM"_s,
                       u"PARAMETER X;"_s,
                       u"PARAMETER_TITLE Икс;"_s,
                       u"PARAMETER_DESCRIPTION Значение;"_s,
                       u"PARAMETER_TYPE NUMERIC(10,2);"_s,
                       u"END"_s,
                       u"END_PORTFOLIO"_s};
}

void TestStructureCheck::wholeFiles()
{
    QFETCH(QStringList, picture);
    const bp::testing::ProblemPicture expected = parseProblemPicture(picture);
    QCOMPARE(checked(expected.text, true), drawProblemPicture(expected.text, expected.problems));
}

void TestStructureCheck::includedFiles()
{
    // FUNCs of a file named by INCLUDE are known when it is found beside the script; when it
    // cannot be read, a call of an unknown name may be one of them: a hint, and no variable is
    // taken for unset.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile library(folder.filePath(u"lib.qpl"_s));
    QVERIFY(library.open(QIODevice::WriteOnly));
    library.write("FUNC LibTwice(x)\r\n    Shared = x\r\n    RESULT = x * 2\r\nEND FUNC\r\n");
    library.close();
    const auto script = [](const QString &include, const QString &call) {
        return QStringList{u"PORTFOLIO_EX Test;"_s,
                           u"DESCRIPTION Т;"_s,
                           u"FIRMS_LIST F;"_s,
                           u"INCLUDE "_s + include + u';',
                           u"PROGRAM"_s,
                           call,
                           u"END_PROGRAM"_s,
                           u"END_PORTFOLIO_EX"_s};
    };
    const QStringList found = script(u"lib.qpl"_s, u"y = LibTwice(2) + Shared"_s);
    QCOMPARE(checked(found, true, folder.path()), found.join(u'\n'));
    const QStringList absolute =
        script(u"\""_s + folder.filePath(u"lib.qpl"_s) + u'"', u"y = LibTwice(2) + Shared"_s);
    QCOMPARE(checked(absolute, true), absolute.join(u'\n'));

    const bp::testing::ProblemPicture missing = parseProblemPicture(
        script(
            u"missing.qpl"_s,
            u"y = LibTwice(2) + Unset\n"
            u"    ~~~~~~~~ Неизвестная функция LibTwice (или она в файле missing.qpl, который не удалось прочитать)"_s)
            .join(u'\n')
            .split(u'\n'));
    QCOMPARE(checked(missing.text, true, folder.path()),
             drawProblemPicture(missing.text, missing.problems));
    // A script not saved yet has no folder to look in.
    const bp::testing::ProblemPicture unsaved = parseProblemPicture(
        script(
            u"lib.qpl"_s,
            u"y = LibTwice(2)\n"
            u"    ~~~~~~~~ Неизвестная функция LibTwice (или она в файле lib.qpl, который не удалось прочитать)"_s)
            .join(u'\n')
            .split(u'\n'));
    QCOMPARE(checked(unsaved.text, true), drawProblemPicture(unsaved.text, unsaved.problems));
}

void TestStructureCheck::tradingDayIsClean()
{
    const QStringList text = readLines(bp::testing::qpileTestFile(u"trading_day.qpl"_s));
    QVERIFY(text.size() >= 300);
    QCOMPARE(checked(text, true, bp::testing::qpileTestFile(QString())), text.join(u'\n'));
}

void TestStructureCheck::tradingDayMistakes_data()
{
    // A line of the script replaced by a typical slip; the one finding it must give, drawn
    // under the line it is on.
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("problemLine");
    QTest::addColumn<QString>("problemText");
    QTest::addColumn<QString>("annotation");

    QTest::newRow("misspelt built-in function")
        << 178 << u"    money = MONEY_CURENT_BALANCE(client_code, firm_id, money_tag, currency)"_s
        << 178 << u"    money = MONEY_CURENT_BALANCE(client_code, firm_id, money_tag, currency)"_s
        << u"            ^^^^^^^^^^^^^^^^^^^^ Неизвестная функция MONEY_CURENT_BALANCE — может быть, MONEY_CURRENT_BALANCE?"_s;
    QTest::newRow("misspelt own FUNC")
        << 170 << u"client_list = CollectClient()"_s << 170 << u"client_list = CollectClient()"_s
        << u"              ^^^^^^^^^^^^^ Неизвестная функция CollectClient — может быть, COLLECTCLIENTS?"_s;
    QTest::newRow("misspelt FUNC of the included file")
        << 204 << u"        row = SET_VALUE(row, \"MONEY\", RoundMony(money))"_s << 204
        << u"        row = SET_VALUE(row, \"MONEY\", RoundMony(money))"_s
        << u"                                      ^^^^^^^^^ Неизвестная функция RoundMony — может быть, ROUNDMONEY?"_s;
    QTest::newRow("closing bracket left out")
        << 226
        << u"                MESSAGE(\"Клиент \" & client_code & \": уровень маржи ниже 1\", 1"_s
        << 226
        << u"                MESSAGE(\"Клиент \" & client_code & \": уровень маржи ниже 1\", 1"_s
        << u"                       ^ Скобка «(» не закрыта"_s;
    QTest::newRow("one bracket too many")
        << 192 << u"    margin_level = 0 + GET_VALUE(margin, \"LEVEL\"))"_s << 192
        << u"    margin_level = 0 + GET_VALUE(margin, \"LEVEL\"))"_s
        << u"                                                 ^ Лишняя «)»"_s;
    QTest::newRow("line broken inside a call without \" _\"")
        << 211 << u"        SET_ROW_COLOR_EX(row_number, LoadColor(load), \"DEFAULT_COLOR\","_s
        << 211 << u"        SET_ROW_COLOR_EX(row_number, LoadColor(load), \"DEFAULT_COLOR\","_s
        << u"                                                                     ^ Строка оборвана внутри вызова: продолжение строки — « _»"_s;
    QTest::newRow("typographic quotes from a document")
        << 217
        << u"                MESSAGE(“Клиент ” & client_code & \": загрузка \" & load & \"%\", 2)"_s
        << 217
        << u"                MESSAGE(“Клиент ” & client_code & \": загрузка \" & load & \"%\", 2)"_s
        << u"                        ^ Типографская кавычка “ вместо \"\n                                ^ Типографская кавычка ” вместо \""_s;
    QTest::newRow("typographic apostrophe starting a comment")
        << 214 << u"        ‘ Предупреждение один раз за день"_s << 214
        << u"        ‘ Предупреждение один раз за день"_s
        << u"        ^ Типографская кавычка ‘: комментарий начинается с '"_s;
    QTest::newRow("typographic dash")
        << 174 << u"FOR c FROM 0 TO GET_COLLECTION_COUNT(client_list) – 1"_s << 174
        << u"FOR c FROM 0 TO GET_COLLECTION_COUNT(client_list) – 1"_s
        << u"                                                  ^ – вместо -"_s;
    QTest::newRow("Cyrillic letter in a variable")
        << 182 << u"    pоsitions = 0"_s << 182 << u"    pоsitions = 0"_s
        << u"     ^ Кириллическая «о» в слове pоsitions"_s;
    QTest::newRow("Cyrillic letter in END_PROGRAM")
        << 268 << u"END_PROGRAМ"_s << 268 << u"END_PROGRAМ"_s
        << u"          ^ Кириллическая «М» в слове END_PROGRAМ"_s;
    QTest::newRow("misspelt PROGRAM")
        << 9 << u"PROGRAMM"_s << 9 << u"PROGRAMM"_s
        << u"^^^^^^^^ Неизвестное слово PROGRAMM — может быть, PROGRAM?"_s;
    QTest::newRow("END IF written with an underscore")
        << 187 << u"        END_IF"_s << 187 << u"        END_IF"_s
        << u"        ^^^^^^ ожидалось END IF"_s;
    QTest::newRow("END FOR written with two blanks")
        << 188 << u"    END  FOR"_s << 188 << u"    END  FOR"_s
        << u"    ^^^^^^^^ ожидалось END FOR"_s;
    QTest::newRow("FOR with \"=\" for FROM")
        << 174 << u"FOR c = 0 TO GET_COLLECTION_COUNT(client_list) - 1"_s << 174
        << u"FOR c = 0 TO GET_COLLECTION_COUNT(client_list) - 1"_s
        << u"      ^ «=» вместо FROM или IN: FOR i FROM a TO b или FOR v IN список"_s;
    QTest::newRow("END IF left out")
        << 232 << u"    "_s << 200 << u"    IF positions > 0 OR turnover >= min_turnover"_s
        << u"    ^^ Блок IF не закрыт: нет END IF"_s;
    QTest::newRow("changed copy not kept")
        << 203 << u"        SET_VALUE(row, \"CLIENT\", client_code)"_s << 203
        << u"        SET_VALUE(row, \"CLIENT\", client_code)"_s
        << u"        ^^^^^^^^^ Результат SET_VALUE теряется: пишите row = SET_VALUE(row, …)"_s;
    QTest::newRow("argument left out")
        << 191 << u"    margin = GET_CLIENT_MARGINAL_PORTFOLIO_INFO(client_code)"_s << 191
        << u"    margin = GET_CLIENT_MARGINAL_PORTFOLIO_INFO(client_code)"_s
        << u"             ^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^ GET_CLIENT_MARGINAL_PORTFOLIO_INFO: нужно аргументов: 2, передано: 1"_s;
    QTest::newRow("continued header line without its \";\"")
        << 3 << u"    по бумагам первого эшелона"_s << 3 << u"    по бумагам первого эшелона"_s
        << u"    ^^^^^^^^^^^^^^^^^^^^^^^^^^ Нет «;» в конце строки DESCRIPTION"_s;
    QTest::newRow("string without its closing quote")
        << 28 << u"watch_list = \"SBER,GAZP,LKOH,GMKN,ROSN,VTBR"_s << 28
        << u"watch_list = \"SBER,GAZP,LKOH,GMKN,ROSN,VTBR"_s
        << u"             ^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^ Строка не закрыта: нет второй кавычки \""_s;
    QTest::newRow("variable misspelt where it is read")
        << 193 << u"    load = Percent(positions, positions + ClampZero(mony))"_s << 193
        << u"    load = Percent(positions, positions + ClampZero(mony))"_s
        << u"                                                    ~~~~ Переменная mony нигде не получает значения"_s;
}

void TestStructureCheck::tradingDayMistakes()
{
    QFETCH(int, line);
    QFETCH(QString, replacement);
    QFETCH(int, problemLine);
    QFETCH(QString, problemText);
    QFETCH(QString, annotation);
    QStringList text = readLines(bp::testing::qpileTestFile(u"trading_day.qpl"_s));
    text[line - 1] = replacement;
    QCOMPARE(text[problemLine - 1], problemText);
    const bp::testing::ProblemPicture expected =
        parseProblemPicture(QStringList{text[problemLine - 1]} + annotation.split(u'\n'));
    std::vector<bp::QpileProblem> problems = expected.problems;
    for (bp::QpileProblem &problem : problems)
        problem.line = problemLine;
    QCOMPARE(checked(text, true, bp::testing::qpileTestFile(QString())),
             drawProblemPicture(text, problems));
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
    std::vector<bp::QpileCheckState> states;
    QCOMPARE(checkInChunks(chunked, lines, chunkLines, &states), expected);

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
                             u"END IF"_s,
                             u"“"_s,
                             u"‘"_s,
                             u"–"_s,
                             u"с"_s,
                             u"INCLUDE "_s,
                             u"DESCRIPTION "_s,
                             u" _"_s,
                             u"y = "_s,
                             u"Func1"_s};
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
        QCOMPARE(checkInChunks(chunked, lines, 1), expected);

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
