#pragma once

#include <QStringList>
#include <QStringView>

namespace bp {

// Cuts the text of a data file ("library.txt", "func.txt") into lines. A line ends at
// CR LF, a lone CR or a lone LF (LF CR is two breaks); a break at the very end adds no
// empty line; a NUL ends the text. U+2028 is an ordinary character here, unlike in
// documents.
QStringList cutDataFileLines(QStringView text);

} // namespace bp
