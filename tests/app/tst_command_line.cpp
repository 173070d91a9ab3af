#include "app/command_line.h"
#include "test_runner.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

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
        const QString usage = u"Usage: brindlepad"_s;
        QTest::newRow("nothing") << QStringList{} << true << 0 << QStringList{} << QString()
                                 << QString();
        QTest::newRow("a file, kept relative")
            << QStringList{u"scripts/a.qpl"_s} << true << 0 << QStringList{u"scripts/a.qpl"_s}
            << QString() << QString();
        QTest::newRow("help") << QStringList{u"--help"_s} << false << 0 << QStringList{} << usage
                              << QString();
        QTest::newRow("short help")
            << QStringList{u"-h"_s} << false << 0 << QStringList{} << usage << QString();
        QTest::newRow("version") << QStringList{u"--version"_s} << false << 0 << QStringList{}
                                 << u"Brindlepad 1.0.0.0\n"_s << QString();
        QTest::newRow("unknown option")
            << QStringList{u"--foo"_s} << false << 2 << QStringList{} << QString()
            << u"brindlepad: Unknown option 'foo'.\nUsage: brindlepad"_s;
        QTest::newRow("a file named like an option after --")
            << QStringList{u"--"_s, u"--help"_s} << true << 0 << QStringList{u"--help"_s}
            << QString() << QString();
        QTest::newRow("the launcher's new file")
            << QStringList{u"--new"_s} << true << 0 << QStringList{} << QString() << QString();
        QTest::newRow("the toolkit's options pass")
            << QStringList{u"-platform"_s, u"offscreen"_s, u"a.qpl"_s, u"-style=fusion"_s} << true
            << 0 << QStringList{u"a.qpl"_s} << QString() << QString();
    }
    void readsOptionsAndFiles()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, startEditor);
        QFETCH(int, exitCode);
        QFETCH(QStringList, files);
        QFETCH(QString, outputStart);
        QFETCH(QString, errorStart);
        const CommandLine line = readCommandLine(QStringList{u"brindlepad"_s} + arguments);
        QCOMPARE(line.startEditor, startEditor);
        QCOMPARE(line.exitCode, exitCode);
        QCOMPARE(line.files, files);
        QCOMPARE(line.newDocument, arguments.contains(u"--new"_s));
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
        QTest::newRow("help") << u"--help"_s << 0 << QByteArray("Usage: brindlepad")
                              << QByteArray();
        QTest::newRow("version") << u"--version"_s << 0 << QByteArray("Brindlepad 1.0.0.0\n")
                                 << QByteArray();
        QTest::newRow("unknown") << u"--foo"_s << 2 << QByteArray()
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
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
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
