#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

QObject *newMainWindowTest();
QObject *newDocumentTest();
QObject *newWindowStateTest();
QObject *newAidsAndSearchTest();

// The shell's test classes share one executable; each runs on its own fresh windows.
int main(int argc, char **argv)
{
    // The offscreen platform's default screen (800 x 600) is smaller than the window's design
    // size, which the window would then be fitted to; the tests use a common desktop screen.
    QTemporaryDir platformDir;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && platformDir.isValid()) {
        const QString config = platformDir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(
                R"({"windowFrameMargins": true, "screens": [{"name": "desktop", "x": 0, "y": 0, )"
                R"("width": 1920, "height": 1080, "logicalDpi": 96}]})");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
        }
    }
    QApplication application(argc, argv);
    int failures = 0;
    for (auto make :
         {newMainWindowTest, newDocumentTest, newWindowStateTest, newAidsAndSearchTest}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
