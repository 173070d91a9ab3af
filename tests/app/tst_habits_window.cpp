#include "app/editor_zoom.h"
#include "app/recent_files.h"
#include "editor/model/edit_model.h"
#include "search/model/replace_commands.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

using namespace bp;

// The everyday habits as the main window offers them: replace, go to line, the caret panel,
// recent files, dropping files, zoom and the visible "not found".
class TestHabitsWindow : public QObject
{
    Q_OBJECT

    WindowFixture f;

    EditModel &model() { return f.window->editorPane()->model(); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(f.window->editorPane(), Qt::Key(key), modifiers);
    }
    // The recent-file entries of the "Файл" menu as it opens.
    QList<QAction *> recentEntries()
    {
        QMenu *menu = f.window->fileMenu();
        emit menu->aboutToShow();
        QList<QAction *> entries;
        for (QAction *action : menu->actions())
            if (action->text().startsWith(u'&') && action->text().at(1).isDigit())
                entries << action;
        return entries;
    }
    QStringList captions(const QList<QAction *> &actions)
    {
        QStringList list;
        for (const QAction *action : actions)
            list << QDir::fromNativeSeparators(action->text());
        return list;
    }
    QString writeDocument(const QString &name, const QByteArray &text)
    {
        const QString path = f.path(name);
        writeFile(path, text);
        return path;
    }

private slots:
    void init() { f.reset(); }
    void cleanup() { f.window.reset(); }

    void replaceAllIsOneStepThatMarksTheDocument()
    {
        f.openWindow();
        f.lines().setText(u"a = SET(1)\r\nb = set(a)\r\nSET"_qs);
        TSearchSettings settings{u"set"_qs};
        settings.WholeWords = true;
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &,
                                             const Tfrm_Main::ReplaceAction &,
                                             const Tfrm_Main::ReplaceAction &replaceAll) {
            QCOMPARE(shown.SearchText, QString());
            replaceAll(settings, u"PUT"_qs);
            // A second press finds nothing left.
            replaceAll(settings, u"PUT"_qs);
        });
        press(Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(f.lines().text(), u"a = PUT(1)\r\nb = PUT(a)\r\nPUT"_qs);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: set"_qs);
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(f.window->statusPanelText(2), u"Изменен"_qs);
        QVERIFY(f.window->actions().FileSave->isEnabled());
        QVERIFY(!f.window->docSaved());
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.lines().text(), u"a = SET(1)\r\nb = set(a)\r\nSET"_qs);
        // The dialog opens again with what it held, and reports the count.
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &text,
                                             const Tfrm_Main::ReplaceAction &,
                                             const Tfrm_Main::ReplaceAction &replaceAll) {
            QCOMPARE(shown, settings);
            QCOMPARE(text, u"PUT"_qs);
            replaceAll(shown, u"x"_qs);
        });
        f.window->actions().ActionReplace->trigger();
        QCOMPARE(f.window->statusPanelText(0), ReplaceCommands::countReport(3));
    }

    void replaceNextStartsFromTheLastSearch()
    {
        f.openWindow();
        f.lines().setText(u"one two one"_qs);
        f.window->setSearchDialogRunner(
            [](const TSearchSettings &) { return TSearchSettings{u"one"_qs}; });
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(model().SelText(), u"one"_qs);
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &,
                                             const Tfrm_Main::ReplaceAction &replaceNext,
                                             const Tfrm_Main::ReplaceAction &) {
            QCOMPARE(shown.SearchText, u"one"_qs);
            replaceNext(shown, u"1"_qs);
            replaceNext(shown, u"1"_qs);
            replaceNext(shown, u"1"_qs);
        });
        f.window->actions().ActionReplace->trigger();
        QCOMPARE(f.lines().text(), u"1 two 1"_qs);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: one"_qs);
    }

    void searchWithoutMatchSaysNotFound()
    {
        f.openWindow();
        f.lines().setText(u"abc"_qs);
        f.window->setSearchDialogRunner(
            [](const TSearchSettings &) { return TSearchSettings{u"zzz"_qs}; });
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: zzz"_qs);
        // F3 before any search only beeps: there is no text to name.
        f.reset();
        f.openWindow();
        press(Qt::Key_F3);
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(f.window->statusPanelText(0), QString());
    }

    void goToLineMovesTheCaretIntoView()
    {
        f.openWindow();
        QStringList lines;
        for (int i = 1; i <= 1000; ++i)
            lines << u"\tline %1"_qs.arg(i);
        f.lines().setText(lines.join(u"\r\n"_qs));
        f.window->setGoToLineRunner([] { return TBufferCoord{3, 700}; });
        press(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(model().CaretXY(), (TBufferCoord{3, 700}));
        QVERIFY(model().viewWindow().topLine() <= 700);
        QVERIFY(model().viewWindow().bottomLine() >= 700);
        QCOMPARE(f.window->caretPanelText(), u"Стр 700, Стб 6"_qs);
        // Cancelled: nothing moves.
        f.window->setGoToLineRunner([] { return std::nullopt; });
        press(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(model().CaretXY(), (TBufferCoord{3, 700}));
    }

    void caretPanelFollowsTypingAndSelection()
    {
        f.openWindow();
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 1"_qs);
        QTest::keyClicks(f.window->editorPane(), u"ab"_qs);
        press(Qt::Key_Tab);
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 5"_qs);
        press(Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 1, выделено: 3"_qs);
    }

    void recentFilesListOpenedAndSavedFiles()
    {
        const QString a = writeDocument(u"a.qpl"_qs, "A");
        const QString b = writeDocument(u"b.qpl"_qs, "B");
        Tfrm_Main &window = f.openWindow({a});
        f.prompts.openChoices = {b};
        window.actions().FileOpen1->trigger();
        f.prompts.saveChoices = {f.path(u"c.qpl"_qs)};
        window.actions().FileSaveAs1->trigger();
        window.actions().FileOpen1->trigger(); // cancelled: the list stays
        QCOMPARE(captions(recentEntries()),
                 (QStringList{RecentFiles::menuCaption(0, f.path(u"c.qpl"_qs)),
                              RecentFiles::menuCaption(1, b), RecentFiles::menuCaption(2, a)}));
        // Between the print commands and "Выход", closed by a separator.
        const QList<QAction *> recent = recentEntries();
        const QList<QAction *> entries = f.window->fileMenu()->actions();
        QCOMPARE(entries.at(entries.size() - 2)->isSeparator(), true);
        QCOMPARE(entries.at(entries.size() - 3), recent.constLast());
        QCOMPARE(entries.at(entries.size() - 6)->isSeparator(), true);

        // Another instance on the same store shows the same list; a file that vanished is
        // reported and leaves it.
        f.openWindow();
        QCOMPARE(recentEntries().size(), 3);
        QVERIFY(QFile::remove(b));
        recentEntries().at(1)->trigger();
        QCOMPARE(f.prompts.messages,
                 QStringList{QDir::toNativeSeparators(b) + u" не существует"_qs});
        QCOMPARE(recentEntries().size(), 2);
        QVERIFY(f.window->docFileName().isEmpty());

        // The save question guards it as it guards Open: Cancel keeps the text, No opens.
        f.edit(u"unsaved"_qs);
        f.prompts.answers = {PromptAnswer::Cancel};
        recentEntries().at(1)->trigger();
        QCOMPARE(f.lines().text(), u"unsaved"_qs);
        f.prompts.answers = {PromptAnswer::No};
        recentEntries().at(1)->trigger();
        QCOMPARE(f.prompts.questions.size(), 2);
        QCOMPARE(f.lines().text(), u"A"_qs);
        QCOMPARE(f.window->docFileName(), a);
        QCOMPARE(recentEntries().size(), 2);
        QCOMPARE(captions(recentEntries()).constFirst(), RecentFiles::menuCaption(0, a));
    }

    void droppedFileOpensAfterTheSaveQuestion()
    {
        const QString d = writeDocument(u"d.qpl"_qs, "dropped");
        const QString e = writeDocument(u"e.qpl"_qs, "second");
        f.openWindow();
        f.edit(u"unsaved"_qs);
        f.prompts.answers = {PromptAnswer::No};
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(d), QUrl::fromLocalFile(e)});
        QWidget *target = f.window->editorPane()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        // The file opens once the drop has ended.
        QCoreApplication::processEvents();
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.prompts.questions[0].text, u"Сохранить изменения в untitled.qpl ?"_qs);
        QCOMPARE(f.lines().text(), u"dropped"_qs);
        QCOMPARE(f.window->docFileName(), d);
        QCOMPARE(f.window->statusPanelText(1), u"d.qpl"_qs);
        QCOMPARE(f.window->statusPanelText(0), u"Открыт только первый из 2 файлов: d.qpl"_qs);

        // Text that carries no file is not taken.
        QMimeData text;
        text.setText(u"plain"_qs);
        QDragEnterEvent textEnter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &textEnter);
        QVERIFY(!textEnter.isAccepted());
    }

    void zoomKeepsTheCaretLineInViewAndPersists()
    {
        f.openWindow();
        QStringList lines;
        for (int i = 1; i <= 2000; ++i)
            lines << QString::number(i);
        f.lines().setText(lines.join(u"\r\n"_qs));
        model().setCaretXY({1, 1000});
        const int before = f.window->editorZoom().pointSize();
        const int lineHeight = f.window->editorPane()->lineHeight();
        // A real wheel turn over the text with Ctrl: two notches up.
        QWidget *viewport = f.window->editorPane()->viewport();
        const QPointF at = viewport->rect().center();
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        QCOMPARE(f.window->editorZoom().pointSize(), before + 2);
        QVERIFY(f.window->editorPane()->lineHeight() > lineHeight);
        // Twenty more steps by the key: the caret's line stays in the window all along.
        for (int i = 0; i < 20; ++i) {
            press(Qt::Key_Equal, Qt::ControlModifier);
            QVERIFY(model().viewWindow().topLine() <= 1000);
            QVERIFY(model().viewWindow().bottomLine() >= 1000);
        }
        QCOMPARE(f.window->editorZoom().pointSize(), before + 22);
        press(Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(f.window->editorZoom().pointSize(), before + 21);
        // Ctrl+0 stays the bookmark key.
        press(Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(f.window->editorZoom().pointSize(), before + 21);
        // Limits.
        f.window->editorZoom().setPointSize(500);
        QCOMPARE(f.window->editorZoom().pointSize(), EditorZoom::kMaxPoints);
        f.window->editorZoom().setPointSize(1);
        QCOMPARE(f.window->editorZoom().pointSize(), EditorZoom::kMinPoints);
        f.window->editorZoom().setPointSize(before + 5);
        const int pixels = f.window->editorPane()->editorFont().pixelSize();

        // The next run starts with it; a reset goes back and is kept too.
        f.openWindow();
        QCOMPARE(f.window->editorZoom().pointSize(), before + 5);
        QCOMPARE(f.window->editorPane()->editorFont().pixelSize(), pixels);
        f.window->actions().ViewZoomReset->trigger();
        QCOMPARE(f.window->editorPane()->editorFont().pixelSize(), 13);
        f.openWindow();
        QCOMPARE(f.window->editorPane()->editorFont().pixelSize(), 13);
        QCOMPARE(f.prompts.errors, QStringList());
    }
};

BP_TEST(TestHabitsWindow)

#include "tst_habits_window.moc"
