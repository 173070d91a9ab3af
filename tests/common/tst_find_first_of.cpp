#include "common/find_first_of.h"
#include "test_runner.h"

#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// The line cutter's stop set: every code up to CR, and the line separator.
qsizetype breakVector(const QString &text, qsizetype from)
{
    return textscan::findFirstStop<u'\r', u'\u2028'>(
        reinterpret_cast<const char16_t *>(text.utf16()), from, text.size());
}
qsizetype breakScalar(const QString &text, qsizetype from)
{
    return textscan::findFirstStopScalar<u'\r', u'\u2028'>(
        reinterpret_cast<const char16_t *>(text.utf16()), from, text.size());
}
qsizetype quoteVector(const QString &text, qsizetype from)
{
    return findFirstOf<u'"', u'\'', u'\uFFFF'>(reinterpret_cast<const char16_t *>(text.utf16()),
                                               from, text.size());
}
qsizetype quoteScalar(const QString &text, qsizetype from)
{
    return textscan::findFirstStopScalar<-1, u'"', u'\'', u'\uFFFF'>(
        reinterpret_cast<const char16_t *>(text.utf16()), from, text.size());
}

} // namespace

// Both paths of the scan against each other and against the expected index: texts shorter
// than one vector, stops in the vector part and in the tail, and near misses on either side of
// a stop (0x0E above CR, U+2029 beside the separator, units above 0x7FFF that a signed compare
// would take for small ones).
class TestFindFirstOf : public QObject
{
    Q_OBJECT

private slots:
    void stops_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("breakAt");
        QTest::addColumn<int>("quoteAt");
        const QString filler = u"abcdefghijklmnopqrstuvwxyz"_s;
        QTest::newRow("empty") << QString() << 0 << 0 << 0;
        QTest::newRow("none, short") << u"abc"_s << 0 << 3 << 3;
        QTest::newRow("none, long") << filler << 0 << 26 << 26;
        QTest::newRow("from the end") << filler << 26 << 26 << 26;
        QTest::newRow("tab counts as up to CR") << u"ab\tc"_s << 0 << 2 << 4;
        QTest::newRow("NUL counts as up to CR") << u"ab"_s + QChar(0) << 0 << 2 << 3;
        QTest::newRow("near misses, long")
            << u"\u000E\u2029\u8000\uFFFE\u000E\u2029\u8000\uFFFE\u000E\u2029"_s << 0 << 10 << 10;
        QTest::newRow("high unit stop") << u"\u8000abcdefghij\uFFFF"_s << 0 << 12 << 11;
        QTest::newRow("stop before from is skipped")
            << u"\"\r"_s + filler + u"'\u2028"_s << 2 << 29 << 28;
        QTest::newRow("separator in the first vector") << u"abcd\u2028fghij"_s << 0 << 4 << 10;
        QTest::newRow("in the tail after full vectors")
            << filler.left(16) + u"ab\r'"_s << 0 << 18 << 19;
        QTest::newRow("from inside a vector") << u"a\rb\"cdefghijklmnop"_s << 2 << 18 << 3;
    }
    void stops()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, breakAt);
        QFETCH(int, quoteAt);
        QCOMPARE(breakVector(text, from), qsizetype(breakAt));
        QCOMPARE(breakScalar(text, from), qsizetype(breakAt));
        QCOMPARE(quoteVector(text, from), qsizetype(quoteAt));
        QCOMPARE(quoteScalar(text, from), qsizetype(quoteAt));
    }

    // One stop at every position of texts of every length up to five vectors, from every
    // start: both paths agree with the plain answer, so no lane or tail boundary is off by one.
    void everyPositionAndStart()
    {
        for (int length = 0; length <= 40; ++length) {
            for (int stop = -1; stop < length; ++stop) {
                QString text(length, u'x');
                if (stop >= 0)
                    text[stop] = u'\'';
                for (int from = 0; from <= length; ++from) {
                    const qsizetype expected = stop >= from ? stop : length;
                    if (quoteVector(text, from) != expected ||
                        quoteScalar(text, from) != expected || breakVector(text, from) != length) {
                        QFAIL(qPrintable(
                            u"length %1, stop %2, from %3"_s.arg(length).arg(stop).arg(from)));
                    }
                }
            }
        }
    }

    // The range scan's two paths: units just outside the range on either side, wrapped
    // units below Low, and hits in the vector part and in the tail.
    void rangeStops_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("nonAsciiAt");
        QTest::addColumn<int>("surrogateAt");
        const QString ascii = u"abcdefghijklmnopqrstuvwxyz"_s;
        QTest::newRow("empty") << QString() << 0 << 0 << 0;
        QTest::newRow("ASCII only, long") << ascii << 0 << 26 << 26;
        QTest::newRow("DEL is ASCII, 0x80 is not")
            << QString(9, QChar(0x7F)) + QChar(0x80) << 0 << 9 << 10;
        QTest::newRow("just outside the surrogates")
            << QString(8, QChar(0xD7FF)) + QString(8, QChar(0xE000)) + QChar(0xDFFF) << 0 << 0
            << 16;
        QTest::newRow("high surrogate in the first vector")
            << ascii.left(3) + QChar(0xD800) + ascii << 0 << 3 << 3;
        QTest::newRow("from past a hit")
            << QChar(0xDC00) + ascii.left(17) + QChar(0x0416) << 1 << 18 << 19;
        QTest::newRow("hit in the tail after full vectors")
            << ascii.left(16) + u"ab"_s + QChar(0xDBFF) << 0 << 18 << 18;
    }
    void rangeStops()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, nonAsciiAt);
        QFETCH(int, surrogateAt);
        const auto *data = reinterpret_cast<const char16_t *>(text.utf16());
        const qsizetype size = text.size();
        QCOMPARE((textscan::findFirstInRange<0x80, 0xFFFF>(data, from, size)),
                 qsizetype(nonAsciiAt));
        QCOMPARE((textscan::findFirstInRangeScalar<0x80, 0xFFFF>(data, from, size)),
                 qsizetype(nonAsciiAt));
        QCOMPARE((textscan::findFirstInRange<0xD800, 0xDFFF>(data, from, size)),
                 qsizetype(surrogateAt));
        QCOMPARE((textscan::findFirstInRangeScalar<0xD800, 0xDFFF>(data, from, size)),
                 qsizetype(surrogateAt));
    }
};

BP_TEST(TestFindFirstOf)
#include "tst_find_first_of.moc"
