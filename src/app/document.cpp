#include "document.h"

#include "editor/model/editor_lines.h"
#include "recovery_store.h"

#include <algorithm>
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

void TextDocument::read(const QString &path)
{
    m_lines.LoadFromFile(path);
    m_fileName = path;
}

void TextDocument::reload()
{
    m_lines.LoadFromFile(m_fileName);
    m_saved = true;
}

SavePlan TextDocument::savePlan() const
{
    return m_lines.savePlan();
}

WrittenFile TextDocument::save(const QString &path, UnfitText unfit)
{
    WrittenFile written;
    m_lines.SaveToFile(path, unfit, &written);
    m_fileName = path;
    m_saved = true;
    return written;
}

void TextDocument::startNew()
{
    m_lines.Clear();
    for (const QString &line : newDocumentTemplate())
        m_lines.Add(line);
    m_saved = false;
}

void TextDocument::restore(RecoveredText &&text)
{
    m_lines.Clear();
    m_lines.insertLines(0, std::move(text.lines));
    m_lines.setEncoding(text.encoding);
    m_lines.setBreakStyle(text.breakStyle);
    m_fileName = text.documentName;
    m_saved = false;
}

} // namespace bp
