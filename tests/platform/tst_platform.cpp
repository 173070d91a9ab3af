#include "common/error.h"
#include "platform/settings_store.h"
#include "platform/web_host.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace bp;

class TestPlatform : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
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
    }

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

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
