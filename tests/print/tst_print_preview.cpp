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
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << u"line_%1 = \"text %1\" ' note"_s.arg(i);
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
    void previewScalesByKeysAndFits();
    void printReportsWhereTheJobWent();
    void setupDialogButtonSaysWhatItDoes();

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
    QCOMPARE(window->objectName(), u"frm_PrintPreview"_s);
    QCOMPARE(window->windowTitle(), u"Предварительный просмотр"_s);
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
    QCOMPARE(control->scrollHint()->text(), u"Page: 3"_s);
    QCOMPARE(control->PageNumber(), 3);
    QTest::mouseMove(bar, thumb.center());
    QCOMPARE(control->scrollHint()->text(), u"Page: 1"_s);
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
    m_fixture.lines().setText(u"PROGRAM ' changed\nEND_PROGRAM"_s);
    window.EditorPaneChange();
    Tfrm_PrintPreview *second = showPreview();
    QCOMPARE(second, first);
    QCOMPARE(preview()->PageCount(), 1);
    QCOMPARE(preview()->PageNumber(), 1);
    QCOMPARE(window.editorPrint().Lines().front(), u"PROGRAM ' changed"_s);
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
    const QString path = m_fixture.path(u"out.pdf"_s);
    m_fixture.prompts.saveChoices << QString() << path;
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.saveRequests.size(), 1);
    QVERIFY(!QFile::exists(path));

    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.saveRequests.size(), 2);
    QCOMPARE(m_fixture.prompts.errors, QStringList());
    const QStringList pages = pdfPages(path);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages.first().contains(u"5: line_5 = \"text 5\" ' note"_s));
    QVERIFY(window.docSaved());
}

void TestPrintPreview::unwritablePdfShowsErrorBox()
{
    Tfrm_Main &window = openWindow(numberedLines(5));
    window.EditorPaneChange();
    const QString notAFolder = m_fixture.path(u"file"_s);
    writeFile(notAFolder, "x");
    const QString path = notAFolder + u"/out.pdf"_s;
    m_fixture.prompts.saveChoices << path;
    window.actions().FilePrint->trigger();
    QCOMPARE(m_fixture.prompts.errors.size(), 1);
    QVERIFY2(m_fixture.prompts.errors.first().startsWith(
                 u"Не удалось записать файл \"%1\". "_s.arg(path)),
             qPrintable(m_fixture.prompts.errors.first()));
    QVERIFY(!window.docSaved());
    QCOMPARE(m_fixture.lines().Count(), 5);
}

void TestPrintPreview::progressDialogCancelStopsTheJob()
{
    Tfrm_Main &window = openWindow(numberedLines(400));
    const QString path = m_fixture.path(u"long.pdf"_s);
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
    QVERIFY2(label.startsWith(u"Печать... Страница "_s), qPrintable(label));
    QVERIFY2(label.endsWith(u" из 7"_s), qPrintable(label));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(m_fixture.prompts.errors, QStringList());
    QCOMPARE(QDir(m_fixture.dir->path()).entryList({u"*.pdf"_s}, QDir::Files), QStringList());
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

// The scale as the user changes it: Ctrl++ (and the unshifted Ctrl+=) and Ctrl+- step it, the
// context menu fits the page or its width to the window and the fit follows the window's size,
// Home and End go to the first and last page, Ctrl+wheel still turns the page, and the scale
// stays for the next preview.
void TestPrintPreview::previewScalesByKeysAndFits()
{
    openWindow(numberedLines(150));
    Tfrm_PrintPreview *window = showPreview();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    TEditorPrintPreview *control = preview();
    control->setFocus();
    QCOMPARE(control->ScalePercent(), 100);
    QTest::keyClick(control, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(control->ScalePercent(), 125);
    QTest::keyClick(control, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(control->ScalePercent(), 150);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(control, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(control->ScalePercent(), 75);

    wheel(control->viewport(), -1, Qt::ControlModifier);
    QCOMPARE(control->PageNumber(), 2);
    QTest::keyClick(control, Qt::Key_End);
    QCOMPARE(control->PageNumber(), 3);
    QTest::keyClick(control, Qt::Key_Home);
    QCOMPARE(control->PageNumber(), 1);
    QCOMPARE(control->pageOffset(), 0);

    // The choice from the context menu, as the user picks it.
    auto choose = [&](const QString &entry) {
        QTimer::singleShot(0, control, [entry] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *action : menu->actions())
                if (action->text() == entry)
                    action->trigger();
            menu->close();
        });
        const QPoint at = control->viewport()->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, control->viewport()->mapToGlobal(at));
        QApplication::sendEvent(control->viewport(), &event);
    };
    // The whole sheet in view: no scrolling within a page, nor sideways.
    choose(u"Страница целиком"_s);
    QCOMPARE(control->fit(), TEditorPrintPreview::Fit::Page);
    QVERIFY(control->ScalePercent() < 75);
    QCOMPARE(control->verticalScrollBar()->maximum(), control->PageCount() - 1);
    QCOMPARE(control->horizontalScrollBar()->maximum(), 0);
    const int pageScale = control->ScalePercent();
    window->resize(window->width() + 200, window->height() + 300);
    QTRY_VERIFY(control->ScalePercent() > pageScale);
    QCOMPARE(control->verticalScrollBar()->maximum(), control->PageCount() - 1);

    // The sheet's width in view: larger than the whole page, scrolling only downwards.
    choose(u"По ширине страницы"_s);
    QCOMPARE(control->fit(), TEditorPrintPreview::Fit::Width);
    QCOMPARE(control->horizontalScrollBar()->maximum(), 0);
    QVERIFY(control->verticalScrollBar()->maximum() > control->PageCount() - 1);
    const int widthScale = control->ScalePercent();

    // The next preview keeps the scale and the fit.
    window->close();
    showPreview();
    QCOMPARE(control->ScalePercent(), widthScale);
    QCOMPARE(control->fit(), TEditorPrintPreview::Fit::Width);
    QTest::keyClick(control, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(control->fit(), TEditorPrintPreview::Fit::None);
    const int stepped = control->ScalePercent();
    QVERIFY(stepped < widthScale);
    window->close();
    showPreview();
    QCOMPARE(control->ScalePercent(), stepped);
}

// The hint panel after Ctrl+P says where the job went; pages and copies the printer set-up
// left chosen are named on every print, so they are never silent.
void TestPrintPreview::printReportsWhereTheJobWent()
{
    if (!hasPoppler())
        QSKIP("poppler-utils are not installed");
    // A document opened by a relative path: the PDF name offered has no "./".
    struct Back
    {
        QString folder = QDir::currentPath();
        ~Back() { QDir::setCurrent(folder); }
    } back;
    QDir::setCurrent(m_fixture.dir->path());
    writeFile(m_fixture.path(u"portfolio.qpl"_s), numberedLines(150).toUtf8());
    Tfrm_Main &window = m_fixture.openWindow({u"portfolio.qpl"_s});
    window.printCommands().setPrinterAccess(m_printers.get());
    window.printCommands().setProgressFactory([](int) { return nullptr; });
    const QString pdf = m_fixture.path(u"portfolio.pdf"_s);
    m_fixture.prompts.saveChoices << u"portfolio.pdf"_s;
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.saveRequests.size(), 1);
    QCOMPARE(m_fixture.prompts.saveRequests[0].fileName, u"portfolio.pdf"_s);
    QCOMPARE(window.statusPanelText(0), u"PDF сохранён: "_s + QDir::toNativeSeparators(pdf));
    QCOMPARE(pdfPages(pdf).size(), 3);

    const QString printed = m_fixture.path(u"printer.pdf"_s);
    m_printers = std::make_unique<FakePrinters>(printed);
    window.printCommands().setPrinterAccess(m_printers.get());
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(window.statusPanelText(0), u"Отправлено на принтер \"%1\""_s.arg(printed));
    const QStringList all = pdfPages(printed);
    QCOMPARE(all.size(), 3);

    m_printers->setupChoice = [](QPrinter &printer) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        printer.setCopyCount(2);
    };
    window.actions().FilePrintSetup1->trigger();
    for (int job = 0; job < 2; ++job) {
        QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(window.statusPanelText(0),
                 u"Напечатаны страницы 2–3, копий: 2 (принтер \"%1\")"_s.arg(printed));
        const QStringList pages = pdfPages(printed);
        QCOMPARE(pages.size(), m_printers->printer().supportsMultipleCopies() ? 2 : 4);
        QCOMPARE(pages[0], all[1]);
        QCOMPARE(pages[1], all[2]);
    }
    // A range past the end is refused with a message, and nothing goes to the printer.
    QFile::remove(printed);
    m_printers->printer().setFromTo(7, 9);
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_fixture.prompts.errors.size(), 1);
    QVERIFY2(m_fixture.prompts.errors[0].contains(u"Страницы 7–9"_s),
             qPrintable(m_fixture.prompts.errors[0]));
    QVERIFY(!QFile::exists(printed));
}

// The set-up dialog keeps its choice for the next Ctrl+P and prints nothing: its button says
// so.
void TestPrintPreview::setupDialogButtonSaysWhatItDoes()
{
    QtPrinterAccess printers;
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        for (const QDialogButtonBox *buttons : dialog->findChildren<QDialogButtonBox *>())
            for (const QAbstractButton *button : buttons->buttons())
                captions << button->text().remove(u'&');
        dialog->reject();
    });
    QVERIFY(!printers.setup(nullptr));
    QVERIFY2(captions.contains(kSetupAcceptCaption), qPrintable(captions.join(u", "_s)));
    for (const QString &caption : std::as_const(captions))
        QVERIFY2(!caption.contains(u"Печать"_s) && !caption.contains(u"Print"_s),
                 qPrintable(caption));
}

BP_TEST(TestPrintPreview)

#include "tst_print_preview.moc"
