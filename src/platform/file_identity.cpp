#include "file_identity.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <QDateTime>
#include <QFileInfo>
#endif

namespace bp {

FileIdentity FileIdentity::of(const QString &path)
{
    FileIdentity identity;
#ifdef Q_OS_UNIX
    struct stat status
    {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return identity;
    identity.exists = true;
    identity.size = status.st_size;
    identity.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    identity.fileNumber = status.st_ino;
    identity.device = status.st_dev;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return identity;
    identity.exists = true;
    identity.size = info.size();
    identity.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
    return identity;
}

DiskChange diskChange(const FileIdentity &recorded, const FileIdentity &current)
{
    if (!current.exists)
        return recorded.exists ? DiskChange::Missing : DiskChange::Unchanged;
    return current == recorded ? DiskChange::Unchanged : DiskChange::Modified;
}

} // namespace bp
