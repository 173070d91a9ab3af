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

// Width of the leading white space in columns: a tab counts `tabWidth`, anything else 1.
// Indentation written by indentationText with the same tab width measures what it shows.
int indentColumns(QStringView text, int tabWidth);

// `columns` of indentation written as tabs and spaces: (n div tabWidth) tabs and
// (n mod tabWidth) spaces, so it fills exactly `columns` display columns from column 1.
QString indentationText(int columns, int tabWidth);

} // namespace bp
