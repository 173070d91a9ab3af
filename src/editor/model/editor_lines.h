#pragma once

#include "common/text_file.h"
#include "highlight/highlighter_range.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace bp {

class TEditorLinesListener;

// How lines were separated in the file read last; writing uses the same separator.
enum class LineBreakStyle
{
    sffDos,
    sffUnix,
    sffMac,
    sffUnicode
};

struct CutLines
{
    std::vector<QString> lines;
    LineBreakStyle style = LineBreakStyle::sffDos;
};

// Cuts decoded text into lines, the one rule for file text and for text brought in from
// outside (paste, drop): a break is one U+2028, then one CR, then one LF, each optional (so
// LF CR is two breaks); text ending in a break gets an empty last line. The style is
// U+2028 only for text without any CR or LF.
CutLines cutIntoLines(const QString &text);

QString lineBreakOf(LineBreakStyle style);

// The document's lines, each with its stored highlighter range, plus the encoding and
// line-break style of the file read last. Indexes are 0-based.
//
// Lines read from a file share one buffer until they are changed, so a million-line
// file costs one allocation for its text, not one per line. The buffer is freed when the
// last line (or undo record) that shares it is gone.
class TEditorLines
{
public:
    TEditorLines() = default;
    TEditorLines(const TEditorLines &) = delete;
    TEditorLines &operator=(const TEditorLines &) = delete;

    int Count() const { return int(m_texts.size()); }
    bool isEmpty() const { return m_texts.empty(); }

    // The text of line `index`; empty outside the list.
    QString operator[](int index) const;
    QString at(int index) const { return (*this)[index]; }
    // A view valid until the line list next changes; the cheap read for painting and scans.
    QStringView view(int index) const;
    int length(int index) const;

    // Replaces line `index`; index == Count() appends. An index past that is a programming
    // error and ends the program.
    void setLine(int index, const QString &text);
    void Add(const QString &text);
    void insert(int index, const QString &text);
    // Inserts `lines`, less its first `skip` strings, at `index`. More lines than the list
    // holds go in as one block: `lines` becomes the list's storage.
    void insertLines(int index, std::vector<QString> lines, std::size_t skip = 0);
    // Inserts copies of `lines` (sharing their characters) at `index`.
    void insertLines(int index, std::span<const QString> lines);
    void remove(int index, int count = 1);
    // Removes `count` lines from `index`, appending their strings to `into` (no characters
    // copied). Most of the list taken into an empty `into` moves there as one block, so
    // taking a million lines costs no million moves.
    void takeLines(int index, int count, std::vector<QString> &into);
    // Takes lines [index, index + count) into the empty `into` as takeLines does and puts
    // `joined` in their place as line `index`: the notifications of a change of that line,
    // then of the removal of the others.
    void joinLines(int index, int count, const QString &joined, std::vector<QString> &into);
    // Exchanges lines `index` onwards with `texts`, which then holds the old lines: one
    // change notification for the whole range. The range must lie in the list.
    void exchangeLines(int index, std::vector<QString> &texts);
    // Exchanges the lines at `indexes` (ascending) with `texts`, one for each, which then
    // hold the old lines: one change notification, over the span from the first to the last.
    void exchangeLines(std::span<const int> indexes, std::vector<QString> &texts);
    // Removes every line; on an empty list it does nothing.
    void Clear();

    TRange range(int index) const;
    void setRange(int index, TRange range);

    // Replaces the whole text with the file's; throws bp::Error and changes nothing when
    // the file cannot be read or decoded.
    void LoadFromFile(const QString &path);
    // Writes the whole text in the remembered encoding and break style. A text the encoding
    // cannot hold is never written with "?" unasked: `unfit` says what the user chose (see
    // savePlan). Widen writes the wider encoding and remembers it. Throws bp::Error and
    // changes nothing when the file cannot be written, or when `unfit` is Refuse and the
    // text does not fit. `written`, when given, receives what the file was once written.
    void SaveToFile(const QString &path, UnfitText unfit = UnfitText::Refuse,
                    WrittenFile *written = nullptr);
    // What SaveToFile can write of the text as it stands.
    SavePlan savePlan() const;
    // Replaces the whole text with already decoded text (the same cutting as a file).
    void setText(const QString &text);
    // All lines joined with the recorded style's break, nothing after the last.
    QString text() const;
    // The text in the remembered encoding, "?" for each character it lacks.
    QByteArray encodedText() const;

    TextEncoding encoding() const { return m_encoding; }
    void setEncoding(TextEncoding encoding) { m_encoding = encoding; }
    LineBreakStyle breakStyle() const { return m_breakStyle; }
    void setBreakStyle(LineBreakStyle style) { m_breakStyle = style; }

    // Listeners are told of every change in the order they were added.
    void addListener(TEditorLinesListener *listener);
    void removeListener(TEditorLinesListener *listener);

private:
    void replaceAll(const QString &text);
    // Moves lines [index, index + count) out to `into` and, given `joined`, puts it in their
    // place; no notification.
    void cutOut(int index, int count, const QString *joined, std::vector<QString> &into);
    // Makes room for `count` unscanned lines at `index`; the caller fills their texts.
    void openGap(int index, int count);
    template <typename Call> void notify(Call call)
    {
        for (TEditorLinesListener *listener : m_listeners)
            call(listener);
    }

    // The texts and the stored highlighter ranges, one each per line, apart: a block of texts
    // then moves into an undo record as it stands.
    std::vector<QString> m_texts;
    std::vector<TRange> m_ranges;
    TextEncoding m_encoding = TextEncoding::Ansi;
    LineBreakStyle m_breakStyle = LineBreakStyle::sffDos;
    std::vector<TEditorLinesListener *> m_listeners;
};

// Builds the texts of many new lines in one buffer, as loaded lines share the file's: a bulk
// command over a million lines makes one allocation for their characters, not a million.
// Lines kept as they were can be mixed in. Each line becomes a string as it ends, pointing
// into the buffer; a buffer that runs out of room is followed by another, so reserve is only
// a hint.
class LineBuffer
{
public:
    void reserve(qsizetype characters, std::size_t lines);
    LineBuffer &append(QStringView text)
    {
        if (m_end - m_cursor < text.size())
            makeRoom(text.size());
        std::copy_n(text.utf16(), text.size(), m_cursor);
        m_cursor += text.size();
        return *this;
    }
    LineBuffer &append(QChar ch)
    {
        if (m_cursor == m_end)
            makeRoom(1);
        *m_cursor++ = ch.unicode();
        return *this;
    }
    // Ends the line appended since the last line ended.
    void endLine();
    // Adds an existing string as the next line.
    void addLine(QString line);
    std::size_t lineCount() const { return m_lines.size(); }
    // The lines in order; the buffer is left empty.
    std::vector<QString> takeLines();

private:
    // Starts a new block with room for the line begun so far and `more` characters.
    void makeRoom(qsizetype more);

    // The block being filled: the lines already ended share it, and the characters between
    // m_lineStart and m_cursor are the line being built, written in place.
    QString m_block;
    char16_t *m_lineStart = nullptr;
    char16_t *m_cursor = nullptr;
    char16_t *m_end = nullptr;
    std::vector<QString> m_lines;
};

// Told of every structural change, after it happened (the edit model keeps caret,
// highlighter ranges and view in step through it).
class TEditorLinesListener
{
public:
    virtual ~TEditorLinesListener() = default;
    virtual void linesInserted(int index, int count) = 0;
    virtual void linesDeleted(int index, int count) = 0;
    virtual void linesChanged(int index, int count) = 0;
    virtual void linesCleared() = 0;
};

} // namespace bp
