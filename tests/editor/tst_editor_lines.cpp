#include "common/error.h"
#include "common/text_file.h"
#include "editor/model/editor_lines.h"
#include "test_runner.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

Q_DECLARE_METATYPE(bp::LineBreakStyle)
Q_DECLARE_METATYPE(bp::TextEncoding)

class TestEditorLines : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write fixture");
        return path;
    }

private slots:
    void cutting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<LineBreakStyle>("style");
        const QString ls(QChar(0x2028));
        using F = LineBreakStyle;
        QTest::newRow("empty file") << QString() << QStringList{} << F::sffDos;
        QTest::newRow("no break") << u"abc"_s << QStringList{u"abc"_s} << F::sffDos;
        QTest::newRow("CR LF") << u"a\r\nb"_s << QStringList{u"a"_s, u"b"_s} << F::sffDos;
        QTest::newRow("lone CR") << u"a\rb"_s << QStringList{u"a"_s, u"b"_s} << F::sffMac;
        QTest::newRow("lone LF") << u"a\nb"_s << QStringList{u"a"_s, u"b"_s} << F::sffUnix;
        QTest::newRow("LF CR is two breaks")
            << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s} << F::sffDos;
        QTest::newRow("line separator")
            << (u"a"_s + ls + u"b"_s) << QStringList{u"a"_s, u"b"_s} << F::sffUnicode;
        QTest::newRow("separators only")
            << (ls + u"a"_s + ls + ls) << QStringList{QString(), u"a"_s, QString(), QString()}
            << F::sffUnicode;
        QTest::newRow("separator CR LF is one break")
            << (u"a"_s + ls + u"\r\nb"_s) << QStringList{u"a"_s, u"b"_s} << F::sffDos;
        QTest::newRow("separator LF is one break")
            << (u"a"_s + ls + u"\nb"_s) << QStringList{u"a"_s, u"b"_s} << F::sffUnix;
        QTest::newRow("CR then separator is two breaks")
            << (u"a\r"_s + ls + u"b"_s) << QStringList{u"a"_s, QString(), u"b"_s} << F::sffMac;
        QTest::newRow("stray separator in a CR LF text keeps CR LF")
            << (u"a\r\nb"_s + ls + u"c\r\nd"_s) << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
            << F::sffDos;
        QTest::newRow("trailing break adds an empty line")
            << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s, QString()} << F::sffDos;
        QTest::newRow("only a break") << u"\n"_s << QStringList{QString(), QString()} << F::sffUnix;
        QTest::newRow("mixed CR LF and LF is CR LF")
            << u"a\r\nb\nc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s} << F::sffDos;
        QTest::newRow("CR and LF apart is CR LF")
            << u"a\rb\nc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s} << F::sffDos;
    }
    void cutting()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QFETCH(LineBreakStyle, style);
        TEditorLines list;
        list.setText(text);
        QStringList actual;
        for (int i = 0; i < list.Count(); ++i)
            actual << list[i];
        QCOMPARE(actual, lines);
        QCOMPARE(list.breakStyle(), style);
        const CutLines cut = cutIntoLines(text);
        QCOMPARE(QStringList(cut.lines.begin(), cut.lines.end()), lines);
        QCOMPARE(cut.style, style);
    }

    void writeBackIsByteExact_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::newRow("ANSI CR LF with Cyrillic and a trailing break")
            << QByteArray("PROGRAM\r\n\xCF\xF0\xE8\xE2\xE5\xF2 \x98\xFF\r\nEND_PROGRAM\r\n")
            << TextEncoding::Ansi;
        QTest::newRow("ANSI LF") << QByteArray("a\nb\n") << TextEncoding::Ansi;
        QTest::newRow("ANSI CR") << QByteArray("a\rb") << TextEncoding::Ansi;
        QTest::newRow("UTF-8 with mark")
            << QByteArray("\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8\r\nx") << TextEncoding::Utf8;
        QTest::newRow("UTF-8 whose text starts with a second mark")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFhello\r\n") << TextEncoding::Utf8;
        QTest::newRow("UTF-16 LE with mark") << QByteArray("\xFF\xFE"
                                                           "a\0\r\0\n\0\x1F\x04",
                                                           10)
                                             << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 BE with mark")
            << QByteArray("\xFE\xFF\0a\0\n\x04\x1F", 8) << TextEncoding::Utf16BE;
        QTest::newRow("UTF-8, line separators only") << QByteArray("\xEF\xBB\xBF"
                                                                   "a\xE2\x80\xA8"
                                                                   "b\xE2\x80\xA8")
                                                     << TextEncoding::Utf8;
        QTest::newRow("empty file") << QByteArray() << TextEncoding::Ansi;
    }
    void writeBackIsByteExact()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        const QString in = writeFile(u"in.qpl"_s, bytes);
        TEditorLines list;
        list.LoadFromFile(in);
        QCOMPARE(list.encoding(), encoding);
        const QString out = m_dir.filePath(u"out.qpl"_s);
        list.SaveToFile(out);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    // The plan names what each encoding cannot hold, and SaveToFile writes "?" or the wider
    // encoding only when told to: unasked, it refuses and the old file stays.
    void textThatDoesNotFitItsEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<TextEncoding>("wider");
        QTest::addColumn<QByteArray>("substituted");
        QTest::addColumn<QByteArray>("widened");
        const QString lone = u"a"_s + QChar(0xD800);
        const QByteArray utf8Mark("\xEF\xBB\xBF");
        QTest::newRow("Cyrillic fits Windows-1251")
            << u"\u041F\u0440"_s << TextEncoding::Ansi << true << TextEncoding::Ansi
            << QByteArray("\xCF\xF0") << QByteArray("\xCF\xF0");
        QTest::newRow("Windows-1251 lacks a character: UTF-8")
            << u"a\u00FC\u0431"_s << TextEncoding::Ansi << false << TextEncoding::Utf8
            << QByteArray("a?\xE1") << utf8Mark + "a\xC3\xBC\xD0\xB1";
        QTest::newRow("Windows-1251 lacks the line separator break: UTF-8")
            << u"a\u2028b"_s << TextEncoding::Ansi << false << TextEncoding::Utf8
            << QByteArray("a?b")
            << utf8Mark + "a\xE2\x80\xA8"
                          "b";
        QTest::newRow("lone surrogate in Windows-1251: UTF-16")
            << lone << TextEncoding::Ansi << false << TextEncoding::Utf16LE << QByteArray("a?")
            << QByteArray("\xFF\xFE"
                          "a\0\x00\xD8",
                          6);
        QTest::newRow("lone surrogate in UTF-8: UTF-16")
            << lone << TextEncoding::Utf8 << false << TextEncoding::Utf16LE << utf8Mark + "a?"
            << QByteArray("\xFF\xFE"
                          "a\0\x00\xD8",
                          6);
        QTest::newRow("UTF-16 holds a lone surrogate")
            << lone << TextEncoding::Utf16BE << true << TextEncoding::Utf16BE
            << QByteArray("\xFE\xFF\0a\xD8\x00", 6) << QByteArray("\xFE\xFF\0a\xD8\x00", 6);
    }
    void textThatDoesNotFitItsEncoding()
    {
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(bool, fits);
        QFETCH(TextEncoding, wider);
        QFETCH(QByteArray, substituted);
        QFETCH(QByteArray, widened);
        TEditorLines list;
        list.setText(text);
        list.setEncoding(encoding);
        const SavePlan plan = list.savePlan();
        QCOMPARE(plan.encoding, encoding);
        QCOMPARE(plan.fits, fits);
        QCOMPARE(plan.wider, wider);
        auto read = [](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
        };

        const QString out = writeFile(u"out.qpl"_s, "old");
        if (fits) {
            list.SaveToFile(out);
            QCOMPARE(read(out), substituted);
        } else {
            QVERIFY(plan.question().contains(encodingName(wider)));
            QVERIFY_THROWS_EXCEPTION(Error, list.SaveToFile(out));
            QCOMPARE(read(out), QByteArray("old"));
        }
        list.SaveToFile(out, UnfitText::Substitute);
        QCOMPARE(read(out), substituted);
        QCOMPARE(list.encoding(), encoding);
        list.SaveToFile(out, UnfitText::Widen);
        QCOMPARE(read(out), widened);
        QCOMPARE(list.encoding(), wider);
        QVERIFY(list.savePlan().fits);
    }

    void undecodableInputIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 mark then an invalid byte") << QByteArray("\xEF\xBB\xBF"
                                                                       "ab\xFF");
        QTest::newRow("UTF-8 mark then a cut-off sequence") << QByteArray("\xEF\xBB\xBF"
                                                                          "ab\xD0");
        QTest::newRow("UTF-8 mark then an encoded surrogate")
            << QByteArray("\xEF\xBB\xBF\xED\xA0\x80");
        QTest::newRow("UTF-16 LE with an odd byte count") << QByteArray("\xFF\xFE"
                                                                        "a\0b",
                                                                        5);
        QTest::newRow("UTF-16 BE with an odd byte count") << QByteArray("\xFE\xFF\0", 3);
    }
    void undecodableInputIsRefused()
    {
        QFETCH(QByteArray, bytes);
        const QString path = writeFile(u"bad.qpl"_s, bytes);
        TEditorLines list;
        list.Add(u"kept"_s);
        try {
            list.LoadFromFile(path);
            QFAIL("the file was accepted");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list[0], u"kept"_s);
    }

    void missingFileAndDirectoryAreRefused()
    {
        TEditorLines list;
        QVERIFY_THROWS_EXCEPTION(Error, list.LoadFromFile(m_dir.filePath(u"none.qpl"_s)));
        QVERIFY_THROWS_EXCEPTION(Error, list.LoadFromFile(m_dir.path()));
    }

    void itemAssignment()
    {
        TEditorLines list;
        list.setLine(0, u"first"_s); // index == count appends, also on an empty list
        list.setLine(1, u"second"_s);
        list.setLine(0, u"changed"_s);
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list[0], u"changed"_s);
        QCOMPARE(list[5], QString());
        QCOMPARE(list.range(5), TRange(0));
    }

    void assigningPastTheEndStopsTheProgram()
    {
        // An index past the end is a fault of the caller, never a message for the user.
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--set-line"_s, u"3"_s});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(child.readAllStandardError().contains("setLine"));
        child.start(QCoreApplication::applicationFilePath(), {u"--set-line"_s, u"2"_s});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    void freshLinesAreUnscanned()
    {
        TEditorLines list;
        list.setText(u"a\nb"_s);
        list.Add(u"c"_s);
        for (int i = 0; i < list.Count(); ++i)
            QCOMPARE(list.range(i), kUnscannedRange);
    }

    void linesOutliveTheirLoadBuffer()
    {
        // A line read from a file must stay valid after the list is replaced.
        // The text is built at run time: a literal's characters are never freed, so a line
        // still pointing into them would pass unnoticed.
        TEditorLines list;
        QString text;
        for (const char16_t *word : {u"alpha", u"\n", u"beta"})
            text += QStringView(word);
        list.setText(text);
        text.clear();
        const QString kept = list[1];
        list.setText(u"other"_s);
        list.Clear();
        QCOMPARE(kept, u"beta"_s);
    }

    void loadedTextIsFreedOnceEveryLineIsRewritten()
    {
        // The lines share the loaded text; rewriting the last line that does lets it go.
        QString text;
        for (const char16_t *word : {u"alpha", u"\n", u"beta"})
            text += QStringView(word);
        TEditorLines list;
        list.setText(text);
        QVERIFY(text.data_ptr().isShared());
        list.setLine(0, u"a"_s);
        QVERIFY(text.data_ptr().isShared());
        list.setLine(1, u"b"_s);
        QVERIFY(!text.data_ptr().isShared());
        QCOMPARE(list.text(), u"a\nb"_s);
    }

    void rawTextIsCopiedOnLoad()
    {
        // Text that does not own its characters is copied: the caller may reuse them.
        char16_t buffer[] = u"one\ntwo";
        TEditorLines list;
        list.setText(QString::fromRawData(reinterpret_cast<const QChar *>(buffer), 7));
        buffer[0] = u'X';
        buffer[4] = u'Y';
        QCOMPARE(list[0], u"one"_s);
        QCOMPARE(list[1], u"two"_s);
    }

    void lineBufferBuildsLinesAcrossItsBlocks_data()
    {
        QTest::addColumn<qsizetype>("reserved");
        QTest::newRow("no room reserved") << qsizetype(-1);
        QTest::newRow("too little room") << qsizetype(100);
        QTest::newRow("room for everything") << qsizetype(200000);
    }

    // Lines whose characters go in by pieces keep them when the buffer moves on to a new block
    // part-way through a line; kept lines, empty lines and a line longer than a block mix in.
    void lineBufferBuildsLinesAcrossItsBlocks()
    {
        QFETCH(qsizetype, reserved);
        LineBuffer buffer;
        if (reserved >= 0)
            buffer.reserve(reserved, 10);
        std::vector<QString> expected;
        for (int i = 0; i < 3000; ++i) {
            if (i % 7 == 3) {
                expected.push_back(u"kept %1"_s.arg(i));
                buffer.addLine(expected.back());
                continue;
            }
            QString line = i % 11 == 5 ? QString() : u"line %1: "_s.arg(i);
            if (i == 1500)
                line += QString(10000, u'x');
            for (int piece = 0; piece < line.size(); piece += 4)
                buffer.append(QStringView(line).mid(piece, 4));
            if (i % 13 == 0) {
                buffer.append(u'!');
                line += u'!';
            }
            buffer.endLine();
            expected.push_back(line);
        }
        QCOMPARE(buffer.lineCount(), expected.size());
        const std::vector<QString> lines = buffer.takeLines();
        QCOMPARE(lines, expected);
        // Emptied, it starts over.
        QCOMPARE(buffer.lineCount(), std::size_t(0));
        buffer.append(u"again"_s).endLine();
        QCOMPARE(buffer.takeLines(), std::vector<QString>{u"again"_s});
    }

    void clearKeepsStyle()
    {
        TEditorLines list;
        list.setText(u"a\nb"_s);
        list.Clear();
        list.Add(u"x"_s);
        list.Add(u"y"_s);
        QCOMPARE(list.text(), u"x\ny"_s);
    }
};

// `--set-line N` assigns line N of a two-line list, for the test that expects an index past
// the end to end the program.
static int setLineMode(int argc, char **argv)
{
    if (argc != 3 || qstrcmp(argv[1], "--set-line") != 0)
        return -1;
    TEditorLines list;
    list.setText(u"a\nb"_s);
    list.setLine(QByteArray(argv[2]).toInt(), u"x"_s);
    return 0;
}

BP_TEST(TestEditorLines)
BP_TEST_PROGRAM({.beforeApplication = setLineMode})
#include "tst_editor_lines.moc"
