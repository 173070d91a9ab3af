// The edit model under a random sequence of editing steps decoded from the input: the start
// text, then commands (keys, caret moves, selections in the three modes, clipboard, drops,
// range replacements, tab width). The QPILE highlighter is attached, as in the editor.
// Properties:
// - after every step: no line holds CR or LF; caret, selection ends and bookmarks lie on
//   lines of the text and within the caret's column limit; the view's top line is a line;
//   every stored highlighter range equals what a full scan from the first line gives;
// - redoing everything, then undoing everything gives back the start text exactly, and
//   redoing everything again gives back the text before the undos; the ranges stay right.

#include "fuzz_support.h"

#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "editor/model/text_clipboard.h"
#include "highlight/qpile_highlighter.h"

#include <QStringList>

#include <optional>

using namespace bp;
using bp::fuzz::InputReader;
using bp::fuzz::printable;

namespace {

class MemoryClipboard final : public TextClipboard
{
public:
    void setBlock(const QString &text, TSelectionMode mode) override { m_block = {text, mode}; }
    std::optional<ClipboardBlock> block() const override { return m_block; }
    bool hasText() const override { return m_block.has_value(); }
    void setPlainText(const QString &text) { m_block = ClipboardBlock{text, std::nullopt}; }

private:
    std::optional<ClipboardBlock> m_block;
};

constexpr TEditorCommand kCommands[] = {
    ecLeft,
    ecRight,
    ecUp,
    ecDown,
    ecWordLeft,
    ecWordRight,
    ecLineStart,
    ecLineEnd,
    ecPageUp,
    ecPageDown,
    ecPageTop,
    ecPageBottom,
    ecEditorTop,
    ecEditorBottom,
    ecSelLeft,
    ecSelRight,
    ecSelUp,
    ecSelDown,
    ecSelWordLeft,
    ecSelWordRight,
    ecSelLineStart,
    ecSelLineEnd,
    ecSelPageUp,
    ecSelPageDown,
    ecSelPageTop,
    ecSelPageBottom,
    ecSelEditorTop,
    ecSelEditorBottom,
    ecSelectAll,
    ecCopy,
    ecScrollUp,
    ecScrollDown,
    ecToggleMode,
    ecNormalSelect,
    ecColumnSelect,
    ecLineSelect,
    ecMatchBracket,
    ecGotoMarker0,
    ecGotoMarker5,
    ecSetMarker0,
    ecSetMarker5,
    ecContextHelp,
    ecDeleteLastChar,
    ecDeleteChar,
    ecDeleteWord,
    ecDeleteLastWord,
    ecDeleteEOL,
    ecDeleteLine,
    ecLineBreak,
    ecInsertLine,
    ecUndo,
    ecRedo,
    ecCut,
    ecPaste,
    ecBlockIndent,
    ecBlockUnindent,
    ecTab,
    ecShiftTab,
};
constexpr int kCommandCount = int(std::size(kCommands));

// Well below the undo list's limit of 1024 records: no step of the sequence may be dropped
// from the history, or undoing everything could not reach the start text.
constexpr int kMaxUndoRecords = 700;
constexpr int kMaxSteps = 200;
// Inserted texts stay short, so one step adds a bounded number of records.
constexpr int kMaxInsertedText = 40;

QStringList linesOf(const EditModel &model)
{
    QStringList lines;
    for (int i = 0; i < model.Lines().Count(); ++i)
        lines << model.Lines()[i];
    // A document without lines shows one empty line; both save as nothing.
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

class Run
{
public:
    explicit Run(InputReader &input) : m_input(input)
    {
        m_model.setClipboard(&m_clipboard);
        m_highlighting.setHighlighter(&m_highlighter);
    }

    void execute()
    {
        m_model.setTabWidth(tabWidth());
        m_model.viewWindow().setSize(1 + m_input.below(12), 1 + m_input.below(40));
        m_model.Lines().setText(m_input.text(120));
        m_clipboard.setPlainText(m_input.text(kMaxInsertedText));
        const QStringList start = linesOf(m_model);
        checkInvariants();

        for (int step = 0; step < kMaxSteps && !m_input.atEnd(); ++step) {
            if (m_model.undoHistory().undoList().size() > kMaxUndoRecords)
                break;
            performStep();
            checkInvariants();
        }

        for (int guard = 0; m_model.undoHistory().canRedo(); ++guard) {
            FUZZ_CHECK(guard <= 2 * kMaxUndoRecords, QStringLiteral("redo never ends"));
            trace(QStringLiteral("final Redo"));
            m_model.executeCommand(ecRedo);
        }
        const QStringList latest = linesOf(m_model);
        for (int guard = 0; m_model.undoHistory().canUndo(); ++guard) {
            FUZZ_CHECK(guard <= 2 * kMaxUndoRecords, QStringLiteral("undo never ends"));
            trace(QStringLiteral("final Undo"));
            m_model.executeCommand(ecUndo);
            checkInvariants();
        }
        FUZZ_CHECK(linesOf(m_model) == start,
                   QStringLiteral("undo of everything gives\n%1\ninstead of\n%2")
                       .arg(printable(linesOf(m_model).join(u'\n')), printable(start.join(u'\n'))));
        while (m_model.undoHistory().canRedo()) {
            m_model.executeCommand(ecRedo);
            checkInvariants();
        }
        FUZZ_CHECK(
            linesOf(m_model) == latest,
            QStringLiteral("redo of everything gives\n%1\ninstead of\n%2")
                .arg(printable(linesOf(m_model).join(u'\n')), printable(latest.join(u'\n'))));
    }

private:
    TBufferCoord position()
    {
        const int line = 1 + m_input.below(m_model.Lines().Count() + 2);
        const int length = m_model.Lines().length(line - 1);
        // Mostly in or near the line; sometimes far out in virtual space, past the limit.
        const int column =
            m_input.byte() < 240 ? 1 + m_input.below(length + 6) : 1000 + m_input.below(60);
        return {column, line};
    }

    TSelectionMode mode() { return TSelectionMode(m_input.below(3)); }

    int tabWidth() { return 1 + m_input.below(8); }

    // With BP_FUZZ_TRACE set, each step is printed before it runs: the way to read what a
    // saved input does.
    void trace(const QString &step) const
    {
        static const bool enabled = qEnvironmentVariableIsSet("BP_FUZZ_TRACE");
        if (enabled)
            std::fprintf(stderr, "%s\n  before: %s\n", qPrintable(step), qPrintable(where()));
    }

    void performStep()
    {
        const std::uint8_t kind = m_input.byte();
        if (kind < 100) {
            trace(QStringLiteral("command %1").arg(int(kCommands[kind % kCommandCount])));
            m_model.executeCommand(kCommands[kind % kCommandCount]);
            return;
        }
        if (kind < 170) {
            const QChar ch = m_input.character();
            trace(QStringLiteral("type U+%1").arg(ch.unicode(), 4, 16, QChar(u'0')));
            m_model.executeCommand(ecChar, ch);
            return;
        }
        switch (kind % 12) {
        case 0: {
            const TBufferCoord to = position();
            trace(QStringLiteral("setCaretXY ") + text(to));
            m_model.setCaretXY(to);
            break;
        }
        case 1: {
            const TBufferCoord to = position();
            trace(QStringLiteral("moveCaret extending to ") + text(to));
            m_model.setCaretXY(to, true);
            break;
        }
        case 2: {
            const TSelectionMode selectionMode = mode();
            trace(QStringLiteral("setSelectionMode %1").arg(int(selectionMode)));
            m_model.setSelectionMode(selectionMode);
            break;
        }
        case 3: {
            const QString block = m_input.text(kMaxInsertedText);
            const TSelectionMode blockMode = mode();
            trace(QStringLiteral("clipboard block %1 in mode %2")
                      .arg(printable(block), QString::number(int(blockMode))));
            m_clipboard.setBlock(block, blockMode);
            break;
        }
        case 4: {
            const QString plain = m_input.text(kMaxInsertedText);
            trace(QStringLiteral("clipboard text ") + printable(plain));
            m_clipboard.setPlainText(plain);
            break;
        }
        case 5: {
            // Any range, also across lines, in virtual space or past the last line (which
            // reads as the end of the text), replaced by text that may hold breaks.
            TBufferCoord from = position();
            TBufferCoord to = position();
            if (to < from)
                std::swap(from, to);
            const QString inserted = m_input.text(kMaxInsertedText);
            trace(QStringLiteral("replaceRange %1 %2 by %3")
                      .arg(text(from), text(to), printable(inserted)));
            replaceRange(m_model, from, to, inserted);
            break;
        }
        case 6: {
            const QString inserted = m_input.text(kMaxInsertedText);
            const TSelectionMode insertMode = mode();
            trace(QStringLiteral("SetSelTextPrimitive %1 in mode %2")
                      .arg(printable(inserted), QString::number(int(insertMode))));
            setSelText(m_model, inserted, insertMode);
            break;
        }
        case 7: {
            const TBufferCoord target = position();
            const bool copy = m_input.byte() & 1;
            trace(QStringLiteral("dropSelection at %1, copy %2").arg(text(target)).arg(copy));
            dropSelection(m_model, target, copy);
            break;
        }
        case 8: {
            const TBufferCoord at = position();
            trace(QStringLiteral("selectWordAt ") + text(at));
            selectWordAt(m_model, at);
            break;
        }
        case 9: {
            const int width = tabWidth();
            trace(QStringLiteral("setTabWidth %1").arg(width));
            m_model.setTabWidth(width);
            break;
        }
        case 10: {
            const TBufferCoord begin = position();
            const TBufferCoord end = position();
            trace(QStringLiteral("setBlockBegin %1, setBlockEnd %2").arg(text(begin), text(end)));
            m_model.setBlockBegin(begin);
            m_model.setBlockEnd(end);
            break;
        }
        case 11:
            trace(QStringLiteral("delete the selection"));
            setSelText(m_model, QString());
            break;
        }
    }

    static QString text(TBufferCoord position)
    {
        return QStringLiteral("%1:%2").arg(position.Line).arg(position.Char);
    }

    QString where() const
    {
        QStringList lines;
        for (const QString &line : linesOf(m_model))
            lines << printable(line);
        return QStringLiteral("caret %1, selection %2 to %3 in mode %4, lines |%5|")
            .arg(text(m_model.CaretXY()), text(m_model.BlockBegin()), text(m_model.BlockEnd()),
                 QString::number(int(m_model.selection().mode)), lines.join(QStringLiteral("|")));
    }

    void checkPosition(TBufferCoord position, const char *what) const
    {
        const int lastLine = std::max(1, m_model.Lines().Count());
        FUZZ_CHECK(position.Line >= 1 && position.Line <= lastLine,
                   QString::fromLatin1(what) + QStringLiteral(" on line %1; ").arg(position.Line) +
                       where());
        const int limit = m_model.columns().maxCaretColumn(position.Line);
        FUZZ_CHECK(position.Char >= 1 && position.Char <= limit,
                   QString::fromLatin1(what) +
                       QStringLiteral(" at column %1; ").arg(position.Char) + where());
    }

    // A column block's corners mix the columns and lines of its two ends, so a corner's column
    // is held to the wider limit of the two lines; in the other modes each end is a position.
    void checkSelection() const
    {
        const TBufferCoord begin = m_model.BlockBegin();
        const TBufferCoord end = m_model.BlockEnd();
        if (m_model.selection().mode != TSelectionMode::smColumn) {
            checkPosition(begin, "selection begin");
            checkPosition(end, "selection end");
            return;
        }
        const int lastLine = std::max(1, m_model.Lines().Count());
        FUZZ_CHECK(
            begin.Line >= 1 && end.Line <= lastLine,
            QStringLiteral("column block on lines %1 to %2; ").arg(begin.Line).arg(end.Line) +
                where());
        const int limit = std::max(m_model.columns().maxCaretColumn(begin.Line),
                                   m_model.columns().maxCaretColumn(end.Line));
        FUZZ_CHECK(
            begin.Char >= 1 && end.Char <= limit,
            QStringLiteral("column block at columns %1 to %2; ").arg(begin.Char).arg(end.Char) +
                where());
    }

    void checkInvariants()
    {
        const TEditorLines &lines = m_model.Lines();
        for (int i = 0; i < lines.Count(); ++i)
            FUZZ_CHECK(!lines.view(i).contains(u'\r') && !lines.view(i).contains(u'\n'), where());
        checkPosition(m_model.CaretXY(), "caret");
        checkSelection();
        FUZZ_CHECK(m_model.viewWindow().topLine() >= 1 &&
                       m_model.viewWindow().topLine() <= m_model.columns().displayLineCount(),
                   where());
        FUZZ_CHECK(m_model.viewWindow().leftColumn() >= 1, where());
        for (int number = 0; number < Bookmarks::kCount; ++number)
            if (const std::optional<TBufferCoord> mark = m_model.bookmarks().at(number))
                FUZZ_CHECK(mark->Line >= 1 && mark->Line <= std::max(1, lines.Count()), where());
        // Reading the selection must work in every mode and state.
        (void)m_model.SelText();

        m_reference.ResetRange();
        for (int i = 0; i < lines.Count(); ++i) {
            const TRange expected = m_reference.ScanEndState(lines.view(i), i);
            FUZZ_CHECK(lines.range(i) == expected,
                       QStringLiteral("stored range of line %1 is %2, a full scan gives %3; ")
                               .arg(i + 1)
                               .arg(lines.range(i))
                               .arg(expected) +
                           where());
        }
    }

    InputReader &m_input;
    EditModel m_model;
    MemoryClipboard m_clipboard;
    TQPILEHighlighter m_highlighter;
    EditorHighlighting m_highlighting{m_model};
    TQPILEHighlighter m_reference;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    Run(input).execute();
    return 0;
}
