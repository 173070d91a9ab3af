#include "app/disk_change_questions.h"
#include "editor/model/edit_model.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QDialog>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTest>

using namespace bp;

namespace {

const QByteArray kAsRead("one\r\ntwo\r\nthree");
const QByteArray kOutside("uno\r\ndos\r\ntres\r\ncuatro");
const QStringList kReadLines{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
const QStringList kOutsideLines{QStringLiteral("uno"), QStringLiteral("dos"),
                                QStringLiteral("tres"), QStringLiteral("cuatro")};
const QStringList kEditedLines{QStringLiteral("edited"), QStringLiteral("two"),
                               QStringLiteral("three")};

const QString kChanged = QStringLiteral("Файл a.qpl изменен другой программой.");
const QString kBothChanged = QStringLiteral(
    "Файл a.qpl изменен другой программой, а в документе есть несохраненные изменения.");
const QString kOverwrite =
    QStringLiteral("Файл a.qpl изменен другой программой после того, как был прочитан.");
const QString kRecreated =
    QStringLiteral("Файл a.qpl удален или переименован другой программой. Он будет создан заново.");

QString firstParagraph(const QString &text)
{
    return text.section(QStringLiteral("\n\n"), 0, 0);
}

// Replaces the file the way careful programs save: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.commit());
}

} // namespace

class TestDiskChange : public QObject
{
    Q_OBJECT

    WindowFixture f;

    QString docPath() const { return f.path(QStringLiteral("a.qpl")); }
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

        QTest::newRow("unmodified, Yes reloads")
            << false << PromptAnswer::Yes << kChanged << kOutsideLines << true
            << QStringLiteral("Сохранен") << false;
        QTest::newRow("unmodified, No keeps the text and marks it modified")
            << false << PromptAnswer::No << kChanged << kReadLines << false
            << QStringLiteral("Изменен") << false;
        QTest::newRow("both changed, Yes reloads and loses the edits")
            << true << PromptAnswer::Yes << kBothChanged << kOutsideLines << true
            << QStringLiteral("Сохранен") << false;
        QTest::newRow("both changed, No keeps the edits")
            << true << PromptAnswer::No << kBothChanged << kEditedLines << false
            << QStringLiteral("Изменен") << false;
        QTest::newRow("both changed, Cancel leaves it to the save")
            << true << PromptAnswer::Cancel << kBothChanged << kEditedLines << false
            << QStringLiteral("Изменен") << true;
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
            f.edit(QStringLiteral("edited"));
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
        QVERIFY2(f.prompts.errors[0].contains(QStringLiteral("a.qpl")),
                 qPrintable(f.prompts.errors[0]));
        f.prompts.errors.clear();
        QCOMPARE(questionParagraphs(), QStringList{kChanged});
        QCOMPARE(lineList(), kReadLines);
        // The text no longer matches the file: closing asks, and Save asks before writing.
        QVERIFY(!window.docSaved());
        QCOMPARE(window.statusPanelText(2), QStringLiteral("Изменен"));
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
        f.edit(QStringLiteral("edited"));
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
            QVERIFY(QFile::rename(docPath(), f.path(QStringLiteral("b.qpl"))));
        else
            QVERIFY(QFile::remove(docPath()));

        QTRY_VERIFY(!window.docSaved());
        QCOMPARE(window.statusPanelText(2), QStringLiteral("Изменен"));
        QVERIFY(window.actions().FileSave->isEnabled());
        QCOMPARE(f.prompts.questions.size(), 0);
        QCOMPARE(lineList(), kReadLines);

        window.actions().FileSave->trigger();
        QCOMPARE(f.prompts.messages, QStringList{kRecreated});
        QVERIFY(window.docSaved());
        QCOMPARE(readFile(docPath()), kAsRead);
        if (renamed)
            QCOMPARE(readFile(f.path(QStringLiteral("b.qpl"))), kAsRead);

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
        QCOMPARE(lineList(), QStringList{QStringLiteral("later")});
        QVERIFY(window.docSaved());
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

BP_TEST(TestDiskChange)
#include "tst_disk_change.moc"
