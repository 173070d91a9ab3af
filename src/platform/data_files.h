#pragma once

#include <QString>
#include <QStringList>

namespace bp {

// Where a data file of the program ("library.txt", "func.txt") may be, in the order they are
// tried: beside the program (a build folder, a Windows install), the installed data folder
// relative to the program (`<prefix>/bin/../share/brindlepad`), then the system's data
// folders for the program. `programFolder` is the folder of the running program.
QStringList dataFileCandidates(const QString &name, const QString &programFolder);

// The first candidate that exists; when none does, the one beside the program, so a missing
// file is reported and handled as it always was.
QString locateDataFile(const QString &name, const QString &programFolder);

} // namespace bp
