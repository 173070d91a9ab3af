#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Deterministic QPILE-like text for the benchmarks: program lines with keywords, strings,
// comments, Cyrillic text and indentation, about 40 bytes a line with CR LF.
namespace bench {

inline QString qpileLine(int index)
{
    static const QStringList shapes = {
        QStringLiteral("PORTFOLIO_EX Portfolio_%1;"),
        QStringLiteral("DESCRIPTION Описание портфеля %1;"),
        QStringLiteral("\tIF price_%1 > 100 THEN"),
        QStringLiteral("\t\tresult = GET_VALUE(row, \"SEC_%1\") "),
        QStringLiteral("\tEND IF ' конец проверки %1"),
        QStringLiteral("    FOR i FROM 1 TO %1"),
        QStringLiteral("\t\tname = \"Бумага %1\" & suffix"),
        QStringLiteral("    total = total + quantity * %1"),
        QStringLiteral("\tCALL SEND_TRANSACTION(%1, params)"),
        QStringLiteral("PARAMETER_TYPE STRING(%1);"),
    };
    return shapes[index % shapes.size()].arg(index);
}

inline QStringList qpileLines(int count)
{
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(qpileLine(i));
    return lines;
}

} // namespace bench
