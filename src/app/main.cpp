#include "about/view/unit_about.h"
#include "application.h"
#include "command_line.h"
#include "common/previous_content.h"
#include "common/text_file.h"
#include "platform/platform_services.h"
#include "recovery_store.h"
#include "unit_main.h"

#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

namespace {

// The program's Windows fonts, mapped to the metric-compatible or nearest fonts present
// elsewhere, so that the layouts keep their sizes.
void substituteFonts()
{
#ifndef Q_OS_WIN
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    // The about window asks for black weight itself.
    QFont::insertSubstitution(QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"));
#endif
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bp::CommandLine commandLine = bp::readCommandLine(arguments);
    if (!commandLine.startEditor) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
        std::fputs(commandLine.errorOutput.toLocal8Bit().constData(), stderr);
        return commandLine.exitCode;
    }

    // Before anything is written: the settings written by the close query too must fail
    // with an error under a file-size limit, not end the program with unsaved text.
    bp::ignoreFileSizeSignal();
    bp::TApplication application(argc, argv);
    QApplication::setApplicationName(bp::applicationTitle());
    // Ties the windows to the installed menu entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.brindlepad.Brindlepad"));

    // The interface is Russian whatever the system language, Qt's standard buttons too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        qtTranslator.load(QStringLiteral("qtbase_ru"),
                          QApplication::applicationDirPath() + QStringLiteral("/translations")))
        QApplication::installTranslator(&qtTranslator);
    substituteFonts();

    const bp::PlatformServices services = bp::systemServices();
    bp::RecoveryStore recoveryStore(bp::RecoveryStore::defaultFolder());
    // An in-place save keeps the old bytes beside the recovery files, under this instance's
    // name, so that the next start finds them after a crash.
    bp::setPreviousContentFolder(recoveryStore.folder(), recoveryStore.ownerName());
    bp::Tfrm_Main frm_Main(services, commandLine.files);
    application.reportFailure = [&frm_Main](const QString &message) {
        frm_Main.showErrorBox(message);
    };
    bp::AboutServices aboutServices;
    aboutServices.shell = services.shell;
    aboutServices.prompts = services.prompts;
    aboutServices.runCommand = [&frm_Main](const std::function<void()> &command) {
        return frm_Main.runCommand(command);
    };
    bp::Tfrm_About frm_About(aboutServices, &frm_Main);
    frm_Main.setAboutWindow(&frm_About);
    frm_Main.show();
    // The launcher's "Новый файл": the same command as "Создать...".
    if (commandLine.newDocument)
        frm_Main.actions().FileNew->trigger();
    frm_Main.startRecovery(recoveryStore);
    const int result = QApplication::exec();
    application.reportFailure = nullptr;
    return result;
}
