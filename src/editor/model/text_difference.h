#pragma once

#include <QStringView>

namespace bp {

// Where two versions of a line differ: the length of their common start and of their common
// end, which never overlaps the start. Replacing only the part between them turns `old` into
// `changed`.
struct TextDifference
{
    qsizetype prefix = 0;
    qsizetype suffix = 0;
};

inline TextDifference differingPart(QStringView old, QStringView changed)
{
    TextDifference part;
    while (part.prefix < old.size() && part.prefix < changed.size() &&
           old[part.prefix] == changed[part.prefix])
        ++part.prefix;
    while (part.suffix < old.size() - part.prefix && part.suffix < changed.size() - part.prefix &&
           old[old.size() - 1 - part.suffix] == changed[changed.size() - 1 - part.suffix])
        ++part.suffix;
    return part;
}

} // namespace bp
