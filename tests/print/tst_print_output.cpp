// Real PDF output of the print engine and the print commands, read back with poppler.
#include "../app/fake_prompts.h"
#include "common/error.h"
#include "fake_printers.h"
#include "file_size_limit.h"
#include "highlight/qpile_highlighter.h"
#include "print/view/print_commands.h"
#include "print_test_support.h"
#include "test_runner.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <functional>
#include <optional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

using bp::testing::FileSizeLimit;

const QString kLongLine = QStringLiteral(
    "result = GET_VALUE(alpha, beta, gamma, delta, epsilon, zeta, eta, theta, iota, kappa, "
    "lambda, mu, nu, xi, omicron)");

QString sampleDocument()
{
    return QStringList{u"PROGRAM"_s,      u"' comment text"_s, u"s = \"string text\""_s,
                       u"PROGRAMX = 1"_s, u"a = 1"_s,          u"a = 2"_s,
                       u"a = 3"_s,        u"a = 4"_s,          kLongLine,
                       u"END_PROGRAM"_s}
        .join(u'\n');
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << u"line_%1 = %1"_s.arg(i);
    return lines.join(u'\n');
}

// Stops the job before sheet `stopAt`.
class StoppingProgress : public PrintProgress
{
public:
    StoppingProgress(int stopAt, QList<int> &seen) : m_stopAt(stopAt), m_seen(seen) {}
    bool step(int sheet, int) override
    {
        m_seen << sheet;
        return sheet < m_stopAt;
    }

private:
    int m_stopAt;
    QList<int> &m_seen;
};

struct InkCount
{
    int ink = 0;
    int blue = 0;
    int red = 0;
    int darkBlue = 0;
    int notWhite = 0;
};

InkCount countInk(const QImage &image, const QRect &rect)
{
    InkCount count;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 250 || c.green() < 250 || c.blue() < 250)
                ++count.notWhite;
            if (c.red() + c.green() + c.blue() >= 450)
                continue;
            ++count.ink;
            if (c.blue() - c.red() > 80 && c.blue() - c.green() > 80) {
                ++count.blue;
                if (c.blue() < 190)
                    ++count.darkBlue;
            }
            if (c.red() - c.green() > 80 && c.red() - c.blue() > 80)
                ++count.red;
        }
    }
    return count;
}

} // namespace

class TestPrintOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void printsNumberedWrappedLines();
    void printsCopiesInOrder();
    void printsHighlightColours();
    void printsLongLineAcrossPages();
    void printsWithoutPrinterIntoNamedPdf();
    void cancelledPdfDialogWritesNothing();
    void unwritablePdfFolderFails_data();
    void unwritablePdfFolderFails();
    void cancelledJobLeavesNoFile();
    void pdfWrittenOverKeepsItsMode_data();
    void pdfWrittenOverKeepsItsMode();
    void pdfOnAFullDiskNamesTheReason_data();
    void pdfOnAFullDiskNamesTheReason();
    void setupWithoutPrinterSaysSo();

private:
    // Prints `text` through the commands on the fake PDF printer; gives the pages' text.
    QStringList printOnPrinter(const QString &text, int copies = 1);

    std::unique_ptr<QTemporaryDir> m_dir;
    TEditorLines m_lines;
    TQPILEHighlighter m_highlighter;
    std::unique_ptr<TEditorPrint> m_engine;
    FakePrompts m_prompts;
};

void TestPrintOutput::initTestCase()
{
    substituteProgramFonts();
    if (!hasPoppler())
        QSKIP("poppler-utils (pdftotext, pdftoppm) are not installed");
}

void TestPrintOutput::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_engine = std::make_unique<TEditorPrint>();
    m_prompts = FakePrompts();
}

QStringList TestPrintOutput::printOnPrinter(const QString &text, int copies)
{
    const QString path = m_dir->filePath(u"printer.pdf"_s);
    FakePrinters printers(path);
    setUpEngine(*m_engine, m_lines, text, &m_highlighter);
    m_engine->Copies = copies;
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    commands.setProgressFactory([](int) { return nullptr; });
    commands.FilePrintExecute(QString());
    return pdfPages(path);
}

void TestPrintOutput::printsNumberedWrappedLines()
{
    const QStringList pages = printOnPrinter(sampleDocument());
    QCOMPARE(pages.size(), 1);
    const QStringList rows = pages.first().split(u'\n');
    // Every label ends where the text starts: "9: " is padded to the width of "10: ".
    int textColumn = -1;
    int labelledRow = -1;
    for (int number = 1; number <= 10; ++number) {
        const QRegularExpression label(u"^(\\s*)%1: "_s.arg(number));
        do
            ++labelledRow;
        while (labelledRow < rows.size() && !label.match(rows[labelledRow]).hasMatch());
        if (labelledRow == rows.size())
            labelledRow = -1;
        QVERIFY2(labelledRow >= 0, qPrintable(u"no label %1: in\n"_s.arg(number) + pages.first()));
        const int column = int(label.match(rows[labelledRow]).capturedEnd());
        if (textColumn < 0)
            textColumn = column;
        QCOMPARE(column, textColumn);
        if (number == 9) {
            // The wrapped line goes on in the next row, without a label, after a blank.
            const QString first = rows[labelledRow].mid(textColumn);
            const QString second = rows[labelledRow + 1];
            QVERIFY(!second.contains(u':'));
            QCOMPARE(second.left(textColumn).trimmed(), QString());
            QVERIFY(first.trimmed().endsWith(u','));
            QCOMPARE(first.trimmed() + u' ' + second.trimmed(), kLongLine);
            QVERIFY(first.size() < kLongLine.size());
        }
    }
    QCOMPARE(rows.first(), u" 1: PROGRAM"_s);

    // Each character stands in its own column: a word (several tokens, bold or not) is as
    // wide as its characters' columns, so no glyph runs into the next token's background.
    const double column = m_engine->metrics().columnWidth() * 72.0 / 300;
    const QList<PdfWord> words = pdfWords(m_dir->filePath(u"printer.pdf"_s));
    QVERIFY(words.size() > 20);
    for (const PdfWord &word : words) {
        const double columns = (word.left - words.first().left) / column;
        QVERIFY2(qAbs(columns - std::round(columns)) < 0.05, qPrintable(word.text));
        QVERIFY2(word.right <= word.left + (word.text.size() + 0.25) * column,
                 qPrintable(word.text));
    }
}

void TestPrintOutput::printsCopiesInOrder()
{
    // Two pages of about sixty rows each, twice.
    const QStringList pages = printOnPrinter(numberedLines(100), 2);
    QCOMPARE(pages.size(), 4);
    const QRegularExpression firstLabel(u"^\\s*(\\d+): "_s, QRegularExpression::MultilineOption);
    QList<int> firstLines;
    for (const QString &page : pages)
        firstLines << firstLabel.match(page).captured(1).toInt();
    QCOMPARE(firstLines[0], 1);
    QVERIFY(firstLines[1] > 1);
    QCOMPARE(firstLines[2], 1);
    QCOMPARE(firstLines[3], firstLines[1]);
    QVERIFY(pages[1].contains(u"100: line_100 = 100"_s));
    QCOMPARE(pages[3], pages[1]);
}

void TestPrintOutput::printsHighlightColours()
{
    const QString path = m_dir->filePath(u"printer.pdf"_s);
    printOnPrinter(sampleDocument());
    const QImage page = pdfPageImage(path, 1, 300, *m_dir);
    QVERIFY(!page.isNull());

    const TEditorPrinterInfo &printer = m_engine->PrinterInfo();
    const PrintTextArea &area = m_engine->layout().textArea();
    const int column = m_engine->metrics().columnWidth();
    const int row = m_engine->layout().lineHeight();
    // Columns [first, last) of line `line` (0-based) on the rendered sheet.
    auto cells = [&](int line, int first, int last) {
        return QRect(printer.leftOffset + area.left + first * column,
                     printer.topOffset + area.top + line * row, (last - first) * column, row);
    };

    const InkCount keyword = countInk(page, cells(0, 0, 7));    // PROGRAM
    const InkCount comment = countInk(page, cells(1, 0, 14));   // ' comment text
    const InkCount string = countInk(page, cells(2, 4, 17));    // "string text"
    const InkCount identifier = countInk(page, cells(3, 0, 7)); // PROGRAM of PROGRAMX
    const InkCount blank = countInk(page, cells(2, 1, 2));      // the blank after s
    const InkCount label = countInk(page, cells(0, -3, 0));     // " 1: "

    QVERIFY2(keyword.ink > 100, "the keyword printed nothing");
    QVERIFY(keyword.blue > keyword.ink * 8 / 10);
    QVERIFY(comment.darkBlue > comment.ink * 6 / 10);
    QVERIFY(string.red > string.ink * 8 / 10);
    QCOMPARE(identifier.blue + identifier.red, 0);
    QCOMPARE(label.blue + label.red, 0);
    QVERIFY(label.ink > 0);
    QCOMPARE(blank.notWhite, 0);
    // Bold: the keyword takes clearly more ink than the same letters in regular type.
    QVERIFY2(keyword.ink > identifier.ink * 115 / 100,
             qPrintable(u"bold %1, regular %2"_s.arg(keyword.ink).arg(identifier.ink)));
}

void TestPrintOutput::printsLongLineAcrossPages()
{
    // Fifty short lines, then one line of some thirty rows: its rows go on at the top of
    // page 2, under no label, and none is lost below the bottom of page 1.
    QStringList words;
    for (int i = 1; i <= 400; ++i)
        words << u"w%1,"_s.arg(i, 3, 10, QLatin1Char('0'));
    const QString longLine = words.join(u' ');
    const QString text = numberedLines(50) + u'\n' + longLine + u"\nlast = 1"_s;
    const QStringList pages = printOnPrinter(text);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(u"51: w001, w002,"_s));
    QVERIFY(!pages[0].contains(u"w400,"_s));
    const QStringList secondRows = pages[1].split(u'\n');
    QVERIFY(!secondRows.first().contains(u':'));
    QVERIFY(pages[1].contains(u"w400,"_s));
    QVERIFY(pages[1].contains(u"52: last = 1"_s));
    // Every word printed exactly once.
    const QString all = pages.join(u' ');
    for (const QString &word : std::as_const(words))
        QCOMPARE(all.count(word), 1);
}

void TestPrintOutput::printsWithoutPrinterIntoNamedPdf()
{
    FakePrinters printers;
    printers.installed = false;
    const QString path = m_dir->filePath(u"chosen.pdf"_s);
    m_prompts.saveChoices << path;
    setUpEngine(*m_engine, m_lines, numberedLines(10), &m_highlighter);
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    commands.FilePrintExecute(u"/some/folder/portfolio.qpl"_s);

    QCOMPARE(m_prompts.saveRequests.size(), 1);
    const FileDialogRequest &request = m_prompts.saveRequests.first();
    QCOMPARE(request.fileName, u"/some/folder/portfolio.pdf"_s);
    QCOMPARE(request.filters.size(), std::size_t(1));
    QCOMPARE(request.filters[0].caption + u' ' + request.filters[0].pattern, u"PDF *.pdf"_s);
    QCOMPARE(m_engine->PrinterInfo(), TEditorPrinterInfo::a4At300Dpi());
    const QStringList pages = pdfPages(path);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages.first().contains(u"10: line_10 = 10"_s));
    // A4, whatever the printing system would choose.
    const QImage sheet = pdfPageImage(path, 1, 100, *m_dir);
    QCOMPARE(sheet.width(), 827);
    QVERIFY(qAbs(sheet.height() - 1169) <= 1);
    QCOMPARE(printers.printer().outputFileName(), QString());
}

void TestPrintOutput::cancelledPdfDialogWritesNothing()
{
    FakePrinters printers;
    printers.installed = false;
    m_prompts.saveChoices << QString();
    setUpEngine(*m_engine, m_lines, numberedLines(3), &m_highlighter);
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    commands.FilePrintExecute(QString());
    QCOMPARE(m_prompts.saveRequests.size(), 1);
    QCOMPARE(m_prompts.saveRequests.first().fileName, u"untitled.pdf"_s);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
}

void TestPrintOutput::unwritablePdfFolderFails_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("a read-only folder") << true;
    QTest::newRow("a folder that is a file") << false;
}

void TestPrintOutput::unwritablePdfFolderFails()
{
    QFETCH(bool, readOnlyFolder);
    FakePrinters printers;
    printers.installed = false;
    const QString folder = m_dir->filePath(u"folder"_s);
    if (readOnlyFolder) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (QFileInfo(folder).isWritable())
            QSKIP("running as root: a folder cannot be made read-only");
    } else {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString path = folder + u"/out.pdf"_s;
    m_prompts.saveChoices << path;
    setUpEngine(*m_engine, m_lines, numberedLines(3), &m_highlighter);
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    QString message;
    try {
        commands.FilePrintExecute(QString());
    } catch (const Error &error) {
        message = error.message();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The file's name and the system's reason.
    const QString prefix = u"Не удалось записать файл \"%1\". "_s.arg(path);
    QVERIFY2(message.startsWith(prefix), qPrintable(message));
    QVERIFY2(message.size() > prefix.size() + 3, qPrintable(message));
    QVERIFY(!QFile::exists(path));
}

void TestPrintOutput::cancelledJobLeavesNoFile()
{
    // Into a PDF file that exists already: it stays as it was.
    FakePrinters noPrinter;
    noPrinter.installed = false;
    const QString path = m_dir->filePath(u"old.pdf"_s);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    m_prompts.saveChoices << path;
    setUpEngine(*m_engine, m_lines, numberedLines(300), &m_highlighter);
    QList<int> seen;
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&noPrinter);
    commands.setProgressFactory([&](int) { return std::make_unique<StoppingProgress>(3, seen); });
    commands.FilePrintExecute(QString());
    QCOMPARE(seen, (QList<int>{1, 2, 3}));
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"old.pdf"_s});

    // On a printer that prints into a file: the partial file goes.
    const QString printed = m_dir->filePath(u"printer.pdf"_s);
    FakePrinters printer(printed);
    commands.setPrinterAccess(&printer);
    seen.clear();
    commands.FilePrintExecute(QString());
    QCOMPARE(seen, (QList<int>{1, 2, 3}));
    QVERIFY(!QFile::exists(printed));
}

void TestPrintOutput::pdfWrittenOverKeepsItsMode_data()
{
    QTest::addColumn<int>("mode");
    // Only the superuser may write over a read-only file.
    QTest::newRow("read-only, written by root") << 0444;
    QTest::newRow("owner and group") << 0640;
}

void TestPrintOutput::pdfWrittenOverKeepsItsMode()
{
    QFETCH(int, mode);
    if (!(mode & 0200) && ::geteuid() != 0)
        QSKIP("only the superuser writes over a read-only file");
    FakePrinters printers;
    printers.installed = false;
    const QString path = m_dir->filePath(u"old.pdf"_s);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    m_prompts.saveChoices << path;
    setUpEngine(*m_engine, m_lines, numberedLines(3), &m_highlighter);
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    commands.FilePrintExecute(QString());
    QVERIFY(pdfPages(path).first().contains(u"line_3 = 3"_s));
    struct stat written = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &written), 0);
    QCOMPARE(int(written.st_mode & 07777), mode);
}

void TestPrintOutput::pdfOnAFullDiskNamesTheReason_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a full disk") << true << u"На устройстве не осталось места"_s;
    QTest::newRow("the file-size limit") << false << u"Файл слишком велик"_s;
}

void TestPrintOutput::pdfOnAFullDiskNamesTheReason()
{
    QFETCH(bool, fullDisk);
    QFETCH(QString, reason);
    QString folder = m_dir->path();
    std::function<void()> cleanUp = [] {};
    const auto cleanUpAtEnd = qScopeGuard([&] { cleanUp(); });
    if (fullDisk) {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs the superuser");
        folder = m_dir->filePath(u"small"_s);
        QVERIFY(QDir().mkpath(folder));
        const QByteArray point = QFile::encodeName(folder);
        if (::mount("brindlepad-test", point.constData(), "tmpfs", 0, "size=16k") != 0)
            QSKIP("the kernel refuses a tmpfs mount here");
        cleanUp = [point] { ::umount2(point.constData(), MNT_DETACH); };
    }
    const QString path = folder + u"/out.pdf"_s;
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    FakePrinters printers;
    printers.installed = false;
    m_prompts.saveChoices << path;
    setUpEngine(*m_engine, m_lines, numberedLines(400), &m_highlighter);
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    QString message;
    {
        std::optional<FileSizeLimit> limit;
        if (!fullDisk) {
            // Past the limit a write fails instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            limit.emplace(16 * 1024);
        }
        try {
            commands.FilePrintExecute(QString());
        } catch (const Error &error) {
            message = error.message();
        }
    }
    QCOMPARE(message, u"Не удалось записать файл \"%1\". %2"_s.arg(path, reason));
    // The earlier file stays, and nothing else is left.
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"out.pdf"_s});
}

void TestPrintOutput::setupWithoutPrinterSaysSo()
{
    FakePrinters printers;
    printers.installed = false;
    PrintCommands commands(*m_engine, m_prompts, nullptr);
    commands.setPrinterAccess(&printers);
    commands.FilePrintSetup1Execute();
    QCOMPARE(printers.setupCount, 0);
    QCOMPARE(m_prompts.messages.size(), 1);
    printers.installed = true;
    printers.setupChoice = [](QPrinter &printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
    };
    commands.FilePrintSetup1Execute();
    QCOMPARE(printers.setupCount, 1);
    const TEditorPrinterInfo landscape = commands.printerInfo();
    QVERIFY(landscape.physicalWidth > landscape.physicalHeight);
}

BP_TEST(TestPrintOutput)

#include "tst_print_output.moc"
