#include "app/command_line.h"
#include "test_runner.h"

#include <QProcess>
#include <QTest>

using namespace bp;

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void readsOptionsAndFiles_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("startEditor");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("outputStart");
        QTest::addColumn<QString>("errorStart");
        const QString usage = u"Usage: brindlepad"_qs;
        QTest::newRow("nothing") << QStringList{} << true << 0 << QStringList{} << QString()
                                 << QString();
        QTest::newRow("a file, kept relative")
            << QStringList{u"scripts/a.qpl"_qs} << true << 0 << QStringList{u"scripts/a.qpl"_qs}
            << QString() << QString();
        QTest::newRow("help") << QStringList{u"--help"_qs} << false << 0 << QStringList{} << usage
                              << QString();
        QTest::newRow("short help")
            << QStringList{u"-h"_qs} << false << 0 << QStringList{} << usage << QString();
        QTest::newRow("version") << QStringList{u"--version"_qs} << false << 0 << QStringList{}
                                 << u"Brindlepad 1.0.0.0\n"_qs << QString();
        QTest::newRow("unknown option")
            << QStringList{u"--foo"_qs} << false << 2 << QStringList{} << QString()
            << u"brindlepad: Unknown option 'foo'.\nUsage: brindlepad"_qs;
        QTest::newRow("a file named like an option after --")
            << QStringList{u"--"_qs, u"--help"_qs} << true << 0 << QStringList{u"--help"_qs}
            << QString() << QString();
        QTest::newRow("the launcher's new file")
            << QStringList{u"--new"_qs} << true << 0 << QStringList{} << QString() << QString();
        QTest::newRow("the toolkit's options pass")
            << QStringList{u"-platform"_qs, u"offscreen"_qs, u"a.qpl"_qs, u"-style=fusion"_qs}
            << true << 0 << QStringList{u"a.qpl"_qs} << QString() << QString();
    }
    void readsOptionsAndFiles()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, startEditor);
        QFETCH(int, exitCode);
        QFETCH(QStringList, files);
        QFETCH(QString, outputStart);
        QFETCH(QString, errorStart);
        const CommandLine line = readCommandLine(QStringList{u"brindlepad"_qs} + arguments);
        QCOMPARE(line.startEditor, startEditor);
        QCOMPARE(line.exitCode, exitCode);
        QCOMPARE(line.files, files);
        QCOMPARE(line.newDocument, arguments.contains(u"--new"_qs));
        QVERIFY2(line.output.startsWith(outputStart) &&
                     outputStart.isEmpty() == line.output.isEmpty(),
                 qPrintable(line.output));
        QVERIFY2(line.errorOutput.startsWith(errorStart) &&
                     errorStart.isEmpty() == line.errorOutput.isEmpty(),
                 qPrintable(line.errorOutput));
    }

    // The real program answers without a display and without opening a window.
    void programAnswersWithoutAWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("standardOutput");
        QTest::addColumn<QByteArray>("standardErrorStart");
        QTest::newRow("help") << u"--help"_qs << 0 << QByteArray("Usage: brindlepad")
                              << QByteArray();
        QTest::newRow("version") << u"--version"_qs << 0 << QByteArray("Brindlepad 1.0.0.0\n")
                                 << QByteArray();
        QTest::newRow("unknown") << u"--foo"_qs << 2 << QByteArray()
                                 << QByteArray("brindlepad: Unknown option 'foo'.");
    }
    void programAnswersWithoutAWindow()
    {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, standardOutput);
        QFETCH(QByteArray, standardErrorStart);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DISPLAY"_qs);
        environment.remove(u"WAYLAND_DISPLAY"_qs);
        environment.remove(u"QT_QPA_PLATFORM"_qs);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BP_PROGRAM), {option});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QByteArray out = program.readAllStandardOutput();
        const QByteArray err = program.readAllStandardError();
        QVERIFY2(out.startsWith(standardOutput) && standardOutput.isEmpty() == out.isEmpty(),
                 out.constData());
        QVERIFY2(err.startsWith(standardErrorStart), err.constData());
    }
};

BP_TEST(TestCommandLine)

#include "tst_command_line.moc"
