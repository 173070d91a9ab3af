#include "text_pieces.h"

#include <QtGlobal>

namespace bp {

TextPieces::TextPieces(const QString &text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch != u'\r' && ch != u'\n')
            continue;
        m_pieces.push_back(text.mid(start, i - start));
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    m_pieces.push_back(start == 0 ? text : text.mid(start));
}

TextPieces::TextPieces(std::vector<QString> pieces) : m_pieces(std::move(pieces))
{
    if (m_pieces.empty())
        m_pieces.emplace_back();
}

QString TextPieces::joined() const
{
    qsizetype total = 0;
    for (const QString &piece : m_pieces)
        total += piece.size() + 2;
    QString result;
    result.reserve(total);
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        if (i > 0)
            result += QLatin1String("\r\n");
        result += m_pieces[i];
    }
    return result;
}

} // namespace bp
