#include "common/clipboard_block.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;
using clipboardblock::Mode;

Q_DECLARE_METATYPE(clipboardblock::Mode)

// The private clipboard format byte for byte, both ways.
class TestClipboardBlock : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("normal, empty") << QString() << Mode::Normal << QByteArray("\x00\x00", 2);
        QTest::newRow("line") << u"ab\r\n"_s << Mode::Line
                              << QByteArray("\x01"
                                            "ab\r\n\x00",
                                            6);
        QTest::newRow("column, Cyrillic")
            << u"Яё"_s << Mode::Column << QByteArray("\x02\xDF\xB8\x00", 4);
        QTest::newRow("unmappable becomes ?") << u"a\u4E00"_s + QChar(0xD800) << Mode::Normal
                                              << QByteArray("\x00"
                                                            "a??\x00",
                                                            5);
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(Mode, mode);
        QFETCH(QByteArray, bytes);
        QCOMPARE(clipboardblock::encode(text, mode), bytes);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Mode>("mode");
        QTest::newRow("no bytes") << QByteArray() << false << QString() << Mode::Normal;
        QTest::newRow("mode byte only")
            << QByteArray("\x02", 1) << true << QString() << Mode::Column;
        QTest::newRow("line, terminated") << QByteArray("\x01"
                                                        "ab\x00",
                                                        4)
                                          << true << u"ab"_s << Mode::Line;
        QTest::newRow("text ends at the first zero") << QByteArray("\x00"
                                                                   "ab\x00"
                                                                   "cd\x00",
                                                                   7)
                                                     << true << u"ab"_s << Mode::Normal;
        QTest::newRow("no terminator")
            << QByteArray("\x02\xDF\xB8", 3) << true << u"Яё"_s << Mode::Column;
        QTest::newRow("unknown mode byte reads as normal") << QByteArray("\x07"
                                                                         "x\x00",
                                                                         3)
                                                           << true << u"x"_s << Mode::Normal;
        QTest::newRow("high mode byte reads as normal") << QByteArray("\xFF"
                                                                      "x\x00",
                                                                      3)
                                                        << true << u"x"_s << Mode::Normal;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        QFETCH(QString, text);
        QFETCH(Mode, mode);
        const std::optional<clipboardblock::Content> content = clipboardblock::decode(bytes);
        QCOMPARE(content.has_value(), present);
        if (content) {
            QCOMPARE(content->text, text);
            QCOMPARE(content->mode, mode);
        }
    }
};

BP_TEST(TestClipboardBlock)
#include "tst_clipboard_block.moc"
