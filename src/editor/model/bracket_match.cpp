#include "bracket_match.h"

#include "editor_lines.h"
#include "text_rules.h"

#include <algorithm>
#include <vector>

namespace bp {
namespace {

constexpr char16_t kPairs[][2] = {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'<', u'>'}};

// The string and comment spans of one line, read in the direction of the walk: the columns
// asked for only ever move one way, so a cursor over the spans answers each in passing.
class SkippedColumns
{
public:
    SkippedColumns(const TextRules *rules, int line, int length, bool forwards)
        : m_forwards(forwards)
    {
        if (rules)
            m_spans = rules->stringOrCommentSpans(line, length);
        m_next = forwards ? 0 : qsizetype(m_spans.size()) - 1;
    }

    bool contains(int column)
    {
        if (m_forwards) {
            while (m_next < qsizetype(m_spans.size()) && m_spans[m_next].last < column)
                ++m_next;
            return m_next < qsizetype(m_spans.size()) && m_spans[m_next].first <= column;
        }
        while (m_next >= 0 && m_spans[m_next].first > column)
            --m_next;
        return m_next >= 0 && m_spans[m_next].last >= column;
    }

private:
    std::vector<TextRules::ColumnSpan> m_spans;
    qsizetype m_next = 0;
    bool m_forwards = true;
};

} // namespace

std::optional<TBufferCoord> findMatchingBracket(const TEditorLines &lines, TBufferCoord at,
                                                const TextRules *rules)
{
    if (at.Line < 1 || at.Line > lines.Count())
        return std::nullopt;
    const QStringView start = lines.view(at.Line - 1);
    if (at.Char < 1 || at.Char > start.size())
        return std::nullopt;
    const char16_t here = start[at.Char - 1].unicode();
    char16_t open = 0, close = 0;
    bool forwards = true;
    for (const auto &pair : kPairs) {
        if (here == pair[0] || here == pair[1]) {
            open = pair[0];
            close = pair[1];
            forwards = here == pair[0];
        }
    }
    if (open == 0)
        return std::nullopt;
    const char16_t same = forwards ? open : close;
    const char16_t partner = forwards ? close : open;
    const int step = forwards ? 1 : -1;
    int depth = 0;
    qsizetype budget = kBracketSearchLimit;
    for (int line = at.Line; line >= 1 && line <= lines.Count(); line += step) {
        const QStringView text = lines.view(line - 1);
        const int size = int(text.size());
        // 0-based; the first line starts next to the bracket itself.
        int index = line == at.Line ? at.Char - 1 + step : (forwards ? 0 : size - 1);
        // The characters [low, high) this line may still read: past them the search gives up.
        const qsizetype readable = std::max(0, forwards ? size - index : index + 1);
        int low = 0;
        int high = size;
        if (readable >= budget) {
            if (forwards)
                high = int(index + budget);
            else
                low = int(index - budget + 1);
            budget = 0;
        } else {
            budget -= readable + 1;
        }
        // Asked for only once the line shows a bracket of the pair.
        std::optional<SkippedColumns> skipped;
        for (; index >= low && index < high; index += step) {
            const char16_t ch = text[index].unicode();
            if (ch != same && ch != partner)
                continue;
            if (!skipped)
                skipped.emplace(rules, line, size, forwards);
            if (skipped->contains(index + 1))
                continue;
            if (ch == same)
                ++depth;
            else if (depth-- == 0)
                return TBufferCoord{index + 1, line};
        }
        if (budget == 0)
            break;
    }
    return std::nullopt;
}

} // namespace bp
