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

    // The vector loops (sixteen bytes, eight code units at a time) against the one-at-a-time
    // tails: texts of lengths around the vector widths with one high byte or one character
    // the code page lacks at every position, decoded and encoded as a whole and one by one.
    void vectorAndScalarPathsAgree()
    {
        const QChar unencodable(0x65E5);
        for (int size : {1, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 40}) {
            for (int at = 0; at < size; ++at) {
                QByteArray bytes(size, 'a');
                bytes[at] = char(0xC0 + at % 64);
                if (at + 1 < size)
                    bytes[at + 1] = char(0x98); // the unassigned byte reads and writes back
                QString oneByOne;
                for (char byte : bytes)
                    oneByOne += windows1251::decode(QByteArrayView(&byte, 1));
                const QString text = windows1251::decode(bytes);
                QCOMPARE(text, oneByOne);
                QCOMPARE(windows1251::encode(text), bytes);
                QCOMPARE(windows1251::firstUnencodable(text), qsizetype(-1));

                QString mixed = text;
                mixed[at] = unencodable;
                QByteArray expected = bytes;
                expected[at] = windows1251::kSubstitute;
                QCOMPARE(windows1251::encode(mixed), expected);
                QCOMPARE(windows1251::firstUnencodable(mixed), qsizetype(at));
            }
        }
    }
};

BP_TEST(TestWindows1251)
#include "tst_windows1251.moc"
