#pragma once

#include "highlight/qpile_highlighter.h"

#include <QStringView>
#include <vector>

namespace bp {

// One token of a scanned line: kind, 0-based start and length.
struct QpileToken
{
    TtkTokenKind kind = TtkTokenKind::tkNull;
    int pos = 0;
    int length = 0;

    int end() const { return pos + length; }
};

// The tokens of one line and its lower-cased text, as the highlighter scans them. The
// language aids read lines through this so that each line is tokenised once per pass.
class QpileLineTokens
{
public:
    // Scans `line` (0-based index `lineIndex`) with `highlighter` from its current range,
    // which is the line's end state afterwards. `lowered` stays valid until the highlighter
    // scans another line.
    void scan(TQPILEHighlighter &highlighter, QStringView line, int lineIndex);

    // Every token in order (blanks and comments included).
    const std::vector<QpileToken> &all() const { return m_all; }
    // Indexes into all() of the tokens that are neither blank nor comment.
    const std::vector<int> &significant() const { return m_significant; }
    const QpileToken &significantAt(int i) const { return m_all[std::size_t(m_significant[i])]; }
    int significantCount() const { return int(m_significant.size()); }

    QStringView text() const { return m_text; }
    QStringView lowered() const { return m_lowered; }
    QStringView loweredText(const QpileToken &token) const
    {
        return m_lowered.mid(token.pos, token.length);
    }
    QStringView textOf(const QpileToken &token) const
    {
        return m_text.mid(token.pos, token.length);
    }
    // Whether the token is the one character `c`.
    bool isChar(const QpileToken &token, char16_t c) const
    {
        return token.length == 1 && m_lowered[token.pos] == c;
    }
    // Whether the token is a word: an identifier or a keyword of any class.
    static bool isWord(const QpileToken &token);

    // Whether the line ends in the continuation mark: a blank, then "_" as the last token
    // before any comment. Its significant index, or -1.
    int continuationMark() const;

private:
    std::vector<QpileToken> m_all;
    std::vector<int> m_significant;
    QStringView m_text;
    QStringView m_lowered;
};

} // namespace bp
