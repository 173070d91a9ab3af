#include <QCoreApplication>

int runLibraryTests(int argc, char **argv);
int runCompletionTests(int argc, char **argv);
int runCommentToggleTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runLibraryTests(argc, argv);
    failures += runCompletionTests(argc, argv);
    failures += runCommentToggleTests(argc, argv);
    return failures;
}
