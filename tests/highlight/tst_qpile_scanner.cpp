#include "tst_qpile_scanner.h"
#include "test_runner.h"

#include "highlight/qpile_keyword_table.h"
#include "highlight_test_support.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace bp;
using bp::test::scanLine;

namespace {

constexpr TRange rsUnknown = TRange(TRangeState::rsUnknown);
constexpr TRange rsComment = TRange(TRangeState::rsComment);
constexpr TRange rsString = TRange(TRangeState::rsString);

QString tok(int start, const char *kind, const QString &text)
{
    return QString::number(start) + u':' + QString::fromLatin1(kind) + u':' + text;
}

QString lineOf(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

void TstQpileScanner::tokens_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint64>("startRange");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("endRange");

    // Comments.
    QTest::newRow("comment after code")
        << u"x = 'total"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"x"_s), tok(1, "tkSpace", u" "_s),
                       tok(2, "tkUnknown", u"="_s), tok(3, "tkSpace", u" "_s),
                       tok(4, "tkComment", u"'total"_s)}
        << qint64(rsUnknown);
    QTest::newRow("double quotes inside a comment")
        << u"'say \"hi\""_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkComment", u"'say \"hi\""_s)} << qint64(rsUnknown);
    QTest::newRow("lone apostrophe")
        << u"'"_s << qint64(rsUnknown) << QStringList{tok(0, "tkComment", u"'"_s)}
        << qint64(rsUnknown);
    QTest::newRow("comment ends an open string state")
        << u"a ' note"_s << qint64(rsString)
        << QStringList{tok(0, "tkIdentifier", u"a"_s), tok(1, "tkSpace", u" "_s),
                       tok(2, "tkComment", u"' note"_s)}
        << qint64(rsUnknown);
    QTest::newRow("comment stops before CR LF")
        << u"'c\r\nx"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkComment", u"'c"_s), tok(2, "tkSpace", u"\r\n"_s),
                       tok(4, "tkIdentifier", u"x"_s)}
        << qint64(rsUnknown);
    QTest::newRow("comment range set by the client covers the line")
        << u"if x"_s << qint64(rsComment) << QStringList{tok(0, "tkComment", u"if x"_s)}
        << qint64(rsUnknown);
    QTest::newRow("comment range on an empty line gives an empty comment token")
        << QString() << qint64(rsComment) << QStringList{tok(0, "tkComment", QString())}
        << qint64(rsUnknown);

    // Strings.
    QTest::newRow("apostrophe inside a string")
        << u"\"it's\""_s << qint64(rsUnknown) << QStringList{tok(0, "tkString", u"\"it's\""_s)}
        << qint64(rsUnknown);
    QTest::newRow("string then comment")
        << u"s = \"a'b\" ' c"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"s"_s),   tok(1, "tkSpace", u" "_s),
                       tok(2, "tkUnknown", u"="_s),      tok(3, "tkSpace", u" "_s),
                       tok(4, "tkString", u"\"a'b\""_s), tok(9, "tkSpace", u" "_s),
                       tok(10, "tkComment", u"' c"_s)}
        << qint64(rsUnknown);
    QTest::newRow("two adjacent quotes")
        << u"\"\""_s << qint64(rsUnknown) << QStringList{tok(0, "tkString", u"\"\""_s)}
        << qint64(rsUnknown);
    QTest::newRow("doubled quote is no escape")
        << u"\"a\"\"b\""_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkString", u"\"a\""_s), tok(3, "tkString", u"\"b\""_s)}
        << qint64(rsUnknown);
    QTest::newRow("unterminated string")
        << u"\"abc"_s << qint64(rsUnknown) << QStringList{tok(0, "tkString", u"\"abc"_s)}
        << qint64(rsString);
    QTest::newRow("lone double quote")
        << u"\""_s << qint64(rsUnknown) << QStringList{tok(0, "tkString", u"\""_s)}
        << qint64(rsString);
    QTest::newRow("string state does not continue a string")
        << u"y = 1"_s << qint64(rsString)
        << QStringList{tok(0, "tkIdentifier", u"y"_s), tok(1, "tkSpace", u" "_s),
                       tok(2, "tkUnknown", u"="_s), tok(3, "tkSpace", u" "_s),
                       tok(4, "tkUnknown", u"1"_s)}
        << qint64(rsString);
    QTest::newRow("closing a string in string state ends it")
        << u"\"x\""_s << qint64(rsString) << QStringList{tok(0, "tkString", u"\"x\""_s)}
        << qint64(rsUnknown);
    QTest::newRow("unterminated string stops before CR")
        << u"\"ab\rc"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkString", u"\"ab"_s), tok(3, "tkSpace", u"\r"_s),
                       tok(4, "tkIdentifier", u"c"_s)}
        << qint64(rsString);

    // Identifiers, digits and other characters.
    QTest::newRow("identifier with digits and underscores")
        << u"a1_b2"_s << qint64(rsUnknown) << QStringList{tok(0, "tkIdentifier", u"a1_b2"_s)}
        << qint64(rsUnknown);
    QTest::newRow("digit before letter")
        << u"1a"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkUnknown", u"1"_s), tok(1, "tkIdentifier", u"a"_s)}
        << qint64(rsUnknown);
    QTest::newRow("number is one token per digit")
        << u"123"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkUnknown", u"1"_s), tok(1, "tkUnknown", u"2"_s),
                       tok(2, "tkUnknown", u"3"_s)}
        << qint64(rsUnknown);
    QTest::newRow("leading underscore")
        << u"_x("_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"_x"_s), tok(2, "tkUnknown", u"("_s)}
        << qint64(rsUnknown);
    QTest::newRow("Cyrillic letters are single unknown tokens")
        << lineOf(u"дa") << qint64(rsUnknown)
        << QStringList{tok(0, "tkUnknown", lineOf(u"д")), tok(1, "tkIdentifier", u"a"_s)}
        << qint64(rsUnknown);
    QTest::newRow("DEL is unknown")
        << u"\x7f"_s << qint64(rsUnknown) << QStringList{tok(0, "tkUnknown", u"\x7f"_s)}
        << qint64(rsUnknown);

    // White space.
    QTest::newRow("tab and three blanks are one space token")
        << u"\t   x"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkSpace", u"\t   "_s), tok(4, "tkIdentifier", u"x"_s)}
        << qint64(rsUnknown);
    QTest::newRow("trailing blanks")
        << u"x  "_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"x"_s), tok(1, "tkSpace", u"  "_s)}
        << qint64(rsUnknown);
    QTest::newRow("CR LF is one space token")
        << u"a\r\n"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"a"_s), tok(1, "tkSpace", u"\r\n"_s)}
        << qint64(rsUnknown);
    QTest::newRow("LF CR are two space tokens")
        << u"\n\r"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkSpace", u"\n"_s), tok(1, "tkSpace", u"\r"_s)} << qint64(rsUnknown);
    QTest::newRow("blank run stops before LF")
        << u"  \n"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkSpace", u"  "_s), tok(2, "tkSpace", u"\n"_s)} << qint64(rsUnknown);
    QTest::newRow("U+0000 inside a line is a null token")
        << QString(u"a"_s + QChar(0) + u"b"_s) << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"a"_s), tok(1, "tkNull", QString(QChar(0))),
                       tok(2, "tkIdentifier", u"b"_s)}
        << qint64(rsUnknown);
    QTest::newRow("a blank run takes in a U+0000")
        << QString(u" "_s + QChar(0) + u" "_s) << qint64(rsUnknown)
        << QStringList{tok(0, "tkSpace", QString(u" "_s + QChar(0) + u' '))} << qint64(rsUnknown);

    // Keywords in the client's letter case.
    QTest::newRow("END IF is three tokens")
        << u"END IF"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkControls", u"END"_s), tok(3, "tkSpace", u" "_s),
                       tok(4, "tkControls", u"IF"_s)}
        << qint64(rsUnknown);
    QTest::newRow("END FOR and END FUNC")
        << u"End For end Func"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkControls", u"End"_s),  tok(3, "tkSpace", u" "_s),
                       tok(4, "tkControls", u"For"_s),  tok(7, "tkSpace", u" "_s),
                       tok(8, "tkControls", u"end"_s),  tok(11, "tkSpace", u" "_s),
                       tok(12, "tkControls", u"Func"_s)}
        << qint64(rsUnknown);
    QTest::newRow("function call")
        << u"r = Get_Value(x)"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkIdentifier", u"r"_s),  tok(1, "tkSpace", u" "_s),
                       tok(2, "tkUnknown", u"="_s),     tok(3, "tkSpace", u" "_s),
                       tok(4, "tkKey", u"Get_Value"_s), tok(13, "tkUnknown", u"("_s),
                       tok(14, "tkIdentifier", u"x"_s), tok(15, "tkUnknown", u")"_s)}
        << qint64(rsUnknown);
    QTest::newRow("end_portfolio is one token")
        << u"end_portfolio"_s << qint64(rsUnknown)
        << QStringList{tok(0, "tkMain", u"end_portfolio"_s)} << qint64(rsUnknown);
}

void TstQpileScanner::tokens()
{
    QFETCH(QString, line);
    QFETCH(qint64, startRange);
    QFETCH(QStringList, expected);
    QFETCH(qint64, endRange);

    TQPILEHighlighter highlighter;
    const test::LineScan scan = scanLine(highlighter, line, TRange(startRange));
    QCOMPARE(scan.tokens, expected);
    QCOMPARE(test::rangeName(scan.endRange), test::rangeName(TRange(endRange)));
    // The token loop ends right after the terminator token.
    QCOMPARE(highlighter.TokenID(), TtkTokenKind::tkNull);
}

void TstQpileScanner::stringStateCarriesOver_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("endRanges");

    QTest::newRow("unterminated string, then plain lines")
        << QStringList{u"s = \"abc"_s, u"y = 1"_s, u"z"_s}
        << QStringList{u"rsString"_s, u"rsString"_s, u"rsString"_s};
    QTest::newRow("a comment line ends the state")
        << QStringList{u"\"abc"_s, u"y"_s, u"' c"_s, u"z"_s}
        << QStringList{u"rsString"_s, u"rsString"_s, u"rsUnknown"_s, u"rsUnknown"_s};
    QTest::newRow("a closed string ends the state")
        << QStringList{u"\"abc"_s, u"\"x\""_s, u"z"_s}
        << QStringList{u"rsString"_s, u"rsUnknown"_s, u"rsUnknown"_s};
    QTest::newRow("an empty line passes the state on")
        << QStringList{u"\""_s, QString(), u"x"_s}
        << QStringList{u"rsString"_s, u"rsString"_s, u"rsString"_s};
}

void TstQpileScanner::stringStateCarriesOver()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, endRanges);

    TQPILEHighlighter highlighter;
    TRange range = rsUnknown;
    QStringList actual;
    for (const QString &line : lines) {
        range = scanLine(highlighter, line, range).endRange;
        actual << test::rangeName(range);
    }
    QCOMPARE(actual, endRanges);
}

void TstQpileScanner::emptyLineKeepsState_data()
{
    QTest::addColumn<qint64>("startRange");
    QTest::newRow("rsUnknown") << qint64(rsUnknown);
    QTest::newRow("rsString") << qint64(rsString);
}

void TstQpileScanner::emptyLineKeepsState()
{
    QFETCH(qint64, startRange);
    TQPILEHighlighter highlighter;
    highlighter.SetRange(TRange(startRange));
    highlighter.SetLine(QString(), 0);
    QVERIFY(highlighter.GetEol());
    QCOMPARE(qint64(highlighter.GetRange()), startRange);
}

void TstQpileScanner::keywordKinds_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<TtkTokenKind>("kind");

    QTest::newRow("End_Program") << u"End_Program"_s << TtkTokenKind::tkMain;
    QTest::newRow("PORTFOLIO_EX") << u"PORTFOLIO_EX"_s << TtkTokenKind::tkMain;
    QTest::newRow("parameter_description") << u"parameter_description"_s << TtkTokenKind::tkMain;
    QTest::newRow("STRING") << u"STRING"_s << TtkTokenKind::tkReserved;
    QTest::newRow("Map") << u"Map"_s << TtkTokenKind::tkReserved;
    QTest::newRow("Sqrt") << u"Sqrt"_s << TtkTokenKind::tkKey;
    QTest::newRow("GET_VALUE") << u"GET_VALUE"_s << TtkTokenKind::tkKey;
    QTest::newRow("get_client_marginal_portfolio_info")
        << u"get_client_marginal_portfolio_info"_s << TtkTokenKind::tkKey;
    QTest::newRow("result") << u"result"_s << TtkTokenKind::tkControls;
    QTest::newRow("Or") << u"Or"_s << TtkTokenKind::tkControls;
    QTest::newRow("get_valu") << u"get_valu"_s << TtkTokenKind::tkIdentifier;
    QTest::newRow("get_valuex") << u"get_valuex"_s << TtkTokenKind::tkIdentifier;
    QTest::newRow("end_if") << u"end_if"_s << TtkTokenKind::tkIdentifier;
    QTest::newRow("x") << u"x"_s << TtkTokenKind::tkIdentifier;
    QTest::newRow("then is no keyword") << u"THEN"_s << TtkTokenKind::tkIdentifier;
    QTest::newRow("call is no keyword") << u"CALL"_s << TtkTokenKind::tkIdentifier;
    // U+212A KELVIN SIGN lower-cases to k under the platform mapping, one code unit for one.
    QTest::newRow("Kelvin sign lower-cases into a keyword")
        << lineOf(u"BREA\u212A") << TtkTokenKind::tkControls;
}

void TstQpileScanner::keywordKinds()
{
    QFETCH(QString, word);
    QFETCH(TtkTokenKind, kind);

    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLine(word, 0);
    QCOMPARE(highlighter.GetToken(), word);
    QCOMPARE(test::kindName(highlighter.TokenID()), test::kindName(kind));
    QCOMPARE(highlighter.GetTokenKind(), int(kind));
    highlighter.Next();
    QVERIFY(highlighter.GetEol());
}

void TstQpileScanner::everyKeywordIsFound_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<TtkTokenKind>("kind");
    for (const qpile::Keyword &keyword : qpile::Keywords) {
        if (!qpile::isOneWord(keyword.text))
            continue;
        const QString lower =
            QStringView(keyword.text.data(), qsizetype(keyword.text.size())).toString();
        const QByteArray name = lower.toLatin1();
        QTest::newRow(name.constData()) << lower << keyword.kind;
        QTest::newRow(QByteArray(name + " upper").constData()) << lower.toUpper() << keyword.kind;
        // A longer identifier that starts with the keyword is no keyword.
        QTest::newRow(QByteArray(name + " extended").constData())
            << QString(lower + u'1') << TtkTokenKind::tkIdentifier;
    }
}

void TstQpileScanner::everyKeywordIsFound()
{
    QFETCH(QString, word);
    QFETCH(TtkTokenKind, kind);

    TQPILEHighlighter highlighter;
    const test::LineScan scan = scanLine(highlighter, word, rsUnknown);
    QCOMPARE(scan.tokens, QStringList{tok(0, qPrintable(test::kindName(kind)), word)});
}

void TstQpileScanner::hashValues_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<quint32>("rawHash");
    QTest::addColumn<int>("bucket");

    QTest::newRow("end") << u"end"_s << quint32(1522083502) << 106;
    QTest::newRow("if") << u"if"_s << quint32(27781530) << 132;
    QTest::newRow("get_value") << u"get_value"_s << quint32(471669536) << 376;
    QTest::newRow("x") << u"x"_s << quint32(58800) << 184;
    QTest::newRow("END without lower-casing") << u"END"_s << quint32(1253214318) << 359;
    QTest::newRow("hash stops at the first non-identifier character")
        << u"end(x)"_s << quint32(1522083502) << 106;
}

void TstQpileScanner::hashValues()
{
    QFETCH(QString, identifier);
    QFETCH(quint32, rawHash);
    QFETCH(int, bucket);

    const std::u16string_view text(reinterpret_cast<const char16_t *>(identifier.utf16()),
                                   std::size_t(identifier.size()));
    QCOMPARE(qpile::rawHash(text), rawHash);
    QCOMPARE(qpile::bucketOf(text), bucket);
}

void TstQpileScanner::keywordTable()
{
    // Every function of the language reference and the header words INCLUDE and
    // USE_CASE_SENSITIVE_CONSTANTS, the type NUMERIC among them.
    QCOMPARE(int(qpile::Keywords.size()), 121);
    int oneWord = 0;
    QMap<TtkTokenKind, int> perKind;
    QSet<int> buckets;
    for (const qpile::Keyword &keyword : qpile::Keywords) {
        ++perKind[keyword.kind];
        if (qpile::isOneWord(keyword.text)) {
            ++oneWord;
            buckets.insert(qpile::bucketOf(keyword.text));
        }
    }
    QCOMPARE(oneWord, 118);
    // Four buckets hold two keywords each.
    QCOMPARE(buckets.size(), 114);
    QCOMPARE(perKind.value(TtkTokenKind::tkControls), 17);
    QCOMPARE(perKind.value(TtkTokenKind::tkMain), 15);
    QCOMPARE(perKind.value(TtkTokenKind::tkReserved), 5);
    QCOMPARE(perKind.value(TtkTokenKind::tkKey), 84);
    int owned = 0;
    for (std::int16_t index : qpile::BucketKeywordIndexes)
        owned += index >= 0 ? 1 : 0;
    QCOMPARE(owned, 114);
    QCOMPARE(qpile::BucketKeywordIndexes[106], std::int16_t(33)); // "end"
    QVERIFY(qpile::Keywords[33].text == u"end");
    QVERIFY(qpile::Keywords[34].text == u"end for");
    QVERIFY(qpile::Keywords[37].text == u"end_portfolio");

    // Both keywords of a shared bucket are found, and a word hashed there that is neither
    // stays an identifier.
    TQPILEHighlighter highlighter;
    const auto kindOf = [&highlighter](const QString &word) {
        highlighter.ResetRange();
        highlighter.SetLine(word, 0);
        return highlighter.GetTokenKind();
    };
    const QList<std::pair<QString, TtkTokenKind>> shared{
        {u"randomize"_s, TtkTokenKind::tkKey},
        {u"LOG"_s, TtkTokenKind::tkKey},
        {u"Get_Client_Marginal_Buy_Sell_Info_Ex"_s, TtkTokenKind::tkKey},
        {u"for"_s, TtkTokenKind::tkControls},
        {u"INCLUDE"_s, TtkTokenKind::tkMain},
        {u"create_map"_s, TtkTokenKind::tkKey},
        {u"USE_CASE_SENSITIVE_CONSTANTS"_s, TtkTokenKind::tkMain},
        {u"ceil"_s, TtkTokenKind::tkKey},
        {u"ABS"_s, TtkTokenKind::tkKey},
        {u"numeric"_s, TtkTokenKind::tkReserved},
        {u"breakpoint"_s, TtkTokenKind::tkKey},
        {u"get_candle_ex"_s, TtkTokenKind::tkKey},
    };
    for (const auto &[word, kind] : shared)
        QCOMPARE(int(kindOf(word)), int(kind));
}

void TstQpileScanner::keyWordsText_data()
{
    QTest::addColumn<int>("tokenKind");
    QTest::newRow("-1") << -1;
    QTest::newRow("tkComment") << int(TtkTokenKind::tkComment);
    QTest::newRow("tkKey") << int(TtkTokenKind::tkKey);
    QTest::newRow("tkUnknown") << int(TtkTokenKind::tkUnknown);
    QTest::newRow("1000") << 1000;
}

void TstQpileScanner::keyWordsText()
{
    QFETCH(int, tokenKind);
    TQPILEHighlighter highlighter;
    const QString words = highlighter.GetKeyWords(tokenKind);
    QCOMPARE(words.size(), 1546);
    QVERIFY(words.startsWith(u"ABS,ACOS,ADD_ITEM,ADD_LABEL,AND,"_s));
    QVERIFY(words.endsWith(u",WRITE,WRITELN"_s));
    QVERIFY(words.contains(u",END,END FOR,END FUNC,END IF,END_PORTFOLIO,"_s));
    QCOMPARE(words.split(u',').size(), 121);
    QVERIFY(!words.contains(u' ' + u","_s));
    QCOMPARE(highlighter.IsKeyword(u"end"_s), false);
}

void TstQpileScanner::longIdentifier()
{
    const QString identifier = u"get_value_"_s + QString(50, u'x');
    QCOMPARE(identifier.size(), 60);
    TQPILEHighlighter highlighter;
    const test::LineScan scan = scanLine(highlighter, identifier + u';', rsUnknown);
    QCOMPARE(scan.tokens,
             (QStringList{tok(0, "tkIdentifier", identifier), tok(60, "tkUnknown", u";"_s)}));
    highlighter.SetLine(identifier, 0);
    QCOMPARE(highlighter.StringLen(), 60);
    QCOMPARE(highlighter.TokenID(), TtkTokenKind::tkIdentifier);
}

void TstQpileScanner::tokenTextKeepsClientCase()
{
    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLine(u"Get_Value ДА"_s, 7);
    QCOMPARE(highlighter.GetToken(), u"Get_Value"_s);
    QCOMPARE(highlighter.GetTokenView(), QStringView(u"Get_Value"));
    QCOMPARE(highlighter.TokenID(), TtkTokenKind::tkKey);
    highlighter.Next();
    highlighter.Next();
    QCOMPARE(highlighter.GetToken(), lineOf(u"Д"));
    QCOMPARE(highlighter.GetTokenPos(), 10);
}

void TstQpileScanner::setRangeKeepsLowByte_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("range");
    QTest::newRow("2") << qint64(2) << qint64(2);
    QTest::newRow("0x102") << qint64(0x102) << qint64(2);
    QTest::newRow("0x100") << qint64(0x100) << qint64(0);
    QTest::newRow("fresh line -1") << qint64(-1) << qint64(255);
}

void TstQpileScanner::setRangeKeepsLowByte()
{
    QFETCH(qint64, value);
    QFETCH(qint64, range);
    TQPILEHighlighter highlighter;
    highlighter.SetRange(TRange(value));
    QCOMPARE(qint64(highlighter.GetRange()), range);
    highlighter.ResetRange();
    QCOMPARE(qint64(highlighter.GetRange()), qint64(0));
}

void TstQpileScanner::attributes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("foreground");
    QTest::addColumn<int>("style");

    const int bold = int(TFontStyle::fsBold);
    const int italic = int(TFontStyle::fsItalic);
    QTest::newRow("Comment") << u"Comment"_s << quint32(0x800000) << italic;
    QTest::newRow("Controls") << u"Controls"_s << quint32(0xFF0080) << 0;
    QTest::newRow("Identifier") << u"Identifier"_s << quint32(clNone) << 0;
    QTest::newRow("Key") << u"Key"_s << quint32(0x8000) << 0;
    QTest::newRow("Main") << u"Main"_s << quint32(0xFF0000) << bold;
    QTest::newRow("Reserved") << u"Reserved"_s << quint32(clNone) << bold;
    QTest::newRow("Space") << u"Space"_s << quint32(clNone) << 0;
    QTest::newRow("String") << u"String"_s << quint32(0xFF) << 0;
}

void TstQpileScanner::attributes()
{
    QFETCH(QString, name);
    QFETCH(quint32, foreground);
    QFETCH(int, style);

    TQPILEHighlighter highlighter;
    THighlighterAttributes *found = nullptr;
    for (int i = 0; i < highlighter.AttrCount(); ++i) {
        if (highlighter.GetAttribute(i)->Name() == name)
            found = highlighter.GetAttribute(i);
    }
    QVERIFY(found != nullptr);
    QCOMPARE(found->FriendlyName(), name);
    QCOMPARE(found->Foreground(), TColor(foreground));
    QCOMPARE(found->Background(), clNone);
    QCOMPARE(found->IntegerStyle(), style);
    QCOMPARE(found->ForegroundDefault(), TColor(foreground));
    QCOMPARE(found->BackgroundDefault(), clNone);
    QCOMPARE(found->StyleDefault(), found->Style());
    QVERIFY(!found->IsForegroundStored());
}

void TstQpileScanner::attributeOrder()
{
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.AttrCount(), 8);
    QStringList names;
    for (int i = 0; i < highlighter.AttrCount(); ++i)
        names << highlighter.GetAttribute(i)->Name();
    QCOMPARE(names, (QStringList{u"Comment"_s, u"Controls"_s, u"Identifier"_s, u"Key"_s, u"Main"_s,
                                 u"Reserved"_s, u"Space"_s, u"String"_s}));
    QCOMPARE(highlighter.GetAttribute(0), highlighter.CommentAttri());
    QCOMPARE(highlighter.GetAttribute(7), highlighter.StringAttri());
    QCOMPARE(highlighter.GetAttribute(-1), nullptr);
    QCOMPARE(highlighter.GetAttribute(highlighter.AttrCount()), nullptr);
    QCOMPARE(highlighter.Attribute(3), highlighter.KeyAttri());
}

void TstQpileScanner::tokenAttributes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("attributeName");

    QTest::newRow("tkComment") << u"'c"_s << u"Comment"_s;
    QTest::newRow("tkControls") << u"if"_s << u"Controls"_s;
    QTest::newRow("tkIdentifier") << u"abc"_s << u"Identifier"_s;
    QTest::newRow("tkKey") << u"sin"_s << u"Key"_s;
    QTest::newRow("tkMain") << u"program"_s << u"Main"_s;
    QTest::newRow("tkNull") << QString(QChar(0)) << QString();
    QTest::newRow("tkReserved") << u"double"_s << u"Reserved"_s;
    QTest::newRow("tkSpace") << u" "_s << u"Space"_s;
    QTest::newRow("tkString") << u"\"s\""_s << u"String"_s;
    QTest::newRow("tkUnknown") << u"+"_s << u"Identifier"_s;
}

void TstQpileScanner::tokenAttributes()
{
    QFETCH(QString, line);
    QFETCH(QString, attributeName);

    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLine(line, 0);
    THighlighterAttributes *attribute = highlighter.GetTokenAttribute();
    if (attributeName.isEmpty()) {
        QCOMPARE(attribute, nullptr);
    } else {
        QVERIFY(attribute != nullptr);
        QCOMPARE(attribute->Name(), attributeName);
    }
}

void TstQpileScanner::defaultAttributes_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("attributeName");
    QTest::newRow("comment") << 0 << u"Comment"_s;
    QTest::newRow("identifier") << 1 << u"Identifier"_s;
    QTest::newRow("keyword") << 2 << u"Key"_s;
    QTest::newRow("string") << 3 << u"String"_s;
    QTest::newRow("whitespace") << 4 << u"Space"_s;
    QTest::newRow("symbol") << 5 << QString();
    QTest::newRow("-1") << -1 << QString();
    QTest::newRow("6") << 6 << QString();
}

void TstQpileScanner::defaultAttributes()
{
    QFETCH(int, role);
    QFETCH(QString, attributeName);
    TQPILEHighlighter highlighter;
    THighlighterAttributes *attribute = highlighter.GetDefaultAttribute(role);
    QCOMPARE(attribute ? attribute->Name() : QString(), attributeName);
}

void TstQpileScanner::classValues()
{
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.GetLanguageName(), u"QPILE"_s);
    QCOMPARE(highlighter.FriendlyLanguageName(), u"QPILE"_s);
    QCOMPARE(highlighter.DefaultFilter(), u"All files (*.qpl)|*.qpl"_s);
    QCOMPARE(highlighter.IsFilterStored(), false);
    highlighter.SetDefaultFilter(u"*.txt"_s);
    QCOMPARE(highlighter.IsFilterStored(), true);
    highlighter.SetDefaultFilter(u"All files (*.qpl)|*.qpl"_s);
    QCOMPARE(highlighter.IsFilterStored(), false);
    QCOMPARE(highlighter.KeywordAttribute(), highlighter.KeyAttri());
    QCOMPARE(highlighter.KeywordAttribute()->Foreground(), clGreen);
    QCOMPARE(highlighter.SymbolAttribute(), nullptr);
    QCOMPARE(highlighter.CommentAttribute(), highlighter.CommentAttri());
    QCOMPARE(highlighter.WhitespaceAttribute(), highlighter.SpaceAttri());
    QCOMPARE(highlighter.Enabled(), true);
    QCOMPARE(highlighter.GetCapabilities(),
             THighlighterCapabilities(THighlighterCapability::hcRegistry));
    QVERIFY(!highlighter.SampleSource().isEmpty());
}

void TstQpileScanner::symbolsLookLikeIdentifiers()
{
    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLine(u"if x > 10"_s, 0);
    QList<THighlighterAttributes *> attributes;
    QStringList texts;
    while (!highlighter.GetEol()) {
        attributes << highlighter.GetTokenAttribute();
        texts << highlighter.GetToken();
        highlighter.Next();
    }
    QCOMPARE(texts, (QStringList{u"if"_s, u" "_s, u"x"_s, u" "_s, u">"_s, u" "_s, u"1"_s, u"0"_s}));
    QCOMPARE(attributes[2], highlighter.IdentifierAttri());
    QCOMPARE(attributes[4], highlighter.IdentifierAttri());
    QCOMPARE(attributes[6], highlighter.IdentifierAttri());
    QCOMPARE(attributes[7], highlighter.IdentifierAttri());
    QCOMPARE(attributes[4]->Foreground(), clNone);
    QCOMPARE(attributes[4]->Style(), TFontStyles());
}

void TstQpileScanner::displayForm()
{
    // 中 is two cells wide: one filler before it.
    const QString line = lineOf(u"x=\"中\" 'д");
    const QString expanded = lineOf(u"x=\"\uE000中\" 'д");
    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLineExpandedAtWideGlyphs(line, expanded, 3);
    QStringList tokens;
    while (!highlighter.GetEol()) {
        tokens << QString::number(highlighter.GetTokenPos()) + u'/' +
                      QString::number(highlighter.GetExpandedTokenPos()) + u':' +
                      highlighter.GetToken() + u'|' + highlighter.GetExpandedToken();
        highlighter.Next();
    }
    QCOMPARE(tokens, (QStringList{u"0/0:x|x"_s, u"1/1:=|="_s, lineOf(u"2/2:\"中\"|\"\uE000中\""),
                                  u"5/6: | "_s, lineOf(u"6/7:'д|'д")}));

    // Without a display form the expanded queries answer as the plain ones.
    highlighter.SetLine(line, 3);
    highlighter.Next();
    highlighter.Next();
    QCOMPARE(highlighter.GetExpandedTokenPos(), 2);
    QCOMPARE(highlighter.GetExpandedToken(), lineOf(u"\"中\""));
    QCOMPARE(highlighter.PosToExpandedPos(4), 4);
}

void TstQpileScanner::displayFormPositions_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("expandedPos");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("2: a filler is skipped before the step") << 2 << 3;
    QTest::newRow("3") << 3 << 4;
    QTest::newRow("4: two fillers") << 4 << 7;
    QTest::newRow("5") << 5 << 8;
}

void TstQpileScanner::displayFormPositions()
{
    QFETCH(int, pos);
    QFETCH(int, expandedPos);
    TQPILEHighlighter highlighter;
    highlighter.ResetRange();
    highlighter.SetLineExpandedAtWideGlyphs(lineOf(u"a中b字c"),
                                            lineOf(u"a\uE000中b\uE000\uE000字c"), 0);
    QCOMPARE(highlighter.PosToExpandedPos(pos), expandedPos);
}

// tests/highlight/data/sample.qpl scanned as a document: every token and every end state,
// checked against sample.tokens. With BP_UPDATE_GOLDEN set, the file is written instead.
// Invariants on the same sample: each line scanned from the stored end state of the line
// before gives the same tokens as the flowing scan, and a line with CR LF or LF appended gives
// the same tokens plus one space token for the break.
void TstQpileScanner::goldenTokens()
{
    QFile sample(QStringLiteral(BP_SOURCE_DIR "/tests/highlight/data/sample.qpl"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(sample.readAll()).remove(u'\r').split(u'\n', Qt::KeepEmptyParts);

    TQPILEHighlighter highlighter;
    QStringList picture;
    QList<TRange> endRanges;
    QList<QStringList> tokensPerLine;
    highlighter.ResetRange();
    for (int i = 0; i < lines.size(); ++i) {
        highlighter.SetLine(lines[i], i);
        QStringList tokens;
        while (!highlighter.GetEol()) {
            tokens << test::tokenPicture(highlighter.GetTokenPos(), highlighter.TokenID(),
                                         highlighter.GetToken());
            highlighter.Next();
        }
        endRanges << highlighter.GetRange();
        tokensPerLine << tokens;
        for (const QString &token : tokens)
            picture << QString::number(i + 1) + u' ' + token;
        picture << QString::number(i + 1) + u" end "_s + test::rangeName(highlighter.GetRange());
    }

    const QString goldenPath = QStringLiteral(BP_SOURCE_DIR "/tests/highlight/data/sample.tokens");
    if (qEnvironmentVariableIsSet("BP_UPDATE_GOLDEN")) {
        QFile golden(goldenPath);
        QVERIFY(golden.open(QIODevice::WriteOnly | QIODevice::Truncate));
        golden.write(picture.join(u'\n').toUtf8() + '\n');
    }
    QFile golden(goldenPath);
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QStringList expected = QString::fromUtf8(golden.readAll()).split(u'\n');
    if (!expected.isEmpty() && expected.last().isEmpty())
        expected.removeLast();
    QCOMPARE(picture, expected);

    for (int i = 0; i < lines.size(); ++i) {
        const TRange start = i == 0 ? rsUnknown : endRanges[i - 1];
        const test::LineScan alone = scanLine(highlighter, lines[i], start);
        QCOMPARE(alone.tokens, tokensPerLine[i]);
        QCOMPARE(alone.endRange, endRanges[i]);

        for (const QString &lineBreak : {u"\r\n"_s, u"\n"_s}) {
            const test::LineScan withBreak = scanLine(highlighter, lines[i] + lineBreak, start);
            QStringList expectedTokens = tokensPerLine[i];
            expectedTokens << test::tokenPicture(int(lines[i].size()), TtkTokenKind::tkSpace,
                                                 lineBreak);
            QCOMPARE(withBreak.tokens, expectedTokens);
            QCOMPARE(withBreak.endRange, endRanges[i]);
        }
    }
}

// The scanner reads QChar::toLower of each code unit, whatever its place in the line.
void TstQpileScanner::lowerCasingIsQCharToLower()
{
    QString all;
    for (int c = 1; c <= 0xFFFF; ++c)
        all += QChar(char16_t(c));
    TQPILEHighlighter highlighter;
    for (int offset = 0; offset < 5; ++offset) {
        const QString line = QString(offset, u'A') + all;
        highlighter.SetLine(line, 0);
        const QStringView scanned = highlighter.ScannedLine();
        QCOMPARE(scanned.size(), line.size());
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (scanned[i] != line[i].toLower())
                QFAIL(qPrintable(
                    u"U+%1 at %2 became U+%3"_s.arg(line[i].unicode(), 4, 16, QChar(u'0'))
                        .arg(i)
                        .arg(scanned[i].unicode(), 4, 16, QChar(u'0'))));
        }
    }
    const QString ascii = u"@AZ[`az{ Hello_WORLD 09"_s;
    for (qsizetype length = 0; length <= ascii.size(); ++length) {
        highlighter.SetLine(QStringView(ascii).left(length), 0);
        QCOMPARE(highlighter.ScannedLine().toString(), ascii.left(length).toLower());
    }
    QCOMPARE(highlighter.GetToken(), u"@"_s);
}

// NextToEol walks the line without stepping token by token; it must leave the state the
// token loop leaves, from any start state and from any point in the line.
void TstQpileScanner::nextToEolEqualsNextLoop()
{
    const QString alphabet = QString::fromUtf16(u"aZ_1 \t\"'\r\n=(дД\u212A\u00A0.x") + QChar(0);
    const QList<TRange> starts{rsUnknown, rsComment, rsString, TRange(255)};
    QRandomGenerator random(7);
    TQPILEHighlighter fast;
    TQPILEHighlighter slow;
    for (int round = 0; round < 20000; ++round) {
        QString line;
        const int length = int(random.bounded(24));
        for (int i = 0; i < length; ++i)
            line += alphabet[int(random.bounded(int(alphabet.size())))];
        const TRange start = starts[int(random.bounded(int(starts.size())))];
        const int stepsBefore = int(random.bounded(4));
        for (TQPILEHighlighter *highlighter : {&fast, &slow}) {
            highlighter->SetRange(start);
            highlighter->SetLine(line, round);
            for (int i = 0; i < stepsBefore && !highlighter->GetEol(); ++i)
                highlighter->Next();
        }
        fast.NextToEol();
        while (!slow.GetEol())
            slow.Next();
        const QString context = u"line %1 from %2 after %3 steps"_s.arg(
            QString::fromLatin1(QUrl::toPercentEncoding(line)), QString::number(start),
            QString::number(stepsBefore));
        QVERIFY2(fast.GetEol(), qPrintable(context));
        QVERIFY2(fast.GetTokenPos() == slow.GetTokenPos(), qPrintable(context));
        QVERIFY2(fast.GetTokenKind() == slow.GetTokenKind(), qPrintable(context));
        QVERIFY2(fast.GetRange() == slow.GetRange(), qPrintable(context));
        QVERIFY2(fast.StringLen() == slow.StringLen(), qPrintable(context));
        QVERIFY2(fast.GetExpandedTokenPos() == slow.GetExpandedTokenPos(), qPrintable(context));
        QVERIFY2(fast.GetToken() == slow.GetToken(), qPrintable(context));
    }
}

namespace {

// The token kind of each code unit of `line` from `from` on, scanned from there with `range`.
QList<TTokenKind> kindsFrom(TQPILEHighlighter &highlighter, const QString &line, int from,
                            TRange range)
{
    QList<TTokenKind> kinds(line.size() - from, TTokenKind(-1));
    highlighter.SetRange(range);
    highlighter.SetLine(QStringView(line).sliced(from), 0);
    while (!highlighter.GetEol()) {
        const int start = highlighter.GetTokenPos();
        for (qsizetype i = 0; i < highlighter.GetTokenView().size(); ++i)
            kinds[start + i] = highlighter.GetTokenKind();
        highlighter.Next();
    }
    return kinds;
}

} // namespace

// Painting the middle of a long line scans from a resume point: from there on every code unit
// must get the kind a scan of the whole line gives it, whether the point comes from the
// line's start or from an earlier point, with the quick walk or the token by token one.
void TstQpileScanner::resumePointsScanAlike()
{
    const QString alphabet = QString::fromUtf16(u"aZ_1  \t\"'\r\n=(;дД\u212A\u00A0.x") + QChar(0);
    const QList<TRange> starts{rsUnknown, rsComment, rsString};
    QRandomGenerator random(11);
    TQPILEHighlighter highlighter;
    for (int round = 0; round < 3000; ++round) {
        QString line;
        const int length = int(random.bounded(30));
        for (int i = 0; i < length; ++i)
            line += alphabet[int(random.bounded(int(alphabet.size())))];
        const TRange start = starts[int(random.bounded(int(starts.size())))];
        const QList<TTokenKind> whole = kindsFrom(highlighter, line, 0, start);
        for (int column = 0; column <= line.size(); ++column) {
            for (bool quick : {true, false}) {
                auto resume = [&](int from, TRange fromRange, TRange &range) {
                    return quick ? highlighter.ResumePoint(line, 0, from, fromRange, column, range)
                                 : highlighter.TCustomHighlighter::ResumePoint(
                                       line, 0, from, fromRange, column, range);
                };
                TRange middleRange = 0;
                const int middle = resume(0, start, middleRange);
                TRange range = 0;
                const int point = resume(middle, middleRange, range);
                const QString context = u"line %1 from %2, column %3, %4"_s.arg(
                    QString::fromLatin1(QUrl::toPercentEncoding(line)), QString::number(start),
                    QString::number(column), quick ? u"quick"_s : u"by tokens"_s);
                QVERIFY2(middle <= column && point >= middle && point <= column,
                         qPrintable(context));
                QVERIFY2(kindsFrom(highlighter, line, point, range) == whole.sliced(point),
                         qPrintable(context));
            }
        }
    }
}

BP_TEST(TstQpileScanner)
