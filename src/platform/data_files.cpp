#include "data_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace bp {

QStringList dataFileCandidates(const QString &name, const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList candidates{
        program.filePath(name),
        QDir::cleanPath(program.filePath(QStringLiteral("../share/brindlepad/") + name))};
    // The application's own data folders carry its display name; installs use the lower-case
    // folder under every system data folder.
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::AppDataLocation))
        candidates.append(QDir(folder).filePath(name));
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates.append(QDir(folder).filePath(QStringLiteral("brindlepad/") + name));
    candidates.removeDuplicates();
    return candidates;
}

QString locateDataFile(const QString &name, const QString &programFolder)
{
    const QStringList candidates = dataFileCandidates(name, programFolder);
    for (const QString &candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return candidate;
    return candidates.constFirst();
}

} // namespace bp
