#include <QCoreApplication>

int runEditorSearchTests(int argc, char **argv);
int runSearchReplaceTests(int argc, char **argv);
int runSearchCommandsTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runEditorSearchTests(argc, argv);
    failures += runSearchReplaceTests(argc, argv);
    failures += runSearchCommandsTests(argc, argv);
    return failures;
}
