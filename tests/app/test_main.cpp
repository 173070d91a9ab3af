#include <QApplication>
#include <QTest>
#include <memory>

QObject *newMainWindowTest();
QObject *newDocumentTest();
QObject *newWindowStateTest();
QObject *newAidsAndSearchTest();

// The shell's test classes share one executable; each runs on its own fresh windows.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    int failures = 0;
    for (auto make :
         {newMainWindowTest, newDocumentTest, newWindowStateTest, newAidsAndSearchTest}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
