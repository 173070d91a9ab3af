#include "app/editor_zoom.h"
#include "app/frm_go_to_line.h"
#include "app/recent_files.h"
#include "editor/model/edit_model.h"
#include "search/model/replace_commands.h"
#include "search/view/frm_replace.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

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

    // Where the screenshots go: $BP_SCREENSHOT_DIR, else a folder in the temporary folder.
    static QString screenshotFolder()
    {
        QString folder = qEnvironmentVariable("BP_SCREENSHOT_DIR");
        if (folder.isEmpty())
            folder = QDir::temp().filePath(u"brindlepad-screenshots"_s);
        QDir().mkpath(folder);
        return folder;
    }
    // Every caption of `window` fits its control in the font actually used.
    static void checkCaptionsFit(const QWidget &window)
    {
        for (const QLabel *label : window.findChildren<QLabel *>()) {
            if (label->wordWrap() || label->text().isEmpty())
                continue;
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                         label->contentsRect().width(),
                     qPrintable(label->text()));
        }
        // A check box or radio button also holds its indicator; a push button its bevel.
        for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
            const int room = qobject_cast<const QPushButton *>(button) ? 8 : 20;
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + room <=
                         button->width(),
                     qPrintable(button->text()));
        }
    }

private slots:
    void init() { f.reset(); }
    void cleanup() { f.window.reset(); }

    void replaceAllIsOneStepThatMarksTheDocument()
    {
        f.openWindow();
        f.lines().setText(u"a = SET(1)\r\nb = set(a)\r\nSET"_s);
        TSearchSettings settings{u"set"_s};
        settings.WholeWords = true;
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &,
                                             const Tfrm_Main::ReplaceAction &,
                                             const Tfrm_Main::ReplaceAction &replaceAll) {
            QCOMPARE(shown.SearchText, QString());
            replaceAll(settings, u"PUT"_s);
            // A second press finds nothing left.
            replaceAll(settings, u"PUT"_s);
        });
        press(Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(f.lines().text(), u"a = PUT(1)\r\nb = PUT(a)\r\nPUT"_s);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: set"_s);
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(f.window->statusPanelText(2), u"Изменен"_s);
        QVERIFY(f.window->actions().FileSave->isEnabled());
        QVERIFY(!f.window->docSaved());
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.lines().text(), u"a = SET(1)\r\nb = set(a)\r\nSET"_s);
        // The dialog opens again with what it held, and reports the count.
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &text,
                                             const Tfrm_Main::ReplaceAction &,
                                             const Tfrm_Main::ReplaceAction &replaceAll) {
            QCOMPARE(shown, settings);
            QCOMPARE(text, u"PUT"_s);
            replaceAll(shown, u"x"_s);
        });
        f.window->actions().ActionReplace->trigger();
        QCOMPARE(f.window->statusPanelText(0), ReplaceCommands::countReport(3));
    }

    void replaceNextStartsFromTheLastSearch()
    {
        f.openWindow();
        f.lines().setText(u"one two one"_s);
        f.window->setSearchDialogRunner(
            [](const TSearchSettings &) { return TSearchSettings{u"one"_s}; });
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(model().SelText(), u"one"_s);
        f.window->setReplaceDialogRunner([&](const TSearchSettings &shown, const QString &,
                                             const Tfrm_Main::ReplaceAction &replaceNext,
                                             const Tfrm_Main::ReplaceAction &) {
            QCOMPARE(shown.SearchText, u"one"_s);
            replaceNext(shown, u"1"_s);
            replaceNext(shown, u"1"_s);
            replaceNext(shown, u"1"_s);
        });
        f.window->actions().ActionReplace->trigger();
        QCOMPARE(f.lines().text(), u"1 two 1"_s);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: one"_s);
    }

    void searchWithoutMatchSaysNotFound()
    {
        f.openWindow();
        f.lines().setText(u"abc"_s);
        f.window->setSearchDialogRunner(
            [](const TSearchSettings &) { return TSearchSettings{u"zzz"_s}; });
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(f.window->statusPanelText(0), u"Не найдено: zzz"_s);
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
            lines << u"\tline %1"_s.arg(i);
        f.lines().setText(lines.join(u"\r\n"_s));
        f.window->setGoToLineRunner([] { return TBufferCoord{3, 700}; });
        press(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(model().CaretXY(), (TBufferCoord{3, 700}));
        QVERIFY(model().viewWindow().topLine() <= 700);
        QVERIFY(model().viewWindow().bottomLine() >= 700);
        QCOMPARE(f.window->caretPanelText(), u"Стр 700, Стб 6"_s);
        // Cancelled: nothing moves.
        f.window->setGoToLineRunner([] { return std::nullopt; });
        press(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(model().CaretXY(), (TBufferCoord{3, 700}));
    }

    void caretPanelFollowsTypingAndSelection()
    {
        f.openWindow();
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 1"_s);
        QTest::keyClicks(f.window->editorPane(), u"ab"_s);
        press(Qt::Key_Tab);
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 5"_s);
        press(Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(f.window->caretPanelText(), u"Стр 1, Стб 1, выделено: 3"_s);
    }

    void recentFilesListOpenedAndSavedFiles()
    {
        const QString a = writeDocument(u"a.qpl"_s, "A");
        const QString b = writeDocument(u"b.qpl"_s, "B");
        Tfrm_Main &window = f.openWindow({a});
        f.prompts.openChoices = {b};
        window.actions().FileOpen1->trigger();
        f.prompts.saveChoices = {f.path(u"c.qpl"_s)};
        window.actions().FileSaveAs1->trigger();
        window.actions().FileOpen1->trigger(); // cancelled: the list stays
        QCOMPARE(captions(recentEntries()),
                 (QStringList{RecentFiles::menuCaption(0, f.path(u"c.qpl"_s)),
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
                 QStringList{QDir::toNativeSeparators(b) + u" не существует"_s});
        QCOMPARE(recentEntries().size(), 2);
        QVERIFY(f.window->docFileName().isEmpty());

        // The save question guards it as it guards Open: Cancel keeps the text, No opens.
        f.edit(u"unsaved"_s);
        f.prompts.answers = {PromptAnswer::Cancel};
        recentEntries().at(1)->trigger();
        QCOMPARE(f.lines().text(), u"unsaved"_s);
        f.prompts.answers = {PromptAnswer::No};
        recentEntries().at(1)->trigger();
        QCOMPARE(f.prompts.questions.size(), 2);
        QCOMPARE(f.lines().text(), u"A"_s);
        QCOMPARE(f.window->docFileName(), a);
        QCOMPARE(recentEntries().size(), 2);
        QCOMPARE(captions(recentEntries()).constFirst(), RecentFiles::menuCaption(0, a));
    }

    void droppedFileOpensAfterTheSaveQuestion()
    {
        const QString d = writeDocument(u"d.qpl"_s, "dropped");
        const QString e = writeDocument(u"e.qpl"_s, "second");
        f.openWindow();
        f.edit(u"unsaved"_s);
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
        QCOMPARE(f.prompts.questions[0].text, u"Сохранить изменения в untitled.qpl ?"_s);
        QCOMPARE(f.lines().text(), u"dropped"_s);
        QCOMPARE(f.window->docFileName(), d);
        QCOMPARE(f.window->statusPanelText(1), u"d.qpl"_s);
        QCOMPARE(f.window->statusPanelText(0), u"Открыт только первый из 2 файлов: d.qpl"_s);

        // Text that carries no file is not taken.
        QMimeData text;
        text.setText(u"plain"_s);
        QDragEnterEvent textEnter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &textEnter);
        QVERIFY(!textEnter.isAccepted());
    }

    // Typed text given up by the save question's No, then the document replaced: the state
    // panel, Save and the saved flag agree on what the new document is.
    void replacingAfterNoLeavesOneState_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("modified");
        QTest::newRow("open") << u"open"_s << false;
        QTest::newRow("drop") << u"drop"_s << false;
        QTest::newRow("recent file") << u"recent"_s << false;
        QTest::newRow("new") << u"new"_s << true;
    }
    void replacingAfterNoLeavesOneState()
    {
        QFETCH(QString, path);
        QFETCH(bool, modified);
        const QString other = writeDocument(u"other.qpl"_s, "other");
        f.openWindow();
        if (path == u"recent"_s) {
            f.prompts.openChoices = {other};
            f.window->actions().FileOpen1->trigger();
            f.window->actions().FileNew->trigger();
        }
        QTest::keyClicks(f.window->editorPane(), u"typed"_s);
        QCOMPARE(f.window->statusPanelText(2), u"Изменен"_s);
        f.prompts.answers = {PromptAnswer::No};
        if (path == u"open"_s) {
            f.prompts.openChoices = {other};
            f.window->actions().FileOpen1->trigger();
        } else if (path == u"drop"_s) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(other)});
            QWidget *target = f.window->editorPane()->viewport();
            const QPoint at = target->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
            QCoreApplication::processEvents();
        } else if (path == u"recent"_s) {
            recentEntries().constFirst()->trigger();
        } else {
            f.window->actions().FileNew->trigger();
        }
        QVERIFY(f.prompts.answers.isEmpty());
        QCOMPARE(f.lines()[0], modified ? u"PORTFOLIO_EX Portfolio_Name;"_s : u"other"_s);
        QCOMPARE(f.window->docSaved(), !modified);
        QCOMPARE(f.window->actions().FileSave->isEnabled(), modified);
        QCOMPARE(f.window->statusPanelText(2), modified ? u"Изменен"_s : u"Сохранен"_s);
        // Closing asks again exactly when the panel says there is something to save.
        const qsizetype asked = f.prompts.questions.size();
        f.prompts.answers = {PromptAnswer::Cancel};
        QCOMPARE(f.window->close(), !modified);
        QCOMPARE(f.prompts.questions.size(), asked + (modified ? 1 : 0));
    }

    void zoomKeepsTheCaretLineInViewAndPersists()
    {
        f.openWindow();
        QStringList lines;
        for (int i = 1; i <= 2000; ++i)
            lines << QString::number(i);
        f.lines().setText(lines.join(u"\r\n"_s));
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

    void replaceDialogButtonsRunTheActions()
    {
        Tfrm_Replace dialog;
        TSearchSettings settings{u"set"_s};
        settings.SelectedOnly = true;
        settings.Backwards = true;
        dialog.setSettings(settings);
        dialog.setReplaceText(u"put"_s);
        QStringList pressed;
        auto record = [&](const QString &name) {
            return [&, name](const TSearchSettings &shown, const QString &replacement) {
                pressed << name + u' ' + shown.SearchText + u' ' + replacement;
                TSearchSettings after = shown;
                after.SelectedOnly = false; // as when the user chose the whole document
                return after;
            };
        };
        dialog.setActions(record(u"next"_s), record(u"all"_s));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.btnReplaceAll, Qt::LeftButton);
        QCOMPARE(pressed, QStringList{u"all set put"_s});
        QVERIFY(!dialog.cbSearchSelectedOnly->isChecked());
        QVERIFY(dialog.settings().Backwards);
        // Enter presses "Заменить"; the dialog stays open for the next press.
        dialog.cbSearchText->setFocus();
        QTest::keyClick(dialog.cbSearchText, Qt::Key_Return);
        QCOMPARE(pressed.size(), 2);
        QCOMPARE(pressed.last(), u"next set put"_s);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.btnClose, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    // "Заменить" pressed in the real modal dialog placed over the text: each match it selects
    // is left in sight, in the text area and off the dialog, by scrolling the text or, at the
    // end of the text where the lines cannot move, by moving the dialog.
    void replaceKeepsTheMatchBesideTheDialog()
    {
        Tfrm_Main &window = f.openWindow();
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << (i == 100 || i == 120 || i == 200 ? u"x = set(%1)"_s : u"line %1"_s).arg(i);
        f.lines().setText(lines.join(u"\r\n"_s));
        model().setCaretXY({1, 1});
        QWidget *viewport = window.editorPane()->viewport();
        const QRect textArea(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
        QStringList seen;
        auto checkInSight = [&](const Tfrm_Replace &dialog) {
            const QRect caret = window.editorPane()->caretRect();
            const QRect line(textArea.left(), viewport->mapToGlobal(caret.topLeft()).y(),
                             textArea.width(), window.editorPane()->lineHeight());
            seen << model().SelText() + u' ' + QString::number(model().CaretY());
            QVERIFY2(textArea.contains(line), qPrintable(seen.last()));
            QVERIFY2(!dialog.frameGeometry().intersects(line), qPrintable(seen.last()));
        };
        bool ran = false;
        QTimer::singleShot(0, &window, [&] {
            auto *dialog = qobject_cast<Tfrm_Replace *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            // Over the middle of the text, where the matches come into view.
            dialog->move(dialog->x(), textArea.center().y() - dialog->height() / 2);
            QVERIFY(dialog->frameGeometry().intersects(textArea));
            dialog->cbSearchText->setEditText(u"set"_s);
            dialog->cbReplaceText->setEditText(u"put"_s);
            for (int press = 0; press < 3; ++press) {
                QTest::mouseClick(dialog->btnReplace, Qt::LeftButton);
                checkInSight(*dialog);
            }
            QTest::mouseClick(dialog->btnClose, Qt::LeftButton);
            ran = true;
        });
        window.actions().ActionReplace->trigger();
        QVERIFY(ran);
        QCOMPARE(seen, (QStringList{u"set 100"_s, u"set 120"_s, u"set 200"_s}));
        QCOMPARE(f.lines()[99], u"x = put(100)"_s);
    }

    void goToLineDialogChecksAsTyped()
    {
        EditModel editor;
        editor.Lines().setText(u"one\ntwo\nthree"_s);
        editor.setCaretXY({1, 2});
        Tfrm_GoToLine dialog(editor);
        // It starts on the caret's line, ready to be typed over.
        QCOMPARE(dialog.edLine->text(), u"2"_s);
        QVERIFY(dialog.btnOK->isEnabled());
        dialog.edLine->setText(u"7"_s);
        QVERIFY(!dialog.btnOK->isEnabled());
        QCOMPARE(dialog.lblProblem->text(), u"Номер строки должен быть от 1 до 3"_s);
        dialog.edLine->setText(u""_s);
        QVERIFY(!dialog.btnOK->isEnabled());
        QCOMPARE(dialog.lblProblem->text(), QString());
        dialog.edLine->setText(u"3:4"_s);
        QVERIFY(dialog.btnOK->isEnabled());
        QCOMPARE(dialog.lblProblem->text(), QString());
        QCOMPARE(*dialog.target(), (TBufferCoord{4, 3}));
    }

    // Pictures of the new dialogs and of the status bar with the caret panel, for a person to
    // look at; the checks make sure that nothing in them is cut short.
    void screenshots()
    {
        const QString folder = screenshotFolder();
        Tfrm_Main &window = f.openWindow();
        f.lines().setText(u"PROGRAM\r\n\tx = GET_VALUE(1)\r\nEND_PROGRAM"_s);
        model().setCaretXY({2, 2});
        model().setCaretXY({8, 2}, true);
        QLabel *caretPanel = window.statusBar()->findChild<QLabel *>(u"CaretPanel"_s);
        QVERIFY(caretPanel);
        QCOMPARE(caretPanel->text(), u"Стр 2, Стб 11, выделено: 6"_s);
        QVERIFY(caretPanel->isVisible());
        QVERIFY(caretPanel->fontMetrics().horizontalAdvance(caretPanel->text()) <=
                caretPanel->contentsRect().width());
        QVERIFY(window.statusBar()->grab().save(folder + u"/status_bar.png"_s));

        Tfrm_Replace replace(&window);
        replace.setSettings(TSearchSettings{u"GET_VALUE"_s});
        replace.setReplaceText(u"SET_VALUE"_s);
        replace.show();
        QVERIFY(QTest::qWaitForWindowExposed(&replace));
        checkCaptionsFit(replace);
        // The fields end before the button column.
        QVERIFY(replace.cbSearchText->geometry().right() < replace.btnReplace->geometry().left());
        QVERIFY(replace.grab().save(folder + u"/replace_dialog.png"_s));

        Tfrm_GoToLine goToLine(model(), &window);
        goToLine.edLine->setText(u"99"_s);
        goToLine.show();
        QVERIFY(QTest::qWaitForWindowExposed(&goToLine));
        checkCaptionsFit(goToLine);
        QVERIFY(goToLine.lblProblem->heightForWidth(goToLine.lblProblem->width()) <=
                goToLine.lblProblem->height());
        QVERIFY(goToLine.grab().save(folder + u"/go_to_line_dialog.png"_s));
    }
};

BP_TEST(TestHabitsWindow)

#include "tst_habits_window.moc"
