#include "test_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kId = QStringLiteral("ru.brindlepad.Brindlepad");

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
        result.output = program + QStringLiteral(" did not finish: ") + process.errorString();
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
        environment.insert(QStringLiteral("DESTDIR"), m_stage.path());
        const Run install = run(QStringLiteral(BP_CMAKE),
                                {QStringLiteral("--install"), QStringLiteral(BP_BINARY_DIR),
                                 QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                environment);
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
        m_share = m_stage.filePath(QStringLiteral("usr/share"));
    }

    void layoutIsComplete()
    {
        QStringList expected{
            QStringLiteral("usr/bin/brindlepad"),
            QStringLiteral("usr/share/brindlepad/library.txt"),
            QStringLiteral("usr/share/brindlepad/func.txt"),
            QStringLiteral("usr/share/applications/%1.desktop").arg(kId),
            QStringLiteral("usr/share/mime/packages/%1.xml").arg(kId),
            QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(kId),
            QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(kId),
            QStringLiteral("usr/share/man/man1/brindlepad.1.gz"),
            QStringLiteral("usr/share/doc/brindlepad/copyright")};
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            expected.append(
                QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kId));
        for (const QString &relative : expected)
            QVERIFY2(QFileInfo(m_stage.filePath(relative)).isFile(), qPrintable(relative));
        QVERIFY(QFileInfo(m_stage.filePath(expected.constFirst())).isExecutable());
    }

    void validatorsAcceptTheDesktopFiles_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("menu entry")
            << QStringLiteral("desktop-file-validate")
            << QStringList{QStringLiteral("applications/%1.desktop").arg(kId)};
        QTest::newRow("software centre")
            << QStringLiteral("appstreamcli")
            << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                           QStringLiteral("metainfo/%1.metainfo.xml").arg(kId)};
        QTest::newRow("file type") << QStringLiteral("xmllint")
                                   << QStringList{QStringLiteral("--noout"),
                                                  QStringLiteral("mime/packages/%1.xml").arg(kId)};
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
        const Run update = run(QStringLiteral("update-mime-database"),
                               {m_stage.filePath(QStringLiteral("usr/share/mime"))});
        QVERIFY2(update.exitCode == 0, qPrintable(update.output));
        QTemporaryDir home;
        const QString script = home.filePath(QStringLiteral("portfolio.qpl"));
        writeFile(script, "PORTFOLIO_EX x;\r\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), m_share);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        const Run query = run(QStringLiteral("gio"),
                              {QStringLiteral("info"), QStringLiteral("-a"),
                               QStringLiteral("standard::content-type"), script},
                              environment);
        QVERIFY2(query.exitCode == 0, qPrintable(query.output));
        QVERIFY2(query.output.contains(QStringLiteral("standard::content-type: text/x-qpile")),
                 qPrintable(query.output));
    }

    // The installed program, with nothing beside it, reads the files of its data folder:
    // files whose first entries differ from the built-in library show that they were used.
    void installedProgramReadsItsDataFolder()
    {
        const QString data = m_stage.filePath(QStringLiteral("usr/share/brindlepad"));
        writeFile(data + QStringLiteral("/library.txt"), "Staged group\r\n\tSTAGED_FUNCTION()\r\n");
        writeFile(data + QStringLiteral("/func.txt"), "STAGED_WORD\r\n");
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("c")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("d")));
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), home.filePath(QStringLiteral("none")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("brindlepad.data.debug=true"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(m_stage.filePath(QStringLiteral("usr/bin/brindlepad")), {});
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
        const Run pack =
            run(QStringLiteral(BP_CPACK),
                {QStringLiteral("--config"), QStringLiteral(BP_BINARY_DIR "/CPackConfig.cmake"),
                 QStringLiteral("-B"), packages.path()},
                QProcessEnvironment::systemEnvironment(), 300000);
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
        const QStringList debs = QDir(packages.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = packages.filePath(debs.constFirst());
        QVERIFY2(debs.constFirst().startsWith(QStringLiteral("brindlepad_1.0.0.0_")),
                 qPrintable(deb));

        const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        QCOMPARE(contents.exitCode, 0);
        for (const QString &path : {QStringLiteral("./usr/bin/brindlepad"),
                                    QStringLiteral("./usr/share/brindlepad/library.txt"),
                                    QStringLiteral("./usr/share/applications/%1.desktop").arg(kId),
                                    QStringLiteral("./usr/share/doc/brindlepad/copyright")})
            QVERIFY2(contents.output.contains(path), qPrintable(path + u'\n' + contents.output));

        const Run fields =
            run(QStringLiteral("dpkg-deb"),
                {QStringLiteral("-f"), deb, QStringLiteral("Depends"), QStringLiteral("Section")});
        QVERIFY2(fields.output.contains(QStringLiteral("Section: editors")),
                 qPrintable(fields.output));
        // The dependencies are computed from the program's libraries, not listed by hand.
        QVERIFY2(fields.output.contains(QStringLiteral("libqt6widgets6")),
                 qPrintable(fields.output));

        const Run lint = run(QStringLiteral("lintian"),
                             {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), deb},
                             QProcessEnvironment::systemEnvironment(), 300000);
        const QStringList errors =
            lint.output.split(u'\n').filter(QRegularExpression(QStringLiteral("^E: ")));
        QVERIFY2(lint.exitCode == 0 && errors.isEmpty(), qPrintable(lint.output));
    }
};

BP_TEST(TestInstall)

#include "tst_install.moc"
