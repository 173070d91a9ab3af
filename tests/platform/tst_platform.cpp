#include "common/error.h"
#include "platform/data_files.h"
#include "platform/settings_store.h"
#include "platform/web_host.h"
#include "test_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

using namespace Qt::StringLiterals;
#endif

using namespace bp;

class TestPlatform : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static void touch(const QString &path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    // Beside the program first (a build folder, a Windows install), then the installed
    // folder relative to the program, then the system's data folders; with none of them
    // present, the name beside the program, whose absence the caller reports as before.
    void dataFilesAreLookedUpBesideTheProgramFirst_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("expected");
        const QString beside = u"prefix/bin/library.txt"_s;
        const QString installed = u"prefix/share/brindlepad/library.txt"_s;
        const QString system = u"system/brindlepad/library.txt"_s;
        QTest::newRow("all three") << QStringList{beside, installed, system} << beside;
        QTest::newRow("installed and system") << QStringList{installed, system} << installed;
        QTest::newRow("system only") << QStringList{system} << system;
        QTest::newRow("none") << QStringList{} << beside;
    }
    void dataFilesAreLookedUpBesideTheProgramFirst()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (const QString &relative : present)
            touch(root.filePath(relative));
        const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
        const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(u"system"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(u"home"_s)));
        const QString found = locateDataFile(u"library.txt"_s, root.filePath(u"prefix/bin"_s));
        qputenv("XDG_DATA_DIRS", savedDirs);
        qputenv("XDG_DATA_HOME", savedHome);
        QCOMPARE(found, root.filePath(expected));
    }

    void settingsStoreKeepsIntegers()
    {
        const QString file = m_dir.filePath(u"round.conf"_s);
        QtSettingsStore store(file, QSettings::NativeFormat);
        QCOMPARE(store.readInteger(u"WindowTop"_s), std::nullopt);
        store.writeIntegers({{u"WindowTop"_s, -8}, {u"WindowLeft"_s, 0}});
        QtSettingsStore reopened(file, QSettings::NativeFormat);
        QCOMPARE(reopened.readInteger(u"WindowTop"_s), std::optional<int>(-8));
        QCOMPARE(reopened.readInteger(u"WindowLeft"_s), std::optional<int>(0));
    }

    void valueOfTheWrongTypeIsRefused()
    {
        const QString file = m_dir.filePath(u"typed.conf"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[General]\nWindowTop=wide\n");
        out.close();
        QtSettingsStore store(file, QSettings::NativeFormat);
        try {
            store.readInteger(u"WindowTop"_s);
            QFAIL("a text value was read as an integer");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(u"WindowTop"_s), qPrintable(error.message()));
        }
    }

    void unwritableStoreThrows()
    {
        // A store whose folder is a file cannot be created.
        const QString blocker = m_dir.filePath(u"blocker"_s);
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QtSettingsStore store(blocker + u"/store.conf"_s, QSettings::NativeFormat);
        QVERIFY_THROWS_EXCEPTION(Error, store.writeIntegers({{u"WindowTop"_s, 1}}));
        QVERIFY_THROWS_EXCEPTION(Error, store.writeStrings(u"RecentFiles"_s, {u"a.qpl"_s}));
    }

    // Lists round-trip; a store that keeps only integers reads none and refuses to write one,
    // so a list is never dropped silently.
    void storesListsOrRefusesThem()
    {
        const QString file = m_dir.filePath(u"lists.conf"_s);
        const QStringList files{u"/a/b.qpl"_s, u"c d.qpl"_s};
        QtSettingsStore(file, QSettings::NativeFormat).writeStrings(u"RecentFiles"_s, files);
        QCOMPARE(QtSettingsStore(file, QSettings::NativeFormat).readStrings(u"RecentFiles"_s),
                 files);

        struct IntegersOnly : SettingsStore
        {
            std::vector<StoredInteger> readIntegers(const QStringList &) override { return {}; }
            void writeIntegers(const std::vector<std::pair<QString, int>> &) override {}
            bool hasGroup(const QString &) override { return false; }
            bool isWritable() override { return true; }
        } integersOnly;
        QVERIFY(integersOnly.readStrings(u"RecentFiles"_s).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Error, integersOnly.writeStrings(u"RecentFiles"_s, files));
    }

    void readsEveryValueFromOneOpening()
    {
        const QString file = m_dir.filePath(u"all.conf"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[General]\nWindowTop=5\nWindowLeft=wide\n");
        out.close();
        QtSettingsStore store(file, QSettings::NativeFormat);
        const std::vector<StoredInteger> values =
            store.readIntegers({u"WindowTop"_s, u"WindowLeft"_s, u"Absent"_s});
        QCOMPARE(values.size(), size_t(3));
        QCOMPARE(values[0].value, std::optional<int>(5));
        QVERIFY(!values[0].error);
        QVERIFY(values[1].error && values[1].error->message().contains(u"WindowLeft"_s));
        QVERIFY(!values[2].value && !values[2].error);
    }

#ifdef Q_OS_UNIX
    void namedPipeIsRefusedNotOpened()
    {
        // QSettings would block on the pipe for good, waiting for a writer.
        const QString pipe = m_dir.filePath(u"pipe.conf"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QtSettingsStore store(pipe, QSettings::NativeFormat);
        for (int write = 0; write < 2; ++write) {
            try {
                if (write)
                    store.writeIntegers({{u"WindowTop"_s, 1}});
                else
                    store.readIntegers({u"WindowTop"_s});
                QFAIL("a named pipe was taken for the settings file");
            } catch (const Error &error) {
                QVERIFY2(error.message().contains(pipe), qPrintable(error.message()));
            }
        }
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
    }
#endif

    void webHostCanBeReplaced()
    {
        qputenv(kWebHostVariable, "http://127.0.0.1:8080/");
        QCOMPARE(webPage(u"/ru/brindle-pad.html"_s),
                 QUrl(u"http://127.0.0.1:8080/ru/brindle-pad.html"_s));
        qunsetenv(kWebHostVariable);
        QCOMPARE(webPage(u"/x"_s).path(), u"/x"_s);
        QVERIFY(webPage(u"/x"_s).scheme().startsWith(u"http"_s));
    }
};

BP_TEST(TestPlatform)
#include "tst_platform.moc"
