#include "command_line.h"

#include "program_version.h"

#include <QCommandLineParser>

namespace bp {
namespace {

const QString kUsage = QStringLiteral(
    "Usage: brindlepad [options] [file.qpl]\n"
    "Brindlepad, an editor for QPILE portfolio scripts.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "  --new          Start with the new-script template, as \"Создать...\" does.\n"
    "\n"
    "Arguments:\n"
    "  file.qpl       The script to open. After \"--\" every argument is a file name.\n");

// The toolkit's options the application object takes out of the arguments itself.
const QStringList kToolkitOptionsWithValue{QStringLiteral("platform"),
                                           QStringLiteral("platformpluginpath"),
                                           QStringLiteral("platformtheme"),
                                           QStringLiteral("plugin"),
                                           QStringLiteral("qwindowgeometry"),
                                           QStringLiteral("qwindowicon"),
                                           QStringLiteral("qwindowtitle"),
                                           QStringLiteral("session"),
                                           QStringLiteral("display"),
                                           QStringLiteral("geometry"),
                                           QStringLiteral("style"),
                                           QStringLiteral("stylesheet"),
                                           QStringLiteral("name"),
                                           QStringLiteral("title")};
const QStringList kToolkitFlags{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                QStringLiteral("nograb"), QStringLiteral("dograb"),
                                QStringLiteral("sync")};

QString versionText()
{
    return QStringLiteral("Brindlepad %1.%2.%3.%4\n")
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionPatch)
        .arg(kVersionBuild);
}

} // namespace

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-platform offscreen" is one option, as the toolkit reads it.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption newDocument(QStringLiteral("new"),
                                         QStringLiteral("Start with the new-script template."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(newDocument);
    for (const QString &name : kToolkitOptionsWithValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : kToolkitFlags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.startEditor = false;
        result.exitCode = 2;
        result.errorOutput = QStringLiteral("brindlepad: ") + parser.errorText() + u'\n' + kUsage;
        return result;
    }
    if (parser.isSet(help)) {
        result.startEditor = false;
        result.output = kUsage;
        return result;
    }
    if (parser.isSet(version)) {
        result.startEditor = false;
        result.output = versionText();
        return result;
    }
    result.files = parser.positionalArguments();
    result.newDocument = parser.isSet(newDocument);
    return result;
}

} // namespace bp
