#include "app/document_recovery.h"
#include "app/recovery_store.h"
#include "common/text_file.h"
#include "platform/process_signals.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>

using namespace bp;

namespace {

const QString kChildMode = QStringLiteral("--recovery-child");
// Process ids far above any the system hands out: their owners never run.
constexpr qint64 kEndedPid = 2147483001;
constexpr qint64 kOtherEndedPid = 2147483002;
constexpr qint64 kNewInstancePid = 2147483003;

QDir recoveryFolder()
{
    return QDir(RecoveryStore::defaultFolder());
}

QStringList recoveryEntries()
{
    return recoveryFolder().entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

// Lines with the encoding and break style a file read would give them.
void fillLines(TEditorLines &lines, const QStringList &text, TextEncoding encoding,
               LineBreakStyle style)
{
    lines.Clear();
    lines.insertLines(0, std::vector<QString>(text.begin(), text.end()));
    lines.setEncoding(encoding);
    lines.setBreakStyle(style);
}

// The bytes a save writes: the yardstick for "restored exactly".
QByteArray savedBytes(const QStringList &text, TextEncoding encoding, LineBreakStyle style)
{
    TEditorLines lines;
    fillLines(lines, text, encoding, style);
    return lines.encodedText();
}

// A second instance for the tests: opens the file named on its command line, types "X" at
// the start of the text with real key events (Key_X, typing "x"), and keeps its unsaved text in the
// recovery folder. It says "offered <n>" (the questions it was asked at start-up), then "typed",
// then "written" once its idle write is done, and runs until it is killed.
int runChild(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString document = arguments.value(arguments.indexOf(kChildMode) + 1);
    const bool writeAtOnce = arguments.contains(QStringLiteral("--idle-write"));
    QTextStream out(stdout);

    QTemporaryDir dir;
    QtSettingsStore settings(dir.filePath(QStringLiteral("settings.conf")),
                             QSettings::NativeFormat);
    QtShellOpen shell;
    FakePrompts prompts;
    FakeAlertSound sound;
    RecoveryStore store(RecoveryStore::defaultFolder());
    Tfrm_Main window(PlatformServices{&settings, &shell, &prompts, &sound,
                                      QStringLiteral(BP_SOURCE_DIR "/data")},
                     {document});
    window.show();
    window.startRecovery(store);
    out << "offered " << prompts.questions.size() << Qt::endl;

    if (writeAtOnce) {
        window.recovery()->setIdleInterval(std::chrono::milliseconds(0));
        QObject::connect(window.recovery(), &DocumentRecovery::written,
                         [&] { out << "written" << Qt::endl; });
    }
    QTest::keyClick(window.editorPane(), Qt::Key_X);
    out << "typed" << Qt::endl;
    return QApplication::exec();
}

} // namespace

class RecoveryTest : public QObject
{
    Q_OBJECT

    WindowFixture f;

    // Runs a second instance on `document` and waits for it to say `ready`.
    void startChild(QProcess &child, const QString &document, bool idleWrite,
                    const QByteArray &ready)
    {
        QStringList arguments{kChildMode, document};
        if (idleWrite)
            arguments << QStringLiteral("--idle-write");
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        QByteArray said;
        while (!said.contains(ready)) {
            QVERIFY2(child.waitForReadyRead(60000), said.constData());
            said += child.readAll();
        }
        QVERIFY2(said.contains("offered 0"), said.constData());
    }

private slots:
    void init()
    {
        f.reset();
        QDir(RecoveryStore::defaultFolder()).removeRecursively();
    }
    void cleanup() { f.window.reset(); }

    void storeKeepsTextExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<LineBreakStyle>("style");

        using enum TextEncoding;
        using enum LineBreakStyle;
        const QString cyrillic = QStringLiteral("Описание портфеля;");
        QTest::newRow("windows-1251, CR LF")
            << QStringLiteral("/home/u/a.qpl")
            << QStringList{cyrillic, QString(), QStringLiteral("END")} << Ansi << sffDos;
        QTest::newRow("a character Windows-1251 lacks stays for the save to ask about")
            << QStringLiteral("/a.qpl") << QStringList{QStringLiteral("\u20AC\u4E2D")} << Ansi
            << sffUnix;
        QTest::newRow("UTF-8, LF, a character outside the BMP")
            << QStringLiteral("/a.qpl") << QStringList{QStringLiteral("a\U0001F600b"), cyrillic}
            << Utf8 << sffUnix;
        QTest::newRow("UTF-16 big-endian, CR")
            << QStringLiteral("/b.qpl") << QStringList{QStringLiteral("x"), cyrillic} << Utf16BE
            << sffMac;
        QTest::newRow("UTF-16 little-endian, U+2028")
            << QStringLiteral("/c.qpl") << QStringList{QStringLiteral("x"), QStringLiteral("y")}
            << Utf16LE << sffUnicode;
        QTest::newRow("a lone surrogate")
            << QStringLiteral("/d.qpl") << QStringList{QString(QChar(0xD800)) + u'z'} << Utf16LE
            << sffDos;
        QTest::newRow("a U+2028 inside a line is not a break here")
            << QStringLiteral("/e.qpl")
            << QStringList{QStringLiteral("a\u2028b"), QStringLiteral("c")} << Utf8 << sffDos;
        QTest::newRow("ends with an empty line")
            << QStringLiteral("/f.qpl") << QStringList{QStringLiteral("a"), QString()} << Ansi
            << sffDos;
        QTest::newRow("one empty line") << QString() << QStringList{QString()} << Ansi << sffDos;
        QTest::newRow("no line at all") << QString() << QStringList{} << Ansi << sffDos;
        QTest::newRow("a name with a line feed, '=' and '%'")
            << QStringLiteral("/tmp/a\nb=c%41 d.qpl") << QStringList{QStringLiteral("q")} << Ansi
            << sffDos;
    }
    void storeKeepsTextExactly()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(LineBreakStyle, style);

        TEditorLines lines;
        fillLines(lines, text, encoding, style);
        RecoveryStore store(f.path(QStringLiteral("recovery")));
        store.write(name, lines);
        const RecoveredText read = RecoveryStore::read(store.ownFile());

        QCOMPARE(read.documentName, name);
        QCOMPARE(QStringList(read.lines.begin(), read.lines.end()), text);
        QCOMPARE(read.encoding, encoding);
        QCOMPARE(read.breakStyle, style);
        QVERIFY(qAbs(read.writtenAt.secsTo(QDateTime::currentDateTime())) < 3600);
    }

    void onlyFilesOfEndedOwnersAreLeftOver()
    {
        const QString folder = f.path(QStringLiteral("recovery"));
        TEditorLines lines;
        fillLines(lines, {QStringLiteral("t")}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const QList<qint64> running{100, 300};
        const auto check = [&](qint64 pid) { return running.contains(pid); };
        // Instances as they would write: pid 100 and 300 run, pid 200 ended, and an earlier
        // process with this instance's pid 400 ended too.
        for (auto [pid, start] : {std::pair<qint64, qint64>{100, 1}, {200, 2}, {300, 3}, {400, 4}})
            RecoveryStore(folder, check, pid, start).write(QStringLiteral("/a.qpl"), lines);
        writeFile(QDir(folder).filePath(QStringLiteral("notes.recovery")), "not ours");
        writeFile(QDir(folder).filePath(QStringLiteral("500-5.recovery.bad")), "set aside");

        const RecoveryStore self(folder, check, 400, 40);
        QStringList names;
        for (const QString &path : self.leftOver())
            names << QFileInfo(path).fileName();
        names.sort();
        QCOMPARE(names,
                 (QStringList{QStringLiteral("200-2.recovery"), QStringLiteral("400-4.recovery")}));
        // An owner that runs sees nothing of its own as left over.
        QVERIFY(!RecoveryStore(folder, check, 100, 1)
                     .leftOver()
                     .contains(QDir(folder).filePath(QStringLiteral("100-1.recovery"))));
    }

    void answersToTheOffer_data()
    {
        QTest::addColumn<QList<PromptAnswer>>("answers");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<bool>("fileKept");
        QTest::newRow("Yes restores") << QList<PromptAnswer>{PromptAnswer::Yes} << true << true;
        QTest::newRow("No, confirmed, deletes")
            << QList<PromptAnswer>{PromptAnswer::No, PromptAnswer::Yes} << false << false;
        QTest::newRow("No, not confirmed, keeps")
            << QList<PromptAnswer>{PromptAnswer::No, PromptAnswer::No} << false << true;
        QTest::newRow("Later keeps") << QList<PromptAnswer>{PromptAnswer::Cancel} << false << true;
    }
    void answersToTheOffer()
    {
        QFETCH(QList<PromptAnswer>, answers);
        QFETCH(bool, restored);
        QFETCH(bool, fileKept);

        const QString document = f.path(QStringLiteral("doc.qpl"));
        const QStringList text{QStringLiteral("PROGRAM"), QStringLiteral("Строка")};
        TEditorLines lines;
        fillLines(lines, text, TextEncoding::Utf8, LineBreakStyle::sffUnix);
        RecoveryStore ended(RecoveryStore::defaultFolder(), processRunning, kEndedPid, 1);
        ended.write(document, lines);

        f.prompts.answers = answers;
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);

        QVERIFY(f.prompts.questions.size() >= 1);
        const QString question = f.prompts.questions.first().text;
        QVERIFY2(question.startsWith(
                     QStringLiteral("Восстановить несохранённый текст документа doc.qpl от ")),
                 qPrintable(question));
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(window.docSaved(), !restored);
        if (restored) {
            QCOMPARE(f.lines().text(), text.join(u'\n'));
            QCOMPARE(window.docFileName(), document);
            QCOMPARE(window.statusPanelText(1), QStringLiteral("doc.qpl"));
            QCOMPARE(window.statusPanelText(2), QStringLiteral("Изменен"));
            // The file now belongs to this instance: kept until the document is saved.
            QCOMPARE(recoveryEntries(), QStringList{QFileInfo(store.ownFile()).fileName()});
        } else {
            QCOMPARE(f.lines().Count(), 0);
            QCOMPARE(recoveryEntries(),
                     fileKept ? QStringList{QFileInfo(ended.ownFile()).fileName()} : QStringList{});
        }
    }

    void unreadableFileIsReportedAndSetAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QByteArray header = "Brindlepad recovery 1\nname=%2Fa.qpl\nencoding=utf-8\n"
                                  "breaks=lf\nbody=utf-8\ntime=0\n";
        QTest::newRow("not a recovery file")
            << QByteArray("\x00\x01garbage", 9) << QStringLiteral("нет заголовка");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("нет заголовка");
        QTest::newRow("a field missing") << header + "\nabc" << QStringLiteral("\"lines\"");
        QTest::newRow("an unknown encoding")
            << QByteArray(header + "lines=1\n\nabc").replace("utf-8\nbreaks", "koi8\nbreaks")
            << QStringLiteral("\"encoding\"");
        QTest::newRow("cut short") << header + "lines=3\n\na\nb" << QStringLiteral("число строк");
        QTest::newRow("bytes that are not UTF-8")
            << header + "lines=1\n\na\xFF\xFE" << QStringLiteral("текст повреждён");
        QTest::newRow("a folder under the name") << QByteArray() << QStringLiteral("не обычный");
    }
    void unreadableFileIsReportedAndSetAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        const QDir folder = recoveryFolder();
        QVERIFY(QDir().mkpath(folder.path()));
        const QString bad = folder.filePath(QStringLiteral("%1-7.recovery").arg(kEndedPid));
        if (QByteArray(QTest::currentDataTag()).startsWith("a folder"))
            QVERIFY(QDir().mkpath(bad));
        else
            writeFile(bad, content);
        // A good file, written before it, is still offered after it.
        TEditorLines lines;
        fillLines(lines, {QStringLiteral("ok")}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore good(folder.path(), processRunning, kOtherEndedPid, 8);
        good.write(QStringLiteral("/good.qpl"), lines);
        QFile goodFile(good.ownFile());
        QVERIFY(goodFile.open(QIODevice::ReadWrite));
        QVERIFY(goodFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
        goodFile.close();

        f.prompts.answers = {PromptAnswer::Yes};
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(folder.path());
        window.startRecovery(store);

        QCOMPARE(f.prompts.errors.size(), 1);
        const QString error = f.prompts.errors.first();
        QVERIFY2(error.contains(bad) && error.contains(reason) &&
                     error.contains(QStringLiteral("переименован в \"%1.bad\"").arg(bad)),
                 qPrintable(error));
        QVERIFY(QFileInfo::exists(bad + QStringLiteral(".bad")));
        QVERIFY(!QFileInfo::exists(bad));
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(window.docFileName(), QStringLiteral("/good.qpl"));
        QCOMPARE(window.statusPanelText(1), QStringLiteral("good.qpl"));
        QCOMPARE(f.lines().text(), QStringLiteral("ok"));
    }

    void savedOrClosedDocumentLeavesNoFile_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("saved") << QStringLiteral("save");
        QTest::newRow("closed without saving") << QStringLiteral("close");
        QTest::newRow("saved, then closed") << QStringLiteral("save+close");
    }
    void savedOrClosedDocumentLeavesNoFile()
    {
        QFETCH(QString, ending);
        const QString document = f.path(QStringLiteral("a.qpl"));
        writeFile(document, "old\r\ntext");
        Tfrm_Main &window = f.openWindow({document});
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        f.edit(QStringLiteral("new"));
        window.recovery()->writeNow();
        QVERIFY(QFileInfo::exists(store.ownFile()));

        if (ending.startsWith(QStringLiteral("save"))) {
            window.actions().FileSave->trigger();
            QCOMPARE(readFile(document), QByteArray("new\r\ntext"));
            QVERIFY(!window.recovery()->writePending());
        }
        if (ending.endsWith(QStringLiteral("close"))) {
            f.prompts.answers = {PromptAnswer::No};
            QVERIFY(window.close());
        }
        QCOMPARE(recoveryEntries(), QStringList{});
    }

    // Typing only arms the idle wait; the write comes after the pause, and only while the
    // document holds unsaved changes.
    void writesAfterAPauseInEditing()
    {
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        DocumentRecovery &recovery = *window.recovery();
        QCOMPARE(recovery.idleInterval(), std::chrono::milliseconds(30000));
        QVERIFY(!recovery.writePending());

        QTest::keyClick(window.editorPane(), Qt::Key_Q);
        QVERIFY(!window.docSaved());
        QVERIFY(recovery.writePending());
        QVERIFY(!QFileInfo::exists(store.ownFile()));

        recovery.setIdleInterval(std::chrono::milliseconds(0));
        recovery.documentChanged();
        QSignalSpy written(&recovery, &DocumentRecovery::written);
        QVERIFY(written.wait(60000));
        QCOMPARE(RecoveryStore::read(store.ownFile()).lines,
                 std::vector<QString>{QStringLiteral("q")});
    }

    void failedWriteIsReportedOnce()
    {
        // A file where the folder should be: the folder cannot be created.
        const QString blocked = f.path(QStringLiteral("blocked"));
        writeFile(blocked, "x");
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(blocked + QStringLiteral("/recovery"));
        window.startRecovery(store);
        window.recovery()->setIdleInterval(std::chrono::milliseconds(0));

        for (int attempt = 0; attempt < 2; ++attempt) {
            f.edit(QStringLiteral("text %1").arg(attempt));
            QTRY_VERIFY_WITH_TIMEOUT(!window.recovery()->writePending(), 60000);
        }
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors.first().contains(
                     QStringLiteral("Не удалось записать файл восстановления")),
                 qPrintable(f.prompts.errors.first()));
        QVERIFY(!window.docSaved());
    }

    // Another running instance keeps its file; once it has ended, its unsaved text comes back
    // in full and saves to the very bytes it would have saved.
    void endedInstanceTextComesBack_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("idleWrite");
        QTest::newRow("killed after an idle write") << int(SIGKILL) << true;
        QTest::newRow("asked to terminate before any idle write") << int(SIGTERM) << false;
    }
    void endedInstanceTextComesBack()
    {
        QFETCH(int, signal);
        QFETCH(bool, idleWrite);

        const QString document = f.path(QStringLiteral("doc.qpl"));
        const QStringList original{QStringLiteral("PROGRAM"), QStringLiteral("Строка \u20AC"),
                                   QString()};
        const auto encoding = TextEncoding::Utf16BE;
        const auto style = LineBreakStyle::sffMac;
        writeFile(document, savedBytes(original, encoding, style));

        // This instance has unsaved text of its own; the other one must not take it.
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        f.lines().Add(QStringLiteral("mine"));
        window.EditorPaneChange();
        window.recovery()->writeNow();

        QProcess child;
        startChild(child, document, idleWrite, idleWrite ? "written" : "typed");
        // A running instance's file is not left over.
        QCOMPARE(store.leftOver(), QStringList{});

        ::kill(pid_t(child.processId()), signal);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QStringList leftOver = store.leftOver();
        QCOMPARE(leftOver.size(), 1);
        QVERIFY(QFileInfo::exists(store.ownFile()));

        f.prompts.answers = {PromptAnswer::Yes};
        Tfrm_Main &next = f.openWindow();
        // A new instance; this test's own instance still runs and keeps its file.
        RecoveryStore nextStore(RecoveryStore::defaultFolder(), processRunning, kNewInstancePid, 1);
        next.startRecovery(nextStore);
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(next.docFileName(), document);
        QVERIFY(!next.docSaved());
        next.actions().FileSave->trigger();
        QVERIFY(f.prompts.errors.isEmpty());
        QStringList edited = original;
        edited[0].prepend(u'x');
        QCOMPARE(readFile(document), savedBytes(edited, encoding, style));
    }
};

// The program doubles as the child instance the tests start and kill.
static int childModeOrPrivateDataFolder(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == kChildMode)
            return runChild(argc, argv);
    // A private data folder, for this program and the instances it starts.
    static QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    return -1;
}

BP_TEST(RecoveryTest)
BP_TEST_PROGRAM({.beforeApplication = childModeOrPrivateDataFolder})

#include "tst_recovery.moc"
