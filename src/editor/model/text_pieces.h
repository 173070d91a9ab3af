#pragma once

#include "buffer_coord.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace bp {

// Text kept as the lines it spans: the pieces between its line breaks, at least one (an
// empty text is one empty piece). Whole lines taken out of the document stay the strings
// they were, so recording a removed block copies no characters and putting it back cuts
// nothing.
class TextPieces
{
public:
    TextPieces() : m_pieces(1) {}
    // Cuts `text` at CR LF, CR or LF.
    TextPieces(const QString &text);
    explicit TextPieces(std::vector<QString> pieces);

    const std::vector<QString> &pieces() const { return m_pieces; }
    std::vector<QString> &pieces() { return m_pieces; }
    int breakCount() const { return int(m_pieces.size()) - 1; }
    bool isEmpty() const { return m_pieces.size() == 1 && m_pieces.front().isEmpty(); }
    // The text with CR LF between the pieces.
    QString joined() const;
    // Where the text ends when inserted at `at`.
    TBufferCoord endWhenInsertedAt(TBufferCoord at) const
    {
        if (m_pieces.size() == 1)
            return {at.Char + int(m_pieces.front().size()), at.Line};
        return {int(m_pieces.back().size()) + 1, at.Line + breakCount()};
    }

    friend bool operator==(const TextPieces &, const TextPieces &) = default;

private:
    std::vector<QString> m_pieces;
};

} // namespace bp
