// Margins, wrap width, line breaking and pagination on fixed geometry, without a display.
#include "fixed_metrics.h"
#include "print/line_wrap.h"
#include "print/print_layout.h"
#include "print/print_margins.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

Q_DECLARE_METATYPE(bp::PrintTextArea)
Q_DECLARE_METATYPE(bp::TEditorPrinterInfo)
Q_DECLARE_METATYPE(bp::EditorPrintMargins)

namespace QTest {
template <> char *toString(const bp::PrintTextArea &area)
{
    return qstrdup(u"left %1 right %2 top %3 bottom %4"_s.arg(area.left)
                       .arg(area.right)
                       .arg(area.top)
                       .arg(area.bottom)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

namespace {

QList<int> toList(const std::vector<int> &values)
{
    return QList<int>(values.begin(), values.end());
}

// Pages as "line.row" pairs, 1-based lines: "1.0 10.1".
QString describe(const std::vector<TPageLine> &pages)
{
    QStringList parts;
    for (const TPageLine &page : pages)
        parts << u"%1.%2"_s.arg(page.line + 1).arg(page.row);
    return parts.join(u' ');
}

std::vector<QString> linesOfLengths(const QList<int> &lengths)
{
    std::vector<QString> lines;
    for (int length : lengths)
        lines.push_back(QString(length, u'x'));
    return lines;
}

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT
private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void convertsMarginsToDots_data();
    void convertsMarginsToDots();
    void countsWrapColumns_data();
    void countsWrapColumns();
    void breaksLines_data();
    void breaksLines();
    void widensLabelColumnForTenLines();
    void paginates_data();
    void paginates();
};

void TestPrintLayout::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("half below even") << 2.5 << 2;
    QTest::newRow("half below odd") << 3.5 << 4;
    QTest::newRow("zero and a half") << 0.5 << 0;
    QTest::newRow("negative half") << -1.5 << -2;
    QTest::newRow("just under a half") << 2.4999 << 2;
    QTest::newRow("just over a half") << 2.5001 << 3;
}

void TestPrintLayout::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(roundHalfToEven(value), rounded);
}

void TestPrintLayout::convertsMarginsToDots_data()
{
    QTest::addColumn<TEditorPrinterInfo>("printer");
    QTest::addColumn<EditorPrintMargins>("margins");
    QTest::addColumn<PrintTextArea>("area");

    const TEditorPrinterInfo a4 = TEditorPrinterInfo::a4At300Dpi();
    QTest::newRow("A4 at 300 dpi, default margins")
        << a4 << EditorPrintMargins{} << PrintTextArea{230, 2239, 245, 3162};
    EditorPrintMargins gutter;
    gutter.Gutter = 5;
    QTest::newRow("gutter widens the left margin")
        << a4 << gutter << PrintTextArea{289, 2239, 245, 3162};

    // 127 dpi is 5 dots per millimetre: half millimetres give exact halves of dots.
    TEditorPrinterInfo borderless{1000, 1400, 1000, 1400, 0, 0, 127, 127};
    EditorPrintMargins halves;
    halves.Left = 0.5;   // 2.5 dots
    halves.Right = 1.5;  // 7.5 dots
    halves.Top = 2.5;    // 12.5 dots
    halves.Bottom = 3.5; // 17.5 dots
    QTest::newRow("halves round to even")
        << borderless << halves << PrintTextArea{2, 1000 - 8, 12, 1400 - 18};
    TEditorPrinterInfo offsets{1000, 1400, 980, 1380, 10, 10, 127, 127};
    QTest::newRow("offsets come off each side")
        << offsets << halves << PrintTextArea{-8, 980 - (8 - 10), 2, 1380 - (18 - 10)};
}

void TestPrintLayout::convertsMarginsToDots()
{
    QFETCH(TEditorPrinterInfo, printer);
    QFETCH(EditorPrintMargins, margins);
    QFETCH(PrintTextArea, area);
    QCOMPARE(textAreaFor(margins, printer), area);
}

void TestPrintLayout::countsWrapColumns_data()
{
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<int>("columns");
    QTest::newRow("width of ten columns holds nine") << 250 << 9;
    QTest::newRow("one dot more holds ten") << 251 << 10;
    QTest::newRow("narrower than one column holds one") << 10 << 1;
    QTest::newRow("A4 text width with labels of four columns") << (2239 - 230 - 4 * 25) << 76;
}

void TestPrintLayout::countsWrapColumns()
{
    QFETCH(int, maxWidth);
    QFETCH(int, columns);
    QCOMPARE(wrapColumnCount(maxWidth, FixedMetrics(50, 25)), columns);
}

void TestPrintLayout::breaksLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("rowStarts");

    QTest::newRow("a line of the wrap width stays whole") << "0123456789" << 10 << QList<int>{};
    QTest::newRow("after the last space within the row") << "aaaa bbbb cccc" << 10 << QList{10};
    QTest::newRow("comma and hyphen break") << "abc,defgh-ijklmn" << 10 << QList{10};
    QTest::newRow("a tab breaks") << "abcdefgh\tijklm" << 10 << QList{9};
    QTest::newRow("several rows") << "one two three four five six" << 10 << QList{8, 14, 24};
    QTest::newRow("a stretch without breaks runs on to the next one")
        << "abcdefghijklmn opq" << 10 << QList{15};
    QTest::newRow("a break character where the row overflows still counts")
        << "ab cde fghijklm" << 6 << QList{3, 7};
    QTest::newRow("closing bracket, full stop and semicolon when there is no blank")
        << "abc.defghij;klm" << 10 << QList{4, 12};
    QTest::newRow("bracket") << "f(a)g(b)h(c)i(d)" << 10 << QList{8};
    QTest::newRow("blanks win over the second set") << "a.b.c.d.e f.g.h.i.j.k" << 10 << QList{10};
    QTest::newRow("cut when no break character occurs")
        << "abcdefghijklmnopqrstuvwxy" << 10 << QList{10, 20};
    QTest::newRow("only a trailing blank: cut") << "abcdefghijk " << 10 << QList{10};
}

void TestPrintLayout::breaksLines()
{
    QFETCH(QString, line);
    QFETCH(int, columns);
    QFETCH(QList<int>, rowStarts);
    QCOMPARE(toList(wrapLine(line, columns)), rowStarts);
}

void TestPrintLayout::widensLabelColumnForTenLines()
{
    const FixedMetrics metrics(50, 25);
    const PrintTextArea area{230, 2239, 245, 3162};
    PrintLayout layout;
    layout.layOut(linesOfLengths(QList<int>(9, 3)), metrics, area, {true, true});
    QCOMPARE(layout.textArea().left, 230 + 3 * 25); // "9: "
    layout.layOut(linesOfLengths(QList<int>(10, 3)), metrics, area, {true, true});
    QCOMPARE(layout.textArea().left, 230 + 4 * 25); // "10: "
    QCOMPARE(layout.wrapColumns(), 76);
    QCOMPARE(layout.maxWidth(), 76 * 25);
    layout.layOut(linesOfLengths(QList<int>(10, 3)), metrics, area, {false, true});
    QCOMPARE(layout.textArea().left, 230);
}

void TestPrintLayout::paginates_data()
{
    // Ten rows fit a page; a row holds ten columns, and lines of "x" are cut every ten.
    QTest::addColumn<QList<int>>("lineLengths");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<QString>("pages");

    QTest::newRow("an empty document is one page") << QList<int>{} << 100 << true << "1.0";
    QTest::newRow("exactly a full page") << QList<int>(10, 5) << 100 << true << "1.0";
    QTest::newRow("one line more") << QList<int>(11, 5) << 100 << true << "1.0 11.0";
    QTest::newRow("a wrapped line that fits stays on its page")
        << (QList<int>(8, 5) << 20) << 100 << true << "1.0";
    QTest::newRow("a wrapped line that does not fit starts the next page")
        << (QList<int>(10, 5) << 20) << 100 << true << "1.0 11.0";
    QTest::newRow("rows past the bottom go on at the top of the next page")
        << (QList<int>(9, 5) << 30 << 5) << 100 << true << "1.0 10.1";
    QTest::newRow("a line longer than a page spans pages")
        << QList<int>{250, 5} << 100 << true << "1.0 1.10 1.20";
    QTest::newRow("the line after a long one follows its last row")
        << QList<int>{250, 5, 5, 5, 5, 5, 5} << 100 << true << "1.0 1.10 1.20 7.0";
    QTest::newRow("without wrapping a long line is one row")
        << (QList<int>(9, 5) << 30 << 5) << 100 << false << "1.0 11.0";
    QTest::newRow("a text area lower than a row takes a row a page")
        << QList<int>{5, 5} << 5 << true << "1.0 2.0";
}

void TestPrintLayout::paginates()
{
    QFETCH(QList<int>, lineLengths);
    QFETCH(int, bottom);
    QFETCH(bool, wrap);
    QFETCH(QString, pages);
    PrintLayout layout;
    layout.layOut(linesOfLengths(lineLengths), FixedMetrics(10, 10),
                  PrintTextArea{0, 101, 0, bottom}, {false, wrap});
    QCOMPARE(layout.wrapColumns(), 10);
    QCOMPARE(describe(layout.pages()), pages);
}

BP_TEST(TestPrintLayout)

#include "tst_print_layout.moc"
