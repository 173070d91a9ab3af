#include "data_file_lines.h"

namespace bp {

QStringList cutDataFileLines(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text = text.first(nul);

    QStringList lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.append(text.sliced(start, end - start).toString());
        if (end < size && text[end] == u'\r')
            ++end;
        if (end < size && text[end] == u'\n')
            ++end;
        start = end;
    }
    return lines;
}

} // namespace bp
