#include "test_runner.h"

#include <QTest>

#if defined(QT_WIDGETS_LIB)
#include <QApplication>
using DefaultApplication = QApplication;
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
using DefaultApplication = QGuiApplication;
#else
#include <QCoreApplication>
using DefaultApplication = QCoreApplication;
#endif

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace bp::testing {
namespace {

struct Registration
{
    const char *name;
    MakeTest make;
};

std::vector<Registration> &registrations()
{
    static std::vector<Registration> list;
    return list;
}

ProgramSetup &programSetup()
{
    static ProgramSetup setup;
    return setup;
}

// The offscreen platform's default screen (800 x 600) is smaller than the main window's default
// size (961 x 591), which the window would then be fitted to; window tests ask for a common desktop
// screen.
[[maybe_unused]] void useDesktopScreen(QTemporaryDir &folder)
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !folder.isValid())
        return;
    const QString config = folder.filePath(u"screens.json"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(R"({"windowFrameMargins": true, "screens": [{"name": "desktop", "x": 0, "y": 0, )"
               R"("width": 1920, "height": 1080, "logicalDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
}

} // namespace

bool registerTest(const char *name, MakeTest make)
{
    registrations().push_back({name, make});
    return true;
}

bool setProgramSetup(ProgramSetup setup)
{
    programSetup() = setup;
    return true;
}

} // namespace bp::testing

int main(int argc, char **argv)
{
    const bp::testing::ProgramSetup &setup = bp::testing::programSetup();
    if (setup.beforeApplication) {
        const int exitCode = setup.beforeApplication(argc, argv);
        if (exitCode >= 0)
            return exitCode;
    }
    QTemporaryDir platformFolder;
#ifdef BP_TEST_DESKTOP_SCREEN
    bp::testing::useDesktopScreen(platformFolder);
#endif
    std::unique_ptr<QCoreApplication> application =
        setup.makeApplication ? setup.makeApplication(argc, argv)
                              : std::make_unique<DefaultApplication>(argc, argv);
    // Fonts measure the same on every machine, as in any Qt test program.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    auto list = bp::testing::registrations();
    std::sort(list.begin(), list.end(), [](const auto &a, const auto &b) {
        return std::string_view(a.name) < std::string_view(b.name);
    });
    // Any failed class fails the program: a sum of failure counts could reach 256, which an
    // exit status reads as 0.
    bool failed = false;
    for (const auto &entry : list) {
        const std::unique_ptr<QObject> test = entry.make();
        failed = QTest::qExec(test.get(), argc, argv) != 0 || failed;
    }
    application.reset();
    if (setup.afterRun)
        setup.afterRun();
    return failed ? 1 : 0;
}
