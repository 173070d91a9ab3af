#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace bp {

// The 69 names the first completion popup starts with: the function names of the built-in
// library in tree order, without SET_ROW_COLOR_EX. "func.txt" replaces them at start-up.
QStringList builtInCompletionNames();

// One entry per line of a "func.txt" text, unchanged: no trimming, empty lines kept, no empty
// entry after a final line break, nothing after a NUL.
QStringList parseCompletionText(QStringView text);

// Reads and decodes "func.txt" (byte-order mark, else Windows-1251) and parses it. Throws
// bp::Error when the file cannot be read or decoded; the caller's lists then stay as they are.
// The same entries fill both the item list and the insert list of the popup.
QStringList readCompletionFile(const QString &path);

} // namespace bp
