#include "test_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kId = u"ru.brindlepad.Brindlepad"_s;

struct Run
{
    int exitCode = -1;
    QString output; // standard output and error together
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = program + u" did not finish: "_s + process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

// A staging install of the build (DESTDIR) and the Debian package, checked with the tools a
// desktop and Debian check them with.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_stage;
    QString m_share;

private slots:
    void initTestCase()
    {
        QVERIFY(m_stage.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, m_stage.path());
        const Run install = run(
            QStringLiteral(BP_CMAKE),
            {u"--install"_s, QStringLiteral(BP_BINARY_DIR), u"--prefix"_s, u"/usr"_s}, environment);
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
        m_share = m_stage.filePath(u"usr/share"_s);
    }

    void layoutIsComplete()
    {
        QStringList expected{u"usr/bin/brindlepad"_s,
                             u"usr/share/brindlepad/library.txt"_s,
                             u"usr/share/brindlepad/func.txt"_s,
                             u"usr/share/applications/%1.desktop"_s.arg(kId),
                             u"usr/share/mime/packages/%1.xml"_s.arg(kId),
                             u"usr/share/metainfo/%1.metainfo.xml"_s.arg(kId),
                             u"usr/share/icons/hicolor/scalable/apps/%1.svg"_s.arg(kId),
                             u"usr/share/man/man1/brindlepad.1.gz"_s,
                             u"usr/share/doc/brindlepad/copyright"_s};
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            expected.append(u"usr/share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(kId));
        for (const QString &relative : expected)
            QVERIFY2(QFileInfo(m_stage.filePath(relative)).isFile(), qPrintable(relative));
        QVERIFY(QFileInfo(m_stage.filePath(expected.constFirst())).isExecutable());
    }

    void validatorsAcceptTheDesktopFiles_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("menu entry")
            << u"desktop-file-validate"_s << QStringList{u"applications/%1.desktop"_s.arg(kId)};
        QTest::newRow("software centre")
            << u"appstreamcli"_s
            << QStringList{u"validate"_s, u"--no-net"_s, u"metainfo/%1.metainfo.xml"_s.arg(kId)};
        QTest::newRow("file type")
            << u"xmllint"_s << QStringList{u"--noout"_s, u"mime/packages/%1.xml"_s.arg(kId)};
    }
    void validatorsAcceptTheDesktopFiles()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QProcess process;
        process.setWorkingDirectory(m_share);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(tool, arguments);
        QVERIFY2(process.waitForFinished(60000), qPrintable(tool + process.errorString()));
        const QByteArray output = process.readAll();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 output.constData());
        QVERIFY2(!output.contains("error"), output.constData());
    }

    void qplFilesAreRecognised()
    {
        const Run update = run(u"update-mime-database"_s, {m_stage.filePath(u"usr/share/mime"_s)});
        QVERIFY2(update.exitCode == 0, qPrintable(update.output));
        QTemporaryDir home;
        const QString script = home.filePath(u"portfolio.qpl"_s);
        writeFile(script, "PORTFOLIO_EX x;\r\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_DIRS"_s, m_share);
        environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
        const Run query =
            run(u"gio"_s, {u"info"_s, u"-a"_s, u"standard::content-type"_s, script}, environment);
        QVERIFY2(query.exitCode == 0, qPrintable(query.output));
        QVERIFY2(query.output.contains(u"standard::content-type: text/x-qpile"_s),
                 qPrintable(query.output));
    }

    // The installed program, with nothing beside it, reads the files of its data folder:
    // files whose first entries differ from the built-in library show that they were used.
    void installedProgramReadsItsDataFolder()
    {
        const QString data = m_stage.filePath(u"usr/share/brindlepad"_s);
        writeFile(data + u"/library.txt"_s, "Staged group\r\n\tSTAGED_FUNCTION()\r\n");
        writeFile(data + u"/func.txt"_s, "STAGED_WORD\r\n");
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"c"_s));
        environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"d"_s));
        environment.insert(u"XDG_DATA_DIRS"_s, home.filePath(u"none"_s));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"QT_LOGGING_RULES"_s, u"brindlepad.data.debug=true"_s);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(m_stage.filePath(u"usr/bin/brindlepad"_s), {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QByteArray log;
        QDeadlineTimer deadline(60000);
        while (!(log.contains("words") && log.contains("library")) && !deadline.hasExpired() &&
               program.state() == QProcess::Running) {
            program.waitForReadyRead(1000);
            log += program.readAll();
        }
        program.terminate();
        if (!program.waitForFinished(30000))
            program.kill();
        log += program.readAll();
        const QByteArray folder = QFile::encodeName(data);
        const QByteArray library =
            QByteArray("library \"") + folder + "/library.txt\" groups \"Staged group\"";
        const QByteArray words =
            QByteArray("words \"") + folder + "/func.txt\" first \"STAGED_WORD\"";
        QVERIFY2(log.contains(library), log.constData());
        QVERIFY2(log.contains(words), log.constData());
    }

    void debianPackagePassesLintian()
    {
        QTemporaryDir packages;
        const Run pack = run(QStringLiteral(BP_CPACK),
                             {u"--config"_s, QStringLiteral(BP_BINARY_DIR "/CPackConfig.cmake"),
                              u"-B"_s, packages.path()},
                             QProcessEnvironment::systemEnvironment(), 300000);
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
        const QStringList debs = QDir(packages.path()).entryList({u"*.deb"_s});
        QCOMPARE(debs.size(), 1);
        const QString deb = packages.filePath(debs.constFirst());
        QVERIFY2(debs.constFirst().startsWith(u"brindlepad_1.0.0.0_"_s), qPrintable(deb));

        const Run contents = run(u"dpkg-deb"_s, {u"-c"_s, deb});
        QCOMPARE(contents.exitCode, 0);
        for (const QString &path :
             {u"./usr/bin/brindlepad"_s, u"./usr/share/brindlepad/library.txt"_s,
              u"./usr/share/applications/%1.desktop"_s.arg(kId),
              u"./usr/share/doc/brindlepad/copyright"_s})
            QVERIFY2(contents.output.contains(path), qPrintable(path + u'\n' + contents.output));

        const Run fields = run(u"dpkg-deb"_s, {u"-f"_s, deb, u"Depends"_s, u"Section"_s});
        QVERIFY2(fields.output.contains(u"Section: editors"_s), qPrintable(fields.output));
        // The dependencies are computed from the program's libraries, not listed by hand.
        QVERIFY2(fields.output.contains(u"libqt6widgets6"_s), qPrintable(fields.output));

        const Run lint = run(u"lintian"_s, {u"--tag-display-limit"_s, u"0"_s, deb},
                             QProcessEnvironment::systemEnvironment(), 300000);
        const QStringList errors = lint.output.split(u'\n').filter(QRegularExpression(u"^E: "_s));
        QVERIFY2(lint.exitCode == 0 && errors.isEmpty(), qPrintable(lint.output));
    }
};

BP_TEST(TestInstall)

#include "tst_install.moc"
