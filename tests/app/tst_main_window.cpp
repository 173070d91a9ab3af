#include "app/error_box.h"
#include "app/panel_splitter.h"
#include "app/unit_main.h"
#include "common/error.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "icons/image_list_actions.h"
#include "platform/web_host.h"
#include "search/view/frm_search.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// Captures the addresses the program hands to the system instead of starting a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// Menu entries as the user reads them, "-" for a separator.
QStringList entries(const QList<QAction *> &actions)
{
    QStringList list;
    for (const QAction *action : actions)
        list << (action->isSeparator() ? u"-"_s : action->text());
    return list;
}

QMenu *menuTitled(QMenuBar *bar, const QString &title)
{
    for (QAction *action : bar->actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    WindowFixture m_fixture;
    FakePrompts &m_prompts = m_fixture.prompts;

    QString path(const QString &name) const { return m_fixture.path(name); }
    Tfrm_Main &openWindow(const QStringList &arguments = {})
    {
        return m_fixture.openWindow(arguments);
    }
    TEditorLines &lines() { return m_fixture.lines(); }

private slots:
    void init() { m_fixture.reset(); }

    void cleanup()
    {
        m_fixture.window.reset();
        QCOMPARE(m_prompts.errors, QStringList());
    }

    // --- the command table ----------------------------------------------------------

    void menusHoldTheCommandsInOrder_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("file") << u"Файл"_s
                              << QStringList{u"Создать..."_s,
                                             u"&Открыть..."_s,
                                             u"Сохранить"_s,
                                             u"Сохранить как..."_s,
                                             u"Кодировка"_s,
                                             u"-"_s,
                                             u"Настройки принтера..."_s,
                                             u"Просмотр печати..."_s,
                                             u"Печать"_s,
                                             u"-"_s,
                                             u"Выход"_s};
        QTest::newRow("edit") << u"Правка"_s
                              << QStringList{u"Отмена"_s,       u"-"_s,        u"Копировать"_s,
                                             u"Вырезать"_s,     u"Вставить"_s, u"-"_s,
                                             u"Выделить все"_s, u"-"_s,        u"Удалить"_s};
        QTest::newRow("search") << u"Поиск"_s
                                << QStringList{u"Поиск"_s, u"Искать далее"_s, u"Заменить..."_s,
                                               u"-"_s, u"Перейти к строке..."_s};
        QTest::newRow("view") << u"Вид"_s
                              << QStringList{u"Увеличить шрифт"_s,
                                             u"Уменьшить шрифт"_s,
                                             u"-"_s,
                                             u"Обычный размер шрифта"_s,
                                             u"-"_s,
                                             u"Справка по функции"_s,
                                             u"Подсказка параметров"_s,
                                             u"-"_s,
                                             u"Библиотека функций"_s,
                                             u"Проверка"_s,
                                             u"Структура"_s};
        // Exactly three commands and two separators.
        QTest::newRow("help") << u"Помощь"_s
                              << QStringList{u"Справка"_s, u"-"_s, u"&Brindlepad в интернете"_s,
                                             u"-"_s, u"О программе..."_s};
    }
    void menusHoldTheCommandsInOrder()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, expected);
        Tfrm_Main &window = openWindow();
        QMenu *found = menuTitled(window.menuBar(), menu);
        QVERIFY(found);
        QCOMPARE(entries(found->actions()), expected);
    }

    void menuBarOrderToolBarsAndContextMenu()
    {
        Tfrm_Main &window = openWindow();
        QCOMPARE(entries(window.menuBar()->actions()),
                 (QStringList{u"Файл"_s, u"Правка"_s, u"Поиск"_s, u"Вид"_s, u"Помощь"_s}));
        auto names = [](const QList<QAction *> &actions) {
            QStringList list;
            for (const QAction *action : actions)
                list << (action->isSeparator() ? u"-"_s : action->objectName());
            return list;
        };
        auto *bar1 = window.findChild<QToolBar *>(u"ActionToolBar1"_s);
        auto *bar2 = window.findChild<QToolBar *>(u"ActionToolBar2"_s);
        QVERIFY(bar1 && bar2);
        QCOMPARE(names(bar1->actions()), (QStringList{u"FileNew"_s, u"FileOpen1"_s, u"FileSave"_s,
                                                      u"-"_s, u"FilePrint"_s}));
        QCOMPARE(names(bar2->actions()),
                 (QStringList{u"EditCopy1"_s, u"EditCut1"_s, u"EditPaste1"_s, u"-"_s,
                              u"EditUndo1"_s, u"-"_s, u"ActionSearch"_s}));
        // Both bars on one row, icons only.
        QCOMPARE(bar1->y(), bar2->y());
        QCOMPARE(bar1->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(names(window.editorPopupMenu()->actions()),
                 (QStringList{u"EditUndo1"_s, u"-"_s, u"EditCopy1"_s, u"EditCut1"_s,
                              u"EditPaste1"_s, u"-"_s, u"EditSelectAll1"_s, u"-"_s, u"N9"_s}));
        QCOMPARE(window.commentAction()->text(), u"Поставить/снять комментарий"_s);
    }

    void commandTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("longHint");
        auto row = [](const char *name, const char16_t *category, const char *shortcut,
                      const char16_t *longHint) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf16(category)
                                << QString::fromLatin1(shortcut) << QString::fromUtf16(longHint);
        };
        row("FileNew", u"Файл", "Ctrl+N", u"Создать новый QPILE файл");
        row("FileOpen1", u"Файл", "Ctrl+O", u"Открыть QPILE файл для редактирования");
        row("FileSave", u"Файл", "Ctrl+S", u"Сохранение измененного ранее файла");
        row("FileSaveAs1", u"Файл", "Ctrl+Shift+F12", u"Сохранение текущего файла с новым именем");
        row("FileEncodingAnsi", u"Файл", "", u"Сохранять документ в кодировке Windows-1251");
        row("FileEncodingUtf8", u"Файл", "",
            u"Сохранять документ в кодировке UTF-8 с меткой порядка байтов");
        row("FileEncodingUtf16", u"Файл", "", u"Сохранять документ в кодировке UTF-16");
        row("FilePrintSetup1", u"Файл", "", u"Print Setup");
        row("FilePrintPreview", u"Файл", "", u"Предварительный просмотр области печати документа");
        row("FilePrint", u"Файл", "Ctrl+P", u"");
        row("FileExit1", u"Файл", "", u"Завершение работы приложения");
        row("EditUndo1", u"Правка", "Ctrl+Z", u"Отменяет последнее действие");
        row("EditCopy1", u"Правка", "Ctrl+C", u"Копирует выделенный текст в буфер обмена");
        row("EditCut1", u"Правка", "Ctrl+X",
            u"Вырезает выделенный текст и вставляет его в буфер обмена");
        row("EditPaste1", u"Правка", "Ctrl+V", u"Вставить/Вставляет содержимое буфера обмена");
        row("EditSelectAll1", u"Правка", "Ctrl+A", u"Выделяет весь документ");
        row("EditDelete1", u"Правка", "Del", u"Удаление выделенного текста");
        row("ActionSearch", u"Поиск", "Ctrl+F", u"");
        row("ActionSearchNext", u"Поиск", "F3", u"");
        row("Help", u"Помощь", "", u"");
        row("Action2", u"Помощь", "", u"");
        row("Action1", u"Помощь", "", u"");
    }
    void commandTable()
    {
        QFETCH(QString, name);
        QFETCH(QString, category);
        QFETCH(QString, shortcut);
        QFETCH(QString, longHint);
        Tfrm_Main &window = openWindow();
        auto *action = window.findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->property("category").toString(), category);
        QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcut);
        QCOMPARE(action->statusTip(), longHint);
    }

    void startUpEnabledStates()
    {
        Tfrm_Main &window = openWindow();
        const ActionManager &a = window.actions();
        QVERIFY(!a.FileSave->isEnabled());
        // This window has no about window: the command never pretends to work.
        QVERIFY(!a.Action1->isEnabled());
        for (QAction *ready : {a.FileNew, a.FileOpen1, a.FileSaveAs1, a.FileExit1, a.Help,
                               a.Action2, a.ActionSearch, a.ActionSearchNext})
            QVERIFY2(ready->isEnabled(), qPrintable(ready->objectName()));
        for (QAction *print : {a.FilePrintSetup1, a.FilePrintPreview, a.FilePrint})
            QVERIFY2(print->isEnabled(), qPrintable(print->objectName()));
        QCOMPARE(window.windowTitle(), u"Brindlepad"_s);
        QCOMPARE(window.size(), QSize(961, 591));
        QCOMPARE(window.panel()->width(), 209);
        QCOMPARE(window.splitter()->width(), 3);
    }

    // --- editing commands follow the focus ------------------------------------------

    void editingCommandsFollowTheFocus()
    {
        Tfrm_Main &window = openWindow();
        lines().Add(u"abc"_s);
        EditModel &model = window.editorPane()->model();
        model.setBlockBegin({1, 1});
        model.setBlockEnd({3, 1});
        QVERIFY(model.SelAvail());

        window.treeView()->setFocus();
        QTRY_VERIFY(window.treeView()->hasFocus());
        const ActionManager &a = window.actions();
        for (QAction *action :
             {a.EditUndo1, a.EditCopy1, a.EditCut1, a.EditPaste1, a.EditSelectAll1, a.EditDelete1})
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        // Ctrl+C in the tree copies nothing.
        QGuiApplication::clipboard()->setText(u"before"_s);
        QTest::keyClick(window.treeView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);

        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        QVERIFY(a.EditCopy1->isEnabled());
        QVERIFY(a.EditCut1->isEnabled());
        QVERIFY(a.EditSelectAll1->isEnabled());
        QVERIFY(a.EditDelete1->isEnabled());

        // The selection goes away: Copy follows the pane's own state.
        model.setCaretXY({1, 1});
        QVERIFY(!a.EditCopy1->isEnabled());
    }

    void deleteKeyRunsTheDeleteCommand()
    {
        Tfrm_Main &window = openWindow();
        lines().Add(u"abc"_s);
        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        window.editorPane()->model().setCaretXY({2, 1});
        QSignalSpy triggered(window.actions().EditDelete1, &QAction::triggered);
        QTest::keyClick(window.editorPane(), Qt::Key_Delete);
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(lines()[0], u"ac"_s);
        // The pane's change notification marks the document modified.
        QVERIFY(!window.docSaved());
        QVERIFY(window.actions().FileSave->isEnabled());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
    }

    void windowShortcutsComeBeforeThePaneKeys()
    {
        // Ctrl+N is also a key of the pane (insert a line); the window's New wins.
        Tfrm_Main &window = openWindow();
        lines().Add(u"x"_s);
        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        QTest::keyClick(window.editorPane(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(lines().Count(), 18);
        QCOMPARE(lines()[0], u"PORTFOLIO_EX Portfolio_Name;"_s);
    }

    void commentToggleMarksTheDocument()
    {
        Tfrm_Main &window = openWindow();
        QVERIFY(window.editorPane()->Highlighter());
        lines().Add(u"MESSAGE(\"x\", 1)"_s);
        window.commentAction()->trigger();
        QVERIFY(lines()[0] != u"MESSAGE(\"x\", 1)"_s);
        QVERIFY(!window.docSaved());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        window.commentAction()->trigger();
        QCOMPARE(lines()[0], u"MESSAGE(\"x\", 1)"_s);
    }

    // --- web pages, hints, errors ---------------------------------------------------

    void helpCommandsOpenTheirPages()
    {
        qputenv(kWebHostVariable, "http://pages.test");
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(u"http"_s, &catcher, "open");
        Tfrm_Main &window = openWindow();
        window.actions().Help->trigger();
        window.actions().Action2->trigger();
        QDesktopServices::unsetUrlHandler(u"http"_s);
        qunsetenv(kWebHostVariable);
        QCOMPARE(catcher.urls, (QList<QUrl>{QUrl(u"http://pages.test/ru/faq/5-brindle-pad.html"_s),
                                            QUrl(u"http://pages.test/ru/brindle-pad.html"_s)}));
    }

    void longHintOfTheCommandUnderTheMouseGoesToPanel0()
    {
        Tfrm_Main &window = openWindow();
        auto *bar = window.findChild<QToolBar *>(u"ActionToolBar1"_s);
        QWidget *button = bar->widgetForAction(window.actions().FileNew);
        QVERIFY(button);
        QTest::mouseMove(button);
        QTRY_COMPARE(window.statusPanelText(0), u"Создать новый QPILE файл"_s);
        // The panels stay: no temporary message covers them.
        QCOMPARE(window.statusBar()->currentMessage(), QString());
        QTest::mouseMove(window.editorPane());
        QTRY_COMPARE(window.statusPanelText(0), QString());

        // A menu entry under the mouse.
        QMenu *file = menuTitled(window.menuBar(), u"Файл"_s);
        file->popup(window.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        QTest::mouseMove(file, file->actionGeometry(window.actions().FileExit1).center());
        QTRY_COMPARE(window.statusPanelText(0), u"Завершение работы приложения"_s);
        file->close();
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << u"Нет файла"_s << u"Нет файла."_s;
        QTest::newRow("digit") << u"code 5"_s << u"code 5."_s;
        QTest::newRow("full stop") << u"Done."_s << u"Done."_s;
        QTest::newRow("bracket below the full stop") << u"(x)"_s << u"(x)"_s;
        QTest::newRow("question mark is above") << u"Why?"_s << u"Why?."_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(bp::errorBoxText(message), shown);
    }

    void commandBoundaryShowsFailures()
    {
        Tfrm_Main &window = openWindow();
        QVERIFY(!window.runCommand([] { throw Error(u"Сбой"_s); }));
        QVERIFY(!window.runCommand([] { throw SilentAbort(); }));
        QVERIFY(!window.runCommand([] { throw std::bad_alloc(); }));
        QVERIFY(!window.runCommand([] { throw std::logic_error("unexpected"); }));
        QVERIFY(window.runCommand([] {}));
        QCOMPARE(m_prompts.errors,
                 (QStringList{u"Сбой."_s,
                              QStringLiteral("Недостаточно памяти для выполнения команды; "
                                             "команда не выполнена."),
                              QString()}));
        m_prompts.errors.clear();
    }

    void failingKeyPressShowsTheErrorBox()
    {
        Tfrm_Main &window = openWindow();
        TEditorPane &pane = *window.editorPane();
        pane.SetFocus();
        QTest::keyClicks(&pane, u"ab"_s);
        // The edit a key makes is done before its notification fails.
        pane.OnChange = [] { throw Error(u"Диск заполнен"_s); };
        QTest::keyClicks(&pane, u"c"_s);
        pane.OnChange = [&window] { window.EditorPaneChange(); };
        QCOMPARE(m_prompts.errors, QStringList{u"Диск заполнен."_s});
        m_prompts.errors.clear();
        QCOMPARE(lines().text(), u"abc"_s);
        QTest::keyClick(&pane, Qt::Key_End);
        QTest::keyClicks(&pane, u"d"_s);
        QCOMPARE(lines().text(), u"abcd"_s);
    }

    // --- look and keyboard -----------------------------------------------------------

    void windowIconIsTheProgramsMark()
    {
        Tfrm_Main &window = openWindow();
        QCOMPARE(window.windowIcon().pixmap(16).toImage(),
                 ImageListActions::applicationIcon().pixmap(16).toImage());
        QCOMPARE(window.windowIcon().pixmap(48).toImage(),
                 ImageListActions::applicationIcon().pixmap(48).toImage());
    }

    void textsFitTheirPlaces()
    {
        Tfrm_Main &window = openWindow();
        const QList<QLabel *> panels =
            window.statusBar()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
        // The three panels, then the caret's position.
        QCOMPARE(panels.size(), 4);
        QStringList shown[3];
        for (const QAction *action : window.actions().all())
            shown[0] << action->statusTip();
        shown[2] << u"Изменен"_s << u"Сохранен"_s;
        for (int i : {0, 2}) {
            for (const QString &text : std::as_const(shown[i])) {
                const int needed = panels[i]->fontMetrics().horizontalAdvance(text);
                QVERIFY2(
                    needed <= panels[i]->contentsRect().width(),
                    qPrintable(u"panel %1 cuts \"%2\": %3 > %4"_s.arg(i).arg(text).arg(needed).arg(
                        panels[i]->contentsRect().width())));
            }
        }
        Tfrm_Search search(&window);
        auto *label = search.findChild<QLabel *>(u"Label1"_s);
        auto *field = search.findChild<QComboBox *>(u"cbSearchText"_s);
        QVERIFY(label && field);
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                     label->contentsRect().width(),
                 qPrintable(QString::number(label->width())));
        QVERIFY(label->fontMetrics().height() <= label->contentsRect().height());
        QVERIFY(label->geometry().right() < field->geometry().left());
        QCOMPARE(search.findChild<QWidget *>(u"gbSearchOptions"_s)->property("title"),
                 QVariant(u"Options"_s));
    }

    void f10OpensTheFirstMenu()
    {
        Tfrm_Main &window = openWindow();
        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        QTest::keyClick(window.editorPane(), Qt::Key_F10);
        QMenu *file = menuTitled(window.menuBar(), u"Файл"_s);
        QTRY_COMPARE(QApplication::activePopupWidget(), file);
        // The keyboard moves on to the next menu.
        QTest::keyClick(file, Qt::Key_Right);
        QMenu *edit = menuTitled(window.menuBar(), u"Правка"_s);
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(window.menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }

    void editMenuReachedByKeyboardFollowsTheEditor()
    {
        // A selection, undo history and clipboard text in the focused editor.
        Tfrm_Main &window = openWindow();
        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        QTest::keyClick(window.editorPane(), Qt::Key_X);
        QTest::keyClick(window.editorPane(), Qt::Key_Home, Qt::ShiftModifier);
        QGuiApplication::clipboard()->setText(u"clip"_s);
        const ActionManager &a = window.actions();
        QVERIFY(a.EditCopy1->isEnabled());

        // The file menu opened with the mouse, left with Escape: the menu bar keeps the
        // keyboard; Right and Down open the edit menu.
        QMenuBar *bar = window.menuBar();
        QMenu *file = menuTitled(bar, u"Файл"_s);
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(file->menuAction()).center());
        QTRY_COMPARE(QApplication::activePopupWidget(), file);
        QTest::keyClick(file, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(bar, Qt::Key_Right);
        QTest::keyClick(bar, Qt::Key_Down);
        QMenu *edit = menuTitled(bar, u"Правка"_s);
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        for (QAction *action :
             {a.EditUndo1, a.EditCopy1, a.EditCut1, a.EditPaste1, a.EditSelectAll1, a.EditDelete1})
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));

        // Chosen from there, Copy acts on the editor.
        QGuiApplication::clipboard()->setText(u"before"_s);
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->actionGeometry(a.EditCopy1).center());
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"x"_s);
        QTRY_VERIFY(window.editorPane()->hasFocus());
    }

    void saveAsWithAReplaceQuestionGivesTheFocusBack()
    {
        Tfrm_Main &window = openWindow();
        window.editorPane()->SetFocus();
        QTRY_VERIFY(window.editorPane()->hasFocus());
        const QString file = path(u"old.qpl"_s);
        writeFile(file, "old\r\n");
        // The dialog and its own question take the focus and close again, as the real save
        // dialog does when the chosen file exists.
        m_prompts.whileSaveDialogOpen = [](QWidget *parent) {
            QDialog dialog(parent);
            dialog.show();
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QMessageBox question(QMessageBox::Question, u"Brindlepad"_s, u"replace?"_s,
                                 QMessageBox::Yes, &dialog);
            question.show();
            question.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&question));
            question.hide();
            dialog.hide();
        };
        m_prompts.saveChoices = {file};
        window.actions().FileSaveAs1->trigger();
        QCOMPARE(window.docFileName(), file);
        QTRY_VERIFY(window.isActiveWindow());
        QTRY_VERIFY(window.editorPane()->hasFocus());
    }

    // --- the command line -----------------------------------------------------------

    void commandLineFileIsOpened()
    {
        const QString file = path(u"a.qpl"_s);
        writeFile(file, "PROGRAM\r\nEND_PROGRAM\r\n");
        Tfrm_Main &window = openWindow({file, u"ignored"_s});
        QCOMPARE(lines().Count(), 3);
        QCOMPARE(lines()[0], u"PROGRAM"_s);
        QCOMPARE(window.docFileName(), file);
        QVERIFY(window.docSaved());
        QCOMPARE(window.statusPanelText(1), u"a.qpl"_s);
        QCOMPARE(window.statusPanelText(2), QString());
        QVERIFY(!window.actions().FileSave->isEnabled());
        QCOMPARE(window.windowTitle(), u"Brindlepad"_s);
    }

    // A name whose bytes are not UTF-8 (a Windows-1251 name, say) reaches the window as the
    // program decodes its arguments, and cannot name any file there.
    void missingCommandLineFileIsNamed_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << QByteArray("missing.qpl") << u" не существует"_s;
        QTest::newRow("name not in UTF-8")
            << QByteArray("\xCF\xF0\xE8\xEC\xE5\xF0.qpl")
            << QStringLiteral(" не существует или имя файла не в кодировке UTF-8: файл с таким "
                              "именем открыть нельзя");
    }
    void missingCommandLineFileIsNamed()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, says);
        const QString file = path(QString::fromLocal8Bit(name));
        if (name.contains('\xCF')) {
            // The file exists under its own bytes.
            const QByteArray bytes = QFile::encodeName(m_fixture.dir->path()) + '/' + name;
            const int fd = ::open(bytes.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        Tfrm_Main &window = openWindow({file});
        QCOMPARE(m_prompts.messages, QStringList{file + says});
        QCOMPARE(lines().Count(), 0);
        QCOMPARE(window.docFileName(), QString());
    }

    void unreadableCommandLineFileLeavesAnEmptyDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("invalid UTF-8 after the mark")
            << QByteArray("\xEF\xBB\xBF\xFF\xFE") << false;
        QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFE"
                                                  "a\0b",
                                                  5)
                                    << false;
        QTest::newRow("folder") << QByteArray() << true;
    }
    void unreadableCommandLineFileLeavesAnEmptyDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isFolder);
        const QString file = path(u"bad.qpl"_s);
        QFile::remove(file);
        QDir(file).removeRecursively();
        if (isFolder)
            QVERIFY(QDir().mkpath(file));
        else
            writeFile(file, bytes);
        Tfrm_Main &window = openWindow({file});
        QCOMPARE(m_prompts.errors.size(), 1);
        QVERIFY2(m_prompts.errors[0].contains(file), qPrintable(m_prompts.errors[0]));
        m_prompts.errors.clear();
        QCOMPARE(lines().Count(), 0);
        QCOMPARE(window.docFileName(), QString());
        QCOMPARE(window.statusPanelText(1), QString());
    }
};

BP_TEST(TestMainWindow)
#include "tst_main_window.moc"
