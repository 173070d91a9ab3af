#include "common/error.h"
#include "editor/model/character_cells.h"
#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor/model/text_clipboard.h"
#include "test_runner.h"
#include "text_picture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace bp;
using namespace Qt::StringLiterals;

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

// Counts the line list's change notifications.
class LineChangeCounter : public TEditorLinesListener
{
public:
    int inserted = 0;
    int deleted = 0;
    int changed = 0;
    void linesInserted(int, int) override { ++inserted; }
    void linesDeleted(int, int) override { ++deleted; }
    void linesChanged(int index, int count) override
    {
        ++changed;
        lastChanged = {index, count};
    }
    void linesCleared() override {}
    std::pair<int, int> lastChanged;
};

// A key script: editor commands, with typed characters stored as negative codes.
QList<int> typed(const QString &text)
{
    QList<int> keys;
    for (QChar ch : text)
        keys << -int(ch.unicode());
    return keys;
}

void run(EditModel &model, const QList<int> &keys)
{
    for (int key : keys) {
        if (key < 0)
            model.executeCommand(ecChar, QChar(char16_t(-key)));
        else
            model.executeCommand(TEditorCommand(key));
    }
}

// The text of a picture, without caret, selection and virtual-space marks.
QString pictureText(const QString &picture)
{
    QString text = picture;
    text.remove(u'|').remove(u'[').remove(u']').remove(u'·');
    return text;
}

void fill(EditModel &model, const QStringList &lines)
{
    model.Lines().Clear();
    for (const QString &line : lines)
        model.Lines().Add(line);
}

// The change kind by which a record joins a neighbouring command in one Ctrl+Z: none for a
// block indent or unindent and for a standalone command; a character typed over another
// counts as typed.
std::optional<TChangeReason> runKind(const TUndoRecord &record)
{
    if (record.standalone || record.isBlockIndent())
        return std::nullopt;
    return record.overwrite ? TChangeReason::Insert : record.reason;
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
            << M::smNormal << TBufferCoord{2, 1} << TBufferCoord{4, 1} << u"bc"_s;
        QTest::newRow("normal across lines, joined with CR LF")
            << M::smNormal << TBufferCoord{5, 1} << TBufferCoord{3, 3} << u"ef\r\n\tghij\r\nkl"_s;
        QTest::newRow("normal backwards gives the same text")
            << M::smNormal << TBufferCoord{3, 3} << TBufferCoord{5, 1} << u"ef\r\n\tghij\r\nkl"_s;
        QTest::newRow("normal ending at column 1")
            << M::smNormal << TBufferCoord{1, 3} << TBufferCoord{1, 4} << u"klm\r\n"_s;
        QTest::newRow("line mode, last line has no break")
            << M::smLine << TBufferCoord{2, 3} << TBufferCoord{1, 4} << u"klm\r\nnopqrs"_s;
        QTest::newRow("line mode in the middle")
            << M::smLine << TBufferCoord{4, 1} << TBufferCoord{2, 2} << u"abcdef\r\n\tghij\r\n"_s;
        QTest::newRow("column mode uses display columns")
            << M::smColumn << TBufferCoord{2, 1} << TBufferCoord{4, 4} << u"bc\r\n\r\nlm\r\nop"_s;
        QTest::newRow("column mode past a tab")
            << M::smColumn << TBufferCoord{5, 1} << TBufferCoord{7, 3} << u"ef\r\ngh\r\n"_s;
    }
    void selText()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(TBufferCoord, from);
        QFETCH(TBufferCoord, to);
        QFETCH(QString, expected);
        EditModel model;
        fill(model, {u"abcdef"_s, u"\tghij"_s, u"klm"_s, u"nopqrs"_s});
        model.setSelectionMode(mode);
        model.setBlockBegin(from);
        model.setBlockEnd(to);
        QVERIFY(model.SelAvail());
        QCOMPARE(model.SelText(), expected);
    }

    void blockEndsAreOrderedAndClamped()
    {
        EditModel model;
        fill(model, {u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s});
        model.setCaretXY({2, 3});
        model.setBlockBegin({3, 5});
        model.setBlockEnd({1, 2});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{1, 2}));
        QCOMPARE(model.BlockEnd(), (TBufferCoord{3, 5}));
        QCOMPARE(model.CaretXY(), (TBufferCoord{2, 3})); // the caret does not move

        // Normal mode clamps to the line's end; line numbers to the list.
        model.setBlockBegin({50, 9});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{5, 5}));
        model.setSelectionMode(TSelectionMode::smColumn);
        model.setBlockBegin({50, 0});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{50, 1}));
        model.setBlockBegin({5000, 1});
        QCOMPARE(model.BlockBegin(), (TBufferCoord{1025, 1}));

        model.setCaretXY({2, 2});
        QVERIFY(!model.SelAvail());
    }

    void selAvailInColumnMode()
    {
        EditModel model;
        fill(model, {u"abc"_s, u"def"_s});
        model.setSelectionMode(TSelectionMode::smColumn);
        model.setBlockBegin({2, 1});
        model.setBlockEnd({2, 2});
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
        fill(model, {QString(lineLength, u'x'), u"second"_s});
        model.setCaretXY(requested);
        QCOMPARE(model.CaretXY(), expected);
    }

    void lineTextOnEmptyAndFilledLists()
    {
        EditModel model;
        QSignalSpy changes(&model, &EditModel::changed);
        QCOMPARE(model.LineText(), QString());
        model.setLineText(u"X"_s);
        QCOMPARE(model.Lines().Count(), 1);
        QCOMPARE(model.Lines()[0], u"X"_s);
        model.setLineText(u"Y"_s);
        QCOMPARE(model.Lines()[0], u"Y"_s);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!model.undoHistory().canUndo());
    }

    void editing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("typing inserts") << u"ab|c"_s << QList<int>{} << u"xy"_s << u"abxy|c"_s;
        QTest::newRow("typing in virtual space pads with blanks")
            << u"ab  |"_s << QList<int>{} << u"x"_s << u"ab  x|"_s;
        QTest::newRow("typing replaces the selection")
            << u"a[bc|]d"_s << QList<int>{} << u"x"_s << u"ax|d"_s;
        QTest::newRow("control characters are ignored")
            << u"a|b"_s << QList<int>{} << u"\u0001\u007f"_s << u"a|b"_s;
        QTest::newRow("delete the character after the caret")
            << u"a|bc"_s << QList<int>{ecDeleteChar} << QString() << u"a|c"_s;
        QTest::newRow("delete at the end joins the next line")
            << u"ab|\ncd"_s << QList<int>{ecDeleteChar} << QString() << u"ab|cd"_s;
        QTest::newRow("backspace joins with the line above")
            << u"ab\n|cd"_s << QList<int>{ecDeleteLastChar} << QString() << u"ab|cd"_s;
        QTest::newRow("backspace on line 1 column 1 does nothing")
            << u"|ab"_s << QList<int>{ecDeleteLastChar} << QString() << u"|ab"_s;
        QTest::newRow("delete takes a character outside the basic plane whole")
            << u"a|\U0001F600b"_s << QList<int>{ecDeleteChar} << QString() << u"a|b"_s;
        QTest::newRow("backspace takes a character outside the basic plane whole")
            << u"a\U0001F600|b"_s << QList<int>{ecDeleteLastChar} << QString() << u"a|b"_s;
        QTest::newRow("line break splits")
            << u"ab|cd"_s << QList<int>{ecLineBreak} << QString() << u"ab\n|cd"_s;
        QTest::newRow("right moves into virtual space")
            << u"ab|"_s << QList<int>{ecRight, ecRight} << QString() << u"ab··|"_s;
        QTest::newRow("left at column 1 goes to the end of the line above")
            << u"abc\n|d"_s << QList<int>{ecLeft} << QString() << u"abc|\nd"_s;
        QTest::newRow("shift+right selects")
            << u"a|bcd"_s << QList<int>{ecSelRight, ecSelRight} << QString() << u"a[bc|]d"_s;
        QTest::newRow("down keeps the display column across a tab")
            << u"abcde|\n\tx"_s << QList<int>{ecDown} << QString() << u"abcde\n\tx|"_s;
        QTest::newRow("end goes past trailing blanks first")
            << u"|abc  "_s << QList<int>{ecLineEnd} << QString() << u"abc|  "_s;
        QTest::newRow("end pressed twice reaches the real end")
            << u"|abc  "_s << QList<int>{ecLineEnd, ecLineEnd} << QString() << u"abc  |"_s;
        QTest::newRow("home goes to column 1")
            << u"  ab|c"_s << QList<int>{ecLineStart} << QString() << u"|  abc"_s;
        QTest::newRow("select all")
            << u"a|b\ncd"_s << QList<int>{ecSelectAll} << QString() << u"[ab\ncd|]"_s;
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
            model.executeCommand(TEditorCommand(command));
        for (QChar ch : typed)
            model.executeCommand(ecChar, ch);
        QCOMPARE(picture::save(model), after);
    }

    void commands_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("after");
        const QString v8 = u"········"_s;
        // Typing.
        QTest::newRow("virtual space on an empty line fills by the indentation rule")
            << u"x\n"_s + v8 + u"|"_s << typed(u"y"_s) << u"x\n\t\ty|"_s;
        QTest::newRow("virtual space of three columns fills with spaces")
            << u"x\n···|"_s << typed(u"y"_s) << u"x\n   y|"_s;
        QTest::newRow("virtual space on a non-empty line fills with spaces")
            << u"\tab·····|"_s << typed(u"y"_s) << u"\tab     y|"_s;
        QTest::newRow("overwrite replaces the character under the caret")
            << u"a|bc"_s << QList<int>{ecToggleMode} + typed(u"xy"_s) << u"axy|"_s;
        QTest::newRow("overwrite at the end appends")
            << u"ab|"_s << QList<int>{ecToggleMode} + typed(u"x"_s) << u"abx|"_s;
        QTest::newRow("a character beyond column 1024 is ignored")
            << QString(1024, u'·') + u"|"_s << typed(u"x"_s) << QString(1024, u'·') + u"|"_s;
        QTest::newRow("the end of a longer line still takes characters")
            << QString(1030, u'a') + u"|"_s << typed(u"b"_s) << QString(1030, u'a') + u"b|"_s;
        // Line breaks with automatic indentation.
        QTest::newRow("break at column 1 inserts an empty line above")
            << u"  ab\n|cd"_s << QList<int>{ecLineBreak} << u"  ab\n\n|cd"_s;
        QTest::newRow("break inside rewrites the indentation by the rule")
            << u"      ab|c"_s << QList<int>{ecLineBreak} << u"      ab\n\t  |c"_s;
        QTest::newRow("break inside keeps a narrow indentation as spaces")
            << u" \tab|c"_s << QList<int>{ecLineBreak} << u" \tab\n\t |c"_s;
        QTest::newRow("break at the end copies the indentation exactly")
            << u"\t    x|"_s << QList<int>{ecLineBreak} << u"\t    x\n\t    |"_s;
        QTest::newRow("break beyond the end leaves the virtual space behind")
            << u"  ab···|"_s << QList<int>{ecLineBreak} << u"  ab\n  |"_s;
        QTest::newRow("break on an empty line waits in virtual space")
            << u"        a\n|"_s << QList<int>{ecLineBreak} << u"        a\n\n"_s + v8 + u"|"_s;
        QTest::newRow("typing after that writes tabs")
            << u"        a\n|"_s << QList<int>{ecLineBreak} + typed(u"b"_s)
            << u"        a\n\n\t\tb|"_s;
        QTest::newRow("break on an empty line skips empty lines above")
            << u"  a\n\n|"_s << QList<int>{ecLineBreak} << u"  a\n\n\n··|"_s;
        QTest::newRow("break replaces the selection")
            << u"  a[bc|]d"_s << QList<int>{ecLineBreak} << u"  a\n  |d"_s;
        QTest::newRow("insert line leaves the caret")
            << u"ab|cd"_s << QList<int>{ecInsertLine} << u"ab|\ncd"_s;
        // Tab and Shift+Tab.
        QTest::newRow("tab indents the selected lines, not a last line at column 1")
            << u"a\nbc[de\nfg\n|]hi"_s << QList<int>{ecTab} << u"a\n\tbc[de\n\tfg\n|]hi"_s;
        QTest::newRow("tab indents one wholly selected line")
            << u"[abc|]\nd"_s << QList<int>{ecTab} << u"[\tabc|]\nd"_s;
        QTest::newRow("tab replaces a selection inside a line")
            << u"a[b|]c"_s << QList<int>{ecTab} << u"a\t|c"_s;
        QTest::newRow("tab inserts a tab at the caret")
            << u"ab|c"_s << QList<int>{ecTab} << u"ab\t|c"_s;
        QTest::newRow("block indent works on the caret line")
            << u"a\nb|c"_s << QList<int>{ecBlockIndent} << u"a\n\tb|c"_s;
        QTest::newRow("block indent keeps a caret at the column limit there")
            << u"ab"_s + QString(1022, u'·') + u"|"_s << QList<int>{ecBlockIndent}
            << u"\tab"_s + QString(1021, u'·') + u"|"_s;
        // The break copies 1024 characters of indentation: the Tab before it must still be
        // in the history afterwards.
        const QString wide = u"\t"_s + QString(1022, u' ') + u"\t"_s;
        QTest::newRow("a break after a tab at the column limit keeps the tab undoable")
            << u"\t"_s + QString(1022, u'·') + u"|"_s << QList<int>{ecTab, ecLineBreak}
            << wide + u"\n"_s + wide + u"|"_s;
        QTest::newRow("shift+tab removes spaces and the tab that follows them")
            << u"[  \tabc|]\nd"_s << QList<int>{ecShiftTab} << u"[abc|]\nd"_s;
        QTest::newRow("shift+tab on a block removes one level per line")
            << u"[\t\ta\n      b\n  c\nd|]"_s << QList<int>{ecShiftTab} << u"[\ta\n  b\nc\nd|]"_s;
        QTest::newRow("block unindent with nothing to remove does nothing")
            << u"[ab\ncd|]"_s << QList<int>{ecBlockUnindent} << u"[ab\ncd|]"_s;
        QTest::newRow("shift+tab deletes the tab before the caret")
            << u"ab\t|c"_s << QList<int>{ecShiftTab} << u"ab|c"_s;
        QTest::newRow("shift+tab deletes spaces back to the tab stop")
            << u"abcd   |x"_s << QList<int>{ecShiftTab} << u"abcd|x"_s;
        QTest::newRow("shift+tab stops at the first non-space")
            << u"ab  |x"_s << QList<int>{ecShiftTab} << u"ab|x"_s;
        QTest::newRow("shift+tab at column 1 does nothing")
            << u"|ab"_s << QList<int>{ecShiftTab} << u"|ab"_s;
        QTest::newRow("shift+tab beyond the end only moves the caret")
            << u"ab·····|"_s << QList<int>{ecShiftTab} << u"ab··|"_s;
        // Backspace.
        QTest::newRow("backspace after indentation goes back to a smaller one above")
            << u"    x\n        y\n        |z"_s << QList<int>{ecDeleteLastChar}
            << u"    x\n        y\n    |z"_s;
        QTest::newRow("backspace below an empty line removes the whole indentation")
            << u"    x\n\n        |z"_s << QList<int>{ecDeleteLastChar} << u"    x\n\n|z"_s;
        QTest::newRow("backspace counts indentation in characters")
            << u"\tx\n  |z"_s << QList<int>{ecDeleteLastChar} << u"\tx\n |z"_s;
        QTest::newRow("backspace beyond the end goes to the end")
            << u"ab···|"_s << QList<int>{ecDeleteLastChar} << u"ab|"_s;
        QTest::newRow("backspace in virtual space of an empty line steps back a level")
            << u"    x\n"_s + v8 + u"|"_s << QList<int>{ecDeleteLastChar} << u"    x\n····|"_s;
        QTest::newRow("backspace in virtual space below an empty line goes to column 1")
            << u"    x\n\n····|"_s << QList<int>{ecDeleteLastChar} << u"    x\n\n|"_s;
        QTest::newRow("backspace deletes the character before the caret")
            << u"a b|c"_s << QList<int>{ecDeleteLastChar} << u"a |c"_s;
        QTest::newRow("backspace deletes the selection")
            << u"a[bc\nd|]e"_s << QList<int>{ecDeleteLastChar} << u"a|e"_s;
        // Word and line deletions.
        QTest::newRow("ctrl+backspace deletes the word before the caret")
            << u"foo bar  |"_s << QList<int>{ecDeleteLastWord} << u"foo |"_s;
        QTest::newRow("ctrl+backspace stops at punctuation")
            << u"x = foo(|"_s << QList<int>{ecDeleteLastWord} << u"x = foo|"_s;
        QTest::newRow("ctrl+backspace at column 1 joins the lines")
            << u"ab\n|cd"_s << QList<int>{ecDeleteLastWord} << u"ab|cd"_s;
        QTest::newRow("ctrl+t deletes to the next word")
            << u"|foo  bar"_s << QList<int>{ecDeleteWord} << u"|bar"_s;
        QTest::newRow("ctrl+t at the end joins the next line")
            << u"ab|\ncd"_s << QList<int>{ecDeleteWord} << u"ab|cd"_s;
        QTest::newRow("ctrl+t in virtual space fills before joining")
            << u"ab··|\ncd"_s << QList<int>{ecDeleteWord} << u"ab  |cd"_s;
        QTest::newRow("ctrl+y deletes the caret line")
            << u"a\nb|c\nd"_s << QList<int>{ecDeleteLine} << u"a\n|d"_s;
        QTest::newRow("ctrl+y on the last line")
            << u"a\nb|c"_s << QList<int>{ecDeleteLine} << u"|a"_s;
        QTest::newRow("ctrl+y on the only line empties it")
            << u"ab|c"_s << QList<int>{ecDeleteLine} << u"|"_s;
        QTest::newRow("ctrl+shift+y deletes to the end of the line")
            << u"ab|cd\ne"_s << QList<int>{ecDeleteEOL} << u"ab|\ne"_s;
        // Movement.
        QTest::newRow("word right skips the word and the blanks after it")
            << u"|foo_1  (bar"_s << QList<int>{ecWordRight, ecWordRight} << u"foo_1  (|bar"_s;
        QTest::newRow("word right at the end goes to the next line")
            << u"ab|\ncd"_s << QList<int>{ecWordRight} << u"ab\n|cd"_s;
        QTest::newRow("word left stops at the word start")
            << u"foo bar|"_s << QList<int>{ecWordLeft} << u"foo |bar"_s;
        QTest::newRow("word left at column 1 goes to the line above")
            << u"ab\n|cd"_s << QList<int>{ecWordLeft} << u"ab|\ncd"_s;
        QTest::newRow("cyrillic letters are no word characters")
            << u"ab\u0436cd|"_s << QList<int>{ecWordLeft} << u"ab\u0436|cd"_s;
        QTest::newRow("shift+word right selects")
            << u"|foo bar"_s << QList<int>{ecSelWordRight} << u"[foo |]bar"_s;
        QTest::newRow("end goes to the last non-blank, then to the real end")
            << u"|abc  \nx"_s << QList<int>{ecLineEnd, ecDown, ecUp, ecLineEnd} << u"abc  |\nx"_s;
        QTest::newRow("a column selection keeps its anchor while one column wide")
            << u"|ab\ncd"_s << QList<int>{ecColumnSelect, ecSelDown, ecSelRight, ecDeleteChar}
            << u"|b\nd"_s;
        QTest::newRow("right stops at column 1025")
            << QString(1023, u'·') + u"|"_s << QList<int>{ecRight, ecRight, ecRight}
            << QString(1024, u'·') + u"|"_s;
        // The copied block's last row is empty: pasting it from the end of a long line leaves
        // the caret over the empty line below, at the column limit, not at the long line's end.
        QTest::newRow("a column paste keeps the caret within the limit of a short last line")
            << u"|aa\n\n"_s + QString(1100, u'a') + u"\n"_s
            << QList<int>{ecColumnSelect, ecSelRight, ecSelDown, ecCopy, ecDown, ecLineEnd, ecPaste}
            << u"aa\n\n"_s + QString(1101, u'a') + u"\n"_s + QString(1024, u'·') + u"|"_s;
        QTest::newRow("matching bracket across lines with nesting")
            << u"|(a\n(b)\n{c})"_s << QList<int>{ecMatchBracket} << u"(a\n(b)\n{c}|)"_s;
        QTest::newRow("matching bracket backwards")
            << u"{a<b>|}"_s << QList<int>{ecMatchBracket} << u"|{a<b>}"_s;
        QTest::newRow("a bracket without partner keeps the caret")
            << u"|(a(b)"_s << QList<int>{ecMatchBracket} << u"|(a(b)"_s;
        // A surrogate pair is one character for the caret.
        QTest::newRow("right steps over a surrogate pair")
            << u"a|\U0001F600b"_s << QList<int>{ecRight} << u"a\U0001F600|b"_s;
        QTest::newRow("left steps over a surrogate pair")
            << u"a\U00020000|b"_s << QList<int>{ecLeft} << u"a|\U00020000b"_s;
        QTest::newRow("down keeps the display column past wide characters")
            << u"\u65E5\u672C|x\nabcdef"_s << QList<int>{ecDown} << u"\u65E5\u672Cx\nabcd|ef"_s;
    }
    void commands()
    {
        // Every case also undoes back to its start and redoes to its result exactly.
        QFETCH(QString, before);
        QFETCH(QList<int>, keys);
        QFETCH(QString, after);
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        picture::load(model, before);
        run(model, keys);
        QCOMPARE(picture::save(model), after);
        while (model.undoHistory().canUndo())
            model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), pictureText(before));
        while (model.undoHistory().canRedo())
            model.executeCommand(ecRedo);
        QCOMPARE(model.Lines().text(), pictureText(after));
    }

    // The aids replace parts of lines and place the caret afterwards; until then caret and
    // selection stay put unless the change took their line or column away.
    void replaceRangeLeavesPositionsOnTheText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<TBufferCoord>("from");
        QTest::addColumn<TBufferCoord>("to");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        QTest::newRow("caret and selection before the range stay")
            << u"[a|]bcd"_s << TBufferCoord{3, 1} << TBufferCoord{4, 1} << u"XY"_s << u"[a|]bXYd"_s;
        QTest::newRow("the caret's line removed")
            << u"\n|"_s << TBufferCoord{1, 1} << TBufferCoord{1, 2} << QString() << u"|"_s;
        QTest::newRow("a selection on a removed line")
            << u"ab\n[cd|]"_s << TBufferCoord{3, 1} << TBufferCoord{3, 2} << QString()
            << u"[ab|]"_s;
        QTest::newRow("the line before the caret shrinks below the column limit")
            << QString(1228, u'a') + u"|"_s << TBufferCoord{1, 1} << TBufferCoord{900, 1}
            << QString() << QString(329, u'a') + QString(1024 - 329, u'·') + u"|"_s;
        QTest::newRow("a range past the last line is the end of the text")
            << u"ab|"_s << TBufferCoord{1, 2} << TBufferCoord{1, 5} << u"x"_s << u"ab|x"_s;
        QTest::newRow("a range ending past the last line ends at the text's end")
            << u"a\nb|"_s << TBufferCoord{2, 1} << TBufferCoord{9, 7} << QString() << u"a|"_s;
    }
    void replaceRangeLeavesPositionsOnTheText()
    {
        QFETCH(QString, before);
        QFETCH(TBufferCoord, from);
        QFETCH(TBufferCoord, to);
        QFETCH(QString, text);
        QFETCH(QString, after);
        EditModel model;
        picture::load(model, before);
        replaceRange(model, from, to, text);
        QCOMPARE(picture::save(model), after);
        const TBufferCoord caret = model.CaretXY();
        QVERIFY(caret.Line <= model.columns().displayLineCount());
        QVERIFY(caret.Char <= model.columns().maxCaretColumn(caret.Line));
        QVERIFY(model.viewWindow().topLine() <= model.columns().displayLineCount());
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), pictureText(before));
        QVERIFY(!model.undoHistory().canUndo());
    }

    // Each row: the pictures after one Ctrl+Z, then after the next, and so on.
    void undoSteps_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("afterEachUndo");
        QTest::newRow("a typed run is one step")
            << u"x|"_s << typed(u"abc"_s) << QStringList{u"x|"_s};
        QTest::newRow("a backspace run is one step")
            << u"abcd|"_s << QList<int>{ecDeleteLastChar, ecDeleteLastChar}
            << QStringList{u"abcd|"_s};
        QTest::newRow("typing after backspace is a step of its own")
            << u"ab|"_s << QList<int>{ecDeleteLastChar} + typed(u"xy"_s)
            << QStringList{u"a|"_s, u"ab|"_s};
        QTest::newRow("two block indents are two steps")
            << u"[ab\ncd|]"_s << QList<int>{ecTab, ecTab}
            << QStringList{u"[\tab\n\tcd|]"_s, u"[ab\ncd|]"_s};
        QTest::newRow("two block unindents are two steps")
            << u"[\t\tab\n\t\tcd|]"_s << QList<int>{ecShiftTab, ecShiftTab}
            << QStringList{u"[\tab\n\tcd|]"_s, u"[\t\tab\n\t\tcd|]"_s};
        QTest::newRow("a line break with its indentation is one step")
            << u"\t  ab|"_s << QList<int>{ecLineBreak} << QStringList{u"\t  ab|"_s};
        QTest::newRow("typing over a selection is one step")
            << u"a[bc|]d"_s << typed(u"x"_s) << QStringList{u"a[bc|]d"_s};
        QTest::newRow("typing on after typing over a selection is the same step")
            << u"a[bc|]d"_s << typed(u"xy"_s) << QStringList{u"a[bc|]d"_s};
        // Select "qty" and type "lots": the typed inserts run into the insert that replaced
        // the selection, which shares its command with the deletion of "qty".
        const QList<int> typedLine =
            typed(u"total = price * qty"_s) + QList<int>{ecSelLeft, ecSelLeft, ecSelLeft};
        QTest::newRow("a word typed over a selection goes back to the selection, then the line")
            << u"|"_s << typedLine + typed(u"lots"_s)
            << QStringList{u"total = price * [|qty]"_s, u"|"_s};
        QTest::newRow("backspaces inside the typing over a selection")
            << u"|"_s << typedLine + typed(u"lo"_s) + QList<int>{ecDeleteLastChar} + typed(u"ts"_s)
            << QStringList{u"total = price * l|"_s, u"total = price * lo|"_s,
                           u"total = price * [|qty]"_s, u"|"_s};
        QTest::newRow("enter after the typing over a selection")
            << u"|"_s << typedLine + typed(u"lots"_s) + QList<int>{ecLineBreak}
            << QStringList{u"total = price * lots|"_s, u"total = price * [|qty]"_s, u"|"_s};
        QTest::newRow("backspaces before typing over a selection go back with its deletion")
            << u"ab|cd"_s << QList<int>{ecDeleteLastChar, ecSelRight} + typed(u"xy"_s)
            << QStringList{u"ab|cd"_s};
        QTest::newRow("a replaced last letter does not take the typed word along")
            << u"|"_s << typed(u"x = price"_s) + QList<int>{ecSelLeft} + typed(u"E"_s)
            << QStringList{u"x = pric[|e]"_s, u"|"_s};
        QTest::newRow("an overwritten run stops at a line break")
            << u"ab|cd"_s
            << QList<int>{ecToggleMode} + typed(u"X"_s) + QList<int>{ecLineBreak} + typed(u"Y"_s)
            << QStringList{u"abX\n|d"_s, u"abX|d"_s, u"ab|cd"_s};
        const QString block = u"FOR i FROM 1 TO 10\n\ta = 1\n\tb = 2\n\tc = 3\n\td = 4"_s;
        QTest::newRow("typed lines and breaks that copy indentation undo one by one")
            << u"|"_s
            << typed(u"FOR i FROM 1 TO 10"_s) + QList<int>{ecLineBreak, ecTab} + typed(u"a = 1"_s) +
                   QList<int>{ecLineBreak} + typed(u"b = 2"_s) + QList<int>{ecLineBreak} +
                   typed(u"c = 3"_s) + QList<int>{ecLineBreak} + typed(u"d = 4"_s) +
                   QList<int>{ecLineBreak} + typed(u"e = 5"_s) + QList<int>{ecLineBreak}
            << QStringList{block + u"\n\te = 5|"_s, block + u"\n\t|"_s, block + u"|"_s,
                           u"FOR i FROM 1 TO 10\n\ta = 1\n\tb = 2\n\tc = 3\n\t|"_s};
    }
    void undoSteps()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, afterEachUndo);
        EditModel model;
        picture::load(model, before);
        run(model, keys);
        for (const QString &expected : afterEachUndo) {
            QSignalSpy changes(&model, &EditModel::changed);
            model.executeCommand(ecUndo);
            QCOMPARE(picture::save(model), expected);
            QVERIFY(changes.count() >= 1);
        }
    }

    void bracketsInStringsAndCommentsAreSkipped()
    {
        EditModel model;
        picture::load(model, u"|(a \")\" b\n// )\n)"_s);
        // A fake classification: quotes and a // comment to the line end.
        struct QuotesAndSlashes final : TextRules
        {
            const EditModel &model;
            explicit QuotesAndSlashes(const EditModel &m) : model(m) {}
            bool isWordChar(QChar ch) const override { return plainWordChar(ch); }
            bool isInStringOrComment(TBufferCoord at) const override
            {
                const QString line = model.Lines()[at.Line - 1];
                const int comment = line.indexOf(u"//"_s);
                if (comment >= 0 && at.Char - 1 >= comment)
                    return true;
                return line.left(at.Char - 1).count(u'"') % 2 == 1;
            }
        } rules(model);
        model.setTextRules(&rules);
        model.executeCommand(ecMatchBracket);
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 3}));
        model.executeCommand(ecMatchBracket);
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 1}));
    }

    void bookmarks()
    {
        EditModel model;
        QSignalSpy marks(&model.bookmarks(), &Bookmarks::changed);
        fill(model, {u"one"_s, u"two"_s, u"three"_s, u"four"_s});
        model.setCaretXY({2, 2});
        model.executeCommand(ecSetMarker3);
        QCOMPARE(model.bookmarks().at(3), (TBufferCoord{2, 2}));
        QVERIFY(marks.count() > 0);
        // Set again elsewhere: moved.
        model.setCaretXY({4, 3});
        model.executeCommand(ecSetMarker3);
        QCOMPARE(model.bookmarks().at(3), (TBufferCoord{4, 3}));
        model.setCaretXY({1, 1});
        model.executeCommand(ecGotoMarker3);
        QCOMPARE(model.CaretXY(), (TBufferCoord{4, 3}));
        // It follows its line when lines are inserted or removed above.
        model.setCaretXY({1, 1});
        model.executeCommand(ecLineBreak);
        QCOMPARE(model.bookmarks().at(3), (TBufferCoord{4, 4}));
        model.executeCommand(ecDeleteLine);
        QCOMPARE(model.bookmarks().at(3), (TBufferCoord{4, 3}));
        // On its own line the same key clears it; the other slots stay empty.
        model.setCaretXY({1, 3});
        model.executeCommand(ecSetMarker3);
        QCOMPARE(model.bookmarks().at(3), std::nullopt);
        model.executeCommand(ecGotoMarker5);
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 3}));
        // A bookmark on a deleted line goes with it.
        model.executeCommand(ecSetMarker0);
        model.executeCommand(ecDeleteLine);
        QCOMPARE(model.bookmarks().at(0), std::nullopt);
    }

    void scrollingKeepsTheCaretInView()
    {
        EditModel model;
        fill(model, QStringList(100, u"line"_s));
        model.viewWindow().setSize(10, 40);
        model.setCaretXY({3, 1});
        model.executeCommand(ecScrollDown);
        QCOMPARE(model.viewWindow().topLine(), 2);
        QCOMPARE(model.CaretXY(), (TBufferCoord{3, 2}));
        model.setCaretXY({3, 11});
        model.executeCommand(ecScrollUp);
        QCOMPARE(model.viewWindow().topLine(), 1);
        QCOMPARE(model.CaretXY(), (TBufferCoord{3, 10}));
        model.executeCommand(ecScrollUp); // already at the top
        QCOMPARE(model.viewWindow().topLine(), 1);
        model.executeCommand(ecPageBottom);
        QCOMPARE(model.CaretXY(), (TBufferCoord{3, 10}));
        model.executeCommand(ecSelPageTop);
        QCOMPARE(model.CaretXY(), (TBufferCoord{3, 1}));
        QCOMPARE(model.SelText().count(u'\n'), 9);
        model.setCaretXY({1, 100});
        model.executeCommand(ecScrollDown);
        QCOMPARE(model.viewWindow().topLine(), 91); // the last line stays at the bottom
    }

    void dropSelection_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<TBufferCoord>("target");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("after");
        QTest::newRow("move forwards on the same line")
            << u"a[bc|]def"_s << TBufferCoord{6, 1} << false << u"ade[bc|]f"_s;
        QTest::newRow("move backwards")
            << u"abc[de|]f"_s << TBufferCoord{1, 1} << false << u"[de|]abcf"_s;
        QTest::newRow("move a multi-line block below itself")
            << u"a[b\nc|]d\nef"_s << TBufferCoord{2, 3} << false << u"ad\ne[b\nc|]f"_s;
        QTest::newRow("copy leaves the copied text in place")
            << u"a[bc|]d"_s << TBufferCoord{5, 1} << true << u"abcd[bc|]"_s;
        QTest::newRow("drop into virtual space fills first")
            << u"[ab|]\nc"_s << TBufferCoord{4, 2} << false << u"\nc  [ab|]"_s;
        QTest::newRow("a drop inside the selection does nothing")
            << u"a[bcd|]e"_s << TBufferCoord{3, 1} << false << u"a[bcd|]e"_s;
        QTest::newRow("a drop at the selection's edge does nothing")
            << u"a[bcd|]e"_s << TBufferCoord{5, 1} << true << u"a[bcd|]e"_s;
    }
    void dropSelection()
    {
        QFETCH(QString, before);
        QFETCH(TBufferCoord, target);
        QFETCH(bool, copy);
        QFETCH(QString, after);
        EditModel model;
        picture::load(model, before);
        QSignalSpy changes(&model, &EditModel::changed);
        const bool moved = bp::dropSelection(model, target, copy);
        QCOMPARE(picture::save(model), after);
        QCOMPARE(changes.count(), moved ? 1 : 0);
        if (moved) {
            model.executeCommand(ecUndo); // one step
            QCOMPARE(picture::save(model), before);
        }
    }

    void undoHistoryBlocks()
    {
        UndoHistory history;
        QSignalSpy steps(&history, &UndoHistory::stepRecorded);
        auto insertion = [](int column) {
            TUndoRecord record;
            record.start = {column, 1};
            record.end = {column + 1, 1};
            record.text = u"x"_s;
            return record;
        };
        // Nested blocks make one command with one notification at the outer end.
        history.beginBlock();
        history.record(insertion(1));
        history.beginBlock();
        history.record(insertion(2));
        history.endBlock();
        QCOMPARE(steps.count(), 0);
        history.endBlock();
        QCOMPARE(steps.count(), 1);
        QCOMPARE(history.undoList().size(), 2);
        // A block that recorded nothing does not notify.
        history.beginBlock();
        history.endBlock();
        QCOMPARE(steps.count(), 1);
        // A record outside a block is a command of its own.
        history.record(insertion(3));
        QCOMPARE(steps.count(), 2);

        // Two commands of insertions are one run: one undo step takes back both, the
        // block's records newest first, and one redo step brings them back in order.
        QList<int> replayed;
        history.undo([&](TUndoRecord &record, bool undo) {
            QVERIFY(undo);
            replayed << record.start.Char;
        });
        QCOMPARE(replayed, (QList<int>{3, 2, 1}));
        replayed.clear();
        history.redo([&](TUndoRecord &record, bool undo) {
            QVERIFY(!undo);
            replayed << record.start.Char;
        });
        QCOMPARE(replayed, (QList<int>{1, 2, 3}));
        history.undo([](TUndoRecord &, bool) {});
        QVERIFY(!history.canUndo());
        QVERIFY(history.canRedo());
        history.record(insertion(4));
        QVERIFY(!history.canRedo());
    }

    void notifications()
    {
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        QSignalSpy changes(&model, &EditModel::changed);
        for (QChar ch : u"abc"_s)
            model.executeCommand(ecChar, ch);
        QCOMPARE(changes.count(), 3);

        clipboard.setBlock(u"one\r\ntwo\r\nthree"_s, TSelectionMode::smNormal);
        changes.clear();
        model.executeCommand(ecPaste);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(model.Lines().Count(), 3);
        QCOMPARE(model.Lines()[2], u"three"_s);

        changes.clear();
        model.executeCommand(ecUndo);
        QVERIFY(changes.count() >= 1);
        QCOMPARE(model.Lines().text(), u"abc"_s);

        // Direct changes to the line list neither notify nor enter the history.
        changes.clear();
        model.Lines().Add(u"more"_s);
        model.Lines().setLine(0, u"direct"_s);
        QCOMPARE(changes.count(), 0);
    }

    void undoAndRedoNotifyOncePerStep()
    {
        // A step of three records moves the caret and tells the window once.
        EditModel model;
        picture::load(model, u"x|"_s);
        for (QChar ch : u"abc"_s)
            model.executeCommand(ecChar, ch);
        QSignalSpy changes(&model, &EditModel::changed);
        QSignalSpy carets(&model, &EditModel::caretMoved);
        QSignalSpy states(&model.undoHistory(), &UndoHistory::stateChanged);
        for (TEditorCommand command : {ecUndo, ecRedo}) {
            changes.clear();
            carets.clear();
            states.clear();
            model.executeCommand(command);
            QCOMPARE(picture::save(model), command == ecUndo ? u"x|"_s : u"xabc|"_s);
            QCOMPARE(changes.count(), 1);
            QCOMPARE(carets.count(), 1);
            QCOMPARE(states.count(), 1);
        }
    }

    void bulkCommandsAreOneRecord_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("redone"); // when redo leaves the caret elsewhere
        using M = TSelectionMode;
        QTest::newRow("block indent")
            << u"[|one\ntwo\nthree]"_s << M::smNormal << int(ecBlockIndent) << QString()
            << u"[|\tone\n\ttwo\n\tthree]"_s << 1 << QString();
        QTest::newRow("block unindent")
            << u"[\tone\n    two\nthr|]ee"_s << M::smNormal << int(ecBlockUnindent) << QString()
            << u"[one\ntwo\nthr|]ee"_s << 1 << QString();
        QTest::newRow("column delete") << u"a[bc\ndef\ngh|]i"_s << M::smColumn << int(ecDeleteChar)
                                       << QString() << u"a|c\ndf\ngi"_s << 1 << u"ac\ndf\ng|i"_s;
        QTest::newRow("column paste") << u"a|bc\nd\nghi"_s << M::smColumn << int(ecPaste)
                                      << u"1\r\n2\r\n3"_s << u"a1bc\nd2\ng3|hi"_s << 1 << QString();
        QTest::newRow("column paste past the end adds the lines first")
            << u"a|bc"_s << M::smColumn << int(ecPaste) << u"1\r\n2"_s << u"a1bc\n 2|"_s << 2
            << QString();
        QTest::newRow("typing over a column") << u"a[bc\ndef\ngh|]i"_s << M::smColumn << -int(u'x')
                                              << QString() << u"ax|c\ndf\ngi"_s << 2 << QString();
    }
    void bulkCommandsAreOneRecord()
    {
        // However many lines a bulk command changes, it is one record and one change
        // notification of the line list; undo and redo bring back text, caret and selection.
        QFETCH(QString, before);
        QFETCH(TSelectionMode, mode);
        QFETCH(int, command);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        QFETCH(int, records);
        QFETCH(QString, redone);
        if (redone.isEmpty())
            redone = after;
        EditModel model;
        FakeClipboard fake;
        fake.setBlock(clipboard, mode);
        model.setClipboard(&fake);
        picture::load(model, before);
        model.setSelectionMode(mode);
        LineChangeCounter counter;
        model.Lines().addListener(&counter);
        QSignalSpy changes(&model, &EditModel::changed);
        run(model, {command});
        QCOMPARE(picture::save(model), after);
        QCOMPARE(model.undoHistory().undoList().size(), records);
        QCOMPARE(counter.changed, records == 1 ? 1 : counter.changed);
        QCOMPARE(changes.count(), 1);
        counter.changed = 0;
        model.executeCommand(ecUndo);
        QCOMPARE(picture::save(model), before);
        QCOMPARE(changes.count(), 2);
        model.executeCommand(ecRedo);
        QCOMPARE(picture::save(model), redone);
        QCOMPARE(changes.count(), 3);
        if (records == 1)
            QCOMPARE(counter.changed, 2);
        model.Lines().removeListener(&counter);
    }

    void scatteredLinesAreOneRecordOfJustThoseLines()
    {
        // Lines 2 and 5 change, 3 and 4 between them do not: the record keeps the two old
        // lines only, and undo and redo exchange exactly them, with one notification over the
        // span each time.
        EditModel model;
        picture::load(model, u"one\ntwo\nthree\nfour\nfive\nsix"_s);
        model.setCaretXY({2, 3});
        model.executeCommand(ecSetMarker1);
        model.setCaretXY({2, 2}, false);
        model.setCaretXY({3, 5}, true);
        const QString before = picture::save(model);
        LineChangeCounter counter;
        model.Lines().addListener(&counter);
        QSignalSpy changes(&model, &EditModel::changed);

        replaceSparseLines(model, {2, 5}, {u"TWO"_s, u"fi-ve"_s});
        QCOMPARE(picture::save(model), u"one\nTWO\nthree\nfour\nfi|-ve\nsix"_s);
        QCOMPARE(model.undoHistory().undoList().size(), 1);
        const TUndoRecord &record = model.undoHistory().undoList().top();
        QCOMPARE(record.text.pieces(), (std::vector<QString>{u"two"_s, u"five"_s}));
        QCOMPARE(counter.changed, 1);
        QCOMPARE(counter.lastChanged, std::make_pair(1, 4));
        QCOMPARE(changes.count(), 1);

        model.executeCommand(ecUndo);
        QCOMPARE(picture::save(model), before);
        QCOMPARE(counter.changed, 2);
        QCOMPARE(counter.lastChanged, std::make_pair(1, 4));
        QCOMPARE(model.bookmarks().at(1), (TBufferCoord{2, 3}));
        // Redo puts the caret after the last changed line's differing part.
        model.executeCommand(ecRedo);
        QCOMPARE(picture::save(model), u"one\nTWO\nthree\nfour\nfi-|ve\nsix"_s);
        QCOMPARE(counter.changed, 3);
        QCOMPARE(changes.count(), 3);
        model.executeCommand(ecUndo);
        QCOMPARE(picture::save(model), before);
        QCOMPARE(model.Lines()[2], u"three"_s);
        model.Lines().removeListener(&counter);
    }

    void scatteredLinesStopTheProgramOnBadNumbers_data()
    {
        QTest::addColumn<QString>("numbers");
        QTest::newRow("fewer numbers than lines") << u"2"_s;
        QTest::newRow("out of order") << u"3,1"_s;
        QTest::newRow("twice the same line") << u"2,2"_s;
        QTest::newRow("line 0") << u"0,2"_s;
        QTest::newRow("past the last line") << u"2,4"_s;
        QTest::newRow("good numbers (the check itself)") << u"1,3"_s;
    }
    void scatteredLinesStopTheProgramOnBadNumbers()
    {
        // Numbers that do not fit the text are a fault of the caller: the program stops
        // instead of showing the user a message about it or changing other lines.
        QFETCH(QString, numbers);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--replace-sparse-lines"_s, numbers});
        QVERIFY(child.waitForFinished(30000));
        const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
        if (numbers == u"1,3"_s) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(output, QByteArray("X\nb\nY\n"));
        } else {
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            QVERIFY2(output.contains("replaceSparseLines"), output.constData());
        }
    }

    void selectAllAndTypeKeepsTheRemovedLines()
    {
        // Undo puts back the very line strings that were removed: nothing is joined or cut.
        EditModel model;
        QStringList lines;
        for (int i = 0; i < 1000; ++i)
            lines << u"line %1"_s.arg(i);
        model.Lines().setText(lines.join(u'\n'));
        std::vector<const QChar *> data;
        for (int i = 0; i < 1000; ++i)
            data.push_back(model.Lines().view(i).data());
        model.executeCommand(ecSelectAll);
        model.executeCommand(ecChar, u'x');
        QCOMPARE(model.Lines().Count(), 1);
        QCOMPARE(model.Lines()[0], u"x"_s);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().Count(), 1000);
        for (int i = 1; i < 1000; ++i)
            QCOMPARE(model.Lines().view(i).data(), data[i]);
        QCOMPARE(model.Lines()[0], u"line 0"_s);
        QCOMPARE(model.CaretXY(), (TBufferCoord{9, 1000}));
        QCOMPARE(model.BlockBegin(), (TBufferCoord{1, 1}));
        model.executeCommand(ecRedo);
        QCOMPARE(model.Lines().text(), u"x"_s);
        QCOMPARE(model.CaretXY(), (TBufferCoord{2, 1}));
        QVERIFY(!model.SelAvail());
    }

    void typedRunUndoesAtOnce()
    {
        EditModel model;
        picture::load(model, u"x|"_s);
        for (QChar ch : u"abc"_s)
            model.executeCommand(ecChar, ch);
        model.executeCommand(ecUndo);
        QCOMPARE(picture::save(model), u"x|"_s);
        model.executeCommand(ecRedo);
        QCOMPARE(picture::save(model), u"xabc|"_s);
    }

    void overwrittenRunUndoesAtOnce()
    {
        EditModel model;
        picture::load(model, u"x|abcdef"_s);
        model.executeCommand(ecToggleMode);
        for (QChar ch : u"XYZ"_s)
            model.executeCommand(ecChar, ch);
        QCOMPARE(picture::save(model), u"xXYZ|def"_s);
        model.executeCommand(ecUndo);
        QCOMPARE(picture::save(model), u"x|abcdef"_s);
        model.executeCommand(ecRedo);
        QCOMPARE(model.Lines()[0], u"xXYZdef"_s);
    }

    void typingOverASelectionFromVirtualSpace()
    {
        // The selection starts past the end of "ab": the character goes to the join.
        EditModel model;
        model.Lines().setText(u"ab\nxyzxyz"_s);
        model.setBlockBegin({2, 1});
        model.setSelectionMode(TSelectionMode::smColumn); // lets the anchor stand past the end
        model.setBlockBegin({10, 1});
        model.setSelectionMode(TSelectionMode::smNormal);
        model.setBlockEnd({2, 2});
        model.executeCommand(ecChar, u'Q');
        QCOMPARE(model.Lines()[0], u"abQyzxyz"_s);
        QCOMPARE(model.CaretXY(), (TBufferCoord{4, 1}));
    }

    void bookmarkOnAnEmptyDocumentStaysOnItsLine()
    {
        EditModel model;
        model.executeCommand(TEditorCommand(ecSetMarker0 + 1));
        model.executeCommand(ecChar, u'a');
        model.executeCommand(ecLineStart);
        model.executeCommand(ecDown);
        model.executeCommand(TEditorCommand(ecGotoMarker0 + 1));
        QCOMPARE(model.CaretY(), 1);
        QCOMPARE(model.Lines().Count(), 1);
    }

    // Pasted text is cut into lines exactly as the file reader cuts the same text, so what a
    // save writes reads back as the lines the screen showed.
    void pasteCutsLinesAsTheFileReaderDoes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a lone line separator") << u"a\u2028b"_s;
        QTest::newRow("CR LF") << u"a\r\nb"_s;
        QTest::newRow("lone CR, then LF CR") << u"a\rb\n\rc"_s;
        QTest::newRow("a separator before CR LF") << u"a\u2028\r\nb"_s;
        QTest::newRow("CR LF with a stray separator") << u"a\r\nb\u2028c"_s;
        QTest::newRow("a separator at the end") << u"a\u2028"_s;
    }
    void pasteCutsLinesAsTheFileReaderDoes()
    {
        QFETCH(QString, text);
        TEditorLines reader;
        reader.setText(text);
        QStringList expected;
        for (int i = 0; i < reader.Count(); ++i)
            expected << reader[i];
        for (TSelectionMode mode : {TSelectionMode::smNormal, TSelectionMode::smColumn}) {
            EditModel model;
            FakeClipboard clipboard;
            model.setClipboard(&clipboard);
            clipboard.setBlock(text, mode);
            model.executeCommand(ecPaste);
            QStringList pasted;
            for (int i = 0; i < model.Lines().Count(); ++i)
                pasted << model.Lines()[i];
            QCOMPARE(pasted, expected);
            model.executeCommand(ecUndo);
            QCOMPARE(model.Lines().text(), QString());
        }
    }

    void clipboardModesRoundTrip_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("pasted");
        QTest::newRow("column block pastes as a rectangle")
            << TSelectionMode::smColumn << u"1abc\n2def\n3ghi"_s;
        QTest::newRow("line block pastes above the caret line")
            << TSelectionMode::smLine << u"abc\ndef\nabc\ndef\nghi"_s;
        QTest::newRow("normal block pastes at the caret")
            << TSelectionMode::smNormal << u"abc\ndef\ngabc\ndhi"_s;
    }
    void clipboardModesRoundTrip()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, pasted);
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, {u"abc"_s, u"def"_s, u"ghi"_s});
        model.Lines().setBreakStyle(LineBreakStyle::sffUnix);
        model.setSelectionMode(mode);
        model.setBlockBegin({1, 1});
        model.setBlockEnd({2, 2});
        model.executeCommand(ecCopy);
        QVERIFY(clipboard.content.has_value());
        QCOMPARE(clipboard.content->mode, mode);
        model.setSelectionMode(TSelectionMode::smNormal);
        model.setCaretXY({mode == TSelectionMode::smNormal ? 2 : 1, 3});
        if (mode == TSelectionMode::smColumn)
            clipboard.setBlock(u"1\r\n2\r\n3"_s, TSelectionMode::smColumn);
        model.setCaretXY(mode == TSelectionMode::smColumn ? TBufferCoord{1, 1} : model.CaretXY());
        model.executeCommand(ecPaste);
        QCOMPARE(model.Lines().text(), pasted);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), u"abc\ndef\nghi"_s);
    }

    void wideCharactersTakeTwoCells_data()
    {
        QTest::addColumn<QString>("line");
        // The display column of each character column, 1 to the line's length + 1.
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("ideographs in a string")
            << u"x = \"\u65E5\u672C\" + 1"_s
            << QList<int>{1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14, 15};
        QTest::newRow("full-width letter") << u"\uFF41b"_s << QList<int>{1, 3, 4};
        QTest::newRow("half-width katakana stays narrow") << u"\uFF71b"_s << QList<int>{1, 2, 3};
        QTest::newRow("ideographic space") << u"\u3000a"_s << QList<int>{1, 3, 4};
        QTest::newRow("hangul syllables") << u"\uAC00\uB098"_s << QList<int>{1, 3, 5};
        QTest::newRow("cyrillic stays narrow") << u"\u041F\u0440\u0438"_s << QList<int>{1, 2, 3, 4};
        QTest::newRow("a tab stop counts the cells before it")
            << u"\u65E5\tx"_s << QList<int>{1, 3, 5, 6};
        QTest::newRow("wide surrogate pair is one character of two cells")
            << u"\U0001F600x"_s << QList<int>{1, 3, 3, 4};
        QTest::newRow("narrow surrogate pair is one character of one cell")
            << u"\U0001D400x"_s << QList<int>{1, 2, 2, 3};
        QTest::newRow("ideograph of the supplementary plane")
            << u"a\U00020000"_s << QList<int>{1, 2, 4, 4};
    }
    void wideCharactersTakeTwoCells()
    {
        QFETCH(QString, line);
        QFETCH(QList<int>, columns);
        EditModel model;
        fill(model, {line});
        QList<int> shown;
        for (int charColumn = 1; charColumn <= line.size() + 1; ++charColumn)
            shown << model.columns().displayColumn(1, charColumn);
        QCOMPARE(shown, columns);
        // Back from display columns: each cell of a character gives that character; the
        // second half of a surrogate pair is never a place of its own.
        for (int charColumn = 1; charColumn <= line.size(); ++charColumn) {
            if (line[charColumn - 1].isLowSurrogate())
                continue;
            for (int column = columns[charColumn - 1]; column < columns[charColumn]; ++column)
                QCOMPARE(model.columns().charColumnAt(1, column), charColumn);
        }
        QCOMPARE(model.columns().charColumnAt(1, columns.back() + 2), int(line.size()) + 3);
    }

    void wideCodePointTable_data()
    {
        QTest::addColumn<uint>("codePoint");
        QTest::addColumn<bool>("wide");
        const QList<std::pair<uint, bool>> edges{
            {0x10FF, false},  {0x1100, true},   {0x115F, true},   {0x1160, false},
            {0x2E7F, false},  {0x2E80, true},   {0x303E, true},   {0x303F, false},
            {0x3040, false},  {0x3041, true},   {0x4DBF, true},   {0x4DC0, false},
            {0x4E00, true},   {0x9FFF, true},   {0xA4C6, true},   {0xA4C7, false},
            {0xABFF, false},  {0xAC00, true},   {0xD7A3, true},   {0xD7A4, false},
            {0xF8FF, false},  {0xF900, true},   {0xFAFF, true},   {0xFB00, false},
            {0xFF00, false},  {0xFF01, true},   {0xFF60, true},   {0xFF61, false},
            {0xFFDC, false},  {0xFFE0, true},   {0xFFE6, true},   {0xFFE7, false},
            {0x1F1E6, false}, {0x1F300, true},  {0x1F600, true},  {0x1F64F, true},
            {0x1F650, false}, {0x1F9FF, true},  {0x1FFFF, false}, {0x20000, true},
            {0x2FFFD, true},  {0x2FFFE, false}, {0x30000, true},  {0x3FFFD, true},
            {0x3FFFE, false}, {0xE0001, false}, {0x0436, false},  {0x00E9, false}};
        for (const auto &[codePoint, wide] : edges)
            QTest::addRow("U+%04X", codePoint) << codePoint << wide;
    }
    void wideCodePointTable()
    {
        QFETCH(uint, codePoint);
        QFETCH(bool, wide);
        QCOMPARE(isWideCodePoint(char32_t(codePoint)), wide);
    }

    void indentationFollowsTheTabWidth_data()
    {
        QTest::addColumn<int>("tabWidth");
        QTest::addColumn<bool>("columnPaste");
        QTest::addColumn<QString>("after");
        // Line 1 is a tab and "ab"; the caret stands after the tab, at display column
        // tabWidth + 1, over two empty lines. Filling the empty lines must reach that column.
        QTest::newRow("column paste, tab width 8") << 8 << true << u"\txab\n\ty\n\tz"_s;
        QTest::newRow("column paste, tab width 2") << 2 << true << u"\txab\n\ty\n\tz"_s;
        QTest::newRow("column paste, tab width 4") << 4 << true << u"\txab\n\ty\n\tz"_s;
        QTest::newRow("enter below, then typing, tab width 8") << 8 << false << u"\tab\n\n\ty\n"_s;
        QTest::newRow("enter below, then typing, tab width 3") << 3 << false << u"\tab\n\n\ty\n"_s;
    }
    void indentationFollowsTheTabWidth()
    {
        QFETCH(int, tabWidth);
        QFETCH(bool, columnPaste);
        QFETCH(QString, after);
        EditModel model;
        model.setTabWidth(tabWidth);
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, {u"\tab"_s, QString(), QString()});
        model.Lines().setBreakStyle(LineBreakStyle::sffUnix);
        if (columnPaste) {
            model.setCaretXY({2, 1});
            clipboard.setBlock(u"x\r\ny\r\nz"_s, TSelectionMode::smColumn);
            model.executeCommand(ecPaste);
        } else {
            // Enter on the empty line 2 puts the caret in virtual space under the "a" above.
            model.setCaretXY({1, 2});
            model.executeCommand(ecLineBreak);
            QCOMPARE(model.columns().displayColumn(3, model.CaretX()), tabWidth + 1);
            model.executeCommand(ecChar, u'y');
        }
        QCOMPARE(model.Lines().text(), after);
        // Every pasted or typed letter stands in the display column of the "a" above.
        for (int line = 2; line <= model.Lines().Count(); ++line) {
            const int letter = int(model.Lines()[line - 1].indexOf(QRegularExpression(u"[xyz]"_s)));
            if (letter >= 0)
                QCOMPARE(model.columns().displayColumn(line, letter + 1), tabWidth + 1);
        }
    }

    void cutAndDeleteInEachMode_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("normal") << TSelectionMode::smNormal << u"af\nghi"_s;
        QTest::newRow("line") << TSelectionMode::smLine << u"ghi"_s;
        QTest::newRow("column") << TSelectionMode::smColumn << u"ac\ndf\nghi"_s;
    }
    void cutAndDeleteInEachMode()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, remaining);
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, {u"abc"_s, u"def"_s, u"ghi"_s});
        model.Lines().setBreakStyle(LineBreakStyle::sffUnix);
        model.setSelectionMode(mode);
        model.setBlockBegin({2, 1});
        model.setBlockEnd({3, 2});
        const QString selected = model.SelText();
        model.executeCommand(ecCut);
        QCOMPARE(clipboard.content->text, selected);
        QCOMPARE(model.Lines().text(), remaining);
        QVERIFY(!model.SelAvail());
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), u"abc\ndef\nghi"_s);
    }

    void clearResetsCaretViewAndHistory()
    {
        EditModel model;
        fill(model, QStringList(200, u"line"_s));
        model.viewWindow().setSize(10, 20);
        model.setCaretXY({3, 150});
        model.executeCommand(ecChar, u'x');
        QVERIFY(model.viewWindow().topLine() > 1);
        model.Lines().Clear();
        QCOMPARE(model.CaretXY(), (TBufferCoord{1, 1}));
        QCOMPARE(model.viewWindow().topLine(), 1);
        QVERIFY(!model.undoHistory().canUndo());
    }

    void historyKeepsTheNewest1024Records()
    {
        EditModel model;
        model.Lines().Add(QString());
        for (int i = 0; i < 1100; ++i) {
            model.executeCommand(ecChar, u'a');
            model.executeCommand(ecDeleteLastChar);
            model.executeCommand(ecChar, u'b');
        }
        QCOMPARE(model.undoHistory().undoList().size(), 1024);
    }

    void aCommandLargerThanTheHistoryIsUndoneWhole()
    {
        // A command of more records than the limit: the limit never cuts it in half, and
        // the commands before it go to make room.
        UndoHistory history;
        TUndoRecord lone;
        lone.text = u"x"_s;
        history.record(lone);
        history.beginBlock();
        for (int i = 0; i < 1100; ++i)
            history.record(lone);
        history.endBlock();
        QCOMPARE(history.undoList().size(), 1100);
        int replayed = 0;
        history.undo([&](TUndoRecord &, bool) { ++replayed; });
        QCOMPARE(replayed, 1100);
        QVERIFY(!history.canUndo());
        history.redo([](TUndoRecord &, bool) {});
        QCOMPARE(history.undoList().size(), 1100);

        // A column paste over 1100 lines is one record: it is undone whole, and the typed x
        // before it is still there to undo.
        EditModel model;
        FakeClipboard clipboard;
        model.setClipboard(&clipboard);
        fill(model, QStringList(1500, u"ab"_s));
        model.Lines().setBreakStyle(LineBreakStyle::sffUnix);
        model.setCaretXY({2, 1});
        model.executeCommand(ecChar, u'x');
        model.setCaretXY({2, 1});
        clipboard.setBlock(QStringList(1100, u"-"_s).join(u"\r\n"_s), TSelectionMode::smColumn);
        model.executeCommand(ecPaste);
        QCOMPARE(model.Lines()[1099], u"a-b"_s);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), u"axb\n"_s + QStringList(1499, u"ab"_s).join(u'\n'));
        model.executeCommand(ecRedo);
        QCOMPARE(model.Lines()[1099], u"a-b"_s);
        model.executeCommand(ecUndo);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines()[0], u"ab"_s);
        QVERIFY(!model.undoHistory().canUndo());
    }

    void randomEditsUndoAndRedoExactly()
    {
        // Any command sequence undone completely restores the start, redone the end.
        QRandomGenerator random(20261210);
        const QList<TEditorCommand> commands = {ecChar,
                                                ecChar,
                                                ecChar,
                                                ecLineBreak,
                                                ecLineBreak,
                                                ecInsertLine,
                                                ecDeleteChar,
                                                ecDeleteLastChar,
                                                ecDeleteLastChar,
                                                ecDeleteWord,
                                                ecDeleteLastWord,
                                                ecDeleteLine,
                                                ecDeleteEOL,
                                                ecTab,
                                                ecShiftTab,
                                                ecBlockIndent,
                                                ecBlockUnindent,
                                                ecLeft,
                                                ecRight,
                                                ecRight,
                                                ecUp,
                                                ecDown,
                                                ecWordLeft,
                                                ecWordRight,
                                                ecLineEnd,
                                                ecLineStart,
                                                ecSelRight,
                                                ecSelDown,
                                                ecSelUp,
                                                ecSelWordLeft,
                                                ecSelLineEnd,
                                                ecSelectAll,
                                                ecEditorBottom,
                                                ecPageDown,
                                                ecScrollDown,
                                                ecCut,
                                                ecPaste,
                                                ecPaste,
                                                ecCopy,
                                                ecColumnSelect,
                                                ecNormalSelect,
                                                ecLineSelect,
                                                ecToggleMode,
                                                ecSetMarker1,
                                                ecGotoMarker1,
                                                ecMatchBracket};
        const QString characters = u"ab_ (){}\t"_s;
        const QStringList indents = {QString(), u" "_s,    u"  "_s,   u"    "_s,
                                     u"\t"_s,   u"\t  "_s, u"  \t"_s, u"      "_s};
        const QList<TSelectionMode> modes = {TSelectionMode::smNormal, TSelectionMode::smLine,
                                             TSelectionMode::smColumn};
        for (int round = 0; round < 400; ++round) {
            EditModel model;
            model.viewWindow().setSize(3, 10);
            FakeClipboard clipboard;
            model.setClipboard(&clipboard);
            QStringList start;
            for (int i = 0, n = random.bounded(0, 6); i < n; ++i)
                start << indents[random.bounded(indents.size())] +
                             QString(random.bounded(0, 6), QChar(u'a' + i));
            fill(model, start);
            model.setCaretXY({random.bounded(1, 9), random.bounded(1, 6)});
            const QString initial = model.Lines().text();
            // After each command that entered the history: the run kinds of its oldest and
            // newest records, the text and the history size. One Ctrl+Z takes back the newest
            // command and the commands before it while each one's newest record has the kind
            // of the oldest record of the command after it.
            QList<std::pair<std::optional<TChangeReason>, std::optional<TChangeReason>>> kinds;
            QStringList texts{initial};
            QList<int> sizes{0};
            for (int step = 0; step < 40; ++step) {
                const int pick = random.bounded(commands.size() + 2);
                if (pick == commands.size()) {
                    clipboard.setBlock(random.bounded(2) ? u"x\r\n\ty"_s : u"(z)"_s,
                                       modes[random.bounded(modes.size())]);
                } else if (pick == commands.size() + 1) {
                    bp::dropSelection(model, {random.bounded(1, 9), random.bounded(1, 6)},
                                      random.bounded(2));
                } else {
                    model.executeCommand(commands[pick],
                                         characters[random.bounded(characters.size())]);
                }
                const TBufferCoord caret = model.CaretXY();
                QVERIFY(caret.Line >= 1 && caret.Line <= model.columns().displayLineCount());
                QVERIFY(caret.Char >= 1 &&
                        caret.Char <= model.columns().maxCaretColumn(caret.Line));
                const TUndoList &records = model.undoHistory().undoList();
                if (records.size() == sizes.back())
                    continue;
                QVERIFY(records.size() < TUndoList::kMaxRecords);
                kinds << std::pair{runKind(records.at(sizes.back())), runKind(records.top())};
                texts << model.Lines().text();
                sizes << records.size();
            }
            const QString final = model.Lines().text();
            for (qsizetype done = kinds.size(); done > 0;) {
                qsizetype expected = done - 1;
                while (expected > 0 && kinds[expected].first &&
                       kinds[expected - 1].second == kinds[expected].first)
                    --expected;
                model.executeCommand(ecUndo);
                const qsizetype landed = sizes.indexOf(model.undoHistory().undoList().size());
                QVERIFY2(landed == expected,
                         qPrintable(u"round %1: one undo went from command %2 back to %3, "
                                    u"the run ends at %4"_s.arg(round)
                                        .arg(done)
                                        .arg(landed)
                                        .arg(expected)));
                QCOMPARE(model.Lines().text(), texts[landed]);
                done = landed;
            }
            QVERIFY(!model.undoHistory().canUndo());
            QCOMPARE(model.Lines().text(), initial);
            while (model.undoHistory().canRedo())
                model.executeCommand(ecRedo);
            QCOMPARE(model.Lines().text(), final);
        }
    }
};

// `--replace-sparse-lines 1,3` replaces those lines of "a", "b", "c" by "X" and "Y" and prints
// the text, for the test that expects bad numbers to end the program.
static int replaceSparseLinesMode(int argc, char **argv)
{
    if (argc != 3 || qstrcmp(argv[1], "--replace-sparse-lines") != 0)
        return -1;
    EditModel model;
    model.Lines().setText(u"a\nb\nc"_s);
    std::vector<int> numbers;
    for (const QByteArray &number : QByteArray(argv[2]).split(','))
        numbers.push_back(number.toInt());
    replaceSparseLines(model, std::move(numbers), {u"X"_s, u"Y"_s});
    for (int i = 0; i < model.Lines().Count(); ++i)
        std::printf("%s\n", qPrintable(model.Lines()[i]));
    return 0;
}

BP_TEST(TestEditModel)
BP_TEST_PROGRAM({.beforeApplication = replaceSparseLinesMode})
#include "tst_edit_model.moc"
