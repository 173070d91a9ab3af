#pragma once

#include <QString>
#include <QtGlobal>

namespace bp {

// What a file looked like at one moment: enough to tell, later, whether another program
// wrote, replaced, removed or renamed it. Two identities are equal when nothing of that
// kind happened in between (or it left no trace in size, time and file number).
struct FileIdentity
{
    bool exists = false;
    qint64 size = -1;
    // Modification time in nanoseconds since the epoch where the system has them.
    qint64 modifiedNs = 0;
    // The file's number and device where the system has them (zero elsewhere): an atomic
    // replace by another program gives the path a new file with the same size and time.
    quint64 fileNumber = 0;
    quint64 device = 0;

    // The file `path` names now, following symbolic links.
    static FileIdentity of(const QString &path);

    bool operator==(const FileIdentity &) const = default;
};

enum class DiskChange
{
    Unchanged,
    // Written or replaced by another program.
    Modified,
    // Gone from its path: deleted, or renamed to another one.
    Missing
};

// How `current` differs from `recorded`. A file that was missing when recorded and is
// there now counts as modified.
DiskChange diskChange(const FileIdentity &recorded, const FileIdentity &current);

} // namespace bp
