#include "qpile_tokens.h"

namespace bp {

void QpileLineTokens::scan(TQPILEHighlighter &highlighter, QStringView line, int lineIndex)
{
    m_all.clear();
    m_significant.clear();
    m_text = line;
    highlighter.SetLine(line, lineIndex);
    m_lowered = highlighter.ScannedLine();
    while (!highlighter.GetEol()) {
        const TtkTokenKind kind = highlighter.TokenID();
        if (kind != TtkTokenKind::tkSpace && kind != TtkTokenKind::tkComment)
            m_significant.push_back(int(m_all.size()));
        m_all.push_back({kind, highlighter.GetTokenPos(), 0});
        highlighter.Next();
    }
    // Tokens cover the line without gaps: each ends where the next begins.
    for (std::size_t i = 0; i < m_all.size(); ++i) {
        const int end = i + 1 < m_all.size() ? m_all[i + 1].pos : int(line.size());
        m_all[i].length = end - m_all[i].pos;
    }
}

bool QpileLineTokens::isWord(const QpileToken &token)
{
    switch (token.kind) {
    case TtkTokenKind::tkControls:
    case TtkTokenKind::tkIdentifier:
    case TtkTokenKind::tkKey:
    case TtkTokenKind::tkMain:
    case TtkTokenKind::tkReserved:
        return true;
    default:
        return false;
    }
}

int QpileLineTokens::continuationMark() const
{
    const int last = significantCount() - 1;
    if (last < 0)
        return -1;
    const int allIndex = m_significant[std::size_t(last)];
    const QpileToken &mark = m_all[std::size_t(allIndex)];
    if (mark.length != 1 || m_lowered[mark.pos] != u'_' || allIndex == 0 ||
        m_all[std::size_t(allIndex - 1)].kind != TtkTokenKind::tkSpace)
        return -1;
    return last;
}

} // namespace bp
