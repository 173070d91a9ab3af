#pragma once

#include "editor_lines.h"
#include "highlight/custom_highlighter.h"
#include "highlight/range_rescanner.h"
#include "text_rules.h"

#include <QObject>

namespace bp {

class EditModel;

// Keeps the per-line highlighter ranges of an EditModel current: a full scan when a
// highlighter is attached, and after every change a rescan that stops at the first line
// whose stored end state is unchanged. Tells the view which lines to repaint.
class EditorHighlighting : public QObject,
                           private TEditorLinesListener,
                           private HighlightLineSource,
                           private TextRules
{
    Q_OBJECT
public:
    explicit EditorHighlighting(EditModel &model, QObject *parent = nullptr);
    ~EditorHighlighting() override;

    // Attaches `highlighter` (null detaches): hooks its change notification, asks to be told
    // of its destruction, and runs a full scan.
    void setHighlighter(TCustomHighlighter *highlighter);
    TCustomHighlighter *highlighter() const { return m_highlighter; }

    // The lines the last rescan went over (0-based), for tests and benchmarks.
    ScannedLines lastScan() const { return m_lastScan; }

    // Scans line `index` (0-based) from its stored start state and calls
    // `token(start, length, attribute, kind)` for each token that begins before `endChar`,
    // leaving out tokens that end before a token start at or before `startChar`, which a long
    // line is then not scanned up to. Returns false, calling nothing, while no enabled
    // highlighter is attached.
    template <typename TokenSink>
    bool scanLine(int index, int endChar, TokenSink token, int startChar = 0) const;

    // The attribute and kind of the token covering `column` (1-based) on `line` (1-based).
    struct TokenInfo
    {
        QString text;
        int start = 0; // 1-based column
        THighlighterAttributes *attribute = nullptr;
        TTokenKind kind = 0;
    };
    std::optional<TokenInfo> tokenAt(int line, int column) const;

signals:
    // Lines [first, last] (0-based) may show other colours.
    void linesRecoloured(int first, int last);
    // Every line may show other colours or metrics (an attribute or the highlighter changed).
    void highlighterChanged();

private:
    // TEditorLinesListener
    void linesInserted(int index, int count) override;
    void linesDeleted(int index, int count) override;
    void linesChanged(int index, int count) override;
    void linesCleared() override;
    // HighlightLineSource
    int lineCount() const override;
    QStringView lineText(int index) const override;
    TRange lineRange(int index) const override;
    void setLineRange(int index, TRange range) override;
    // TextRules: the attached highlighter's word characters, and its comment and string
    // attributes at a position.
    bool isWordChar(QChar ch) const override;
    bool isInStringOrComment(TBufferCoord position) const override;
    std::vector<ColumnSpan> stringOrCommentSpans(int line, int length) const override;

    // The token start at or before `column` of line `index` to scan from, and its state.
    int resumePoint(int index, int column, TRange &range) const;
    void forgetResumePoints() const { m_resumeLine = -1; }

    void handleChange(const TChangeSender &sender);
    void report(ScannedLines scanned);
    void detach();

    EditModel &m_model;
    TEditorLines &m_lines;
    TCustomHighlighter *m_highlighter = nullptr;
    THookId m_changeHook = 0;
    THookId m_destroyHook = 0;
    ScannedLines m_lastScan;
    // Token starts found in one long line (m_resumeLine, -1 for none), in column order, so
    // painting it again, as a caret blink does, starts next to where it is shown.
    struct ResumePoint
    {
        int column = 0;
        TRange range = 0;
    };
    mutable int m_resumeLine = -1;
    mutable std::vector<ResumePoint> m_resumePoints;
};

template <typename TokenSink>
bool EditorHighlighting::scanLine(int index, int endChar, TokenSink token, int startChar) const
{
    if (!m_highlighter || !m_highlighter->Enabled())
        return false;
    TCustomHighlighter &highlighter = *m_highlighter;
    TRange range = 0;
    const int from = startChar > 0 ? resumePoint(index, startChar, range) : 0;
    if (from == 0) {
        if (index == 0)
            highlighter.ResetRange();
        else
            highlighter.SetRange(m_lines.range(index - 1));
    } else {
        highlighter.SetRange(range);
    }
    // Tokens before endChar do not depend on the text after the word that covers it, so a
    // long line is scanned only as far as it is shown.
    QStringView text = m_lines.view(index);
    if (endChar < text.size()) {
        qsizetype cut = std::max(endChar, from);
        while (cut < text.size() && highlighter.IsIdentChar(text[cut]))
            ++cut;
        text = text.first(std::min<qsizetype>(cut + 1, text.size()));
    }
    highlighter.SetLine(text.sliced(std::min<qsizetype>(from, text.size())), index);
    while (!highlighter.GetEol()) {
        const int start = from + highlighter.GetTokenPos();
        if (start >= endChar)
            break;
        token(start, int(highlighter.GetTokenView().size()), highlighter.GetTokenAttribute(),
              highlighter.GetTokenKind());
        highlighter.Next();
    }
    return true;
}

} // namespace bp
