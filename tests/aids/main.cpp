#include <QCoreApplication>

int runLibraryTests(int argc, char **argv);
int runCompletionTests(int argc, char **argv);
int runCommentToggleTests(int argc, char **argv);
int runEditorAidsTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Any failed run fails the program: a sum of failure counts could reach 256, which an
    // exit status reads as 0.
    bool failed = false;
    failed = runLibraryTests(argc, argv) != 0 || failed;
    failed = runCompletionTests(argc, argv) != 0 || failed;
    failed = runCommentToggleTests(argc, argv) != 0 || failed;
    failed = runEditorAidsTests(argc, argv) != 0 || failed;
    return failed ? 1 : 0;
}
