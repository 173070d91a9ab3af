#include "app/disk_change_questions.h"
#include "app/document_recovery.h"
#include "app/recovery_store.h"
#include "common/previous_content.h"
#include "common/text_file.h"
#include "platform/process_signals.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

const QString kChildMode = u"--recovery-child"_s;
const QString kInPlaceChildMode = u"--in-place-child"_s;
constexpr uid_t kNobody = 65534;
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
    const bool writeAtOnce = arguments.contains(u"--idle-write"_s);
    QTextStream out(stdout);

    QTemporaryDir dir;
    QtSettingsStore settings(dir.filePath(u"settings.conf"_s), QSettings::NativeFormat);
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

// A save in place cut short: saves `argv[2]` in place (it has a second hard link) as an
// instance does, keeping the old bytes in the recovery folder, says "half" once the first
// megabyte of new bytes is written, and then waits to be killed.
int runInPlaceChild(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QString document = QCoreApplication::arguments().value(2);
    const RecoveryStore store(RecoveryStore::defaultFolder());
    setPreviousContentFolder(store.folder(), store.ownerName());
    writeFileAtomically(document, [](const ByteSink &write) {
        write(QByteArray(1 << 20, 'n'));
        std::puts("half");
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    return 0;
}

} // namespace

class RecoveryTest : public QObject
{
    Q_OBJECT

    WindowFixture f;

    // Runs a second instance on `document` and waits for it to say `ready`.
    void
    startChild(QProcess &child, const QString &document, bool idleWrite, const QByteArray &ready,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QStringList arguments{kChildMode, document};
        if (idleWrite)
            arguments << u"--idle-write"_s;
        child.setProcessEnvironment(environment);
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
        const QString cyrillic = u"Описание портфеля;"_s;
        QTest::newRow("windows-1251, CR LF")
            << u"/home/u/a.qpl"_s << QStringList{cyrillic, QString(), u"END"_s} << Ansi << sffDos;
        QTest::newRow("a character Windows-1251 lacks stays for the save to ask about")
            << u"/a.qpl"_s << QStringList{u"\u20AC\u4E2D"_s} << Ansi << sffUnix;
        QTest::newRow("UTF-8, LF, a character outside the BMP")
            << u"/a.qpl"_s << QStringList{u"a\U0001F600b"_s, cyrillic} << Utf8 << sffUnix;
        QTest::newRow("UTF-8 without a mark")
            << u"/a.qpl"_s << QStringList{cyrillic} << Utf8NoMark << sffDos;
        QTest::newRow("UTF-16 big-endian, CR")
            << u"/b.qpl"_s << QStringList{u"x"_s, cyrillic} << Utf16BE << sffMac;
        QTest::newRow("UTF-16 little-endian, U+2028")
            << u"/c.qpl"_s << QStringList{u"x"_s, u"y"_s} << Utf16LE << sffUnicode;
        QTest::newRow("a lone surrogate")
            << u"/d.qpl"_s << QStringList{QString(QChar(0xD800)) + u'z'} << Utf16LE << sffDos;
        QTest::newRow("a U+2028 inside a line is not a break here")
            << u"/e.qpl"_s << QStringList{u"a\u2028b"_s, u"c"_s} << Utf8 << sffDos;
        QTest::newRow("ends with an empty line")
            << u"/f.qpl"_s << QStringList{u"a"_s, QString()} << Ansi << sffDos;
        QTest::newRow("one empty line") << QString() << QStringList{QString()} << Ansi << sffDos;
        QTest::newRow("no line at all") << QString() << QStringList{} << Ansi << sffDos;
        QTest::newRow("a name with a line feed, '=' and '%'")
            << u"/tmp/a\nb=c%41 d.qpl"_s << QStringList{u"q"_s} << Ansi << sffDos;
    }
    void storeKeepsTextExactly()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(LineBreakStyle, style);

        TEditorLines lines;
        fillLines(lines, text, encoding, style);
        RecoveryStore store(f.path(u"recovery"_s));
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
        const QString folder = f.path(u"recovery"_s);
        TEditorLines lines;
        fillLines(lines, {u"t"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        // The processes that run now, by id, with the time each started.
        const QHash<qint64, qint64> running{{100, 1}, {300, 30}};
        const auto check = [&](qint64 pid, qint64 start) {
            return running.contains(pid) && running.value(pid) == start;
        };
        // Instances as they would write: pid 100 runs, pid 200 ended, pid 300 ended and its
        // id went to a process started later, and an earlier process with this instance's
        // pid 400 ended too.
        for (auto [pid, start] : {std::pair<qint64, qint64>{100, 1}, {200, 2}, {300, 3}, {400, 4}})
            RecoveryStore(folder, check, pid, start).write(u"/a.qpl"_s, lines);
        writeFile(QDir(folder).filePath(u"notes.recovery"_s), "not ours");
        writeFile(QDir(folder).filePath(u"500-5.recovery.bad"_s), "set aside");
        // Old bytes of cut-short saves: one of a running instance, one of an ended one.
        writeFile(QDir(folder).filePath(u"100-1-1.previous"_s), "running");
        writeFile(QDir(folder).filePath(u"200-2-1.previous"_s), "ended");

        const RecoveryStore self(folder, check, 400, 40);
        QStringList names;
        for (const QString &path : self.leftOver())
            names << QFileInfo(path).fileName();
        names.sort();
        QCOMPARE(names, (QStringList{u"200-2-1.previous"_s, u"200-2.recovery"_s,
                                     u"300-3.recovery"_s, u"400-4.recovery"_s}));
        // An owner that runs sees nothing of its own as left over.
        QVERIFY(!RecoveryStore(folder, check, 100, 1)
                     .leftOver()
                     .contains(QDir(folder).filePath(u"100-1.recovery"_s)));
    }

    // The system's own start times tell a running process from a later one with its id.
    void startTimeTellsAReusedProcessId()
    {
        const qint64 self = QCoreApplication::applicationPid();
        const std::optional<qint64> started = processStartMs(self);
        QVERIFY(started.has_value());
        QVERIFY(qAbs(*started - QDateTime::currentMSecsSinceEpoch()) < 24LL * 3600 * 1000);
        QCOMPARE(processStartMs(self), started);
        QVERIFY(processRunsSince(self, *started));
        QVERIFY(!processRunsSince(self, *started - 60000));
        QVERIFY(!processRunsSince(kEndedPid, *started));
        // The start time of this instance as a store names it.
        QCOMPARE(RecoveryStore(f.path(u"r"_s)).ownerName(), u"%1-%2"_s.arg(self).arg(*started));
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

        const QString document = f.path(u"doc.qpl"_s);
        const QStringList text{u"PROGRAM"_s, u"Строка"_s};
        TEditorLines lines;
        fillLines(lines, text, TextEncoding::Utf8, LineBreakStyle::sffUnix);
        RecoveryStore ended(RecoveryStore::defaultFolder(), processRunsSince, kEndedPid, 1);
        ended.write(document, lines);

        f.prompts.answers = answers;
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);

        QVERIFY(f.prompts.questions.size() >= 1);
        const QString question = f.prompts.questions.first().text;
        // The full path: the text goes back to that very file.
        QVERIFY2(question.startsWith(
                     u"Восстановить несохранённый текст документа %1 от "_s.arg(document)),
                 qPrintable(question));
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(window.docSaved(), !restored);
        if (restored) {
            QCOMPARE(f.lines().text(), text.join(u'\n'));
            QCOMPARE(window.docFileName(), document);
            QCOMPARE(window.statusPanelText(1), u"doc.qpl"_s);
            QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
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
            << QByteArray("\x00\x01garbage", 9) << u"нет заголовка"_s;
        QTest::newRow("empty") << QByteArray() << u"нет заголовка"_s;
        QTest::newRow("a field missing") << header + "\nabc" << u"\"lines\""_s;
        QTest::newRow("an unknown encoding")
            << QByteArray(header + "lines=1\n\nabc").replace("utf-8\nbreaks", "koi8\nbreaks")
            << u"\"encoding\""_s;
        QTest::newRow("cut short") << header + "lines=3\n\na\nb" << u"число строк"_s;
        // Read as no line at all, the text would be lost without a word.
        QTest::newRow("no lines over a text") << header + "lines=0\n\nPROGRAM" << u"число строк"_s;
        QTest::newRow("bytes that are not UTF-8")
            << header + "lines=1\n\na\xFF\xFE" << u"текст повреждён"_s;
        QTest::newRow("a folder under the name") << QByteArray() << u"не обычный"_s;
    }
    void unreadableFileIsReportedAndSetAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        const QDir folder = recoveryFolder();
        QVERIFY(QDir().mkpath(folder.path()));
        const QString bad = folder.filePath(u"%1-7.recovery"_s.arg(kEndedPid));
        if (QByteArray(QTest::currentDataTag()).startsWith("a folder"))
            QVERIFY(QDir().mkpath(bad));
        else
            writeFile(bad, content);
        // A good file, written before it, is still offered after it.
        TEditorLines lines;
        fillLines(lines, {u"ok"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore good(folder.path(), processRunsSince, kOtherEndedPid, 8);
        good.write(u"/good.qpl"_s, lines);
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
                     error.contains(u"переименован в \"%1.bad\""_s.arg(bad)),
                 qPrintable(error));
        QVERIFY(QFileInfo::exists(bad + u".bad"_s));
        QVERIFY(!QFileInfo::exists(bad));
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(window.docFileName(), u"/good.qpl"_s);
        QCOMPARE(window.statusPanelText(1), u"good.qpl"_s);
        QCOMPARE(f.lines().text(), u"ok"_s);
    }

    void savedOrClosedDocumentLeavesNoFile_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("saved") << u"save"_s;
        QTest::newRow("closed without saving") << u"close"_s;
        QTest::newRow("saved, then closed") << u"save+close"_s;
    }
    void savedOrClosedDocumentLeavesNoFile()
    {
        QFETCH(QString, ending);
        const QString document = f.path(u"a.qpl"_s);
        writeFile(document, "old\r\ntext");
        Tfrm_Main &window = f.openWindow({document});
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        f.edit(u"new"_s);
        window.recovery()->writeNow();
        QVERIFY(QFileInfo::exists(store.ownFile()));

        if (ending.startsWith(u"save"_s)) {
            window.actions().FileSave->trigger();
            QCOMPARE(readFile(document), QByteArray("new\r\ntext"));
            QVERIFY(!window.recovery()->writePending());
        }
        if (ending.endsWith(u"close"_s)) {
            f.prompts.answers = {PromptAnswer::No};
            QVERIFY(window.close());
        }
        QCOMPARE(recoveryEntries(), QStringList{});
    }

    // Typing arms the write: it comes after a pause, or at the latest a few seconds after
    // the first unwritten change however steadily the typing goes on, and only while the
    // document holds unsaved changes.
    void writesAfterAPauseAndWhileTypingGoesOn()
    {
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        DocumentRecovery &recovery = *window.recovery();
        QCOMPARE(recovery.idleInterval(), std::chrono::milliseconds(2000));
        QCOMPARE(recovery.deadline(), std::chrono::milliseconds(5000));
        QVERIFY(!recovery.writePending());

        QTest::keyClick(window.editorPane(), Qt::Key_Q);
        QVERIFY(!window.docSaved());
        QVERIFY(recovery.writePending());
        QVERIFY(!QFileInfo::exists(store.ownFile()));

        // Scaled down: a pause of 400 ms writes, and so does 800 ms of steady typing.
        recovery.setIntervals(std::chrono::milliseconds(400), std::chrono::milliseconds(800));
        QSignalSpy written(&recovery, &DocumentRecovery::written);
        QElapsedTimer typing;
        typing.start();
        while (typing.elapsed() < 2500) {
            QTest::keyClick(window.editorPane(), Qt::Key_W);
            QTest::qWait(100);
        }
        QVERIFY2(written.count() >= 2, qPrintable(QString::number(written.count())));
        QVERIFY(written.wait(60000) || !recovery.writePending());
        QTRY_VERIFY_WITH_TIMEOUT(!recovery.writePending(), 60000);
        QCOMPARE(RecoveryStore::read(store.ownFile()).lines, std::vector<QString>{f.lines()[0]});
    }

    void failedWriteIsReportedOnce()
    {
        // A file where the folder should be: the folder cannot be created.
        const QString blocked = f.path(u"blocked"_s);
        writeFile(blocked, "x");
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(blocked + u"/recovery"_s);
        window.startRecovery(store);
        window.recovery()->setIdleInterval(std::chrono::milliseconds(0));

        for (int attempt = 0; attempt < 2; ++attempt) {
            f.edit(u"text %1"_s.arg(attempt));
            QTRY_VERIFY_WITH_TIMEOUT(!window.recovery()->writePending(), 60000);
        }
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors.first().contains(u"Не удалось записать файл восстановления"_s),
                 qPrintable(f.prompts.errors.first()));
        QVERIFY(!window.docSaved());
    }

    // Texts left by several ended instances come in one question, the latest first, each
    // with its full path; the answers act on all of them.
    void allLeftOverTextsInOneQuestion_data()
    {
        QTest::addColumn<QList<PromptAnswer>>("answers");
        QTest::addColumn<int>("restored");
        QTest::addColumn<int>("kept");
        QTest::newRow("Yes opens the latest, keeps the others")
            << QList<PromptAnswer>{PromptAnswer::Yes} << 1 << 2;
        QTest::newRow("No, confirmed, deletes all")
            << QList<PromptAnswer>{PromptAnswer::No, PromptAnswer::Yes} << 0 << 0;
        QTest::newRow("Later keeps all") << QList<PromptAnswer>{PromptAnswer::Cancel} << 0 << 3;
    }
    void allLeftOverTextsInOneQuestion()
    {
        QFETCH(QList<PromptAnswer>, answers);
        QFETCH(int, restored);
        QFETCH(int, kept);
        const QStringList names{f.path(u"old.qpl"_s), f.path(u"mid.qpl"_s), f.path(u"new.qpl"_s)};
        for (int i = 0; i < names.size(); ++i) {
            TEditorLines lines;
            fillLines(lines, {u"text %1"_s.arg(i)}, TextEncoding::Ansi, LineBreakStyle::sffDos);
            writeFile(names[i], "on disk");
            const RecoveryStore ended(RecoveryStore::defaultFolder(), processRunsSince,
                                      kEndedPid + 10 + i, 1);
            ended.write(names[i], lines, FileIdentity::of(names[i]));
            QFile file(ended.ownFile());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * (3 - i)),
                                     QFileDevice::FileModificationTime));
        }
        f.prompts.answers = answers;
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);

        QVERIFY(!f.prompts.questions.isEmpty());
        const QString question = f.prompts.questions.first().text;
        const qsizetype newest = question.indexOf(names[2]);
        const qsizetype middle = question.indexOf(names[1]);
        const qsizetype oldest = question.indexOf(names[0]);
        QVERIFY2(newest > 0 && newest < middle && middle < oldest, qPrintable(question));
        QVERIFY2(question.contains(u"Нет \u2014 удалить все"_s), qPrintable(question));
        QCOMPARE(f.prompts.questions.size(), answers.size());
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(window.docSaved(), restored == 0);
        if (restored)
            QCOMPARE(window.docFileName(), names[2]);
        QCOMPARE(store.leftOver().size(), kept);
    }

    // A text kept for a relative name goes back to the very file it came from, whatever
    // folder the next start runs in, and the question says when that file is gone.
    void recoveredTextNamesTheFileItGoesTo()
    {
        const QString folder = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(folder); });
        QVERIFY(QDir::setCurrent(f.dir->path()));
        TEditorLines lines;
        fillLines(lines, {u"text"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore ended(RecoveryStore::defaultFolder(), processRunsSince, kEndedPid, 1);
        ended.write(u"gone.qpl"_s, lines);
        QVERIFY(QDir::setCurrent(folder));

        f.prompts.answers = {PromptAnswer::Yes};
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        const QString document = f.path(u"gone.qpl"_s);
        QCOMPARE(f.prompts.questions.size(), 1);
        const QString question = f.prompts.questions.first().text;
        QVERIFY2(question.contains(document) &&
                     question.contains(u"Файла по этому пути сейчас нет"_s),
                 qPrintable(question));
        QCOMPARE(window.docFileName(), document);
        window.actions().FileSave->trigger();
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(readFile(document), QByteArray("text"));
    }

    // A save in place killed half-way leaves the file part new, part old; the old bytes,
    // kept in a private named copy, are offered at the next start and saved back whole.
    void inPlaceSaveCutShortIsOffered()
    {
        const QString document = f.path(u"doc.qpl"_s);
        QStringList oldText;
        for (int i = 0; i < 100000; ++i)
            oldText << u"Строка %1 прежнего текста;"_s.arg(i);
        const QByteArray old = savedBytes(oldText, TextEncoding::Ansi, LineBreakStyle::sffDos);
        QVERIFY(old.size() > 2 << 20);
        writeFile(document, old);
        const QString other = f.path(u"link.qpl"_s);
        QCOMPARE(
            ::link(QFile::encodeName(document).constData(), QFile::encodeName(other).constData()),
            0);

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {kInPlaceChildMode, document});
        QVERIFY(child.waitForReadyRead(60000));
        QCOMPARE(child.readAll().trimmed(), QByteArray("half"));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(60000));

        // The file is spliced; the old bytes are in a private copy.
        const QByteArray spliced = readFile(document);
        QVERIFY(spliced.startsWith(QByteArray(1 << 20, 'n')));
        QCOMPARE(spliced.mid(1 << 20), old.mid(1 << 20));
        const QStringList entries = recoveryEntries();
        QCOMPARE(entries.size(), 1);
        QVERIFY2(entries[0].endsWith(u".previous"_s), qPrintable(entries[0]));
        struct stat copyStatus = {};
        struct stat folderStatus = {};
        QCOMPARE(::stat(QFile::encodeName(recoveryFolder().filePath(entries[0])).constData(),
                        &copyStatus),
                 0);
        QCOMPARE(::stat(QFile::encodeName(recoveryFolder().path()).constData(), &folderStatus), 0);
        QCOMPARE(copyStatus.st_mode & 0777, 0600u);
        QCOMPARE(folderStatus.st_mode & 0777, 0700u);

        f.prompts.answers = {PromptAnswer::Yes};
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        QCOMPARE(f.prompts.questions.size(), 1);
        const QString question = f.prompts.questions.first().text;
        QVERIFY2(question.startsWith(QStringLiteral("Восстановить прежнее содержимое файла %1 "
                                                    "(сохранение было прервано)?")
                                         .arg(document)),
                 qPrintable(question));
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(window.docFileName(), document);
        QVERIFY(!window.docSaved());
        // The text is kept as this instance's own before the copy goes.
        QCOMPARE(recoveryEntries(), QStringList{QFileInfo(store.ownFile()).fileName()});

        window.actions().FileSave->trigger();
        QVERIFY(f.prompts.errors.isEmpty());
        QCOMPARE(f.prompts.questions.size(), 1);
        QVERIFY(window.docSaved());
        QVERIFY(readFile(document) == old);
        QVERIFY(readFile(other) == old);
        QCOMPARE(recoveryEntries(), QStringList{});
    }

    // The recovery file keeps what the file was when the text was based on it: a file that
    // another program wrote since is not overwritten by the restored text without a question.
    void restoredTextAsksBeforeOverwritingNewerWork_data()
    {
        QTest::addColumn<bool>("writtenSince");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::newRow("file as it was: saved without a question") << false << PromptAnswer::Yes;
        QTest::newRow("another program wrote it: No keeps its work") << true << PromptAnswer::No;
        QTest::newRow("another program wrote it: Yes overwrites") << true << PromptAnswer::Yes;
    }
    void restoredTextAsksBeforeOverwritingNewerWork()
    {
        QFETCH(bool, writtenSince);
        QFETCH(PromptAnswer, answer);
        const QString document = f.path(u"doc.qpl"_s);
        writeFile(document, "PROGRAM\r\nas read");
        TEditorLines lines;
        fillLines(lines, {u"PROGRAM"_s, u"typed"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore ended(RecoveryStore::defaultFolder(), processRunsSince, kEndedPid, 1);
        ended.write(document, lines, FileIdentity::of(document));
        QCOMPARE(RecoveryStore::read(ended.ownFile()).basedOn, FileIdentity::of(document));
        if (writtenSince)
            writeFile(document, "PROGRAM\r\nnewer work of another program");
        const QByteArray onDisk = readFile(document);

        f.prompts.answers = {PromptAnswer::Yes, answer};
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        QCOMPARE(window.docFileName(), document);
        window.actions().FileSave->trigger();

        QCOMPARE(f.prompts.questions.size(), writtenSince ? 2 : 1);
        if (writtenSince)
            QVERIFY2(f.prompts.questions[1].text.startsWith(
                         u"Файл doc.qpl изменен другой программой после того"_s),
                     qPrintable(f.prompts.questions[1].text));
        const bool overwritten = !writtenSince || answer == PromptAnswer::Yes;
        QCOMPARE(readFile(document), overwritten ? QByteArray("PROGRAM\r\ntyped") : onDisk);
        QCOMPARE(window.docSaved(), overwritten);
    }

    // The file named on the command line is replaced by the restored text's own file: a
    // change to the first one asks nothing, and no answer reads the wrong file.
    void restoredTextIsWatchedInsteadOfTheCommandLineFile()
    {
        const QString named = f.path(u"named.qpl"_s);
        const QString document = f.path(u"doc.qpl"_s);
        writeFile(named, "named file");
        writeFile(document, "as read");
        TEditorLines lines;
        fillLines(lines, {u"restored"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore ended(RecoveryStore::defaultFolder(), processRunsSince, kEndedPid, 1);
        ended.write(document, lines, FileIdentity::of(document));

        f.prompts.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
        Tfrm_Main &window = f.openWindow({named});
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        QCOMPARE(window.docFileName(), document);

        writeFile(named, "changed by another program");
        QSignalSpy checks(&window.diskChanges().watch(), &DiskWatch::checked);
        window.diskChanges().checkSoon();
        QVERIFY(checks.wait());
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.lines().text(), u"restored"_s);
        // The restored text's file is the one watched.
        f.prompts.answers = {PromptAnswer::No};
        writeFile(document, "changed too");
        QTRY_COMPARE(f.prompts.questions.size(), 2);
        QVERIFY2(f.prompts.questions[1].text.startsWith(u"Файл doc.qpl изменен"_s),
                 qPrintable(f.prompts.questions[1].text));
        QCOMPARE(f.lines().text(), u"restored"_s);
    }

    // The folder is this user's alone: a wider mode is closed, another user's folder refused.
    void recoveryFolderIsPrivate_data()
    {
        QTest::addColumn<bool>("otherOwner");
        QTest::newRow("open to others: closed") << false;
        QTest::newRow("another user's: refused") << true;
    }
    void recoveryFolderIsPrivate()
    {
        QFETCH(bool, otherOwner);
        const QString folder = f.path(u"recovery"_s);
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        if (otherOwner) {
            if (geteuid() != 0)
                QSKIP("giving a folder to another user needs the superuser");
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
        }
        TEditorLines lines;
        fillLines(lines, {u"secret"_s}, TextEncoding::Ansi, LineBreakStyle::sffDos);
        const RecoveryStore store(folder);
        try {
            store.write(u"/a.qpl"_s, lines);
            QVERIFY(!otherOwner);
        } catch (const Error &error) {
            QVERIFY(otherOwner);
            QVERIFY2(error.message().contains(u"принадлежит другому пользователю"_s),
                     qPrintable(error.message()));
            QVERIFY(!QFileInfo::exists(store.ownFile()));
            return;
        }
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0700u);
    }

    // A full disk is named as such, in the program's language.
    void fullDiskIsNamed()
    {
        if (geteuid() != 0)
            QSKIP("mounting a file system needs the superuser");
        const QString mountPoint = f.path(u"small"_s);
        QVERIFY(QDir().mkpath(mountPoint));
        const QByteArray point = QFile::encodeName(mountPoint);
        if (::mount("brindlepad-test", point.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("the kernel refuses a tmpfs mount here");
        const auto unmount = qScopeGuard([&] { ::umount2(point.constData(), MNT_DETACH); });
        TEditorLines lines;
        fillLines(lines, QStringList(20000, u"строка текста"_s), TextEncoding::Ansi,
                  LineBreakStyle::sffDos);
        const RecoveryStore store(mountPoint + u"/recovery"_s);
        try {
            store.write(u"/a.qpl"_s, lines);
            QFAIL("the write was reported as done");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(u"На устройстве не осталось места"_s) &&
                         !error.message().contains(u"Неизвестная ошибка"_s),
                     qPrintable(error.message()));
        }
        QVERIFY(!QFileInfo::exists(store.ownFile()));
    }

    // The display goes away (the X server ends) under an instance with unsaved text: the
    // instance ends, and its text is kept on the way out.
    void lostDisplayConnectionKeepsTheText()
    {
        const QString server = QStandardPaths::findExecutable(u"Xvfb"_s);
        if (server.isEmpty())
            QSKIP("Xvfb is not installed");
        QProcess display;
        display.start(server, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s,
                               u"0"_s, u"800x600x24"_s});
        QVERIFY(display.waitForStarted());
        QByteArray number;
        while (!number.contains('\n') && display.waitForReadyRead(30000))
            number += display.readAllStandardOutput();
        QVERIFY2(!number.trimmed().isEmpty(), "Xvfb gave no display number");

        const QString document = f.path(u"doc.qpl"_s);
        writeFile(document, "PROGRAM");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.insert(u"DISPLAY"_s, u":"_s + QString::fromLatin1(number.trimmed()));
        QProcess child;
        startChild(child, document, false, "typed", environment);
        if (QTest::currentTestFailed()) {
            display.kill();
            display.waitForFinished();
            return;
        }
        const RecoveryStore store(RecoveryStore::defaultFolder());
        QCOMPARE(store.leftOver(), QStringList{});

        display.kill();
        QVERIFY(display.waitForFinished(60000));
        QVERIFY(child.waitForFinished(60000));
        const QStringList leftOver = store.leftOver();
        QCOMPARE(leftOver.size(), 1);
        QCOMPARE(RecoveryStore::read(leftOver.first()).lines, std::vector<QString>{u"xPROGRAM"_s});
    }

    // Another running instance keeps its file; once it has ended, its unsaved text comes back
    // in full and saves to the very bytes it would have saved.
    void endedInstanceTextComesBack_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("idleWrite");
        QTest::newRow("killed after an idle write") << int(SIGKILL) << true;
        QTest::newRow("asked to terminate before any idle write") << int(SIGTERM) << false;
        QTest::newRow("its terminal hangs up before any idle write") << int(SIGHUP) << false;
    }
    void endedInstanceTextComesBack()
    {
        QFETCH(int, signal);
        QFETCH(bool, idleWrite);

        const QString document = f.path(u"doc.qpl"_s);
        const QStringList original{u"PROGRAM"_s, u"Строка \u20AC"_s, QString()};
        const auto encoding = TextEncoding::Utf16BE;
        const auto style = LineBreakStyle::sffMac;
        writeFile(document, savedBytes(original, encoding, style));

        // This instance has unsaved text of its own; the other one must not take it.
        Tfrm_Main &window = f.openWindow();
        RecoveryStore store(RecoveryStore::defaultFolder());
        window.startRecovery(store);
        f.lines().Add(u"mine"_s);
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
        RecoveryStore nextStore(RecoveryStore::defaultFolder(), processRunsSince, kNewInstancePid,
                                1);
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
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == kChildMode)
            return runChild(argc, argv);
        if (QString::fromLocal8Bit(argv[i]) == kInPlaceChildMode)
            return runInPlaceChild(argc, argv);
    }
    // A private data folder, for this program and the instances it starts.
    static QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    return -1;
}

BP_TEST(RecoveryTest)
BP_TEST_PROGRAM({.beforeApplication = childModeOrPrivateDataFolder})

#include "tst_recovery.moc"
