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
        const QString beside = u"prefix/bin/library.txt"_qs;
        const QString installed = u"prefix/share/brindlepad/library.txt"_qs;
        const QString system = u"system/brindlepad/library.txt"_qs;
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
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(u"system"_qs)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(u"home"_qs)));
        const QString found = locateDataFile(u"library.txt"_qs, root.filePath(u"prefix/bin"_qs));
        qputenv("XDG_DATA_DIRS", savedDirs);
        qputenv("XDG_DATA_HOME", savedHome);
        QCOMPARE(found, root.filePath(expected));
    }

    void settingsStoreKeepsIntegers()
    {
        const QString file = m_dir.filePath(QStringLiteral("round.conf"));
        QtSettingsStore store(file, QSettings::NativeFormat);
        QCOMPARE(store.readInteger(QStringLiteral("WindowTop")), std::nullopt);
        store.writeIntegers({{QStringLiteral("WindowTop"), -8}, {QStringLiteral("WindowLeft"), 0}});
        QtSettingsStore reopened(file, QSettings::NativeFormat);
        QCOMPARE(reopened.readInteger(QStringLiteral("WindowTop")), std::optional<int>(-8));
        QCOMPARE(reopened.readInteger(QStringLiteral("WindowLeft")), std::optional<int>(0));
    }

    void valueOfTheWrongTypeIsRefused()
    {
        const QString file = m_dir.filePath(QStringLiteral("typed.conf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[General]\nWindowTop=wide\n");
        out.close();
        QtSettingsStore store(file, QSettings::NativeFormat);
        try {
            store.readInteger(QStringLiteral("WindowTop"));
            QFAIL("a text value was read as an integer");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(QStringLiteral("WindowTop")),
                     qPrintable(error.message()));
        }
    }

    void unwritableStoreThrows()
    {
        // A store whose folder is a file cannot be created.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QtSettingsStore store(blocker + QStringLiteral("/store.conf"), QSettings::NativeFormat);
        QVERIFY_THROWS_EXCEPTION(Error, store.writeIntegers({{QStringLiteral("WindowTop"), 1}}));
        QVERIFY_THROWS_EXCEPTION(Error,
                                 store.writeStrings(QStringLiteral("RecentFiles"), {u"a.qpl"_qs}));
    }

    // Lists round-trip; a store that keeps only integers reads none and refuses to write one,
    // so a list is never dropped silently.
    void storesListsOrRefusesThem()
    {
        const QString file = m_dir.filePath(QStringLiteral("lists.conf"));
        const QStringList files{u"/a/b.qpl"_qs, u"c d.qpl"_qs};
        QtSettingsStore(file, QSettings::NativeFormat).writeStrings(u"RecentFiles"_qs, files);
        QCOMPARE(QtSettingsStore(file, QSettings::NativeFormat).readStrings(u"RecentFiles"_qs),
                 files);

        struct IntegersOnly : SettingsStore
        {
            std::vector<StoredInteger> readIntegers(const QStringList &) override { return {}; }
            void writeIntegers(const std::vector<std::pair<QString, int>> &) override {}
            bool hasGroup(const QString &) override { return false; }
            bool isWritable() override { return true; }
        } integersOnly;
        QVERIFY(integersOnly.readStrings(u"RecentFiles"_qs).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Error, integersOnly.writeStrings(u"RecentFiles"_qs, files));
    }

    void readsEveryValueFromOneOpening()
    {
        const QString file = m_dir.filePath(QStringLiteral("all.conf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[General]\nWindowTop=5\nWindowLeft=wide\n");
        out.close();
        QtSettingsStore store(file, QSettings::NativeFormat);
        const std::vector<StoredInteger> values = store.readIntegers(
            {QStringLiteral("WindowTop"), QStringLiteral("WindowLeft"), QStringLiteral("Absent")});
        QCOMPARE(values.size(), size_t(3));
        QCOMPARE(values[0].value, std::optional<int>(5));
        QVERIFY(!values[0].error);
        QVERIFY(values[1].error && values[1].error->message().contains(u"WindowLeft"_qs));
        QVERIFY(!values[2].value && !values[2].error);
    }

#ifdef Q_OS_UNIX
    void namedPipeIsRefusedNotOpened()
    {
        // QSettings would block on the pipe for good, waiting for a writer.
        const QString pipe = m_dir.filePath(QStringLiteral("pipe.conf"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QtSettingsStore store(pipe, QSettings::NativeFormat);
        for (int write = 0; write < 2; ++write) {
            try {
                if (write)
                    store.writeIntegers({{QStringLiteral("WindowTop"), 1}});
                else
                    store.readIntegers({QStringLiteral("WindowTop")});
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
        QCOMPARE(webPage(QStringLiteral("/ru/brindle-pad.html")),
                 QUrl(QStringLiteral("http://127.0.0.1:8080/ru/brindle-pad.html")));
        qunsetenv(kWebHostVariable);
        QCOMPARE(webPage(QStringLiteral("/x")).path(), QStringLiteral("/x"));
        QVERIFY(webPage(QStringLiteral("/x")).scheme().startsWith(QStringLiteral("http")));
    }
};

BP_TEST(TestPlatform)
#include "tst_platform.moc"
