#include "indentation.h"

#include <algorithm>

namespace bp {

int leadingBlankCount(QStringView text)
{
    int count = 0;
    while (count < text.size() && isIndentChar(text[count]))
        ++count;
    return count;
}

int indentColumns(QStringView text, int tabWidth)
{
    int columns = 0;
    for (qsizetype i = 0; i < text.size() && isIndentChar(text[i]); ++i)
        columns += text[i] == u'\t' ? tabWidth : 1;
    return columns;
}

QString indentationText(int columns, int tabWidth)
{
    columns = std::max(0, columns);
    tabWidth = std::max(1, tabWidth);
    return QString(columns / tabWidth, u'\t') + QString(columns % tabWidth, u' ');
}

} // namespace bp
