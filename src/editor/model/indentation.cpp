#include "indentation.h"

namespace bp {
namespace {

constexpr int kIndentTabColumns = 4;

} // namespace

int leadingBlankCount(QStringView text)
{
    int count = 0;
    while (count < text.size() && isIndentChar(text[count]))
        ++count;
    return count;
}

int indentColumns(QStringView text)
{
    int columns = 0;
    for (qsizetype i = 0; i < text.size() && isIndentChar(text[i]); ++i)
        columns += text[i] == u'\t' ? kIndentTabColumns : 1;
    return columns;
}

QString indentationText(int columns)
{
    if (columns < kIndentTabColumns)
        return QString(std::max(0, columns), u' ');
    return QString(columns / kIndentTabColumns, u'\t') + QString(columns % kIndentTabColumns, u' ');
}

} // namespace bp
