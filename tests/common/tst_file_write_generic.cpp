// The saving that systems without the POSIX calls use, built and tried here so it keeps
// working: whatever fails, the old file stays byte for byte and nothing else is left.
#include "common/error.h"
#include "common/text_file.h"
#include "fixture_files.h"
#include "test_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace bp;
using bp::testing::readFile;
using bp::testing::writeFile;

class TestFileWriteGeneric : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void writesNewAndReplacesOld()
    {
        const QString file = path(u"a.qpl"_s);
        writeFileAtomically(file, QByteArray("first"));
        QCOMPARE(readFile(file), QByteArray("first"));
        writeFileAtomically(file, QByteArray("second, longer"));
        QCOMPARE(readFile(file), QByteArray("second, longer"));
        // A text streamed in pieces arrives whole.
        writeFileAtomically(file, [](const ByteSink &write) {
            write("one ");
            write("two");
        });
        QCOMPARE(readFile(file), QByteArray("one two"));
        QCOMPARE(entries(), QStringList{u"a.qpl"_s});
    }

    void writesThroughALink()
    {
        const QString target = path(u"target.qpl"_s);
        const QString link = path(u"link.qpl"_s);
        writeFile(target, "old");
        QVERIFY(QFile::link(target, link));
        writeFileAtomically(link, QByteArray("new"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(target), QByteArray("new"));
    }

    // Run in a child process (a preloaded library, a lowered limit), which prints the error.
    void failureKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the byte source throws") << u"throw"_s << QString();
        QTest::newRow("the sync fails") << u"sync"_s << u"Данные не удалось записать на диск"_s;
        QTest::newRow("the file-size limit") << u"limit"_s << QString();
        QTest::newRow("a folder that takes no file") << u"folder"_s << QString();
    }
    void failureKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString file = path(u"a.qpl"_s);
        const QByteArray old(1000, 'o');
        writeFile(file, old);
        QStringList program{QCoreApplication::applicationFilePath()};
        if (kind == u"folder"_s) {
            if (::geteuid() == 0) {
                // The superuser writes into any folder: the child runs as nobody, who may
                // write the file but not the folder.
                program = QStringList{u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s,
                                      u"--clear-groups"_s} +
                          program;
                QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
                QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0666), 0);
            } else {
                QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
            }
        }

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (kind == u"sync"_s) {
            environment.insert(u"LD_PRELOAD"_s, QStringLiteral(BP_SYNC_FAILURE_SHIM));
            environment.insert(u"BP_SUCCESSFUL_SYNCS"_s, u"0"_s);
            // Under the sanitizers the preloaded shim stands before their runtime.
            environment.insert(u"ASAN_OPTIONS"_s, u"verify_asan_link_order=0:detect_leaks=0"_s);
        }
        child.setProcessEnvironment(environment);
        const QString command = program.takeFirst();
        child.start(command, program + QStringList{u"--write-file"_s, file, kind});
        QVERIFY(child.waitForFinished(60000));
        QFile::setPermissions(m_dir->path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString message = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        // What the byte source throws reaches the caller as it is.
        if (kind == u"throw"_s)
            QCOMPARE(message, u"прервано"_s);
        else
            QVERIFY2(message.startsWith(u"Не удалось сохранить файл \"%1\". "_s.arg(file)) &&
                         message.contains(reason),
                     qPrintable(message));
        QCOMPARE(readFile(file), old);
        QCOMPARE(entries(), QStringList{u"a.qpl"_s});
    }
};

// `--write-file PATH KIND` saves 4000 bytes to PATH and prints the error: KIND "throw" has the
// byte source throw half-way, "limit" lowers the file-size limit below the new size.
static int writeFileMode(int argc, char **argv)
{
    if (argc != 4 || qstrcmp(argv[1], "--write-file") != 0)
        return -1;
    // This saving leaves the signal to the system it runs on (none has it there); here a
    // write past the limit must fail instead of ending the child.
    std::signal(SIGXFSZ, SIG_IGN);
    const QByteArray kind = argv[3];
    if (kind == "limit") {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 2000;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    try {
        writeFileAtomically(QFile::decodeName(argv[2]), [&](const ByteSink &write) {
            write(QByteArray(2000, 'n'));
            if (kind == "throw")
                throw Error(u"прервано"_s);
            write(QByteArray(2000, 'n'));
        });
    } catch (const Error &error) {
        std::fputs(error.message().toUtf8().constData(), stdout);
        return 1;
    }
    return 0;
}

BP_TEST(TestFileWriteGeneric)
BP_TEST_PROGRAM({.beforeApplication = writeFileMode})

#include "tst_file_write_generic.moc"
