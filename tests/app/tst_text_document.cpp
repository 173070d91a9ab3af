#include "app/document.h"
#include "app/recovery_store.h"
#include "common/error.h"
#include "editor/model/editor_lines.h"
#include "test_runner.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture");
}

QStringList lineList(const TEditorLines &lines)
{
    QStringList list;
    for (int i = 0; i < lines.Count(); ++i)
        list << lines[i];
    return list;
}

} // namespace

// The document's lifecycle without a window: what reading, saving, New and a restore do to
// its text, file, encoding, breaks and saved state.
class TestTextDocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void readAttachesAndSaveMarksSaved()
    {
        TEditorLines lines;
        TextDocument document(lines);
        QCOMPARE(document.DocFileName(), QString());
        QVERIFY(document.DocSaved());

        const QByteArray bytes("\xFE\xFF\0a\0\r\x04\x1F", 8);
        writeFile(path(u"a.qpl"_s), bytes);
        document.markModified();
        document.read(path(u"a.qpl"_s));
        // Reading leaves the saved state to the command that asked about it.
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"a.qpl"_s));
        QCOMPARE(lineList(lines), (QStringList{u"a"_s, u"\u041F"_s}));

        document.save(path(u"b.qpl"_s), UnfitText::Refuse);
        QVERIFY(document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"b.qpl"_s));
        QCOMPARE(readFile(path(u"b.qpl"_s)), bytes);

        // Reading the own file again makes the text the file's: saved.
        writeFile(path(u"b.qpl"_s), "new");
        document.markModified();
        document.reload();
        QVERIFY(document.DocSaved());
        QCOMPARE(lineList(lines), QStringList{u"new"_s});
        QCOMPARE(lines.encoding(), TextEncoding::Ansi);
    }

    void failuresChangeNothing_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("missing file") << u"read missing"_s;
        QTest::newRow("undecodable file") << u"read bad"_s;
        QTest::newRow("save into a missing folder") << u"save missing"_s;
        QTest::newRow("save of a text that does not fit, unasked") << u"save unfit"_s;
    }
    void failuresChangeNothing()
    {
        QFETCH(QString, step);
        writeFile(path(u"own.qpl"_s), "kept");
        writeFile(path(u"bad.qpl"_s), "\xEF\xBB\xBF\xFF");
        TEditorLines lines;
        TextDocument document(lines);
        document.read(path(u"own.qpl"_s));
        lines.setLine(0, step == u"save unfit"_s ? u"\u00FC"_s : u"edited"_s);
        document.markModified();
        const QStringList before = lineList(lines);

        QVERIFY_THROWS_EXCEPTION(Error, [&] {
            if (step == u"read missing"_s)
                document.read(path(u"none.qpl"_s));
            else if (step == u"read bad"_s)
                document.read(path(u"bad.qpl"_s));
            else if (step == u"save missing"_s)
                document.save(path(u"missing/b.qpl"_s), UnfitText::Substitute);
            else
                document.save(path(u"unfit.qpl"_s), UnfitText::Refuse);
        }());
        QCOMPARE(lineList(lines), before);
        QCOMPARE(document.DocFileName(), path(u"own.qpl"_s));
        QVERIFY(!document.DocSaved());
        QCOMPARE(lines.encoding(), TextEncoding::Ansi);
        QCOMPARE(readFile(path(u"own.qpl"_s)), QByteArray("kept"));
        QVERIFY(!QFileInfo::exists(path(u"unfit.qpl"_s)));
    }

    void newKeepsTheFileItsEncodingAndBreaks()
    {
        writeFile(path(u"a.qpl"_s), "\xEF\xBB\xBF"
                                    "x\ny");
        TEditorLines lines;
        TextDocument document(lines);
        document.read(path(u"a.qpl"_s));
        document.startNew();
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"a.qpl"_s));
        QCOMPARE(lineList(lines), newDocumentTemplate());
        document.save(document.DocFileName(), UnfitText::Refuse);
        QCOMPARE(readFile(path(u"a.qpl"_s)),
                 QByteArray("\xEF\xBB\xBF") + newDocumentTemplate().join(u'\n').toUtf8());
    }

    void restoreAttachesToTheRecoveredFile()
    {
        TEditorLines lines;
        lines.Add(u"old"_s);
        TextDocument document(lines);
        RecoveredText text;
        text.documentName = path(u"r.qpl"_s);
        text.encoding = TextEncoding::Utf16LE;
        text.breakStyle = LineBreakStyle::sffMac;
        text.lines = {u"a"_s, u"b"_s};
        document.restore(std::move(text));
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"r.qpl"_s));
        QCOMPARE(lineList(lines), (QStringList{u"a"_s, u"b"_s}));
        // Save writes what a save before the crash would have written.
        document.save(document.DocFileName(), UnfitText::Refuse);
        QCOMPARE(readFile(path(u"r.qpl"_s)), QByteArray("\xFF\xFE"
                                                        "a\0\r\0b\0",
                                                        8));
        QVERIFY(document.DocSaved());
    }

    void fileNamePartCutsAtAnySeparator_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslash") << u"c:\\dir\\a.qpl"_s << u"a.qpl"_s;
        QTest::newRow("slash") << u"/home/u/a.qpl"_s << u"a.qpl"_s;
        QTest::newRow("drive only") << u"d:a.qpl"_s << u"a.qpl"_s;
        QTest::newRow("plain name") << u"a.qpl"_s << u"a.qpl"_s;
    }
    void fileNamePartCutsAtAnySeparator()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(fileNamePart(path), name);
    }
};

BP_TEST(TestTextDocument)
#include "tst_text_document.moc"
