// The print commands in the main window: the preview window through real events, Ctrl+P
// without a printer, the progress dialog's Cancel, and the printer set-up.
#include "../app/window_fixture.h"
#include "fake_printers.h"
#include "platform/scroll_hint.h"
#include "print/editor_print.h"
#include "print/view/editor_print_preview.h"
#include "print/view/print_commands.h"
#include "print/view/unit_print_preview.h"
#include "print_test_support.h"
#include "test_runner.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

using namespace bp;

namespace {

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line_%1 = \"text %1\" ' note").arg(i);
    return lines.join(u'\n');
}

void wheel(QWidget *target, int notches, Qt::KeyboardModifiers modifiers)
{
    const QPointF at = QPointF(target->rect().center());
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestPrintPreview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { substituteProgramFonts(); }
    void init();
    void cleanup() { m_fixture.window.reset(); }
    void previewShowsPageOneAndMovesWithTheWheel();
    void scrollBarHintNamesThePage();
    void secondPreviewShowsTheEdit();
    void previewPaintsOnlyThePageShown();
    void ctrlPWithoutPrinterAsksForPdf();
    void unwritablePdfShowsErrorBox();
    void progressDialogCancelStopsTheJob();
    void setupChoiceReachesThePreview();

private:
    Tfrm_Main &openWindow(const QString &text);
    Tfrm_PrintPreview *showPreview();
    TEditorPrintPreview *preview()
    {
        return m_fixture.window->printCommands().preview()->EditorPrintPreview();
    }

    WindowFixture m_fixture;
    std::unique_ptr<FakePrinters> m_printers;
};

void TestPrintPreview::init()
{
    m_fixture.reset();
    m_printers = std::make_unique<FakePrinters>();
    m_printers->installed = false;
}

Tfrm_Main &TestPrintPreview::openWindow(const QString &text)
{
    Tfrm_Main &window = m_fixture.openWindow();
    window.printCommands().setPrinterAccess(m_printers.get());
    // Shown without a nested event loop, so the test can go on driving it.
    window.printCommands().setPreviewRunner([](Tfrm_PrintPreview &preview) {
        preview.centreOnParent();
        preview.show();
    });
    m_fixture.lines().setText(text);
    return window;
}

Tfrm_PrintPreview *TestPrintPreview::showPreview()
{
    m_fixture.window->actions().FilePrintPreview->trigger();
    Tfrm_PrintPreview *window = m_fixture.window->printCommands().preview();
    if (window && !QTest::qWaitForWindowExposed(window))
        qWarning("preview window was not exposed");
    return window;
}

void TestPrintPreview::previewShowsPageOneAndMovesWithTheWheel()
{
    openWindow(numberedLines(150));
    Tfrm_PrintPreview *window = showPreview();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->objectName(), QStringLiteral("frm_PrintPreview"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Предварительный просмотр"));
    QCOMPARE(window->size(), QSize(497, 484));
    QCOMPARE(window->parentWidget(), m_fixture.window.get());
    TEditorPrintPreview *control = preview();
    QCOMPARE(control->PageCount(), 3);
    QCOMPARE(control->PageNumber(), 1);
    QCOMPARE(control->pageOffset(), 0);

    QWidget *viewport = control->viewport();
    wheel(viewport, -1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 2);
    wheel(viewport, 1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 1);
    // At the first page Ctrl + wheel up has no page to go to: it scrolls, here not at all.
    wheel(viewport, 1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 1);
    QCOMPARE(control->pageOffset(), 0);
    // A plain notch scrolls 120 pixels within the page.
    wheel(viewport, -1, Qt::NoModifier);
    QCOMPARE(control->PageNumber(), 1);
    QCOMPARE(control->pageOffset(), 120);

    wheel(viewport, -1, Qt::ControlModifier);
    wheel(viewport, -1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 3);
    QCOMPARE(control->pageOffset(), 0);
    // On the last page Ctrl + wheel down scrolls instead.
    wheel(viewport, -1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 3);
    QCOMPARE(control->pageOffset(), 120);
}

void TestPrintPreview::scrollBarHintNamesThePage()
{
    openWindow(numberedLines(150));
    showPreview();
    TEditorPrintPreview *control = preview();
    QScrollBar *bar = control->verticalScrollBar();
    QVERIFY(bar->isVisible());
    const QRect thumb = scrollBarThumb(bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb.center());
    // Two thirds down the groove is the last page.
    QTest::mouseMove(bar, QPoint(thumb.center().x(), bar->height() - thumb.height() / 2 - 2));
    QVERIFY(control->scrollHint()->isVisible());
    QCOMPARE(control->scrollHint()->text(), QStringLiteral("Page: 3"));
    QCOMPARE(control->PageNumber(), 3);
    QTest::mouseMove(bar, thumb.center());
    QCOMPARE(control->scrollHint()->text(), QStringLiteral("Page: 1"));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb.center());
    QVERIFY(!control->scrollHint()->isVisible());
}

void TestPrintPreview::secondPreviewShowsTheEdit()
{
    Tfrm_Main &window = openWindow(numberedLines(150));
    Tfrm_PrintPreview *first = showPreview();
    wheel(preview()->viewport(), -1, Qt::ControlModifier);
    QCOMPARE(preview()->PageNumber(), 2);
    const QImage before = preview()->viewport()->grab().toImage();
    first->close();

    // The edit shortens the document to one page and changes the first line.
    m_fixture.lines().setText(QStringLiteral("PROGRAM ' changed\nEND_PROGRAM"));
    window.EditorPaneChange();
    Tfrm_PrintPreview *second = showPreview();
    QCOMPARE(second, first);
    QCOMPARE(preview()->PageCount(), 1);
    QCOMPARE(preview()->PageNumber(), 1);
    QCOMPARE(window.editorPrint().Lines().front(), QStringLiteral("PROGRAM ' changed"));
    const QImage after = preview()->viewport()->grab().toImage();
    QVERIFY(after != before);
}

void TestPrintPreview::previewPaintsOnlyThePageShown()
{
    openWindow(numberedLines(20000));
    showPreview();
    TEditorPrintPreview *control = preview();
    QVERIFY(control->PageCount() > 300);
    const int painted = control->paintedPageCount();
    control->viewport()->grab();
    control->viewport()->grab();
    QVERIFY(control->paintedPageCount() - painted <= 1);
    QVERIFY(control->paintedPageCount() >= 1);
    control->setPageNumber(control->PageCount());
    control->viewport()->grab();
    QCOMPARE(control->paintedPageCount(), painted + (painted == 0 ? 2 : 1));
}

void TestPrintPreview::ctrlPWithoutPrinterAsksForPdf()
{
    if (!hasPoppler())
        QSKIP("poppler-utils are not installed");
    Tfrm_Main &window = openWindow(numberedLines(5));
    const QString path = m_fixture.path(QStringLiteral("out.pdf"));
    m_fixture.prompts.saveChoices << QString() << path;
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.saveRequests.size(), 1);
    QVERIFY(!QFile::exists(path));

    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.saveRequests.size(), 2);
    QCOMPARE(m_fixture.prompts.errors, QStringList());
    const QStringList pages = pdfPages(path);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages.first().contains(QStringLiteral("5: line_5 = \"text 5\" ' note")));
    QVERIFY(window.docSaved());
}

void TestPrintPreview::unwritablePdfShowsErrorBox()
{
    Tfrm_Main &window = openWindow(numberedLines(5));
    window.EditorPaneChange();
    const QString notAFolder = m_fixture.path(QStringLiteral("file"));
    writeFile(notAFolder, "x");
    const QString path = notAFolder + QStringLiteral("/out.pdf");
    m_fixture.prompts.saveChoices << path;
    window.actions().FilePrint->trigger();
    QCOMPARE(m_fixture.prompts.errors.size(), 1);
    QVERIFY2(m_fixture.prompts.errors.first().startsWith(
                 QStringLiteral("Не удалось записать файл \"%1\". ").arg(path)),
             qPrintable(m_fixture.prompts.errors.first()));
    QVERIFY(!window.docSaved());
    QCOMPARE(m_fixture.lines().Count(), 5);
}

void TestPrintPreview::progressDialogCancelStopsTheJob()
{
    Tfrm_Main &window = openWindow(numberedLines(400));
    const QString path = m_fixture.path(QStringLiteral("long.pdf"));
    m_fixture.prompts.saveChoices << path;
    QString label;
    // Runs at the first events the job lets through, while the dialog is up.
    QMetaObject::invokeMethod(
        &window,
        [&label] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QProgressDialog *>(top);
                if (!dialog || !dialog->isVisible())
                    continue;
                label = dialog->labelText();
                QPushButton *cancel = dialog->findChild<QPushButton *>();
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        },
        Qt::QueuedConnection);
    window.actions().FilePrint->trigger();
    QVERIFY2(label.startsWith(QStringLiteral("Печать... Страница ")), qPrintable(label));
    QVERIFY2(label.endsWith(QStringLiteral(" из 7")), qPrintable(label));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(m_fixture.prompts.errors, QStringList());
    QCOMPARE(QDir(m_fixture.dir->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files),
             QStringList());
}

void TestPrintPreview::setupChoiceReachesThePreview()
{
    Tfrm_Main &window = openWindow(numberedLines(150));
    m_printers->installed = true;
    m_printers->setupChoice = [](QPrinter &printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
    };
    showPreview()->close();
    const int portraitPages = preview()->PageCount();
    QVERIFY(window.editorPrint().PrinterInfo().physicalHeight >
            window.editorPrint().PrinterInfo().physicalWidth);
    window.actions().FilePrintSetup1->trigger();
    QCOMPARE(m_printers->setupCount, 1);
    showPreview();
    QVERIFY(window.editorPrint().PrinterInfo().physicalWidth >
            window.editorPrint().PrinterInfo().physicalHeight);
    QVERIFY(preview()->PageCount() > portraitPages);
}

BP_TEST(TestPrintPreview)

#include "tst_print_preview.moc"
