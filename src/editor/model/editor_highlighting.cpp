#include "editor_highlighting.h"

#include "edit_model.h"

#include <algorithm>

namespace bp {

EditorHighlighting::EditorHighlighting(EditModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_lines(model.Lines())
{
    m_lines.addListener(this);
}

EditorHighlighting::~EditorHighlighting()
{
    detach();
    m_lines.removeListener(this);
}

void EditorHighlighting::detach()
{
    if (!m_highlighter)
        return;
    m_highlighter->UnhookAttrChangeEvent(m_changeHook);
    m_highlighter->RemoveDestroyHandler(m_destroyHook);
    m_highlighter = nullptr;
    forgetResumePoints();
    m_model.setTextRules(nullptr);
}

void EditorHighlighting::setHighlighter(TCustomHighlighter *highlighter)
{
    if (highlighter == m_highlighter)
        return;
    detach();
    m_highlighter = highlighter;
    if (m_highlighter) {
        m_changeHook = m_highlighter->HookAttrChangeEvent(
            [this](const TChangeSender &sender) { handleChange(sender); });
        m_destroyHook = m_highlighter->AddDestroyHandler([this](TCustomHighlighter *destroyed) {
            if (destroyed == m_highlighter) {
                detach();
                emit highlighterChanged();
            }
        });
        m_model.setTextRules(this);
        handleChange(TChangeSender::fromHighlighter(m_highlighter));
    } else {
        emit highlighterChanged();
    }
}

bool EditorHighlighting::isWordChar(QChar ch) const
{
    return m_highlighter ? m_highlighter->IsEditorIdentChar(ch) : plainWordChar(ch);
}

bool EditorHighlighting::isInStringOrComment(TBufferCoord position) const
{
    if (!m_highlighter)
        return false;
    const std::optional<TokenInfo> token = tokenAt(position.Line, position.Char);
    return token && token->attribute &&
           (token->attribute ==
                m_highlighter->GetDefaultAttribute(TCustomHighlighter::CommentRole) ||
            token->attribute == m_highlighter->GetDefaultAttribute(TCustomHighlighter::StringRole));
}

int EditorHighlighting::resumePoint(int index, int column, TRange &range) const
{
    // Short distances are scanned through; the points are kept for long lines only.
    constexpr int kKeptDistance = 4096;
    if (index == 0)
        m_highlighter->ResetRange();
    else
        m_highlighter->SetRange(m_lines.range(index - 1));
    ResumePoint known{0, m_highlighter->GetRange()};
    if (column < kKeptDistance) {
        range = known.range;
        return 0;
    }
    if (m_resumeLine != index) {
        m_resumeLine = index;
        m_resumePoints.clear();
    }
    auto next = std::upper_bound(m_resumePoints.begin(), m_resumePoints.end(), column,
                                 [](int c, const ResumePoint &p) { return c < p.column; });
    if (next != m_resumePoints.begin())
        known = *std::prev(next);
    const int start = m_highlighter->ResumePoint(m_lines.view(index), index, known.column,
                                                 known.range, column, range);
    if (start - known.column >= kKeptDistance)
        m_resumePoints.insert(next, ResumePoint{start, range});
    return start;
}

void EditorHighlighting::handleChange(const TChangeSender &sender)
{
    forgetResumePoints();
    // A highlighter as sender means new scanning rules: the stored ranges are all stale.
    if (sender.highlighter && m_highlighter && !m_lines.isEmpty())
        m_lastScan = RangeRescanner::scanAll(*m_highlighter, *this);
    emit highlighterChanged();
}

void EditorHighlighting::report(ScannedLines scanned)
{
    m_lastScan = scanned;
    if (!scanned.isEmpty())
        emit linesRecoloured(scanned.first, scanned.last);
}

void EditorHighlighting::linesInserted(int index, int count)
{
    forgetResumePoints();
    if (m_highlighter)
        report(RangeRescanner::afterLinesInserted(*m_highlighter, *this, index, count));
}

void EditorHighlighting::linesDeleted(int index, int)
{
    forgetResumePoints();
    if (m_highlighter)
        report(RangeRescanner::afterLinesDeleted(*m_highlighter, *this, index));
}

void EditorHighlighting::linesChanged(int index, int count)
{
    forgetResumePoints();
    if (!m_highlighter)
        return;
    report(RangeRescanner::afterLinesChanged(*m_highlighter, *this, index, count));
}

void EditorHighlighting::linesCleared()
{
    forgetResumePoints();
    m_lastScan = {};
}

int EditorHighlighting::lineCount() const
{
    return m_lines.Count();
}

QStringView EditorHighlighting::lineText(int index) const
{
    return m_lines.view(index);
}

TRange EditorHighlighting::lineRange(int index) const
{
    return m_lines.range(index);
}

void EditorHighlighting::setLineRange(int index, TRange range)
{
    m_lines.setRange(index, range);
}

std::optional<EditorHighlighting::TokenInfo> EditorHighlighting::tokenAt(int line, int column) const
{
    if (line < 1 || line > m_lines.Count())
        return std::nullopt;
    std::optional<TokenInfo> found;
    const int index = column - 1;
    // The whole line: a token covering the column may run on past it.
    scanLine(line - 1, m_lines.length(line - 1) + 1,
             [&](int start, int length, THighlighterAttributes *attribute, TTokenKind kind) {
                 if (index >= start && index < start + length)
                     found = TokenInfo{m_lines.view(line - 1).sliced(start, length).toString(),
                                       start + 1, attribute, kind};
             });
    return found;
}

// One scan of the line from its stored start state; the tokens carry the attributes that
// isInStringOrComment compares one column at a time.
std::vector<TextRules::ColumnSpan> EditorHighlighting::stringOrCommentSpans(int line,
                                                                            int length) const
{
    std::vector<ColumnSpan> spans;
    if (!m_highlighter || line < 1 || line > m_lines.Count())
        return spans;
    const THighlighterAttributes *comment =
        m_highlighter->GetDefaultAttribute(TCustomHighlighter::CommentRole);
    const THighlighterAttributes *string =
        m_highlighter->GetDefaultAttribute(TCustomHighlighter::StringRole);
    length = std::min(length, m_lines.length(line - 1));
    scanLine(line - 1, length + 1,
             [&](int start, int tokenLength, THighlighterAttributes *attribute, TTokenKind) {
                 if (!attribute || (attribute != comment && attribute != string))
                     return;
                 const int first = start + 1;
                 const int last = std::min(start + tokenLength, length);
                 if (last < first)
                     return;
                 if (!spans.empty() && spans.back().last >= first - 1)
                     spans.back().last = std::max(spans.back().last, last);
                 else
                     spans.push_back({first, last});
             });
    return spans;
}

} // namespace bp
