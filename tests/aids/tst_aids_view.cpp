#include "aids/completion_proposal_config.h"
#include "aids/library_file.h"
#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "test_runner.h"

#include <QApplication>
#include <QListWidget>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
#endif

using namespace bp;

class TestAidsView : public QObject
{
    Q_OBJECT

    struct PaneFixture
    {
        TEditorPane pane;
        int changes = 0;
        PaneFixture(const QString &text, TBufferCoord caret)
        {
            pane.resize(700, 300);
            pane.show();
            pane.Lines().setText(text);
            pane.model().setCaretXY(caret);
            pane.OnChange = [this] { ++changes; };
            pane.SetFocus();
        }
    };

    static void typeKeys(QWidget *widget, const QString &keys)
    {
        for (QChar ch : keys)
            QTest::keyClick(widget, ch.toLatin1());
    }

private slots:
    void popupCompletesGetV()
    {
        PaneFixture f(u"x = get_v"_s, {10, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(popup.isVisible());
        QVERIFY(popup.list()->count() > 0);
        for (int i = 0; i < popup.list()->count(); ++i)
            QVERIFY(popup.list()->item(i)->text().startsWith(u"GET_V"_s));
        QCOMPARE(popup.list()->currentRow(), 0);
        const QString first = popup.list()->item(0)->text();
        QTest::keyClick(popup.popup(), Qt::Key_Return);
        QVERIFY(!popup.isVisible());
        QCOMPARE(f.pane.Lines()[0], u"x = "_s + first);
        QCOMPARE(f.pane.model().CaretX(), 5 + int(first.size()));
        QCOMPARE(f.changes, 1);
        f.pane.model().executeCommand(ecUndo);
        QCOMPARE(f.pane.Lines()[0], u"x = get_v"_s);
    }

    void popupReplacesUpToTheWordEnd()
    {
        PaneFixture f(u"GET_VAXYZ("_s, {7, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        const auto found = popup.list()->findItems(u"GET_VALUE"_s, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        popup.list()->setCurrentItem(found.front());
        QTest::keyClick(popup.popup(), Qt::Key_Return);
        QCOMPARE(f.pane.Lines()[0], u"GET_VALUE("_s);
    }

    void popupWithoutMatchesChangesNothing()
    {
        PaneFixture f(u"a=GE"_s, {5, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.list()->count(), 0);
        QTest::keyClick(popup.popup(), Qt::Key_Return);
        QVERIFY(!popup.isVisible());
        QCOMPARE(f.pane.Lines()[0], u"a=GE"_s);
        QCOMPARE(f.changes, 0);
    }

    void popupEndCharacters()
    {
        // "(" closes without completing and is typed; a space completes, then is typed.
        PaneFixture f(u"get_v"_s, {6, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QTest::keyClick(popup.popup(), Qt::Key_ParenLeft, Qt::NoModifier);
        QVERIFY(!popup.isVisible());
        QCOMPARE(f.pane.Lines()[0], u"get_v("_s);

        f.pane.Lines().setText(u"get_v"_s);
        f.pane.model().setCaretXY({6, 1});
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        const QString first = popup.list()->item(0)->text();
        QTest::keyClick(popup.popup(), Qt::Key_Space);
        QVERIFY(!popup.isVisible());
        QCOMPARE(f.pane.Lines()[0], first + u" "_s);
    }

    void triggerCharacterReopensAndSizeIsKept()
    {
        PaneFixture f(u"obj"_s, {4, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(popup.list()->count(), 0); // nothing starts with "obj"
        popup.popup()->resize(300, popup.popup()->height());
        QTest::keyClick(popup.popup(), Qt::Key_Period);
        QCOMPARE(f.pane.Lines()[0], u"obj."_s);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.list()->count(), 69); // an empty current string matches everything
        QTest::keyClick(popup.popup(), Qt::Key_Escape);
        QVERIFY(!popup.isVisible());
        QCOMPARE(popup.rememberedSize().width(), 300);
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(popup.popup()->width(), 300);
        QCOMPARE(f.pane.Lines()[0], u"obj."_s);
    }

    void popupSizeIsStableAndKeptWhenHiddenFromOutside()
    {
        PaneFixture f(u"get_"_s, {5, 1});
        TCompletionProposal popup(&f.pane, completionProposal1Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        const QSize first = popup.popup()->size();
        QCOMPARE(first.width(), 260);
        QCOMPARE(popup.rememberedSize().height(), 8);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(popup.popup(), Qt::Key_Escape);
            QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
            QCOMPARE(popup.popup()->size(), first);
        }
        // Hidden by the window system (a click elsewhere): the user's size is kept too.
        popup.popup()->resize(320, first.height());
        popup.popup()->hide();
        QVERIFY(!popup.state().isOpen());
        QCOMPARE(popup.rememberedSize().width(), 320);
    }

    void aHugeEntryIsListedShortAndInsertedWhole()
    {
        // One line of "func.txt" may be megabytes long: the list shows its start only, as far
        // as any popup line can show, and a confirmation still inserts the entry unchanged.
        PaneFixture f(u"x = "_s, {5, 1});
        CompletionProposalConfig config = completionProposal1Config();
        const QString huge(10'000'000, u'W');
        const QString long2000 = u"L"_s + QString(1999, u'o');
        config.ItemList = QStringList{huge, long2000};
        config.InsertList = config.ItemList;
        TCompletionProposal popup(&f.pane, config, QKeySequence(Qt::CTRL | Qt::Key_Space));
        QTest::keyClick(&f.pane, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.list()->count(), 2);
        popup.popup()->grab();
        for (int row = 0; row < 2; ++row) {
            const QString shown = popup.list()->item(row)->text();
            QVERIFY(!shown.isEmpty());
            QVERIFY(shown.size() <= kCompletionShownLength);
            QVERIFY(config.ItemList[row].startsWith(shown));
        }
        QTest::keyClick(popup.popup(), Qt::Key_Down);
        QTest::keyClick(popup.popup(), Qt::Key_Return);
        QCOMPARE(f.pane.Lines()[0], u"x = "_s + long2000);
    }

    void emptyListNeverOpens()
    {
        PaneFixture f(u"get_v"_s, {6, 1});
        TCompletionProposal popup(&f.pane, completionProposal2Config(),
                                  QKeySequence(Qt::CTRL | Qt::Key_J));
        QTest::keyClick(&f.pane, Qt::Key_J, Qt::ControlModifier);
        QVERIFY(!popup.isVisible());
        QCOMPARE(f.pane.Lines()[0], u"get_v"_s);
    }

    void popupPlacement_data()
    {
        QTest::addColumn<QRect>("caretLine");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1000, 800);
        QTest::newRow("below the caret line") << QRect(100, 100, 2, 16) << QPoint(100, 116);
        QTest::newRow("near the right edge: ends 5 pixels inside")
            << QRect(900, 100, 2, 16) << QPoint(1000 - 5 - 260, 116);
        QTest::newRow("near the bottom edge: above the line")
            << QRect(100, 700, 2, 16) << QPoint(100, 700 - 120);
        QTest::newRow("both edges") << QRect(990, 780, 2, 16) << QPoint(735, 660);
    }
    void popupPlacement()
    {
        QFETCH(QRect, caretLine);
        QFETCH(QPoint, expected);
        QCOMPARE(completionPopupPosition(caretLine, QSize(260, 120), QRect(0, 0, 1000, 800)),
                 expected);
        // A popup wider than the screen is kept at its left edge.
        QCOMPARE(
            completionPopupPosition(QRect(50, 10, 2, 16), QSize(2000, 10), QRect(0, 0, 1000, 800))
                .x(),
            0);
    }

#ifdef Q_OS_UNIX
    void deepLibraryFileNeedsNoDeepStack()
    {
        // Far deeper than any stack allows for recursion; each line one blank deeper.
        QString text;
        for (int depth = 0; depth < 3000; ++depth)
            text += QString(depth, u' ') + u"n\n"_s;
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The test framework's crash handlers are not meant for a forked child: an
            // overflow simply ends it.
            for (int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL})
                std::signal(signal, SIG_DFL);
            // A quarter of the 1 MiB main-thread stack that Windows gives a program.
            const rlimit limit{256 * 1024, 256 * 1024};
            setrlimit(RLIMIT_STACK, &limit);
            {
                const LibraryReadResult library = parseLibraryText(text);
                QTreeView view;
                FunctionLibraryTree tree(&view);
                tree.setLibrary(library.nodes);
                tree.setLibrary({});
                tree.setLibrary(library.nodes);
            }
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 qPrintable(u"the child ended with status %1"_s.arg(status)));
    }
#endif

    void doubleClickActsOnTheFirstClickedNode()
    {
        // Group A is selected and open above; group B was opened with its expand button.
        QTreeView view;
        FunctionLibraryTree tree(&view);
        tree.setLibrary({{u"A"_s, {{u"a1 ()"_s, {}}, {u"a2 ()"_s, {}}, {u"a3 ()"_s, {}}}},
                         {u"B"_s, {{u"b1 ()"_s, {}}, {u"b2 ()"_s, {}}}}});
        view.resize(200, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex a = tree.model()->index(0, 0);
        const QModelIndex b = tree.model()->index(1, 0);
        view.setCurrentIndex(a);
        view.expand(b);
        QVERIFY(view.isExpanded(a) && view.isExpanded(b));

        QSignalSpy clicked(&tree, &FunctionLibraryTree::nodeDoubleClicked);
        const QModelIndex b2 = tree.model()->index(1, 0, b);
        // The first click selects, the second one comes within the double-click interval.
        const QPoint point = view.visualRect(b2).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.front().at(0).toString(), u"b2 ()"_s);
        // The single-expand rule still applies, once the double click is over.
        QTRY_VERIFY(!view.isExpanded(a));
        QVERIFY(view.isExpanded(b));
    }

    void libraryTreeExpandsOneBranch()
    {
        QTreeView view;
        FunctionLibraryTree tree(&view);
        tree.setLibrary(
            {{u"Функции"_s, {{u"A"_s, {{u"f ()"_s, {}}}}, {u"B"_s, {{u"g ()"_s, {}}}}}}});
        view.show();
        QCOMPARE(view.indentation(), 19);
        const QModelIndex root = tree.model()->index(0, 0);
        const QModelIndex a = tree.model()->index(0, 0, root);
        const QModelIndex b = tree.model()->index(1, 0, root);
        view.setCurrentIndex(a);
        QVERIFY(view.isExpanded(a));
        view.setCurrentIndex(b);
        QVERIFY(view.isExpanded(b));
        QVERIFY(!view.isExpanded(a));
        // Enter on a function reports it as a double click does; on a group it does not.
        QSignalSpy entered(&tree, &FunctionLibraryTree::nodeDoubleClicked);
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(entered.count(), 0);
        view.setCurrentIndex(tree.model()->index(0, 0, b));
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(entered.count(), 1);
        QCOMPARE(entered.front().at(0).toString(), u"g ()"_s);
        QSignalSpy clicked(&tree, &FunctionLibraryTree::nodeDoubleClicked);
        emit view.doubleClicked(tree.model()->index(0, 0, b));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.front().at(0).toString(), u"g ()"_s);
        QCOMPARE(clicked.front().at(1).toBool(), false);
    }
};

BP_TEST(TestAidsView)
#include "tst_aids_view.moc"
