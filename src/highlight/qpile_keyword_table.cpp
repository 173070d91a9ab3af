#include "highlight/qpile_keyword_table.h"

namespace bp::qpile {

namespace {

constexpr bool keywordsAreSorted()
{
    for (int i = 1; i < KeywordCount; ++i) {
        if (!(Keywords[std::size_t(i - 1)].text < Keywords[std::size_t(i)].text))
            return false;
    }
    return true;
}

// Each one-word keyword must be on its bucket's chain, or a lookup could not find it.
constexpr bool oneWordKeywordsAreInTheirBuckets()
{
    for (int i = 0; i < KeywordCount; ++i) {
        const Keyword &keyword = Keywords[std::size_t(i)];
        if (!isOneWord(keyword.text))
            continue;
        int index = BucketKeywordIndexes[std::size_t(bucketOf(keyword.text))];
        while (index >= 0 && index != i)
            index = NextKeywordInBucket[std::size_t(index)];
        if (index != i)
            return false;
    }
    return true;
}

static_assert(keywordsAreSorted());
static_assert(oneWordKeywordsAreInTheirBuckets());

} // namespace

QString keyWordsText()
{
    QString text;
    text.reserve(1600);
    for (int i = 0; i < KeywordCount; ++i) {
        if (i > 0)
            text += u',';
        for (char16_t c : Keywords[std::size_t(i)].text)
            text += QChar(c >= u'a' && c <= u'z' ? char16_t(c - 0x20) : c);
    }
    return text;
}

} // namespace bp::qpile
