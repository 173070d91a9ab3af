#include "document_file.h"

namespace bp {
QString fileNamePart(const QString &path)
{
    const qsizetype cut =
        std::max({path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
}

QStringList newDocumentTemplate()
{
    return {QStringLiteral("PORTFOLIO_EX Portfolio_Name;"),
            QStringLiteral("DESCRIPTION Описание портфеля;"),
            QStringLiteral("CLIENTS_LIST ALL_CLIENTS;"),
            QStringLiteral("FIRMS_LIST FIRMID;"),
            QString(),
            QStringLiteral("PROGRAM"),
            QString(),
            QString(),
            QString(),
            QStringLiteral("END_PROGRAM"),
            QString(),
            QStringLiteral("PARAMETER Null;"),
            QStringLiteral("PARAMETER_TITLE Null;"),
            QStringLiteral("PARAMETER_DESCRIPTION Null;"),
            QStringLiteral("PARAMETER_TYPE STRING(10);"),
            QStringLiteral("END"),
            QString(),
            QStringLiteral("END_PORTFOLIO_EX")};
}

} // namespace bp
