#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "qpile/qpile_reference.h"
#include "qpile/view/editor_hover_tip.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/qpile_check_panel.h"
#include "qpile/view/signature_tip.h"
#include "qpile/view/tip_window.h"
#include "search/model/search_commands.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QListWidget>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace bp;
using namespace Qt::StringLiterals;

// The coding aids and the search commands as the main window runs them: data files read
// when the window is shown, and commands going through the window's seams.
class TestAidsAndSearch : public QObject
{
    Q_OBJECT

    WindowFixture f;

    QStandardItemModel *tree() { return f.window->libraryTree()->model(); }
    EditModel &model() { return f.window->editorPane()->model(); }
    QString selected() { return model().SelText(); }

    void answerSearchDialog(std::optional<TSearchSettings> answer)
    {
        f.window->setSearchDialogRunner([answer](const TSearchSettings &) { return answer; });
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(f.window->editorPane(), Qt::Key(key), modifiers);
    }

private slots:
    void init() { f.reset(); }
    void cleanup() { f.window.reset(); }

    void shippedDataFilesLoadWithoutError()
    {
        f.openWindow();
        QCOMPARE(f.prompts.errors, QStringList());
        QCOMPARE(tree()->item(0)->text(), u"Функции"_s);
        QCOMPARE(tree()->item(0)->rowCount(), 17);
        QCOMPARE(f.window->completionProposal1()->state().config().ItemList.size(), 84);
        QVERIFY(f.window->languageReference());
        QVERIFY(f.window->languageReference()->function(u"GET_PARAM_EX"));
    }

    void signatureTipStaysOpenThroughTheCheck()
    {
        // Each pause in typing ends in a check, which hands the script's functions to the
        // tips: the tip of the call being typed stays, as does its argument.
        f.openWindow();
        QSignalSpy checked(f.window->checkPanel(), &QpileCheckPanel::checked);
        for (char ch : std::string_view("x = POW(2, "))
            QTest::keyClick(f.window->editorPane(), ch);
        SignatureTip &tip = f.window->languageTips()->signatureTip();
        QVERIFY(tip.window()->isVisible());
        QVERIFY(checked.wait());
        QVERIFY(tip.window()->isVisible());
        QVERIFY(tip.window()->text().contains(u"<b>DOUBLE Power</b>"_s));
        press(Qt::Key_Home);
        QVERIFY(!tip.window()->isVisible());
    }

    void languageTipsStartWithTheReference()
    {
        f.openWindow();
        LanguageTips *tips = f.window->languageTips();
        QCOMPARE(tips->functionHelpAction()->shortcut(), QKeySequence(Qt::Key_F1));
        for (char ch : std::string_view("x = LEN("))
            QTest::keyClick(f.window->editorPane(), ch);
        QVERIFY(tips->signatureTip().window()->isVisible());
        model().setCaretXY({8, 1});
        press(Qt::Key_F1);
        QVERIFY(tips->helpWindow()->isVisible());
        QVERIFY(tips->helpWindow()->plainText().contains(u"LEN"_s));
    }

    void checkTabsFollowTheLibraryAndTheCountShowsInTheHintPanel()
    {
        Tfrm_Main &window = f.openWindow();
        auto *tabs = window.findChild<QTabWidget *>(u"PageControl1"_s);
        QVERIFY(tabs && window.checkPanel());
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(1), u"Проверка"_s);
        QCOMPARE(tabs->tabText(2), u"Структура"_s);
        window.editorPane()->SetFocus();
        f.lines().setText(u"PORTFOLIO_EX P;\nDESCRIPTION D;\nFIRMS_LIST F;\nPROGRAM\n"
                          "END_PROGRAM\nEND_PORTFOLIO_EX"_s);
        QTRY_COMPARE(window.checkPanel()->problems().size(), std::size_t(0));
        window.editorPane()->model().setCaretXY({1, 5});
        press(Qt::Key_I);
        press(Qt::Key_F);
        press(Qt::Key_Space);
        press(Qt::Key_1);
        press(Qt::Key_Return);
        QTRY_COMPARE(window.statusPanelText(0), u"Проверка: 1 замечание"_s);
        QCOMPARE(window.editorPane()->lineMarks().size(), std::size_t(1));
        // Hovering the problem (the middle of the IF's first letter) tells it, before any
        // function help.
        TCustomEditorPane *pane = window.editorPane();
        const QPoint onIf(pane->gutterWidth() + pane->charWidth() / 2,
                          4 * pane->lineHeight() + pane->lineHeight() / 2);
        QTest::mouseMove(pane->viewport(), onIf);
        TipWindow *tip = window.languageTips()->hoverTip().window();
        QTRY_VERIFY(tip->isVisible());
        QCOMPARE(tip->plainText(), window.checkPanel()->problems().front().message);
    }

    // Alt+1, Alt+2 and Alt+3 show the side panel's tabs and put the keyboard there; Escape
    // gives it back to the editor. At the panel's default width every tab is in reach
    // without scroll arrows.
    void sideTabsAreReachedByKeyAndFitTheDefaultWidth()
    {
        Tfrm_Main &window = f.openWindow();
        auto *tabs = window.findChild<QTabWidget *>(u"PageControl1"_s);
        QVERIFY(tabs && window.checkPanel());
        QVERIFY(!tabs->usesScrollButtons());
        const QTabBar *bar = tabs->tabBar();
        for (int i = 0; i < 3; ++i)
            QVERIFY2(bar->tabRect(i).right() <= bar->width(), qPrintable(tabs->tabText(i)));

        window.editorPane()->SetFocus();
        const struct
        {
            Qt::Key key;
            QWidget *page;
        } paths[] = {{Qt::Key_2, window.checkPanel()->problemList()},
                     {Qt::Key_3, window.checkPanel()->outlineList()},
                     {Qt::Key_1, window.treeView()}};
        for (const auto &path : paths) {
            press(path.key, Qt::AltModifier);
            QTRY_VERIFY(path.page->hasFocus());
            QCOMPARE(tabs->currentWidget(), path.page);
            QTest::keyClick(path.page, Qt::Key_Escape);
            QVERIFY(window.editorPane()->hasFocus());
        }
    }

    void missingLibraryKeepsBuiltInsAndGeometry()
    {
        f.dataFolder = f.path(u"empty"_s);
        QDir().mkpath(f.dataFolder);
        Tfrm_Main &window = f.openWindow();
        // One error per missing file; each step still runs, so the geometry is restored too.
        QCOMPARE(f.prompts.errors.size(), 3);
        QVERIFY2(f.prompts.errors[0].contains(u"library.txt"_s), qPrintable(f.prompts.errors[0]));
        QVERIFY(f.prompts.errors[1].contains(u"func.txt"_s));
        QVERIFY(f.prompts.errors[2].contains(u"reference.json"_s));
        QVERIFY(!window.languageReference());
        QCOMPARE(tree()->item(0)->rowCount(), 17);
        QCOMPARE(window.completionProposal1()->state().config().ItemList.size(), 69);
        QCOMPARE(window.pos(), QPoint(197, 111));
    }

    void badLibraryLevelKeepsTheNodesBefore()
    {
        f.dataFolder = f.path(u"bad"_s);
        QDir().mkpath(f.dataFolder);
        writeFile(f.dataFolder + u"/library.txt"_s, "Root\r\n First\r\n   Too deep\r\n");
        QFile::copy(QStringLiteral(BP_SOURCE_DIR "/data/func.txt"), f.dataFolder + u"/func.txt"_s);
        QFile::copy(QStringLiteral(BP_SOURCE_DIR "/data/reference.json"),
                    f.dataFolder + u"/reference.json"_s);
        f.openWindow();
        // The text ends in a quotation mark, whose code is below the full stop's: no full stop.
        QCOMPARE(f.prompts.errors, QStringList{u"Invalid level (3) for item \"Too deep\""_s});
        QCOMPARE(tree()->rowCount(), 1);
        QCOMPARE(tree()->item(0)->child(0)->text(), u"First"_s);
    }

    void malformedReferenceIsReportedOnceAndTheEditorWorks()
    {
        f.dataFolder = f.path(u"badref"_s);
        QDir().mkpath(f.dataFolder);
        for (const char *name : {"library.txt", "func.txt"})
            QFile::copy(QStringLiteral(BP_SOURCE_DIR "/data/") + QLatin1String(name),
                        f.dataFolder + u'/' + QLatin1String(name));
        writeFile(f.dataFolder + u"/reference.json"_s, "{\"functions\": [");
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(u"reference.json"_s),
                 qPrintable(f.prompts.errors[0]));
        QVERIFY(!window.languageReference());
        // The check and its tabs stay off.
        QVERIFY(!window.checkPanel());
        QCOMPARE(window.findChild<QTabWidget *>(u"PageControl1"_s)->count(), 1);
        // Nor do the keys to the tabs: Alt+1 leaves the keyboard in the editor.
        press(Qt::Key_1, Qt::AltModifier);
        QVERIFY(window.editorPane()->hasFocus());
        press(Qt::Key_A);
        QCOMPARE(f.lines()[0], u"a"_s);
        // The QPILE tips stay off.
        for (char ch : std::string_view(" = LEN("))
            QTest::keyClick(window.editorPane(), ch);
        QCOMPARE(f.lines()[0], u"a = LEN("_s);
        QVERIFY(!window.languageTips()->signatureTip().window()->isVisible());
        press(Qt::Key_F1);
        QVERIFY(!window.languageTips()->helpWindow()->isVisible());
    }

    void libraryDoubleClickInsertsAndMarksModified()
    {
        Tfrm_Main &window = f.openWindow();
        f.lines().Add(u"x = 1;"_s);
        QStandardItem *acos = tree()->item(0)->child(1)->child(1);
        QCOMPARE(acos->text(), u"ACOS (DOUBLE Value)"_s);
        emit window.treeView()->doubleClicked(acos->index());
        QCOMPARE(f.lines()[0], u"ACOS (DOUBLE Value) x = 1;"_s);
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        QVERIFY(window.actions().FileSave->isEnabled());
        emit window.treeView()->doubleClicked(tree()->item(0)->child(0)->index());
        QCOMPARE(f.lines()[0], u"ACOS (DOUBLE Value) x = 1;"_s);
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.lines()[0], u"x = 1;"_s);
    }

    void insertionFromTheTreeGivesTheKeyboardBack()
    {
        Tfrm_Main &window = f.openWindow();
        f.lines().Add(u"x"_s);
        QTreeView *view = window.treeView();
        QStandardItem *acos = tree()->item(0)->child(1)->child(1);
        view->setCurrentIndex(acos->index());
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        // Enter on the selected function inserts it, as a double click does.
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(f.lines()[0], u"ACOS (DOUBLE Value) x"_s);
        QTRY_VERIFY(window.editorPane()->hasFocus());
        // A double click gives the keyboard back too.
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        emit view->doubleClicked(acos->index());
        QCOMPARE(f.lines()[0], u"ACOS (DOUBLE Value) ACOS (DOUBLE Value) x"_s);
        QTRY_VERIFY(window.editorPane()->hasFocus());
    }

    void completionFromFuncTxt()
    {
        Tfrm_Main &window = f.openWindow();
        f.lines().Add(u"a = get_v"_s);
        model().setCaretXY({10, 1});
        press(Qt::Key_Space, Qt::ControlModifier);
        TCompletionProposal *popup = window.completionProposal1();
        QVERIFY(popup->isVisible());
        QTest::keyClick(popup->popup(), Qt::Key_Return);
        QVERIFY(f.lines()[0].startsWith(u"a = GET_V"_s));
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        press(Qt::Key_J, Qt::ControlModifier);
        QVERIFY(!window.completionProposal2()->isVisible());
    }

    void commentToggleMarksModified()
    {
        Tfrm_Main &window = f.openWindow();
        f.lines().Add(u"a = 1"_s);
        window.commentAction()->trigger();
        QCOMPARE(f.lines()[0], u"'a = 1"_s);
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
    }

    void findNextAtStartUpBeeps()
    {
        f.openWindow();
        f.lines().setText(u"abc abc"_s);
        model().setBlockBegin({1, 1});
        model().setBlockEnd({4, 1});
        press(Qt::Key_F3);
        QCOMPARE(f.sound.count, 1);
        QVERIFY(!model().SelAvail());
        QCOMPARE(model().CaretXY(), (TBufferCoord{4, 1}));
    }

    void searchForwardThenRepeat()
    {
        f.openWindow();
        f.lines().setText(u"x\nfind me\ny\nfind\nz"_s);
        model().setCaretXY({1, 5});
        answerSearchDialog(TSearchSettings{u"find"_s});
        press(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(model().CaretXY(), (TBufferCoord{5, 2}));
        QCOMPARE(selected(), u"find"_s);
        press(Qt::Key_F3);
        QCOMPARE(model().CaretXY(), (TBufferCoord{5, 4}));
        press(Qt::Key_F3);
        QCOMPARE(f.sound.count, 1);
        QCOMPARE(model().CaretXY(), (TBufferCoord{5, 4}));
        QVERIFY(!model().SelAvail());
    }

    void searchBackwards()
    {
        f.openWindow();
        f.lines().setText(u"ab ab ab"_s);
        TSearchSettings settings{u"ab"_s};
        settings.Backwards = true;
        answerSearchDialog(settings);
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(model().CaretXY(), (TBufferCoord{7, 1}));
        press(Qt::Key_F3);
        QCOMPARE(model().CaretXY(), (TBufferCoord{4, 1}));
    }

    void selectedOnlyAsksWhenNothingIsSelected()
    {
        f.openWindow();
        f.lines().setText(u"one two one two"_s);
        TSearchSettings settings{u"two"_s};
        settings.SelectedOnly = true;
        // Inside the selection first; the match then is the selection, so F3 asks.
        model().setBlockBegin({1, 1});
        model().setBlockEnd({9, 1});
        answerSearchDialog(settings);
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(model().CaretXY(), (TBufferCoord{8, 1}));
        f.prompts.answers = {PromptAnswer::Yes};
        press(Qt::Key_F3);
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.prompts.questions[0].text, u"Нет выделения, искать во всем документе?"_s);
        QCOMPARE(model().CaretXY(), (TBufferCoord{16, 1}));
        QVERIFY(!f.window->searchCommands().settings().SelectedOnly);

        // No selection and the answer No: nothing changes, no sound.
        f.window->searchCommands().DoSearchReplaceText(false);
        QCOMPARE(f.sound.count, 1);
        settings.SelectedOnly = true;
        answerSearchDialog(settings);
        model().setCaretXY({2, 1});
        f.prompts.answers = {PromptAnswer::No};
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(model().CaretXY(), (TBufferCoord{2, 1}));
        QCOMPARE(f.sound.count, 1);
        QVERIFY(f.window->searchCommands().settings().SelectedOnly);
    }

    void cancelKeepsTheOldOptions()
    {
        f.openWindow();
        f.lines().setText(u"abc"_s);
        answerSearchDialog(TSearchSettings{u"b"_s});
        f.window->actions().ActionSearch->trigger();
        answerSearchDialog(std::nullopt);
        f.window->actions().ActionSearch->trigger();
        QCOMPARE(f.window->searchCommands().settings().SearchText, u"b"_s);
    }
};

BP_TEST(TestAidsAndSearch)
#include "tst_aids_search.moc"
