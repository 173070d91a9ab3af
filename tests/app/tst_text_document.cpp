#include "app/document.h"
#include "app/recovery_store.h"
#include "common/error.h"
#include "editor/model/editor_lines.h"
#include "test_runner.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

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
        writeFile(path(u"a.qpl"_qs), bytes);
        document.markModified();
        document.read(path(u"a.qpl"_qs));
        // Reading leaves the saved state to the command that asked about it.
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"a.qpl"_qs));
        QCOMPARE(lineList(lines), (QStringList{u"a"_qs, u"\u041F"_qs}));

        document.save(path(u"b.qpl"_qs), UnfitText::Refuse);
        QVERIFY(document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"b.qpl"_qs));
        QCOMPARE(readFile(path(u"b.qpl"_qs)), bytes);

        // Reading the own file again makes the text the file's: saved.
        writeFile(path(u"b.qpl"_qs), "new");
        document.markModified();
        document.reload();
        QVERIFY(document.DocSaved());
        QCOMPARE(lineList(lines), QStringList{u"new"_qs});
        QCOMPARE(lines.encoding(), TextEncoding::Ansi);
    }

    void failuresChangeNothing_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("missing file") << u"read missing"_qs;
        QTest::newRow("undecodable file") << u"read bad"_qs;
        QTest::newRow("save into a missing folder") << u"save missing"_qs;
        QTest::newRow("save of a text that does not fit, unasked") << u"save unfit"_qs;
    }
    void failuresChangeNothing()
    {
        QFETCH(QString, step);
        writeFile(path(u"own.qpl"_qs), "kept");
        writeFile(path(u"bad.qpl"_qs), "\xEF\xBB\xBF\xFF");
        TEditorLines lines;
        TextDocument document(lines);
        document.read(path(u"own.qpl"_qs));
        lines.setLine(0, step == u"save unfit"_qs ? u"\u00FC"_qs : u"edited"_qs);
        document.markModified();
        const QStringList before = lineList(lines);

        QVERIFY_THROWS_EXCEPTION(Error, [&] {
            if (step == u"read missing"_qs)
                document.read(path(u"none.qpl"_qs));
            else if (step == u"read bad"_qs)
                document.read(path(u"bad.qpl"_qs));
            else if (step == u"save missing"_qs)
                document.save(path(u"missing/b.qpl"_qs), UnfitText::Substitute);
            else
                document.save(path(u"unfit.qpl"_qs), UnfitText::Refuse);
        }());
        QCOMPARE(lineList(lines), before);
        QCOMPARE(document.DocFileName(), path(u"own.qpl"_qs));
        QVERIFY(!document.DocSaved());
        QCOMPARE(lines.encoding(), TextEncoding::Ansi);
        QCOMPARE(readFile(path(u"own.qpl"_qs)), QByteArray("kept"));
        QVERIFY(!QFileInfo::exists(path(u"unfit.qpl"_qs)));
    }

    void newKeepsTheFileItsEncodingAndBreaks()
    {
        writeFile(path(u"a.qpl"_qs), "\xEF\xBB\xBF"
                                     "x\ny");
        TEditorLines lines;
        TextDocument document(lines);
        document.read(path(u"a.qpl"_qs));
        document.startNew();
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"a.qpl"_qs));
        QCOMPARE(lineList(lines), newDocumentTemplate());
        document.save(document.DocFileName(), UnfitText::Refuse);
        QCOMPARE(readFile(path(u"a.qpl"_qs)),
                 QByteArray("\xEF\xBB\xBF") + newDocumentTemplate().join(u'\n').toUtf8());
    }

    void restoreAttachesToTheRecoveredFile()
    {
        TEditorLines lines;
        lines.Add(u"old"_qs);
        TextDocument document(lines);
        RecoveredText text;
        text.documentName = path(u"r.qpl"_qs);
        text.encoding = TextEncoding::Utf16LE;
        text.breakStyle = LineBreakStyle::sffMac;
        text.lines = {u"a"_qs, u"b"_qs};
        document.restore(std::move(text));
        QVERIFY(!document.DocSaved());
        QCOMPARE(document.DocFileName(), path(u"r.qpl"_qs));
        QCOMPARE(lineList(lines), (QStringList{u"a"_qs, u"b"_qs}));
        // Save writes what a save before the crash would have written.
        document.save(document.DocFileName(), UnfitText::Refuse);
        QCOMPARE(readFile(path(u"r.qpl"_qs)), QByteArray("\xFF\xFE"
                                                         "a\0\r\0b\0",
                                                         8));
        QVERIFY(document.DocSaved());
    }

    void fileNamePartCutsAtAnySeparator_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslash") << u"c:\\dir\\a.qpl"_qs << u"a.qpl"_qs;
        QTest::newRow("slash") << u"/home/u/a.qpl"_qs << u"a.qpl"_qs;
        QTest::newRow("drive only") << u"d:a.qpl"_qs << u"a.qpl"_qs;
        QTest::newRow("plain name") << u"a.qpl"_qs << u"a.qpl"_qs;
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
