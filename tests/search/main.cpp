#include <QCoreApplication>

int runEditorSearchTests(int argc, char **argv);
int runSearchReplaceTests(int argc, char **argv);
int runSearchCommandsTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Any failed run fails the program: a sum of failure counts could reach 256, which an
    // exit status reads as 0.
    bool failed = false;
    failed = runEditorSearchTests(argc, argv) != 0 || failed;
    failed = runSearchReplaceTests(argc, argv) != 0 || failed;
    failed = runSearchCommandsTests(argc, argv) != 0 || failed;
    return failed ? 1 : 0;
}
