#include "aids/completion_matching.h"
#include "aids/completion_proposal_state.h"
#include "aids/completion_words.h"
#include "common/error.h"
#include "common/text_file.h"
#include "test_runner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList texts(const QList<bp::CompletionEntry> &entries)
{
    QStringList out;
    for (const bp::CompletionEntry &entry : entries)
        out.append(entry.text);
    return out;
}

// The caret line after a replacement; a start in virtual space is padded with blanks first.
QString applied(const QString &line, const bp::CompletionReplacement &replacement)
{
    const qsizetype head = replacement.startColumn - 1;
    return line.left(head).leftJustified(head, u' ') + replacement.text +
           line.mid(replacement.endColumn - 1);
}

} // namespace

class TestCompletion : public QObject
{
    Q_OBJECT

private slots:
    void builtInLists();
    void parseWords_data();
    void parseWords();
    void readWords();
    void currentString_data();
    void currentString();
    void filter_data();
    void filter();
    void filterByInsertList();
    void wordBreak_data();
    void wordBreak();
    void replacement_data();
    void replacement();
    void confirmWithEnter();
    void emptyListsNeverOpen();
    void typedCharacters_data();
    void typedCharacters();
    void editingTheCurrentString();
    void highlight();
    void withoutLimitToMatchedText();
};

void TestCompletion::builtInLists()
{
    const QStringList names = bp::builtInCompletionNames();
    QCOMPARE(names.size(), 69);
    QCOMPARE(names.first(), u"NEW_GLOBAL"_s);
    QCOMPARE(names.last(), u"APPLY_SCALE"_s);
    QVERIFY(names.contains(u"SET_ROW_COLOR"_s));
    QVERIFY(!names.contains(u"SET_ROW_COLOR_EX"_s));

    const bp::CompletionProposalConfig first = bp::completionProposal1Config();
    QCOMPARE(first.ItemList, names);
    QCOMPARE(first.InsertList, names);
    QCOMPARE(first.Options, bp::TCompletionOptions(bp::TCompletionOption::scoLimitToMatchedText |
                                                   bp::TCompletionOption::scoCompleteWithEnter));
    QCOMPARE(first.EndOfTokenChr, u"()[]. "_s);
    QCOMPARE(first.TriggerChars, u"."_s);
}

void TestCompletion::parseWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("three lines in file order")
        << u"WRITE\r\nAPPLY_SCALE\r\nACOS"_s
        << QStringList{u"WRITE"_s, u"APPLY_SCALE"_s, u"ACOS"_s};
    QTest::newRow("final break gives no empty entry")
        << u"A\r\nB\r\n"_s << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("empty line inside is an entry")
        << u"A\r\n\r\nB"_s << QStringList{u"A"_s, QString(), u"B"_s};
    QTest::newRow("no trimming") << u" A \t\n"_s << QStringList{u" A \t"_s};
    QTest::newRow("lone CR and lone LF") << u"A\rB\nC"_s << QStringList{u"A"_s, u"B"_s, u"C"_s};
    QTest::newRow("empty file") << QString() << QStringList();
    QTest::newRow("a single break is one empty entry") << u"\r\n"_s << QStringList{QString()};
    QTest::newRow("NUL stops the read")
        << u"A\r\nB"_s + QChar(0) + u"C\r\nD"_s << QStringList{u"A"_s, u"B"_s};
}

void TestCompletion::parseWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(bp::parseCompletionText(text), words);
}

void TestCompletion::readWords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"func.txt"_s);
    QVERIFY_THROWS_EXCEPTION(bp::Error, bp::readCompletionFile(path));

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bp::encodeText(u"ФУНКЦИЯ\r\nLEN\r\n"_s, bp::TextEncoding::Utf16BE));
    file.close();
    QCOMPARE(bp::readCompletionFile(path), (QStringList{u"ФУНКЦИЯ"_s, u"LEN"_s}));
}

void TestCompletion::currentString_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("start");

    QTest::newRow("word before the caret") << u"x = get_v"_s << 10 << u"get_v"_s << 5;
    QTest::newRow("only the part left of the caret") << u"GET_VAXYZ("_s << 7 << u"GET_VA"_s << 1;
    QTest::newRow("= is no end of token") << u"a=GE"_s << 5 << u"a=GE"_s << 1;
    QTest::newRow("stops at a parenthesis") << u"LEN(get"_s << 8 << u"get"_s << 5;
    QTest::newRow("stops at a full stop") << u"a.b"_s << 4 << u"b"_s << 3;
    QTest::newRow("stops at a bracket") << u"x[ab"_s << 5 << u"ab"_s << 3;
    QTest::newRow("stops at a tab") << u"\tab"_s << 4 << u"ab"_s << 2;
    QTest::newRow("caret after a blank") << u"ab "_s << 4 << QString() << 4;
    QTest::newRow("caret at column 1") << u"abc"_s << 1 << QString() << 1;
    QTest::newRow("caret just after the end") << u"ab"_s << 3 << u"ab"_s << 1;
    QTest::newRow("virtual space") << u"ab"_s << 5 << QString() << 5;
    QTest::newRow("empty line") << QString() << 1 << QString() << 1;
}

void TestCompletion::currentString()
{
    QFETCH(QString, line);
    QFETCH(int, caret);
    QFETCH(QString, current);
    QFETCH(int, start);
    QCOMPARE(bp::completionInputAt(line, caret, u"()[]. "), (bp::CompletionInput{current, start}));
}

void TestCompletion::filter_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("expected");

    const QStringList names = bp::builtInCompletionNames();
    QTest::newRow("get_v ignores case")
        << names << u"get_v"_s << false << QStringList{u"GET_VALUE"_s};
    QTest::newRow("list order, not sorted") << names << u"Get_C"_s << false
                                            << QStringList{u"GET_COLLECTION_COUNT"_s,
                                                           u"GET_COLLECTION_ITEM"_s,
                                                           u"GET_CLASSES_LIST"_s,
                                                           u"GET_CLASS_SECURITIES"_s,
                                                           u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO"_s,
                                                           u"GET_CLIENT_MARGINAL_BUY_SELL_INFO"_s,
                                                           u"GET_CANDLE"_s};
    QTest::newRow("a whole name matches itself and longer ones")
        << names << u"write"_s << false << QStringList{u"WRITE"_s, u"WRITELN"_s};
    QTest::newRow("longer than every entry") << names << u"WRITELNX"_s << false << QStringList();
    QTest::newRow("a=GE matches nothing") << names << u"a=GE"_s << false << QStringList();
    QTest::newRow("empty string matches everything") << names << QString() << false << names;
    QTest::newRow("Cyrillic ignores case")
        << QStringList{u"Функция"_s, u"фун"_s, u"ФУНТ"_s, u"фу"_s} << u"фУН"_s << false
        << QStringList{u"Функция"_s, u"фун"_s, u"ФУНТ"_s};
    QTest::newRow("case sensitive when asked") << QStringList{u"GET_VALUE"_s, u"get_value"_s}
                                               << u"get"_s << true << QStringList{u"get_value"_s};
}

void TestCompletion::filter()
{
    QFETCH(QStringList, items);
    QFETCH(QString, current);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, expected);

    bp::CompletionProposalConfig config;
    config.ItemList = items;
    config.Options = bp::TCompletionOption::scoLimitToMatchedText;
    config.Options.setFlag(bp::TCompletionOption::scoCaseSensitive, caseSensitive);
    QCOMPARE(texts(bp::matchingCompletionEntries(config, current)), expected);
}

void TestCompletion::filterByInsertList()
{
    bp::CompletionProposalState state(bp::completionProposal2Config());
    state.setItemList({u"shown alpha"_s, u"shown beta"_s, u"shown gamma"_s});
    state.setInsertList({u"alpha"_s, u"beta"_s});
    QVERIFY(state.open(u"x be", 5));
    QCOMPARE(state.filteredList(), (QList<bp::CompletionEntry>{{u"shown beta"_s, 1}}));
    QCOMPARE(state.textToInsert(), std::optional<QString>(u"beta"_s));

    // An item without an insert text can be listed but inserts nothing.
    QVERIFY(state.open(u"", 1));
    state.highlightLast();
    QCOMPARE(state.filteredList().size(), 3);
    QCOMPARE(state.textToInsert(), std::nullopt);
    QCOMPARE(state.tabKey(), bp::CompletionStep::Confirm);
}

void TestCompletion::wordBreak_data()
{
    QTest::addColumn<QChar>("ch");
    QTest::addColumn<bool>("breaks");

    const QList<std::pair<char16_t, bool>> cases{
        {0x00, true},  {u' ', true},  {u'(', true},   {u'/', true},  {u'0', false},
        {u'9', false}, {u':', true},  {u'@', true},   {u'A', false}, {u'Z', false},
        {u'[', true},  {u'^', true},  {u'_', false},  {u'`', true},  {u'z', false},
        {u'{', true},  {u'~', true},  {0x7F, false},  {0xA7, true},  {0xB0, true},
        {0xB1, false}, {u'я', false}, {0x490, false}, {0x491, true}, {u'Ё', false}};
    for (const auto &[unit, breaks] : cases)
        QTest::addRow("U+%04X", unsigned(unit)) << QChar(unit) << breaks;
}

void TestCompletion::wordBreak()
{
    QFETCH(QChar, ch);
    QFETCH(bool, breaks);
    QCOMPARE(bp::isCompletionWordBreak(ch), breaks);
}

void TestCompletion::replacement_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCaret");
    QTest::addColumn<bool>("changes");

    QTest::newRow("runs past the caret to the parenthesis")
        << u"GET_VAXYZ("_s << 1 << 7 << u"GET_VALUE"_s << u"GET_VALUE("_s << 10 << true;
    QTest::newRow("word at the end of the line")
        << u"x = get_v"_s << 5 << 10 << u"GET_VALUE"_s << u"x = GET_VALUE"_s << 14 << true;
    QTest::newRow("stops at a blank")
        << u"LEN x"_s << 1 << 2 << u"LOG"_s << u"LOG x"_s << 4 << true;
    QTest::newRow("= ends the replaced word, not the current string")
        << u"a=GE"_s << 1 << 5 << u"GET_VALUE"_s << u"GET_VALUE"_s << 10 << true;
    QTest::newRow("digits, underscore and Cyrillic continue the word")
        << u"GET_V_1ж x"_s << 1 << 6 << u"GET_VALUE"_s << u"GET_VALUE x"_s << 10 << true;
    QTest::newRow("U+0491 ends the word")
        << u"GET_Vaґb"_s << 1 << 6 << u"GET_VALUE"_s << u"GET_VALUEґb"_s << 10 << true;
    QTest::newRow("same text is no change")
        << u"x = RAND"_s << 5 << 9 << u"RAND"_s << u"x = RAND"_s << 9 << false;
    QTest::newRow("other case is a change")
        << u"rand"_s << 1 << 5 << u"RAND"_s << u"RAND"_s << 5 << true;
    QTest::newRow("virtual space inserts at the caret")
        << u"ab"_s << 5 << 5 << u"RAND"_s << u"ab  RAND"_s << 9 << true;
}

void TestCompletion::replacement()
{
    QFETCH(QString, line);
    QFETCH(int, start);
    QFETCH(int, caret);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(int, expectedCaret);
    QFETCH(bool, changes);

    const bp::CompletionReplacement replacement =
        bp::completionReplacement(line, start, caret, text);
    QCOMPARE(applied(line, replacement), expected);
    QCOMPARE(replacement.caretColumn, expectedCaret);
    QCOMPARE(replacement.changesText, changes);
}

void TestCompletion::confirmWithEnter()
{
    bp::CompletionProposalState state(bp::completionProposal1Config());
    const QString line = u"x = get_v"_s;
    QVERIFY(state.open(line, 10));
    QCOMPARE(state.currentString(), u"get_v"_s);
    QCOMPARE(state.completionStart(), 5);
    QCOMPARE(texts(state.filteredList()), QStringList{u"GET_VALUE"_s});
    QCOMPARE(state.position(), 0);
    QCOMPARE(state.enterKey(), bp::CompletionStep::Confirm);
    QCOMPARE(state.tabKey(), bp::CompletionStep::Close);

    const auto replacement = state.confirm(line, 10);
    QVERIFY(replacement);
    QCOMPARE(applied(line, *replacement), u"x = GET_VALUE"_s);
    QVERIFY(!state.isOpen());

    // After a=GE the popup opens empty and Enter inserts nothing.
    QVERIFY(state.open(u"a=GE", 5));
    QCOMPARE(state.filteredList().size(), 0);
    QCOMPARE(state.position(), -1);
    QCOMPARE(state.confirm(u"a=GE", 5), std::nullopt);
    QVERIFY(!state.isOpen());
}

void TestCompletion::emptyListsNeverOpen()
{
    bp::CompletionProposalState second(bp::completionProposal2Config());
    QVERIFY(!second.open(u"GET", 4));
    QVERIFY(!second.isOpen());

    // An empty func.txt empties the first popup's lists.
    bp::CompletionProposalState first(bp::completionProposal1Config());
    first.setItemList(bp::parseCompletionText(u""));
    first.setInsertList(bp::parseCompletionText(u""));
    QVERIFY(!first.open(u"GET", 4));
}

void TestCompletion::typedCharacters_data()
{
    QTest::addColumn<QChar>("ch");
    QTest::addColumn<bp::TypedCharacterOutcome>("outcome");
    QTest::addColumn<QString>("current");

    using Step = bp::CompletionStep;
    QTest::newRow("letter extends")
        << QChar(u'V') << bp::TypedCharacterOutcome{Step::StayOpen, true, false} << u"GET_V"_s;
    QTest::newRow("= extends") << QChar(u'=')
                               << bp::TypedCharacterOutcome{Step::StayOpen, true, false}
                               << u"GET_="_s;
    QTest::newRow("space confirms, then is typed")
        << QChar(u' ') << bp::TypedCharacterOutcome{Step::Confirm, true, false} << u"GET_"_s;
    QTest::newRow("parenthesis closes, then is typed")
        << QChar(u'(') << bp::TypedCharacterOutcome{Step::Close, true, false} << u"GET_"_s;
    QTest::newRow("bracket closes")
        << QChar(u']') << bp::TypedCharacterOutcome{Step::Close, true, false} << u"GET_"_s;
    QTest::newRow("full stop closes and reopens")
        << QChar(u'.') << bp::TypedCharacterOutcome{Step::Close, true, true} << u"GET_"_s;
    QTest::newRow("control character closes, not typed")
        << QChar(0x1B) << bp::TypedCharacterOutcome{Step::Close, false, false} << u"GET_"_s;
}

void TestCompletion::typedCharacters()
{
    QFETCH(QChar, ch);
    QFETCH(bp::TypedCharacterOutcome, outcome);
    QFETCH(QString, current);

    bp::CompletionProposalState state(bp::completionProposal1Config());
    QVERIFY(state.open(u"x GET_", 7));
    QCOMPARE(state.typeCharacter(ch), outcome);
    QCOMPARE(state.currentString(), current);
}

void TestCompletion::editingTheCurrentString()
{
    bp::CompletionProposalState state(bp::completionProposal1Config());
    QVERIFY(state.open(u"x = GET_VA", 11));
    QCOMPARE(texts(state.filteredList()), QStringList{u"GET_VALUE"_s});

    QCOMPARE(state.stepBack(), bp::CompletionStep::StayOpen);
    QCOMPARE(state.stepBack(), bp::CompletionStep::StayOpen);
    QCOMPARE(state.currentString(), u"GET_"_s);
    QCOMPARE(state.filteredList().size(), 16);

    QCOMPARE(state.typeCharacter(u'd').step, bp::CompletionStep::StayOpen);
    QCOMPARE(texts(state.filteredList()), QStringList{u"GET_DATETIME"_s});

    // Right takes the character under the caret into the current string...
    QVERIFY(state.open(u"GET_VAXYZ(", 7));
    QCOMPARE(state.stepRight(u"GET_VAXYZ(", 7), bp::CompletionStep::StayOpen);
    QCOMPARE(state.currentString(), u"GET_VAX"_s);
    QCOMPARE(state.filteredList().size(), 0);
    // ...and closes at a word's end or the line's end.
    QCOMPARE(state.stepRight(u"GET_VAXYZ(", 10), bp::CompletionStep::Close);
    QCOMPARE(state.stepRight(u"GET_VAXYZ(", 11), bp::CompletionStep::Close);

    // Backspace or Left with nothing left to drop closes.
    QVERIFY(state.open(u"a G", 4));
    QCOMPARE(state.stepBack(), bp::CompletionStep::StayOpen);
    QCOMPARE(state.filteredList().size(), 69);
    QCOMPARE(state.stepBack(), bp::CompletionStep::Close);
}

void TestCompletion::highlight()
{
    bp::CompletionProposalState state(bp::completionProposal1Config());
    QVERIFY(state.open(u"GET_C", 6));
    QCOMPARE(state.filteredList().size(), 7);
    QCOMPARE(state.position(), 0);
    state.moveHighlight(-1);
    QCOMPARE(state.position(), 0);
    state.moveHighlight(8);
    QCOMPARE(state.position(), 6);
    state.moveHighlight(-2);
    QCOMPARE(state.textToInsert(), std::optional<QString>(u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO"_s));
    state.highlightFirst();
    QCOMPARE(state.position(), 0);
    state.highlightLast();
    QCOMPARE(state.position(), 6);

    // Refiltering highlights the first entry again.
    state.typeCharacter(u'L');
    QCOMPARE(state.position(), 0);
    QCOMPARE(state.textToInsert(), std::optional<QString>(u"GET_CLASSES_LIST"_s));
}

void TestCompletion::withoutLimitToMatchedText()
{
    bp::CompletionProposalConfig config = bp::completionProposal1Config();
    config.Options.setFlag(bp::TCompletionOption::scoLimitToMatchedText, false);
    bp::CompletionProposalState state(config);
    QVERIFY(state.open(u"SIN", 4));
    QCOMPARE(state.filteredList().size(), 69);
    QCOMPARE(state.textToInsert(), std::optional<QString>(u"SIN"_s));
}

BP_TEST(TestCompletion)

#include "tst_completion.moc"
