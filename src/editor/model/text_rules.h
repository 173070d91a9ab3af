#pragma once

#include "buffer_coord.h"

#include <QChar>

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
