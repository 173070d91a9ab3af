#include "aids/editor_aids.h"
#include "editor/model/edit_model.h"
#include "test_runner.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

// The aids that edit the model: each is one undo step with one change notification.
class TestEditorAids : public QObject
{
    Q_OBJECT

private slots:
    void libraryInsertion_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("expected");
        QTest::newRow("column 1") << u"x = 1;"_s << 1 << u"ACOS (DOUBLE Value)"_s
                                  << u"ACOS (DOUBLE Value) x = 1;"_s;
        QTest::newRow("end of line") << u"a = "_s << 5 << u"RAND ()"_s << u"a = RAND () "_s;
        QTest::newRow("middle") << u"ab"_s << 2 << u"LEN (STRING value) "_s
                                << u"aLEN (STRING value)  b"_s;
        QTest::newRow("beyond the end joins directly")
            << u"ab"_s << 6 << u"RAND ()"_s << u"abRAND () "_s;
    }
    void libraryInsertion()
    {
        QFETCH(QString, line);
        QFETCH(int, caret);
        QFETCH(QString, node);
        QFETCH(QString, expected);
        EditModel model;
        model.Lines().setText(line + u"\nnext"_s);
        model.setCaretXY({caret, 1});
        QSignalSpy changes(&model, &EditModel::changed);
        QVERIFY(applyLibraryInsertion(model, node, false));
        QCOMPARE(model.Lines()[0], expected);
        QCOMPARE(model.CaretXY(), (TBufferCoord{caret, 1}));
        QVERIFY(!model.SelAvail());
        QCOMPARE(changes.count(), 1);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines()[0], line);
    }

    void aidUndoesAloneAfterTyping()
    {
        // The toggle's one insertion must not merge with the typed run before it.
        EditModel model;
        for (QChar ch : u"abc"_s)
            model.executeCommand(ecChar, ch);
        applyCommentToggle(model);
        QCOMPARE(model.Lines()[0], u"'abc"_s);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines()[0], u"abc"_s);
        applyLibraryInsertion(model, u"RAND ()"_s, false);
        for (QChar ch : u"xy"_s)
            model.executeCommand(ecChar, ch);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines()[0], u"abcRAND () "_s);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines()[0], u"abc"_s);
    }

    void libraryInsertionSpecialCases()
    {
        EditModel model;
        QVERIFY(applyLibraryInsertion(model, u"RAND ()"_s, false));
        QCOMPARE(model.Lines().Count(), 1);
        QCOMPARE(model.Lines()[0], u"RAND () "_s);
        QVERIFY(!applyLibraryInsertion(model, u"Общие"_s, true));
        QCOMPARE(model.Lines()[0], u"RAND () "_s);
    }

    void commentToggle_data()
    {
        QTest::addColumn<TBufferCoord>("from");
        QTest::addColumn<TBufferCoord>("to");
        QTest::addColumn<QString>("expected");
        // Redo leaves the caret after the last line's change.
        QTest::addColumn<TBufferCoord>("redone");
        const QString text = u"a = 1\n  b\n''c\nx = 1; ' note\nplain"_s;
        QTest::newRow("caret only")
            << TBufferCoord{2, 3} << TBufferCoord{2, 3} << u"a = 1\n  b\n'c\nx = 1; ' note\nplain"_s
            << TBufferCoord{2, 3};
        QTest::newRow("selection ending at column 1 includes that line")
            << TBufferCoord{5, 1} << TBufferCoord{1, 3}
            << u"'a = 1\n'  b\n'c\nx = 1; ' note\nplain"_s << TBufferCoord{2, 3};
        QTest::newRow("trailing comment loses its apostrophe")
            << TBufferCoord{1, 4} << TBufferCoord{3, 5}
            << u"a = 1\n  b\n''c\nx = 1;  note\n'plain"_s << TBufferCoord{2, 5};
    }
    void commentToggle()
    {
        QFETCH(TBufferCoord, from);
        QFETCH(TBufferCoord, to);
        QFETCH(QString, expected);
        QFETCH(TBufferCoord, redone);
        EditModel model;
        model.Lines().setText(u"a = 1\n  b\n''c\nx = 1; ' note\nplain"_s);
        model.Lines().setBreakStyle(LineBreakStyle::sffUnix);
        model.setCaretXY(from);
        if (from != to) {
            model.setBlockBegin(from);
            model.setBlockEnd(to);
        }
        const TBufferCoord caret = model.CaretXY();
        QSignalSpy changes(&model, &EditModel::changed);
        applyCommentToggle(model);
        QCOMPARE(model.Lines().text(), expected);
        QCOMPARE(model.CaretXY(), caret);
        QVERIFY(!model.SelAvail());
        QCOMPARE(changes.count(), 1);
        QCOMPARE(model.undoHistory().undoList().size(), 1);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), u"a = 1\n  b\n''c\nx = 1; ' note\nplain"_s);
        QCOMPARE(model.CaretXY(), caret);
        QCOMPARE(model.BlockBegin(), std::min(from, to));
        model.executeCommand(ecRedo);
        QCOMPARE(model.Lines().text(), expected);
        QCOMPARE(model.CaretXY(), redone);
        QVERIFY(!model.SelAvail());
        QCOMPARE(changes.count(), 3);
    }

    void commentToggleKeepsViewAndMode()
    {
        EditModel model;
        QStringList lines;
        for (int i = 1; i <= 100; ++i)
            lines << u"line %1"_s.arg(i);
        model.Lines().setText(lines.join(u'\n'));
        model.viewWindow().setSize(10, 40);
        model.viewWindow().setTopLine(20);
        model.setSelectionMode(TSelectionMode::smColumn);
        model.setCaretXY({1, 25});
        model.setBlockBegin({1, 25});
        model.setBlockEnd({1, 60}); // a column selection of no width, over 36 lines
        applyCommentToggle(model);
        QCOMPARE(model.Lines()[24], u"'line 25"_s);
        QCOMPARE(model.Lines()[59], u"'line 60"_s);
        QCOMPARE(model.Lines()[60], u"line 61"_s);
        QCOMPARE(model.viewWindow().topLine(), 20);
        QCOMPARE(model.selection().mode, TSelectionMode::smColumn);
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 25}));
    }
};

BP_TEST(TestEditorAids)

#include "tst_editor_aids.moc"
