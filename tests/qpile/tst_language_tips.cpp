#include "aids/built_in_library.h"
#include "aids/completion_proposal_config.h"
#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "aids/view/library_tree_view.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "fake_window_parts.h"
#include "highlight/qpile_highlighter.h"
#include "qpile/qpile_reference.h"
#include "qpile/script_outline.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/signature_tip.h"
#include "qpile/view/tip_window.h"
#include "test_runner.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTest>

using namespace bp;
using namespace Qt::StringLiterals;

namespace {

std::shared_ptr<const QpileReference> reference()
{
    static const auto loaded = std::make_shared<const QpileReference>(
        QpileReference::load(QStringLiteral(BP_SOURCE_DIR "/data/reference.json")));
    return loaded;
}

// The texts set in bold in a tip's first paragraph (the signature).
QString boldArgument(const TipWindow *tip)
{
    static const QRegularExpression bold(u"<code>[^<]*(?:<b>(.*?)</b>)?"_s);
    return bold.match(tip->text()).captured(1);
}

// A window as the program has it: the library tree beside the editor pane, the tips'
// commands among the window's own.
struct Window
{
    QWidget host;
    TEditorPane *pane;
    LibraryTreeView *tree;
    FunctionLibraryTree *library;
    LanguageTips *tips;
    testing::FakeWindowParts parts{host};

    explicit Window(const QString &text, std::shared_ptr<const QpileReference> loaded = reference())
    {
        auto *layout = new QHBoxLayout(&host);
        tree = new LibraryTreeView(&host);
        library = new FunctionLibraryTree(tree);
        library->setLibrary(builtInLibrary());
        pane = new TEditorPane(&host);
        layout->addWidget(tree);
        layout->addWidget(pane, 1);
        tree->setFixedWidth(209);
        host.resize(900, 400);
        tips = new LanguageTips(*pane, *tree);
        tips->addCommands(parts);
        tips->setReference(std::move(loaded));
        pane->Lines().setText(text);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        pane->SetFocus();
    }

    TipWindow *signature() const { return tips->signatureTip().window(); }
    void type(const QString &keys) const
    {
        for (QChar ch : keys)
            QTest::sendKeyEvent(QTest::Click, pane, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    void setCaret(TBufferCoord caret) const { pane->model().setCaretXY(caret); }
    // The middle of the character at `position`, in viewport coordinates.
    QPoint pointAt(TBufferCoord position) const
    {
        return {pane->gutterWidth() + (position.Char - 1) * pane->charWidth() +
                    pane->charWidth() / 2,
                (position.Line - 1) * pane->lineHeight() + pane->lineHeight() / 2};
    }
    QModelIndex libraryNode(const QString &text) const
    {
        const QList<QStandardItem *> found =
            library->model()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.front()->index();
    }
};

} // namespace

class TestLanguageTips : public QObject
{
    Q_OBJECT

private slots:
    void signatureTipFollowsTheCall()
    {
        Window w{QString()};
        w.type(u"q = GET_PARAM_EX"_s);
        QVERIFY(!w.signature()->isVisible());
        w.type(u"("_s);
        QVERIFY(w.signature()->isVisible());
        QCOMPARE(boldArgument(w.signature()), u"STRING classcode"_s);
        QVERIFY(w.signature()->plainText().contains(u"код класса"_s));
        QVERIFY(w.signature()->plainText().contains(u"PARAM_VALUE"_s));
        // A comma inside a string is no argument break; one outside it is.
        w.type(u"\"a,b\""_s);
        QCOMPARE(boldArgument(w.signature()), u"STRING classcode"_s);
        w.type(u", "_s);
        QCOMPARE(boldArgument(w.signature()), u"STRING seccode"_s);
        // A known call typed inside takes the tip over, and its ")" closes it; the shortcut
        // asks for the call around the caret again.
        w.type(u"TRIM("_s);
        QCOMPARE(boldArgument(w.signature()), u"STRING value"_s);
        w.type(u"s), "_s);
        QVERIFY(!w.signature()->isVisible());
        QTest::keyClick(w.pane, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(boldArgument(w.signature()), u"STRING param_name"_s);
        // The caret keeps the keyboard all along.
        QCOMPARE(QApplication::focusWidget(), w.pane);
        QVERIFY(w.signature()->geometry().top() >=
                w.pane->viewport()->mapToGlobal(w.pane->caretRect().bottomLeft()).y());
        w.type(u"\"LAST\")"_s);
        QVERIFY(!w.signature()->isVisible());
        QCOMPARE(w.pane->Lines()[0], u"q = GET_PARAM_EX(\"a,b\", TRIM(s), \"LAST\")"_s);
    }

    void signatureTipClosesWhenTheCaretLeavesTheCall()
    {
        Window w(u"x = POW(2, 3) + 1"_s);
        w.setCaret({12, 1});
        QTest::keyClick(w.pane, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(w.signature()->isVisible());
        QCOMPARE(boldArgument(w.signature()), u"DOUBLE Power"_s);
        QTest::keyClick(w.pane, Qt::Key_Left);
        QTest::keyClick(w.pane, Qt::Key_Left);
        QCOMPARE(boldArgument(w.signature()), u"DOUBLE Value"_s);
        QTest::keyClick(w.pane, Qt::Key_End);
        QVERIFY(!w.signature()->isVisible());
        // Gone for good: coming back into the call does not open it again.
        w.setCaret({12, 1});
        QVERIFY(!w.signature()->isVisible());
    }

    void nothingForAnUnknownNameOrOutsideCode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("shown");
        QTest::newRow("known, blank before the bracket") << u"x = LEN ("_s << true;
        QTest::newRow("lower case") << u"x = get_item("_s << true;
        QTest::newRow("unknown name") << u"x = FOO("_s << false;
        QTest::newRow("plain bracket") << u"x = ("_s << false;
        QTest::newRow("in a string") << u"s = \"LEN("_s << false;
        QTest::newRow("in a comment") << u"x = 1 ' LEN("_s << false;
        QTest::newRow("unknown inside known keeps the known one's tip")
            << u"x = LEN(MyFunc("_s << true;
    }
    void nothingForAnUnknownNameOrOutsideCode()
    {
        QFETCH(QString, typed);
        QFETCH(bool, shown);
        Window w{QString()};
        w.type(typed);
        QCOMPARE(w.signature()->isVisible(), shown);
    }

    void escapeClosesOnlyTheTip()
    {
        Window w{QString()};
        int escapes = 0;
        auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), &w.host);
        connect(shortcut, &QShortcut::activated, this, [&] { ++escapes; });
        w.type(u"MESSAGE("_s);
        QVERIFY(w.signature()->isVisible());
        QTest::keyClick(w.pane, Qt::Key_Escape);
        QVERIFY(!w.signature()->isVisible());
        QCOMPARE(escapes, 0);
        QTest::keyClick(w.pane, Qt::Key_Escape);
        QCOMPARE(escapes, 1);
        // Closed until asked again, also by a bracket of an unknown function inside the call.
        w.type(u"\"a\", MyFunc("_s);
        QVERIFY(!w.signature()->isVisible());
    }

    void completionListHidesTheTipUntilItCloses()
    {
        // Both stand under the caret: the list, which holds the keyboard, wins for its time.
        Window w{QString()};
        TCompletionProposal completion(w.pane, completionProposal1Config(),
                                       QKeySequence(Qt::CTRL | Qt::Key_Space));
        completion.setItemList({u"GET_VALUE"_s, u"GET_ITEM"_s});
        w.type(u"x = LEN(ge"_s);
        QVERIFY(w.signature()->isVisible());
        QTest::keyClick(w.pane, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(completion.isVisible());
        QVERIFY(!w.signature()->isVisible());
        QTest::keyClick(completion.popup(), Qt::Key_T);
        QVERIFY(!w.signature()->isVisible());
        QTest::keyClick(completion.popup(), Qt::Key_Escape);
        QVERIFY(!completion.isVisible());
        QVERIFY(w.signature()->isVisible());
        QCOMPARE(boldArgument(w.signature()), u"STRING value"_s);
        // A "(" typed into the open list closes it and opens the tip of its own call.
        w.type(u", TRIM"_s);
        QTest::keyClick(w.pane, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(completion.isVisible());
        QTest::sendKeyEvent(QTest::Click, completion.popup(), Qt::Key_ParenLeft, u"("_s,
                            Qt::NoModifier);
        QVERIFY(!completion.isVisible());
        QCOMPARE(w.pane->Lines()[0], u"x = LEN(get, TRIM("_s);
        QVERIFY(w.signature()->isVisible());
        QVERIFY(w.signature()->plainText().startsWith(u"STRING TRIM"_s));
    }

    void hoverShowsTheFunctionHelp()
    {
        Window w(u"x = GET_ITEM(\"ORDERS\", 1)   "_s);
        QTest::mouseMove(w.pane->viewport(), w.pointAt({7, 1}));
        QTRY_VERIFY(w.tips->hoverTip().window()->isVisible());
        const QString text = w.tips->hoverTip().window()->plainText();
        QVERIFY2(text.contains(reference()->function(u"GET_ITEM")->summary), qPrintable(text));
        QVERIFY(text.contains(u"ord = GET_ITEM(\"ORDERS\", i)"_s));
        // Along the name it stays; past the line's end it goes.
        QTest::mouseMove(w.pane->viewport(), w.pointAt({11, 1}));
        QVERIFY(w.tips->hoverTip().window()->isVisible());
        QTest::mouseMove(w.pane->viewport(), w.pointAt({40, 1}));
        QVERIFY(!w.tips->hoverTip().window()->isVisible());
        QCOMPARE(QApplication::focusWidget(), w.pane);
    }

    void scriptFunctionsGetTheTips()
    {
        // The script's own FUNC: its parameter names on "(", its comment on hover, as the
        // check panel hands them over after each check.
        Window w{u"' Удваивает число\n' (и прибавляет сдвиг)\nFUNC Twice(value, shift)\n"
                 u"    RESULT = value * 2 + shift\nEND FUNC\n"_s};
        TQPILEHighlighter highlighter;
        w.tips->setScriptFunctions(scriptFunctions(w.pane->Lines(), {2}, highlighter));
        w.setCaret({1, 6});
        w.type(u"x = twice("_s);
        QVERIFY(w.signature()->isVisible());
        QCOMPARE(boldArgument(w.signature()), u"value"_s);
        w.type(u"1, "_s);
        QCOMPARE(boldArgument(w.signature()), u"shift"_s);
        w.type(u"2)"_s);
        QVERIFY(!w.signature()->isVisible());

        QTest::mouseMove(w.pane->viewport(), w.pointAt({7, 6}));
        QTRY_VERIFY(w.tips->hoverTip().window()->isVisible());
        const QString help = w.tips->hoverTip().window()->plainText();
        QVERIFY2(help.contains(u"Twice(value, shift)"_s), qPrintable(help));
        QVERIFY2(help.contains(u"Удваивает число (и прибавляет сдвиг)"_s), qPrintable(help));
        QVERIFY2(help.contains(u"строка 3"_s), qPrintable(help));
    }

    void inferredResultTypeReadsAlikeInTipAndHelp()
    {
        // DEPO_OPEN_BALANCE's DOUBLE is inferred: both tips show it with the same "?".
        Window w{u"x = DEPO_OPEN_BALANCE"_s};
        w.setCaret({22, 1});
        w.type(u"("_s);
        QVERIFY(w.signature()->isVisible());
        QVERIFY2(w.signature()->text().contains(u"<i>DOUBLE?</i> DEPO_OPEN_BALANCE"_s),
                 qPrintable(w.signature()->text()));
        QTest::mouseMove(w.pane->viewport(), w.pointAt({9, 1}));
        QTRY_VERIFY(w.tips->hoverTip().window()->isVisible());
        const QString help = w.tips->hoverTip().window()->text();
        QVERIFY2(help.contains(u"<i>DOUBLE?</i> <b>DEPO_OPEN_BALANCE"_s), qPrintable(help));
    }

    void hoverSourcesAddedComeFirst()
    {
        Window w(u"x = LEN(s)"_s, reference());
        QList<TBufferCoord> asked;
        w.tips->addHoverSource([&](TBufferCoord position) {
            asked << position;
            return position.Char == 6 ? u"Лишняя скобка"_s : QString();
        });
        QTest::mouseMove(w.pane->viewport(), w.pointAt({6, 1}));
        QTRY_VERIFY(w.tips->hoverTip().window()->isVisible());
        QCOMPARE(w.tips->hoverTip().window()->plainText(), u"Лишняя скобка"_s);
        QCOMPARE(asked.back(), (TBufferCoord{6, 1}));
        // Where the added source is silent, the function help answers.
        QTest::mouseMove(w.pane->viewport(), w.pointAt({5, 1}));
        QTRY_VERIFY(w.tips->hoverTip().window()->plainText().contains(u"LEN"_s));
    }

    void f1ShowsTheHelpOfTheFunctionAtTheCaret()
    {
        Window w(u"x = GET_VALUE(m, \"A\")"_s);
        TipWindow *help = w.tips->helpWindow();
        // Not on a function: nothing, and the key does no harm.
        w.setCaret({2, 1});
        QTest::keyClick(w.pane, Qt::Key_F1);
        QVERIFY(!help->isVisible());
        QCOMPARE(w.pane->Lines()[0], u"x = GET_VALUE(m, \"A\")"_s);
        // Right after the name, as after typing it.
        w.setCaret({14, 1});
        QTest::keyClick(w.pane, Qt::Key_F1);
        QVERIFY(help->isVisible());
        QVERIFY(help->plainText().contains(reference()->function(u"GET_VALUE")->summary));
        QCOMPARE(QApplication::focusWidget(), w.pane);
        QTest::keyClick(w.pane, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        QCOMPARE(w.pane->model().CaretXY(), (TBufferCoord{14, 1}));
        // Any other key closes it and goes on to the text.
        QTest::keyClick(w.pane, Qt::Key_F1);
        QVERIFY(help->isVisible());
        QTest::keyClick(w.pane, Qt::Key_Right);
        QVERIFY(!help->isVisible());
    }

    void libraryNodeShowsTheHelp()
    {
        Window w{QString()};
        const QModelIndex node = w.libraryNode(u"GET_ITEM (STRING TableName,DOUBLE Index)"_s);
        QVERIFY(node.isValid());
        w.tree->expand(node.parent().parent());
        w.tree->expand(node.parent());
        // The node's text runs past the narrow panel.
        const QRect item = w.tree->visualRect(node);
        QVERIFY(item.right() > w.tree->viewport()->width());
        const QPoint point(item.left() + 10, item.center().y());
        QTest::mouseMove(w.tree->viewport(), point);
        TipWindow *tip = w.tips->libraryTipWindow();
        QTRY_VERIFY(tip->isVisible());
        QVERIFY2(tip->plainText().contains(u"MAP GET_ITEM (STRING TableName, DOUBLE Index)"_s),
                 qPrintable(tip->plainText()));
        QVERIFY(tip->plainText().contains(reference()->function(u"GET_ITEM")->summary));
        // A group has none.
        const QRect group = w.tree->visualRect(node.parent());
        QTest::mouseMove(w.tree->viewport(), QPoint(group.left() + 10, group.center().y()));
        QVERIFY(!tip->isVisible());

        // F1 on the node with the focus.
        w.tree->setFocus();
        w.tree->setCurrentIndex(node);
        QTest::keyClick(w.tree, Qt::Key_F1);
        QVERIFY(w.tips->helpWindow()->isVisible());
        QVERIFY(w.tips->helpWindow()->plainText().contains(u"MAP GET_ITEM"_s));
    }

    void withoutReferenceNothingShows()
    {
        Window w(u"x = LEN(s)"_s, nullptr);
        QVERIFY(!w.tips->functionHelpAction()->isEnabled());
        QVERIFY(!w.tips->signatureTipAction()->isEnabled());
        w.type(u"GET_ITEM("_s);
        QVERIFY(!w.signature()->isVisible());
        w.setCaret({8, 1});
        QTest::keyClick(w.pane, Qt::Key_F1);
        QTest::keyClick(w.pane, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!w.tips->helpWindow()->isVisible());
        QVERIFY(!w.signature()->isVisible());
        // The hover asks its sources and has nothing to show.
        bool asked = false;
        w.tips->addHoverSource([&](TBufferCoord) {
            asked = true;
            return QString();
        });
        QTest::mouseMove(w.pane->viewport(), w.pointAt({6, 1}));
        QTRY_VERIFY(asked);
        QVERIFY(!w.tips->hoverTip().window()->isVisible());
    }

    void tipStaysOnTheScreen_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("below the anchor")
            << QRect(100, 100, 10, 16) << QSize(300, 100) << QPoint(100, 118);
        QTest::newRow("moved left at the right edge")
            << QRect(900, 100, 10, 16) << QSize(300, 100) << QPoint(700, 118);
        QTest::newRow("above at the bottom edge")
            << QRect(100, 750, 10, 16) << QSize(300, 100) << QPoint(100, 648);
        QTest::newRow("wider than the screen starts at its left")
            << QRect(500, 100, 10, 16) << QSize(1200, 100) << QPoint(0, 118);
        QTest::newRow("no room above or below: kept inside")
            << QRect(100, 300, 10, 16) << QSize(300, 700) << QPoint(100, 100);
    }
    void tipStaysOnTheScreen()
    {
        QFETCH(QRect, anchor);
        QFETCH(QSize, size);
        QFETCH(QPoint, expected);
        QCOMPARE(tipPosition(anchor, size, QRect(0, 0, 1000, 800)), expected);
    }
};

BP_TEST(TestLanguageTips)
#include "tst_language_tips.moc"
