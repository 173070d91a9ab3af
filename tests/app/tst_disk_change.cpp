#include "app/disk_change_questions.h"
#include "common/previous_content.h"
#include "common/text_file.h"
#include "editor/model/edit_model.h"
#include "file_size_limit.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QDialog>
#include <QProcess>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

const QByteArray kAsRead("one\r\ntwo\r\nthree");
const QByteArray kOutside("uno\r\ndos\r\ntres\r\ncuatro");
const QStringList kReadLines{u"one"_s, u"two"_s, u"three"_s};
const QStringList kOutsideLines{u"uno"_s, u"dos"_s, u"tres"_s, u"cuatro"_s};
const QStringList kEditedLines{u"edited"_s, u"two"_s, u"three"_s};

const QString kChanged = u"Файл a.qpl изменен другой программой."_s;
const QString kBothChanged =
    u"Файл a.qpl изменен другой программой, а в документе есть несохраненные изменения."_s;
const QString kOverwrite = u"Файл a.qpl изменен другой программой после того, как был прочитан."_s;
const QString kRecreated =
    u"Файл a.qpl удален или переименован другой программой. Он будет создан заново."_s;

const QString kRewriteChild = u"--rewrite-after-save"_s;

QString firstParagraph(const QString &text)
{
    return text.section(u"\n\n"_s, 0, 0);
}

// Replaces the file the way careful programs save: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.commit());
}

// A second program that rewrites the file the moment a save renames a new file onto its
// name, as sync clients and formatters do: `--rewrite-after-save FOLDER NAME COUNT`. It says
// "ready" once it watches, and ends after COUNT rewrites.
int runRewriteChild(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const QByteArray folder = argv[2];
    const QByteArray name = argv[3];
    const int count = std::atoi(argv[4]);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, folder.constData(), IN_MOVED_TO) < 0)
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    const QByteArray path = folder + '/' + name;
    alignas(inotify_event) char buffer[4096];
    for (int done = 0; done < count;) {
        const ssize_t got = ::read(watch, buffer, sizeof buffer);
        if (got <= 0)
            return 4;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->len == 0 || name != event->name)
                continue;
            const QByteArray text = "outside " + QByteArray::number(done);
            const int fd = ::open(path.constData(), O_WRONLY | O_TRUNC);
            if (fd < 0 || ::write(fd, text.constData(), text.size()) != text.size())
                return 5;
            ::close(fd);
            ++done;
        }
    }
    return 0;
}

using bp::testing::FileSizeLimit;

} // namespace

class TestDiskChange : public QObject
{
    Q_OBJECT

    WindowFixture f;

    QString docPath() const { return f.path(u"a.qpl"_s); }
    Tfrm_Main &openDocument()
    {
        writeFile(docPath(), kAsRead);
        return f.openWindow({docPath()});
    }
    QStringList lineList()
    {
        QStringList list;
        for (int i = 0; i < f.lines().Count(); ++i)
            list << f.lines()[i];
        return list;
    }
    QStringList questionParagraphs() const
    {
        QStringList list;
        for (const FakePrompts::Question &question : f.prompts.questions)
            list << firstParagraph(question.text);
        return list;
    }
    // Runs one more check of the file and waits for it: whatever was pending has been seen.
    void settle()
    {
        QSignalSpy checks(&f.window->diskChanges().watch(), &DiskWatch::checked);
        f.window->diskChanges().checkSoon();
        QVERIFY(checks.wait());
    }

private slots:
    void init() { f.reset(); }
    void cleanup()
    {
        f.window.reset();
        QCOMPARE(f.prompts.errors, QStringList());
    }

    void fileChangedOutside_data()
    {
        QTest::addColumn<bool>("editFirst");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("linesAfter");
        QTest::addColumn<bool>("savedAfter");
        QTest::addColumn<QString>("stateAfter");
        // Whether Save then asks before writing over the other program's change.
        QTest::addColumn<bool>("saveAsks");

        QTest::newRow("unmodified, Yes reloads") << false << PromptAnswer::Yes << kChanged
                                                 << kOutsideLines << true << u"Сохранен"_s << false;
        QTest::newRow("unmodified, No keeps the text and marks it modified")
            << false << PromptAnswer::No << kChanged << kReadLines << false << u"Изменен"_s
            << false;
        QTest::newRow("both changed, Yes reloads and loses the edits")
            << true << PromptAnswer::Yes << kBothChanged << kOutsideLines << true << u"Сохранен"_s
            << false;
        QTest::newRow("both changed, No keeps the edits")
            << true << PromptAnswer::No << kBothChanged << kEditedLines << false << u"Изменен"_s
            << false;
        QTest::newRow("both changed, Cancel leaves it to the save")
            << true << PromptAnswer::Cancel << kBothChanged << kEditedLines << false << u"Изменен"_s
            << true;
    }
    void fileChangedOutside()
    {
        QFETCH(bool, editFirst);
        QFETCH(PromptAnswer, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, linesAfter);
        QFETCH(bool, savedAfter);
        QFETCH(QString, stateAfter);
        QFETCH(bool, saveAsks);

        Tfrm_Main &window = openDocument();
        if (editFirst)
            f.edit(u"edited"_s);
        window.editorPane()->model().setCaretXY({2, 3});
        f.prompts.answers = {answer};
        writeFile(docPath(), kOutside);

        QTRY_COMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(firstParagraph(f.prompts.questions[0].text), question);
        QCOMPARE(lineList(), linesAfter);
        QCOMPARE(window.docSaved(), savedAfter);
        QCOMPARE(window.actions().FileSave->isEnabled(), !savedAfter);
        QCOMPARE(window.statusPanelText(2), stateAfter);
        QCOMPARE(window.editorPane()->model().CaretY(), 3);
        settle();
        QCOMPARE(f.prompts.questions.size(), 1);
        if (savedAfter)
            return;

        // The document keeps its own text: Save writes it, asking first only when the
        // change outside was left undecided.
        f.prompts.answers = {PromptAnswer::Yes};
        window.actions().FileSave->trigger();
        QCOMPARE(f.prompts.questions.size(), saveAsks ? 2 : 1);
        if (saveAsks)
            QCOMPARE(firstParagraph(f.prompts.questions[1].text), kOverwrite);
        QVERIFY(window.docSaved());
        QCOMPARE(readFile(docPath()), f.lines().encodedText());
        settle();
        QCOMPARE(f.prompts.questions.size(), saveAsks ? 2 : 1);
    }

    void reloadThatFailsKeepsTheText()
    {
        Tfrm_Main &window = openDocument();
        f.prompts.answers = {PromptAnswer::Yes};
        writeFile(docPath(), "\xEF\xBB\xBF\xFF not UTF-8");
        QTRY_COMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(u"a.qpl"_s), qPrintable(f.prompts.errors[0]));
        f.prompts.errors.clear();
        QCOMPARE(questionParagraphs(), QStringList{kChanged});
        QCOMPARE(lineList(), kReadLines);
        // The text no longer matches the file: closing asks, and Save asks before writing.
        QVERIFY(!window.docSaved());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        f.prompts.answers = {PromptAnswer::No};
        window.actions().FileSave->trigger();
        QCOMPARE(questionParagraphs(), (QStringList{kChanged, kOverwrite}));
        QCOMPARE(readFile(docPath()), QByteArray("\xEF\xBB\xBF\xFF not UTF-8"));
    }

    // A change that no notification has reported yet is still caught by the save itself.
    void saveAsksBeforeOverwritingAChange_data()
    {
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("Yes overwrites") << PromptAnswer::Yes << true;
        QTest::newRow("No keeps the other program's file") << PromptAnswer::No << false;
    }
    void saveAsksBeforeOverwritingAChange()
    {
        QFETCH(PromptAnswer, answer);
        QFETCH(bool, written);
        Tfrm_Main &window = openDocument();
        f.edit(u"edited"_s);
        f.prompts.answers = {answer};
        writeFile(docPath(), kOutside);
        window.actions().FileSave->trigger();

        QCOMPARE(questionParagraphs(), QStringList{kOverwrite});
        QCOMPARE(f.prompts.questions[0].icon, PromptIcon::Warning);
        QCOMPARE(readFile(docPath()), written ? QByteArray("edited\r\ntwo\r\nthree") : kOutside);
        QCOMPARE(window.docSaved(), written);
        QCOMPARE(lineList(), kEditedLines);
        // The notification of the change arrives afterwards and asks nothing more.
        settle();
        QCOMPARE(f.prompts.questions.size(), 1);
    }

    void removedFileIsRecreatedOnSave_data()
    {
        QTest::addColumn<bool>("renamed");
        QTest::newRow("deleted") << false;
        QTest::newRow("renamed") << true;
    }
    void removedFileIsRecreatedOnSave()
    {
        QFETCH(bool, renamed);
        Tfrm_Main &window = openDocument();
        if (renamed)
            QVERIFY(QFile::rename(docPath(), f.path(u"b.qpl"_s)));
        else
            QVERIFY(QFile::remove(docPath()));

        QTRY_VERIFY(!window.docSaved());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        QVERIFY(window.actions().FileSave->isEnabled());
        QCOMPARE(f.prompts.questions.size(), 0);
        QCOMPARE(lineList(), kReadLines);

        window.actions().FileSave->trigger();
        QCOMPARE(f.prompts.messages, QStringList{kRecreated});
        QVERIFY(window.docSaved());
        QCOMPARE(readFile(docPath()), kAsRead);
        if (renamed)
            QCOMPARE(readFile(f.path(u"b.qpl"_s)), kAsRead);

        // The new file is the one watched from now on.
        f.prompts.answers = {PromptAnswer::Yes};
        writeFile(docPath(), kOutside);
        QTRY_COMPARE(questionParagraphs(), QStringList{kChanged});
        QCOMPARE(lineList(), kOutsideLines);
    }

    void replacedFileIsStillWatched_data()
    {
        QTest::addColumn<bool>("oldFileHeldOpen");
        QTest::newRow("old file gone") << false;
        // The old file then lives on, and a watch on it would stay quiet.
        QTest::newRow("old file still open elsewhere") << true;
    }
    void replacedFileIsStillWatched()
    {
        QFETCH(bool, oldFileHeldOpen);
        Tfrm_Main &window = openDocument();
        QFile oldFile(docPath());
        if (oldFileHeldOpen)
            QVERIFY(oldFile.open(QIODevice::ReadOnly));
        // No keeps the text, so nothing reads the file again (which would watch it anew).
        f.prompts.answers = {PromptAnswer::No, PromptAnswer::Yes};
        replaceFile(docPath(), kOutside);
        QTRY_COMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(lineList(), kReadLines);

        // Written in place: only a watch on the new file sees this.
        writeFile(docPath(), "later");
        QTRY_COMPARE(f.prompts.questions.size(), 2);
        QCOMPARE(questionParagraphs(), (QStringList{kChanged, kBothChanged}));
        QCOMPARE(lineList(), QStringList{u"later"_s});
        QVERIFY(window.docSaved());
    }

    // The answer that keeps the document's edits says what the next save does, and the
    // save then does just that without asking again.
    void keepingTheEditsSaysTheSaveReplacesTheFile()
    {
        Tfrm_Main &window = openDocument();
        f.edit(u"edited"_s);
        f.prompts.answers = {PromptAnswer::No};
        writeFile(docPath(), kOutside);
        QTRY_COMPARE(f.prompts.questions.size(), 1);
        QVERIFY2(f.prompts.questions[0].text.contains(
                     QStringLiteral("Нет \u2014 оставить изменения документа; следующее "
                                    "сохранение заменит файл на диске.")),
                 qPrintable(f.prompts.questions[0].text));
        window.actions().FileSave->trigger();
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(readFile(docPath()), QByteArray("edited\r\ntwo\r\nthree"));
    }

    // Save As to another name writes that file: the old file's change is not its business.
    void saveAsToAnotherNameDoesNotAskAboutTheOldFile()
    {
        Tfrm_Main &window = openDocument();
        f.edit(u"edited"_s);
        // Cancel leaves the change to the next save of this file.
        f.prompts.answers = {PromptAnswer::Cancel};
        writeFile(docPath(), kOutside);
        QTRY_COMPARE(f.prompts.questions.size(), 1);
        const QString other = f.path(u"b.qpl"_s);
        f.prompts.saveChoices = {other};
        window.actions().FileSaveAs1->trigger();
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(readFile(other), QByteArray("edited\r\ntwo\r\nthree"));
        QCOMPARE(readFile(docPath()), kOutside);
        QCOMPARE(window.docFileName(), other);
        QVERIFY(window.docSaved());
    }

    // A program that rewrites the file right after each save (within the time it takes the
    // save to look at the file again) is another program's change every time.
    void rewriteRightAfterTheSaveIsAnOutsideChange()
    {
        constexpr int kRounds = 6;
        Tfrm_Main &window = openDocument();
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {kRewriteChild, f.dir->path(), u"a.qpl"_s, QString::number(kRounds)});
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readAll().trimmed(), QByteArray("ready"));
        for (int round = 0; round < kRounds; ++round) {
            f.edit(u"edit %1"_s.arg(round));
            // No: the text stays, marked modified, over the other program's file.
            f.prompts.answers = {PromptAnswer::No};
            window.actions().FileSave->trigger();
            QTRY_COMPARE(f.prompts.questions.size(), round + 1);
            QCOMPARE(firstParagraph(f.prompts.questions[round].text), kChanged);
            QCOMPARE(readFile(docPath()), QByteArray("outside ") + QByteArray::number(round));
            QVERIFY(!window.docSaved());
        }
        QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
    }

    // A failed in-place save puts the old bytes back with a new time: that is the program's
    // own doing and asks nothing.
    void failedInPlaceSaveIsNotAnOutsideChange()
    {
        ignoreFileSizeSignal();
        QTemporaryDir copies;
        setPreviousContentFolder(copies.filePath(u"recovery"_s), u"1-1"_s);
        Tfrm_Main &window = openDocument();
        // A second link makes the save write in place.
        QCOMPARE(::link(QFile::encodeName(docPath()).constData(),
                        QFile::encodeName(f.path(u"hard.qpl"_s)).constData()),
                 0);
        f.lines().setLine(0, QString(4000, u'x'));
        window.EditorPaneChange();
        {
            const FileSizeLimit limit(1000);
            window.actions().FileSave->trigger();
        }
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(u"Файл слишком велик"_s),
                 qPrintable(f.prompts.errors[0]));
        f.prompts.errors.clear();
        QCOMPARE(readFile(docPath()), kAsRead);
        QVERIFY(!window.docSaved());
        settle();
        QCOMPARE(f.prompts.questions.size(), 0);
        // And the next save writes without asking.
        window.actions().FileSave->trigger();
        QCOMPARE(f.prompts.questions.size(), 0);
        QVERIFY(window.docSaved());
        QCOMPARE(readFile(f.path(u"hard.qpl"_s)), f.lines().encodedText());
    }

    // A program that writes the file on and on (a log, a sync loop) brings one more question
    // after the first, not one after each answer; No holds until the file changes again.
    void endlessWritesBringOneMoreQuestion()
    {
        openDocument();
        f.prompts.answers = {PromptAnswer::No, PromptAnswer::No, PromptAnswer::No,
                             PromptAnswer::No, PromptAnswer::No, PromptAnswer::No};
        int appended = 0;
        QTimer writer;
        writer.setInterval(10);
        QObject::connect(&writer, &QTimer::timeout, [&] {
            QFile file(docPath());
            if (file.open(QIODevice::Append))
                file.write("more\r\n");
            ++appended;
        });
        writer.start();
        QTRY_VERIFY_WITH_TIMEOUT(appended >= 250, 30000);
        writer.stop();
        QTRY_COMPARE_WITH_TIMEOUT(f.prompts.questions.size(), 2, 10000);
        // Left alone, the file asks nothing more.
        QTest::qWait(1500);
        settle();
        QCOMPARE(f.prompts.questions.size(), 2);
        QCOMPARE(questionParagraphs(), (QStringList{kChanged, kBothChanged}));
    }

    void burstOfChangesAsksOnce()
    {
        openDocument();
        f.prompts.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
        for (int i = 0; i < 5; ++i)
            writeFile(docPath(), QByteArray("step ") + QByteArray::number(i));
        replaceFile(docPath(), "replaced");
        QVERIFY(QFile::remove(docPath()));
        writeFile(docPath(), kOutside);

        QTRY_COMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(lineList(), kOutsideLines);
        settle();
        QCOMPARE(f.prompts.questions.size(), 1);
    }

    void noQuestionOverAnotherBox()
    {
        Tfrm_Main &window = openDocument();
        QDialog box(&window);
        box.setModal(true);
        box.show();
        f.prompts.answers = {PromptAnswer::Yes};
        writeFile(docPath(), kOutside);
        settle();
        QCOMPARE(f.prompts.questions.size(), 0);

        // Once the box is gone, the window's activation brings the change up.
        box.hide();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&window, &activate);
        QTRY_COMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(lineList(), kOutsideLines);
    }
};

// The program doubles as the second program that rewrites the file.
static int rewriteChildMode(int argc, char **argv)
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kRewriteChild)
        return runRewriteChild(argc, argv);
    return -1;
}

BP_TEST(TestDiskChange)
BP_TEST_PROGRAM({.beforeApplication = rewriteChildMode})
#include "tst_disk_change.moc"
