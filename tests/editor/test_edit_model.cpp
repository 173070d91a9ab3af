#include "editor/model/edit_model.h"
#include "editor/model/text_clipboard.h"
#include "text_picture.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace bp;

Q_DECLARE_METATYPE(bp::TSelectionMode)

namespace {

class FakeClipboard : public TextClipboard
{
public:
    std::optional<ClipboardBlock> content;
    void setBlock(const QString &text, TSelectionMode mode) override
    {
        content = ClipboardBlock{text, mode};
    }
    std::optional<ClipboardBlock> block() const override { return content; }
    bool hasText() const override { return content.has_value(); }
};

void fill(EditModel &model, const QStringList &lines)
{
    model.Lines().Clear();
    for (const QString &line : lines)
        model.Lines().Add(line);
}

} // namespace

class TestEditModel : public QObject
{
    Q_OBJECT

private slots:
    void selText_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<TBufferCoord>("from");
        QTest::addColumn<TBufferCoord>("to");
        QTest::addColumn<QString>("expected");
        using M = TSelectionMode;
        // Lines: "abcdef", "\tghij", "klm", "nopqrs"
        QTest::newRow("normal within a line")
            << M::smNormal << TBufferCoord{2, 1} << TBufferCoord{4, 1} << u"bc"_qs;
        QTest::newRow("normal across lines, joined with CR LF")
            << M::smNormal << TBufferCoord{5, 1} << TBufferCoord{3, 3} << u"ef\r\n\tghij\r\nkl"_qs;
        QTest::newRow("normal backwards gives the same text")
            << M::smNormal << TBufferCoord{3, 3} << TBufferCoord{5, 1} << u"ef\r\n\tghij\r\nkl"_qs;
        QTest::newRow("normal ending at column 1")
            << M::smNormal << TBufferCoord{1, 3} << TBufferCoord{1, 4} << u"klm\r\n"_qs;
        QTest::newRow("line mode, last line has no break")
            << M::smLine << TBufferCoord{2, 3} << TBufferCoord{1, 4} << u"klm\r\nnopqrs"_qs;
        QTest::newRow("line mode in the middle")
            << M::smLine << TBufferCoord{4, 1} << TBufferCoord{2, 2} << u"abcdef\r\n\tghij\r\n"_qs;
        QTest::newRow("column mode uses display columns")
            << M::smColumn << TBufferCoord{2, 1} << TBufferCoord{4, 4} << u"bc\r\n\r\nlm\r\nop"_qs;
        QTest::newRow("column mode past a tab")
            << M::smColumn << TBufferCoord{5, 1} << TBufferCoord{7, 3} << u"ef\r\ngh\r\n"_qs;
    }
    void selText()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(TBufferCoord, from);
        QFETCH(TBufferCoord, to);
        QFETCH(QString, expected);
        EditModel model;
        fill(model, {u"abcdef"_qs, u"\tghij"_qs, u"klm"_qs, u"nopqrs"_qs});
        model.setSelectionMode(mode);
        model.SetBlockBegin(from);
        model.SetBlockEnd(to);
        QVERIFY(model.SelAvail());
        QCOMPARE(model.SelText(), expected);
    }

    void blockEndsAreOrderedAndClamped()
    {
        EditModel model;
        fill(model, {u"one"_qs, u"two"_qs, u"three"_qs, u"four"_qs, u"five"_qs});
        model.SetCaretXY({2, 3});
        model.SetBlockBegin({3, 5});
        model.SetBlockEnd({1, 2});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{1, 2}));
        QCOMPARE(model.BlockEnd(), (TBufferCoord{3, 5}));
        QCOMPARE(model.CaretXY(), (TBufferCoord{2, 3})); // the caret does not move

        // Normal mode clamps to the line's end; line numbers to the list.
        model.SetBlockBegin({50, 9});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{5, 5}));
        model.setSelectionMode(TSelectionMode::smColumn);
        model.SetBlockBegin({50, 0});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{50, 1}));
        model.SetBlockBegin({5000, 1});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{1025, 1}));

        model.SetCaretXY({2, 2});
        QVERIFY(!model.SelAvail());
    }

    void selAvailInColumnMode()
    {
        EditModel model;
        fill(model, {u"abc"_qs, u"def"_qs});
        model.setSelectionMode(TSelectionMode::smColumn);
        model.SetBlockBegin({2, 1});
        model.SetBlockEnd({2, 2});
        QVERIFY(!model.SelAvail()); // same column: an empty rectangle
        model.setSelectionMode(TSelectionMode::smNormal);
        QVERIFY(model.SelAvail());
    }

    void caretClamping_data()
    {
        QTest::addColumn<int>("lineLength");
        QTest::addColumn<TBufferCoord>("requested");
        QTest::addColumn<TBufferCoord>("expected");
        QTest::newRow("virtual space is allowed")
            << 3 << TBufferCoord{10, 1} << TBufferCoord{10, 1};
        QTest::newRow("column limit 1025") << 3 << TBufferCoord{4000, 1} << TBufferCoord{1025, 1};
        QTest::newRow("below 1") << 3 << TBufferCoord{-4, -2} << TBufferCoord{1, 1};
        QTest::newRow("line past the end") << 3 << TBufferCoord{2, 9} << TBufferCoord{2, 2};
        QTest::newRow("long line keeps its end reachable")
            << 3000 << TBufferCoord{5000, 1} << TBufferCoord{3001, 1};
    }
    void caretClamping()
    {
        QFETCH(int, lineLength);
        QFETCH(TBufferCoord, requested);
        QFETCH(TBufferCoord, expected);
        EditModel model;
        fill(model, {QString(lineLength, u'x'), u"second"_qs});
        model.SetCaretXY(requested);
        QCOMPARE(model.CaretXY(), expected);
    }

    void lineTextOnEmptyAndFilledLists()
    {
        EditModel model;
        QSignalSpy changes(&model, &EditModel::changed);
        QCOMPARE(model.LineText(), QString());
        model.SetLineText(u"X"_qs);
        QCOMPARE(model.Lines().Count(), 1);
        QCOMPARE(model.Lines()[0], u"X"_qs);
        model.SetLineText(u"Y"_qs);
        QCOMPARE(model.Lines()[0], u"Y"_qs);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!model.CanUndo());
    }

    void editing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("typing inserts") << u"ab|c"_qs << QList<int>{} << u"xy"_qs << u"abxy|c"_qs;
        QTest::newRow("typing in virtual space pads with blanks")
            << u"ab  |"_qs << QList<int>{} << u"x"_qs << u"ab  x|"_qs;
        QTest::newRow("typing replaces the selection")
            << u"a[bc|]d"_qs << QList<int>{} << u"x"_qs << u"ax|d"_qs;
        QTest::newRow("control characters are ignored")
            << u"a|b"_qs << QList<int>{} << u"\u0001\u007f"_qs << u"a|b"_qs;
        QTest::newRow("delete the character after the caret")
            << u"a|bc"_qs << QList<int>{ecDeleteChar} << QString() << u"a|c"_qs;
        QTest::newRow("delete at the end joins the next line")
            << u"ab|\ncd"_qs << QList<int>{ecDeleteChar} << QString() << u"ab|cd"_qs;
        QTest::newRow("backspace joins with the line above")
            << u"ab\n|cd"_qs << QList<int>{ecDeleteLastChar} << QString() << u"ab|cd"_qs;
        QTest::newRow("backspace on line 1 column 1 does nothing")
            << u"|ab"_qs << QList<int>{ecDeleteLastChar} << QString() << u"|ab"_qs;
        QTest::newRow("line break splits")
            << u"ab|cd"_qs << QList<int>{ecLineBreak} << QString() << u"ab\n|cd"_qs;
        QTest::newRow("right moves into virtual space")
            << u"ab|"_qs << QList<int>{ecRight, ecRight} << QString() << u"ab··|"_qs;
        QTest::newRow("left at column 1 goes to the end of the line above")
            << u"abc\n|d"_qs << QList<int>{ecLeft} << QString() << u"abc|\nd"_qs;
        QTest::newRow("shift+right selects")
            << u"a|bcd"_qs << QList<int>{ecSelRight, ecSelRight} << QString() << u"a[bc|]d"_qs;
        QTest::newRow("down keeps the display column across a tab")
            << u"abcde|\n\tx"_qs << QList<int>{ecDown} << QString() << u"abcde\n\tx|"_qs;
        QTest::newRow("end goes past trailing blanks first")
            << u"|abc  "_qs << QList<int>{ecLineEnd} << QString() << u"abc|  "_qs;
        QTest::newRow("end pressed twice reaches the real end")
            << u"|abc  "_qs << QList<int>{ecLineEnd, ecLineEnd} << QString() << u"abc  |"_qs;
        QTest::newRow("home goes to column 1")
            << u"  ab|c"_qs << QList<int>{ecLineStart} << QString() << u"|  abc"_qs;
        QTest::newRow("select all")
            << u"a|b\ncd"_qs << QList<int>{ecSelectAll} << QString() << u"[ab\ncd|]"_qs;
    }
    void editing()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, commands);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        EditModel model;
        picture::load(model, before);
        for (int command : commands)
            model.CommandProcessor(TEditorCommand(command));
        for (QChar ch : typed)
            model.CommandProcessor(ecChar, ch);
        QCOMPARE(picture::save(model), after);
    }

    void notifications()
    {
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        QSignalSpy changes(&model, &EditModel::changed);
        for (QChar ch : u"abc"_qs)
            model.CommandProcessor(ecChar, ch);
        QCOMPARE(changes.count(), 3);

        clipboard.setBlock(u"one\r\ntwo\r\nthree"_qs, TSelectionMode::smNormal);
        changes.clear();
        model.CommandProcessor(ecPaste);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(model.Lines().Count(), 3);
        QCOMPARE(model.Lines()[2], u"three"_qs);

        changes.clear();
        model.CommandProcessor(ecUndo);
        QVERIFY(changes.count() >= 1);
        QCOMPARE(model.Lines().text(), u"abc"_qs);

        // Direct changes to the line list neither notify nor enter the history.
        changes.clear();
        model.Lines().Add(u"more"_qs);
        model.Lines().setLine(0, u"direct"_qs);
        QCOMPARE(changes.count(), 0);
    }

    void typedRunUndoesAtOnce()
    {
        EditModel model;
        picture::load(model, u"x|"_qs);
        for (QChar ch : u"abc"_qs)
            model.CommandProcessor(ecChar, ch);
        model.CommandProcessor(ecUndo);
        QCOMPARE(picture::save(model), u"x|"_qs);
        model.CommandProcessor(ecRedo);
        QCOMPARE(picture::save(model), u"xabc|"_qs);
    }

    void clipboardModesRoundTrip_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("pasted");
        QTest::newRow("column block pastes as a rectangle")
            << TSelectionMode::smColumn << u"1abc\n2def\n3ghi"_qs;
        QTest::newRow("line block pastes above the caret line")
            << TSelectionMode::smLine << u"abc\ndef\nabc\ndef\nghi"_qs;
        QTest::newRow("normal block pastes at the caret")
            << TSelectionMode::smNormal << u"abc\ndef\ngabc\ndhi"_qs;
    }
    void clipboardModesRoundTrip()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, pasted);
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, {u"abc"_qs, u"def"_qs, u"ghi"_qs});
        model.Lines().setFileFormat(TSynEditFileFormat::sffUnix);
        model.setSelectionMode(mode);
        model.SetBlockBegin({1, 1});
        model.SetBlockEnd({2, 2});
        model.CommandProcessor(ecCopy);
        QVERIFY(clipboard.content.has_value());
        QCOMPARE(clipboard.content->mode, mode);
        model.setSelectionMode(TSelectionMode::smNormal);
        model.SetCaretXY({mode == TSelectionMode::smNormal ? 2 : 1, 3});
        if (mode == TSelectionMode::smColumn)
            clipboard.setBlock(u"1\r\n2\r\n3"_qs, TSelectionMode::smColumn);
        model.SetCaretXY(mode == TSelectionMode::smColumn ? TBufferCoord{1, 1} : model.CaretXY());
        model.CommandProcessor(ecPaste);
        QCOMPARE(model.Lines().text(), pasted);
        model.CommandProcessor(ecUndo);
        QCOMPARE(model.Lines().text(), u"abc\ndef\nghi"_qs);
    }

    void cutAndDeleteInEachMode_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("normal") << TSelectionMode::smNormal << u"af\nghi"_qs;
        QTest::newRow("line") << TSelectionMode::smLine << u"ghi"_qs;
        QTest::newRow("column") << TSelectionMode::smColumn << u"ac\ndf\nghi"_qs;
    }
    void cutAndDeleteInEachMode()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, remaining);
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, {u"abc"_qs, u"def"_qs, u"ghi"_qs});
        model.Lines().setFileFormat(TSynEditFileFormat::sffUnix);
        model.setSelectionMode(mode);
        model.SetBlockBegin({2, 1});
        model.SetBlockEnd({3, 2});
        const QString selected = model.SelText();
        model.CommandProcessor(ecCut);
        QCOMPARE(clipboard.content->text, selected);
        QCOMPARE(model.Lines().text(), remaining);
        QVERIFY(!model.SelAvail());
        model.CommandProcessor(ecUndo);
        QCOMPARE(model.Lines().text(), u"abc\ndef\nghi"_qs);
    }

    void clearResetsCaretViewAndHistory()
    {
        EditModel model;
        fill(model, QStringList(200, u"line"_qs));
        model.setWindowSize(10, 20);
        model.SetCaretXY({3, 150});
        model.CommandProcessor(ecChar, u'x');
        QVERIFY(model.TopLine() > 1);
        model.Lines().Clear();
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 1}));
        QCOMPARE(model.TopLine(), 1);
        QVERIFY(!model.CanUndo());
    }

    void historyKeepsTheNewest1024Records()
    {
        EditModel model;
        model.Lines().Add(QString());
        for (int i = 0; i < 1100; ++i) {
            model.CommandProcessor(ecChar, u'a');
            model.CommandProcessor(ecDeleteLastChar);
            model.CommandProcessor(ecChar, u'b');
        }
        QCOMPARE(model.undoList().size(), 1024);
    }

    void randomEditsUndoAndRedoExactly()
    {
        // Any command sequence undone completely restores the start, redone the end.
        QRandomGenerator random(20261210);
        const QList<TEditorCommand> commands = {
            ecChar, ecChar,         ecLineBreak,    ecDeleteChar, ecDeleteLastChar, ecLeft, ecRight,
            ecUp,   ecDown,         ecSelRight,     ecSelDown,    ecLineEnd,        ecCut,  ecPaste,
            ecCopy, ecColumnSelect, ecNormalSelect, ecLineSelect, ecToggleMode};
        for (int round = 0; round < 200; ++round) {
            EditModel model;
            FakeClipboard clipboard;
            model.setClipboard(&clipboard);
            QStringList start;
            for (int i = 0, n = random.bounded(1, 5); i < n; ++i)
                start << QString(random.bounded(0, 6), QChar(u'a' + i));
            fill(model, start);
            const QString initial = model.Lines().text();
            for (int step = 0; step < 30; ++step) {
                const TEditorCommand command = commands[random.bounded(commands.size())];
                model.CommandProcessor(command, QChar(u'0' + random.bounded(10)));
            }
            const QString final = model.Lines().text();
            while (model.CanUndo())
                model.Undo();
            QCOMPARE(model.Lines().text(), initial);
            while (model.CanRedo())
                model.Redo();
            QCOMPARE(model.Lines().text(), final);
        }
    }
};

QTEST_GUILESS_MAIN(TestEditModel)
#include "test_edit_model.moc"
