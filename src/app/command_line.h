#pragma once

#include <QString>
#include <QStringList>

namespace bp {

// What the command line asks for. Options are read before any window exists, so `--help`
// and `--version` work without a display.
struct CommandLine
{
    bool startEditor = true;
    int exitCode = 0;
    QString output;           // for standard output
    QString errorOutput;      // for standard error
    QStringList files;        // the arguments that are not options; the first one is opened
    bool newDocument = false; // --new: the new-script template, as "Создать..." gives it
};

// `arguments` as the process got them, the program first. The toolkit's own options
// (`-platform offscreen`, `-style ...`) are let through for the application to take.
CommandLine readCommandLine(const QStringList &arguments);

} // namespace bp
