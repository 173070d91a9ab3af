#include "aids/built_in_library.h"
#include "aids/completion_words.h"
#include "aids/library_file.h"
#include "aids/library_insertion.h"
#include "common/error.h"
#include "common/text_file.h"
#include "test_runner.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One node per line, depth-first: a dot per level, then the text in brackets so that
// blanks at its ends show.
void appendPicture(QStringList &out, const bp::LibraryForest &nodes, int depth)
{
    for (const bp::LibraryNode &node : nodes) {
        out.append(QString(depth, u'.') + u'[' + node.text + u']');
        appendPicture(out, node.children, depth + 1);
    }
}

QString picture(const bp::LibraryForest &nodes)
{
    QStringList out;
    appendPicture(out, nodes, 0);
    return out.join(u'\n');
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(u"library.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the fixture");
    return path;
}

} // namespace

class TestLibrary : public QObject
{
    Q_OBJECT

private slots:
    void builtInLibrary();
    void parse_data();
    void parse();
    void depthLimit();
    void encodings_data();
    void encodings();
    void unreadableFiles();
    void shippedFilesMatchBuiltIns();
    void insertion_data();
    void insertion();
    void insertionOnTreeNodes();
};

void TestLibrary::builtInLibrary()
{
    const bp::LibraryForest library = bp::builtInLibrary();
    QCOMPARE(bp::countLibraryNodes(library), 89);
    QCOMPARE(library.size(), 1);
    QCOMPARE(library[0].text, u"Функции"_s);
    QCOMPARE(library[0].children.size(), 17);

    const QString text = picture(library);
    for (const QString &exact :
         {u".[Для работы с коллекциями объектов ]"_s,
          u"..[SET_VALUE (MAP  Name, STRING Key, ANY Value)]"_s,
          u"..[GET_SECURITY_INFO (STRING class_code, STRING sec_code) ]"_s,
          u"..[SHORT_VALUE (STRING client_code, STRING firmid, STRING seccode, STRING class_code, "
          u"STRING account, STRING price_param_code)]"_s,
          u".[Значения таблиц \"Клиентский портфель\" и \"Купить/Продать\"]"_s,
          u"..[LEN (STRING value) ]"_s, u"..[DELETE_ALL_ITEMS()]"_s})
        QVERIFY2(text.contains(exact), qPrintable(exact));

    // The completion names are the library's function names, minus one.
    QStringList names;
    const QRegularExpression name(u"^[A-Z_]+"_s);
    for (const bp::LibraryNode &category : library[0].children)
        for (const bp::LibraryNode &function : category.children)
            names.append(name.match(function.text).captured());
    QVERIFY(names.removeOne(u"SET_ROW_COLOR_EX"_s));
    // CREATE_COLLECTION has a node for each of its two forms.
    QVERIFY(names.removeOne(u"CREATE_COLLECTION"_s));
    QCOMPARE(bp::builtInCompletionNames(), names);
}

void TestLibrary::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("nodes");
    QTest::addColumn<QString>("error");

    QTest::newRow("three levels by blanks")
        << u"root\n a\n  f1\n  f2\n b\n  f3"_s << u"[root]\n.[a]\n..[f1]\n..[f2]\n.[b]\n..[f3]"_s
        << QString();
    QTest::newRow("a tab and a blank each count one level")
        << u"root\n\ta\n \tf1\n\t f2\n\t\tf3"_s << u"[root]\n.[a]\n..[f1]\n..[f2]\n..[f3]"_s
        << QString();
    QTest::newRow("up several levels at once")
        << u"a\n b\n  c\n   d\ne\n f\n  g\n h"_s
        << u"[a]\n.[b]\n..[c]\n...[d]\n[e]\n.[f]\n..[g]\n.[h]"_s << QString();
    QTest::newRow("text kept exactly, blanks inside and at the end")
        << u"a\n b  c \n  d\t"_s << u"[a]\n.[b  c ]\n..[d\t]"_s << QString();
    QTest::newRow("indented first line is top level")
        << u"   first\n second\nthird"_s << u"[first]\n.[second]\n[third]"_s << QString();
    QTest::newRow("indented first line does not set the depth")
        << u"  first\n  second"_s << u"[first]"_s << u"Invalid level (2) for item \"second\""_s;
    QTest::newRow("blank line is an empty top-level node")
        << u"a\n b\n\nc"_s << u"[a]\n.[b]\n[]\n[c]"_s << QString();
    QTest::newRow("blank line between functions, then level error")
        << u"Функции\n Общие\n  RAND ()\n\n  LEN (STRING value) "_s
        << u"[Функции]\n.[Общие]\n..[RAND ()]\n[]"_s
        << u"Invalid level (2) for item \"LEN (STRING value) \""_s;
    QTest::newRow("level error keeps the nodes before it")
        << u"a\n b\n   c\n d"_s << u"[a]\n.[b]"_s << u"Invalid level (3) for item \"c\""_s;
    QTest::newRow("line of blanks only is too deep")
        << u"a\n   "_s << u"[a]"_s << u"Invalid level (3) for item \"\""_s;
    QTest::newRow("error text with percent signs stays as written")
        << u"a\n  %1 %2"_s << u"[a]"_s << u"Invalid level (2) for item \"%1 %2\""_s;
    QTest::newRow("CR LF, lone CR and lone LF")
        << u"a\r\n b\r  c\n d"_s << u"[a]\n.[b]\n..[c]\n.[d]"_s << QString();
    QTest::newRow("LF CR is two breaks") << u"a\n\r b"_s << u"[a]\n[]\n.[b]"_s << QString();
    QTest::newRow("final break adds no node") << u"a\r\n b\r\n"_s << u"[a]\n.[b]"_s << QString();
    QTest::newRow("line separator is no break") << u"a\u2028 b"_s << u"[a\u2028 b]"_s << QString();
    QTest::newRow("empty text") << QString() << QString() << QString();
    QTest::newRow("NUL stops the read")
        << u"a\n b\n"_s + QChar(0) + u"\n  c"_s << u"[a]\n.[b]"_s << QString();
    QTest::newRow("NUL inside a line keeps the text before it")
        << u"a\n bc"_s + QChar(0) + u"d\n e"_s << u"[a]\n.[bc]"_s << QString();
}

void TestLibrary::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, nodes);
    QFETCH(QString, error);

    const bp::LibraryReadResult result = bp::parseLibraryText(text);
    QCOMPARE(picture(result.nodes), nodes);
    QCOMPARE(result.error.value_or(QString()), error);
    if (result.error) {
        QVERIFY_THROWS_EXCEPTION(bp::Error, result.throwIfFailed());
        try {
            result.throwIfFailed();
        } catch (const bp::Error &e) {
            QCOMPARE(e.message(), error);
        }
    } else {
        result.throwIfFailed();
    }
}

void TestLibrary::depthLimit()
{
    // One line per level, each one blank deeper than the one before.
    auto chain = [](int levels) {
        QString text;
        for (int depth = 0; depth < levels; ++depth)
            text += QString(depth, u' ') + u"n"_s + QString::number(depth) + u'\n';
        return text;
    };
    auto depthOf = [](const bp::LibraryForest &forest) {
        int depth = 0;
        for (const bp::LibraryForest *level = &forest; !level->isEmpty();
             level = &level->first().children)
            ++depth;
        return depth;
    };
    const bp::LibraryReadResult deepest = bp::parseLibraryText(chain(bp::kLibraryLevels));
    QVERIFY(!deepest.error);
    QCOMPARE(depthOf(deepest.nodes), bp::kLibraryLevels);

    const bp::LibraryReadResult tooDeep = bp::parseLibraryText(chain(bp::kLibraryLevels + 40));
    QCOMPARE(tooDeep.error.value_or(QString()), u"Invalid level (256) for item \"n256\""_s);
    QCOMPARE(depthOf(tooDeep.nodes), bp::kLibraryLevels);
}

void TestLibrary::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QString text = u"Функции\r\n Общие\r\n  RAND ()\r\n"_s;
    // "Функции" and "Общие" in Windows-1251, written out so the table does not depend on
    // the encoder under test.
    QTest::newRow("Windows-1251 without a mark")
        << QByteArray("\xD4\xF3\xED\xEA\xF6\xE8\xE8\r\n \xCE\xE1\xF9\xE8\xE5\r\n  RAND ()\r\n");
    QTest::newRow("UTF-8 with a mark") << bp::encodeText(text, bp::TextEncoding::Utf8);
    QTest::newRow("UTF-16 little-endian") << bp::encodeText(text, bp::TextEncoding::Utf16LE);
    QTest::newRow("UTF-16 big-endian") << bp::encodeText(text, bp::TextEncoding::Utf16BE);
    QTest::newRow("NUL in UTF-16 stops the read")
        << bp::encodeText(QString(text + QChar(0) + u" LEN"_s), bp::TextEncoding::Utf16LE);
}

void TestLibrary::encodings()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const bp::LibraryReadResult result = bp::readLibraryFile(writeFile(dir, bytes));
    QCOMPARE(picture(result.nodes), u"[Функции]\n.[Общие]\n..[RAND ()]"_s);
    QVERIFY(!result.error);
}

void TestLibrary::unreadableFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(u"library.txt"_s);
    try {
        bp::readLibraryFile(missing);
        QFAIL("a missing file must throw");
    } catch (const bp::Error &e) {
        QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
    }

    // Invalid UTF-8 behind a UTF-8 mark is refused rather than read as an empty library.
    const QString broken = writeFile(dir, QByteArray("\xEF\xBB\xBF\xFF\xFE a"));
    QVERIFY_THROWS_EXCEPTION(bp::Error, bp::readLibraryFile(broken));
}

void TestLibrary::shippedFilesMatchBuiltIns()
{
    const QString library = QStringLiteral(BP_SOURCE_DIR "/data/library.txt");
    const QString func = QStringLiteral(BP_SOURCE_DIR "/data/func.txt");

    // The shipped files are the built-ins with the functions the language reference documents
    // and the built-ins lack.
    const QStringList added{u"ABS"_s,
                            u"RANDOMIZE"_s,
                            u"GET_QUOTES_II_LEVEL_DATA"_s,
                            u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO_EX"_s,
                            u"GET_CLIENT_MARGINAL_BUY_SELL_INFO_EX"_s,
                            u"GET_CANDLE_EX"_s,
                            u"ADD_LABEL"_s,
                            u"DELETE_LABEL"_s,
                            u"DELETE_ALL_LABELS"_s,
                            u"GET_LABEL_PARAMS"_s,
                            u"SET_LABEL_PARAMS"_s,
                            u"IS_CONNECTED"_s,
                            u"GET_INFO_PARAM"_s,
                            u"BREAKPOINT"_s};
    const auto isAdded = [&added](const QString &text) {
        return added.contains(text.section(u' ', 0, 0));
    };
    bp::LibraryReadResult result = bp::readLibraryFile(library);
    QVERIFY(!result.error);
    int removed = 0;
    for (bp::LibraryNode &category : result.nodes[0].children)
        removed += int(category.children.removeIf(
            [&](const bp::LibraryNode &node) { return isAdded(node.text); }));
    QCOMPARE(removed, added.size());
    QCOMPARE(picture(result.nodes), picture(bp::builtInLibrary()));
    QStringList names = bp::readCompletionFile(func);
    QCOMPARE(names.removeIf(isAdded), added.size());
    // func.txt lists SET_ROW_COLOR_EX, which the built-in list leaves out.
    QVERIFY(names.removeOne(u"SET_ROW_COLOR_EX"_s));
    QCOMPARE(names, bp::builtInCompletionNames());

    // Shipped in the code page of the program's own texts, with CR LF breaks.
    for (const QString &path : {library, func}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bp::decodeTextFile(bytes, path).encoding, bp::TextEncoding::Ansi);
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    }
}

void TestLibrary::insertion_data()
{
    QTest::addColumn<QString>("nodeText");
    QTest::addColumn<bool>("hasChildren");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("inserts");
    QTest::addColumn<QString>("expected");

    QTest::newRow("caret at column 1") << u"ACOS (DOUBLE Value)"_s << false << u"x = 1;"_s << 1
                                       << true << u"ACOS (DOUBLE Value) x = 1;"_s;
    QTest::newRow("caret just after the line's end")
        << u"RAND ()"_s << false << u"a = "_s << 5 << true << u"a = RAND () "_s;
    QTest::newRow("caret in the middle, text with its own trailing blank")
        << u"LEN (STRING value) "_s << false << u"ab"_s << 2 << true << u"aLEN (STRING value)  b"_s;
    QTest::newRow("empty document gets line 1")
        << u"RAND ()"_s << false << QString() << 1 << true << u"RAND () "_s;
    QTest::newRow("caret beyond the end joins the text to the line")
        << u"RAND ()"_s << false << u"ab"_s << 6 << true << u"abRAND () "_s;
    QTest::newRow("category inserts nothing") << u"Общие"_s << true << u"x"_s << 1 << false;
    QTest::newRow("root inserts nothing") << u"Функции"_s << true << u"x"_s << 1 << false;
}

void TestLibrary::insertion()
{
    QFETCH(QString, nodeText);
    QFETCH(bool, hasChildren);
    QFETCH(QString, line);
    QFETCH(int, caret);
    QFETCH(bool, inserts);

    const auto result = bp::libraryInsertion(nodeText, hasChildren, line, caret);
    QCOMPARE(result.has_value(), inserts);
    if (inserts) {
        QFETCH(QString, expected);
        QCOMPARE(result->lineText, expected);
        QCOMPARE(result->caretColumn, caret); // the caret does not move
    }
}

void TestLibrary::insertionOnTreeNodes()
{
    const bp::LibraryForest library = bp::builtInLibrary();
    const bp::LibraryNode &root = library[0];
    const bp::LibraryNode &general = root.children[0];
    QVERIFY(!bp::libraryInsertion(root, u"x", 1));
    QVERIFY(!bp::libraryInsertion(general, u"x", 1));
    QCOMPARE(bp::libraryInsertion(general.children[1], u"x", 1),
             (bp::LibraryInsertion{u"MESSAGE (STRING Text, DOUBLE Msg_type) x"_s, 1}));
}

BP_TEST(TestLibrary)

#include "tst_library.moc"
