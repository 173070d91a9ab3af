#pragma once

#include "buffer_coord.h"

#include <QChar>

#include <vector>

namespace bp {

// What the document's language says about its text: which characters make words (for word
// movement, word deletion and double-click selection) and where strings and comments lie
// (brackets there do not pair). The highlighting side answers once a highlighter is
// attached; without one the model uses `plainWordChar` and sees no strings or comments.
class TextRules
{
public:
    virtual bool isWordChar(QChar ch) const = 0;
    virtual bool isInStringOrComment(TBufferCoord position) const = 0;
    // The columns of `line` (1-based, the line `length` characters long) that lie in strings
    // or comments, as ascending [first, last] spans: what isInStringOrComment says of every
    // column, found with one look at the line, so a walk along a long line stays linear.
    struct ColumnSpan
    {
        int first = 0;
        int last = 0;
    };
    virtual std::vector<ColumnSpan> stringOrCommentSpans(int line, int length) const
    {
        std::vector<ColumnSpan> spans;
        for (int column = 1; column <= length; ++column) {
            if (!isInStringOrComment({column, line}))
                continue;
            if (!spans.empty() && spans.back().last == column - 1)
                spans.back().last = column;
            else
                spans.push_back({column, column});
        }
        return spans;
    }

protected:
    ~TextRules() = default;
};

// A-Z, a-z, 0-9 and the underscore: the word characters without a highlighter.
inline bool plainWordChar(QChar ch)
{
    const char16_t u = ch.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || u == u'_' ||
           (u >= u'a' && u <= u'z');
}

} // namespace bp
