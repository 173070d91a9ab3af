#pragma once

#include <QString>
#include <QStringView>

namespace bp {

// Leading white space of a line: characters with codes 1 to 32.
inline bool isIndentChar(QChar ch)
{
    return ch.unicode() >= 1 && ch.unicode() <= 32;
}

// Number of leading white-space characters of `text`.
int leadingBlankCount(QStringView text);

// Width of the leading white space in columns: a tab counts 4, anything else 1.
int indentColumns(QStringView text);

// `columns` of indentation written as tabs and spaces: (n div 4) tabs and (n mod 4) spaces
// from 4 columns on, plain spaces below.
QString indentationText(int columns);

} // namespace bp
