#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "fake_window_parts.h"
#include "qpile/view/problem_count.h"
#include "qpile/view/qpile_check_panel.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace bp;

namespace {

// The side panel with its library tab and the pane, in one shown window.
struct Fixture
{
    explicit Fixture(bool withReference = true)
    {
        window.resize(900, 500);
        auto *client = new QWidget;
        auto *layout = new QHBoxLayout(client);
        tabs = new QTabWidget;
        library = new QTreeWidget;
        tabs->addTab(library, u"Библиотека функций"_s);
        pane = new TEditorPane;
        layout->addWidget(tabs, 1);
        layout->addWidget(pane, 3);
        window.setCentralWidget(client);
        std::shared_ptr<const QpileReference> reference;
        if (withReference)
            reference = std::make_shared<const QpileReference>(testing::shippedReference());
        parts = std::make_unique<testing::FakeWindowParts>(window, tabs);
        panel = std::make_unique<QpileCheckPanel>(reference, *pane, *parts,
                                                  [this](const QString &text) { hints << text; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    // Sets the text and waits until the check has caught up with it.
    void setText(const QString &text)
    {
        QSignalSpy checked(panel.get(), &QpileCheckPanel::checked);
        pane->Lines().setText(text);
        QVERIFY(checked.wait(5000));
    }
    QStringList rows(const QTreeWidget *list) const
    {
        QStringList result;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            result << cells.join(u" | "_s);
        }
        return result;
    }
    void activate(QTreeWidget *list, int row, bool byKey)
    {
        tabs->setCurrentWidget(list);
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(row));
        if (byKey) {
            QTest::keyClick(list, Qt::Key_Return);
        } else {
            // A double click is a click and a second one within the interval.
            const QPoint point = list->visualItemRect(list->topLevelItem(row)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        }
    }

    QMainWindow window;
    QTabWidget *tabs = nullptr;
    QTreeWidget *library = nullptr;
    TEditorPane *pane = nullptr;
    std::unique_ptr<testing::FakeWindowParts> parts;
    std::unique_ptr<QpileCheckPanel> panel;
    QStringList hints;
};

const QString kScript = u"PORTFOLIO_EX Test;\n"
                        "DESCRIPTION Проверка;\n"
                        "FIRMS_LIST F;\n"
                        "PROGRAM\n"
                        "x = 1\n"
                        "END_IF\n"
                        "FUNC Count(a, b)\n"
                        "    y = 2\n"
                        "END FUNC\n"
                        "END_PROGRAM\n"
                        "PARAMETER Price;\n"
                        "PARAMETER_TITLE Цена;\n"
                        "END\n"
                        "END_PORTFOLIO_EX"_s;

bool reddish(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

int reddishPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += reddish(image.pixel(x, y));
    }
    return count;
}

} // namespace

class TestQpileView : public QObject
{
    Q_OBJECT

private slots:
    void problemsAreListedAndJumpedTo();
    void problemIsUnderlinedAndMarkedInTheGutter();
    void hintsAreDrawnApartFromErrors();
    void panelFitsItsDefaultWidth();
    void editingFixesAProblem();
    void outlineListsAndJumps();
    void outlineKeepsItsRowsAcrossEdits();
    void withoutReferenceTheTabsStayEmpty();
    void countTexts_data();
    void countTexts();
    void countsApart();
};

void TestQpileView::problemsAreListedAndJumpedTo()
{
    Fixture f;
    QCOMPARE(f.tabs->tabText(1), u"Проверка"_s);
    QCOMPARE(f.tabs->tabText(2), u"Структура"_s);
    f.setText(kScript + u"\nIF a"_s);
    QCOMPARE(f.rows(f.panel->problemList()),
             (QStringList{u"6 | 1 | END_IF без IF"_s, u"15 | 1 | Блок IF не закрыт: нет END IF"_s,
                          u"15 | 4 | Переменная a нигде не получает значения"_s}));
    QCOMPARE(f.hints.last(), u"Проверка: 2 замечания, 1 подсказка"_s);
    QCOMPARE(f.panel->problemTextAt({3, 6}), u"END_IF без IF"_s);
    QCOMPARE(f.panel->problemTextAt({7, 6}), QString());
    QCOMPARE(f.panel->problemTextAt({1, 5}), QString());

    f.activate(f.panel->problemList(), 1, false);
    // The current row's message goes to the hint panel whole.
    QCOMPARE(f.hints.last(), u"Блок IF не закрыт: нет END IF"_s);
    QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 15}));
    QVERIFY(f.pane->hasFocus());
    f.activate(f.panel->problemList(), 0, true);
    QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 6}));
    QVERIFY(f.pane->hasFocus());
}

void TestQpileView::problemIsUnderlinedAndMarkedInTheGutter()
{
    // "GET_ITEM()" lacks its arguments: the wavy line runs under the name only.
    Fixture f;
    QString text = kScript;
    text.replace(u"END_IF"_s, u"y = 1"_s).replace(u"    y = 2"_s, u"    y = GET_ITEM()"_s);
    f.setText(text);
    QCOMPARE(f.panel->problems().size(), std::size_t(1));
    const QpileProblem problem = f.panel->problems().front();
    QCOMPARE(problem.line, 8);
    QCOMPARE(problem.column, 9);
    QCOMPARE(problem.length, 8);

    QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
    f.pane->viewport()->render(&image);
    const int h = f.pane->lineHeight();
    const int w = f.pane->charWidth();
    const int left = f.pane->gutterWidth();
    const int top = (problem.line - 1) * h;
    const QRect under(left + (problem.column - 1) * w, top, problem.length * w, h);
    QVERIFY(reddishPixels(image, under) >= problem.length * w / 2);
    QCOMPARE(reddishPixels(image, QRect(left, top, under.left() - left, h)), 0);
    QCOMPARE(
        reddishPixels(image, QRect(under.right() + 1, top, image.width() - under.right() - 30, h)),
        0);
    // The gutter's sign on that line and no other.
    const QRect gutterLine(0, top, left, h);
    QVERIFY(reddishPixels(image, gutterLine) > 0);
    QCOMPARE(reddishPixels(image, QRect(0, 0, left, top)), 0);
    QCOMPARE(reddishPixels(image, QRect(0, top + h, left, 6 * h)), 0);
}

void TestQpileView::hintsAreDrawnApartFromErrors()
{
    // An error and a hint on lines of their own: the hint's underline and gutter sign are
    // grey, not red; its row reads quieter; the two are counted apart.
    Fixture f;
    QString text = kScript;
    text.replace(u"    y = 2"_s, u"    y = unset_value"_s);
    f.setText(text);
    QCOMPARE(f.rows(f.panel->problemList()),
             (QStringList{u"6 | 1 | END_IF без IF"_s,
                          u"8 | 9 | Переменная unset_value нигде не получает значения"_s}));
    QCOMPARE(f.hints.last(), u"Проверка: 1 замечание, 1 подсказка"_s);
    QCOMPARE(f.pane->lineMarks().size(), std::size_t(2));
    QVERIFY(!f.pane->lineMarks()[0].hint);
    QVERIFY(f.pane->lineMarks()[1].hint);
    const QTreeWidgetItem *error = f.panel->problemList()->topLevelItem(0);
    const QTreeWidgetItem *hint = f.panel->problemList()->topLevelItem(1);
    QVERIFY(error->foreground(2).color() != hint->foreground(2).color());
    QCOMPARE(hint->toolTip(2), u"Переменная unset_value нигде не получает значения"_s);

    QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
    f.pane->viewport()->render(&image);
    const int h = f.pane->lineHeight();
    const int w = f.pane->charWidth();
    const int left = f.pane->gutterWidth();
    const auto greyPixels = [&image](const QRect &area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                count += qRed(pixel) == 128 && qGreen(pixel) == 128 && qBlue(pixel) == 128;
            }
        }
        return count;
    };
    const QRect errorLine(left, 5 * h, 6 * w, h);
    const QRect hintWord(left + 8 * w, 7 * h, 11 * w, h);
    QVERIFY(reddishPixels(image, errorLine) > 0);
    QCOMPARE(reddishPixels(image, hintWord), 0);
    QVERIFY(greyPixels(hintWord) >= 11 * w / 4);
    // The gutter: a solid red bar beside the error, a hollow grey one beside the hint.
    const QRect errorSign(0, 5 * h, left, h);
    const QRect hintSign(0, 7 * h, left, h);
    QVERIFY(reddishPixels(image, errorSign) > 0);
    QCOMPARE(reddishPixels(image, hintSign), 0);
    QVERIFY(greyPixels(hintSign) > 0);
}

void TestQpileView::panelFitsItsDefaultWidth()
{
    // At the side panel's narrow width a long message wraps onto more lines in its row.
    Fixture f;
    f.tabs->setFixedWidth(220);
    QString text = kScript;
    text.replace(u"    y = 2"_s, u"    y = MONEY_CURENT_BALANCE(\"C\", \"F\", \"T\", \"SUR\")"_s);
    f.setText(text);
    f.tabs->setCurrentWidget(f.panel->problemList());
    QTRY_VERIFY(f.panel->problemList()->isVisible());
    QTreeWidget *list = f.panel->problemList();
    const QTreeWidgetItem *longRow = list->topLevelItem(1);
    QVERIFY(longRow->text(2).startsWith(u"Неизвестная функция"_s));
    QVERIFY(list->visualItemRect(longRow).height() >
            list->visualItemRect(list->topLevelItem(0)).height());
    // Its long names break too, so no line of it runs past the column's edge.
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    const QModelIndex message = list->model()->index(1, 2);
    QVERIFY2(list->itemDelegate()->sizeHint(option, message).width() <= list->columnWidth(2),
             qPrintable(QString::number(list->itemDelegate()->sizeHint(option, message).width())));
}

void TestQpileView::editingFixesAProblem()
{
    Fixture f;
    f.setText(kScript);
    QCOMPARE(f.panel->problemList()->topLevelItemCount(), 1);
    QCOMPARE(f.hints.last(), u"Проверка: 1 замечание"_s);
    // A line put in above moves the mark at once; the list follows after the check.
    f.pane->SetFocus();
    f.pane->model().setCaretXY({1, 5});
    QTest::keyClick(f.pane, Qt::Key_Return);
    QCOMPARE(f.pane->lineMarks().size(), std::size_t(1));
    QCOMPARE(f.pane->lineMarks().front().line, 7);
    QTRY_COMPARE(f.rows(f.panel->problemList()), QStringList{u"7 | 1 | END_IF без IF"_s});
    QTest::keyClick(f.pane, Qt::Key_Backspace);
    QTRY_COMPARE(f.rows(f.panel->problemList()), QStringList{u"6 | 1 | END_IF без IF"_s});
    // Type over "END_IF" through the pane's keys.
    f.pane->model().setCaretXY({1, 6});
    QTest::keyClick(f.pane, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClicks(f.pane, u"z = 3"_s);
    QTRY_COMPARE(f.panel->problemList()->topLevelItemCount(), 0);
    QVERIFY(f.pane->lineMarks().empty());
    QCOMPARE(f.hints.last(), u"Проверка: замечаний нет"_s);
    // A new line with an opener left open.
    QTest::keyClick(f.pane, Qt::Key_Return);
    QTest::keyClicks(f.pane, u"FOR i FROM 1 TO 2"_s);
    QTRY_COMPARE(f.rows(f.panel->problemList()),
                 QStringList{u"7 | 1 | Блок FOR не закрыт: нет END FOR"_s});
}

void TestQpileView::outlineListsAndJumps()
{
    Fixture f;
    f.setText(kScript);
    f.tabs->setCurrentIndex(2);
    QCOMPARE(f.rows(f.panel->outlineList()),
             (QStringList{u"FUNC Count | (a, b)"_s, u"Price | Цена"_s}));
    f.activate(f.panel->outlineList(), 1, true);
    QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{11, 11}));
    QVERIFY(f.pane->hasFocus());
    f.activate(f.panel->outlineList(), 0, false);
    QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{6, 7}));

    // It follows edits.
    f.pane->model().setCaretXY({1, 10});
    QTest::keyClicks(f.pane, u"FUNC Other()\rEND FUNC\r"_s);
    QTRY_COMPARE(f.rows(f.panel->outlineList()),
                 (QStringList{u"FUNC Count | (a, b)"_s, u"FUNC Other | ()"_s, u"Price | Цена"_s}));
}

void TestQpileView::outlineKeepsItsRowsAcrossEdits()
{
    // A FUNC added above changes only its own row: the rows after it are the same items,
    // moved to their new lines, and the current row stays current.
    Fixture f;
    f.setText(kScript);
    f.tabs->setCurrentIndex(2);
    OutlineList *outline = f.panel->outlineList();
    QTRY_COMPARE(outline->topLevelItemCount(), 2);
    QTreeWidgetItem *price = outline->topLevelItem(1);
    outline->setCurrentItem(price);
    f.pane->model().setCaretXY({1, 10});
    QTest::keyClicks(f.pane, u"FUNC Other()\rEND FUNC\r"_s);
    QTRY_COMPARE(f.rows(outline),
                 (QStringList{u"FUNC Count | (a, b)"_s, u"FUNC Other | ()"_s, u"Price | Цена"_s}));
    QCOMPARE(outline->topLevelItem(2), price);
    QCOMPARE(outline->currentItem(), price);
    // Its place follows the text.
    f.activate(outline, 2, true);
    QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{11, 13}));

    // Removing the FUNC again takes its row alone.
    f.pane->Lines().setText(kScript);
    QTRY_COMPARE(f.rows(outline), (QStringList{u"FUNC Count | (a, b)"_s, u"Price | Цена"_s}));
    QCOMPARE(outline->topLevelItem(1), price);
}

void TestQpileView::withoutReferenceTheTabsStayEmpty()
{
    Fixture f(false);
    QCOMPARE(f.tabs->count(), 3);
    f.pane->Lines().setText(kScript);
    f.pane->SetFocus();
    QTest::keyClicks(f.pane, u"IF x\r"_s);
    f.tabs->setCurrentIndex(2);
    QCoreApplication::processEvents();
    QCOMPARE(f.panel->problemList()->topLevelItemCount(), 0);
    QCOMPARE(f.panel->outlineList()->topLevelItemCount(), 0);
    QVERIFY(f.pane->lineMarks().empty());
    QCOMPARE(f.panel->problemTextAt({1, 1}), QString());
    QVERIFY(f.hints.isEmpty());
}

void TestQpileView::countTexts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << u"Проверка: замечаний нет"_s;
    QTest::newRow("1") << 1 << u"Проверка: 1 замечание"_s;
    QTest::newRow("3") << 3 << u"Проверка: 3 замечания"_s;
    QTest::newRow("5") << 5 << u"Проверка: 5 замечаний"_s;
    QTest::newRow("11") << 11 << u"Проверка: 11 замечаний"_s;
    QTest::newRow("14") << 14 << u"Проверка: 14 замечаний"_s;
    QTest::newRow("21") << 21 << u"Проверка: 21 замечание"_s;
    QTest::newRow("102") << 102 << u"Проверка: 102 замечания"_s;
    QTest::newRow("111") << 111 << u"Проверка: 111 замечаний"_s;
}

void TestQpileView::countsApart()
{
    QCOMPARE(problemCountText(0, 0), u"Проверка: замечаний нет"_s);
    QCOMPARE(problemCountText(0, 1), u"Проверка: замечаний нет, 1 подсказка"_s);
    QCOMPARE(problemCountText(2, 3), u"Проверка: 2 замечания, 3 подсказки"_s);
    QCOMPARE(problemCountText(1, 12), u"Проверка: 1 замечание, 12 подсказок"_s);
}

void TestQpileView::countTexts()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(problemCountText(count), text);
}

BP_TEST(TestQpileView)
#include "tst_qpile_view.moc"
