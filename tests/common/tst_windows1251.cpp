#include "common/windows1251.h"
#include "test_runner.h"

#include <QStringDecoder>
#include <QTest>

using namespace bp;

// The program's own Windows-1251 table against an independent one: Qt's converter, backed by
// ICU, which is present on the machines the tests run on.
class TestWindows1251 : public QObject
{
    Q_OBJECT

private slots:
    void highBytesMatchTheSystemTable_data()
    {
        QTest::addColumn<int>("byte");
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            QTest::addRow("0x%02X", byte) << byte;
    }
    void highBytesMatchTheSystemTable()
    {
        QFETCH(int, byte);
        QStringDecoder reference("windows-1251");
        QVERIFY2(reference.isValid(), "Qt offers no windows-1251 converter here");
        const char raw = char(byte);
        const QString expected = reference.decode(QByteArrayView(&raw, 1));
        QCOMPARE(windows1251::decode(QByteArrayView(&raw, 1)), expected);
        QCOMPARE(windows1251::encode(expected), QByteArray(1, raw));
    }
};

BP_TEST(TestWindows1251)
#include "tst_windows1251.moc"
