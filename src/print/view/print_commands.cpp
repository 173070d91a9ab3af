#include "print_commands.h"

#include "common/error.h"
#include "common/previous_content.h"
#include "platform/user_prompts.h"
#include "print/editor_print.h"
#include "printer_access.h"
#include "unit_print_preview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace bp {
namespace {

// The progress dialog: "Печать..." with the sheet being printed and a Cancel button. It is
// application-modal, and the events it lets through keep the windows painted.
class DialogProgress : public PrintProgress
{
public:
    DialogProgress(QWidget *parent, int sheets)
        : m_dialog(QStringLiteral("Печать..."), QStringLiteral("Отмена"), 0, sheets, parent)
    {
        m_dialog.setWindowTitle(QApplication::applicationName());
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        // Up at once: the job is known to be long.
        m_dialog.show();
    }

    bool step(int sheet, int sheets) override
    {
        m_dialog.setLabelText(QStringLiteral("Печать... Страница %1 из %2").arg(sheet).arg(sheets));
        m_dialog.setValue(sheet - 1);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

QString cannotWritePdf(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось записать файл \"%1\". %2").arg(path, reason);
}

// The PDF file, keeping the system's reason for the first write that failed: by the time
// the job ends, the file's own error text may say no more than "unknown error".
class PdfFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

    bool flushKeepingReason()
    {
        errno = 0;
        if (flush())
            return true;
        noteFailure();
        return false;
    }

    // The reason in the program's words where there are some, else the file's own text.
    QString reason() const
    {
        return m_failure != 0 ? systemReason(m_failure) : localReason(errorString(), EIO);
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        errno = 0;
        const qint64 written = QSaveFile::writeData(data, size);
        if (written != size)
            noteFailure();
        return written;
    }

private:
    void noteFailure()
    {
        if (m_failure == 0)
            m_failure = errno != 0 ? errno : EIO;
    }

    int m_failure = 0;
};

// Gives the new file the mode of the file at `path`, if there is one.
bool keepModeOf(const QString &path, QSaveFile &file)
{
#ifdef Q_OS_UNIX
    struct stat old = {};
    if (::stat(QFile::encodeName(path).constData(), &old) != 0)
        return true;
    // By its descriptor: the file's own name is that of the old file until the commit.
    return ::fchmod(file.handle(), old.st_mode & 07777) == 0;
#else
    const QFileInfo old(path);
    return !old.exists() || file.setPermissions(old.permissions());
#endif
}

} // namespace

QString pdfNameFor(const QString &docFileName)
{
    if (docFileName.isEmpty())
        return QStringLiteral("untitled.pdf");
    const QFileInfo info(docFileName);
    const QString name = info.completeBaseName() + QStringLiteral(".pdf");
    // A document opened by a relative path keeps its folder, without a leading "./".
    return QDir::cleanPath(info.path() + u'/' + name);
}

QString printerReport(const QString &printerName, int firstPage, int lastPage, int copies)
{
    QStringList choices;
    if (firstPage > 0 && firstPage == lastPage)
        choices << QStringLiteral("Напечатана страница %1").arg(firstPage);
    else if (firstPage > 0)
        choices << QStringLiteral("Напечатаны страницы %1–%2").arg(firstPage).arg(lastPage);
    if (copies > 1)
        choices << QStringLiteral("копий: %1").arg(copies);
    const QString printer = QStringLiteral("принтер \"%1\"").arg(printerName);
    if (choices.isEmpty())
        return QStringLiteral("Отправлено на ") + printer;
    if (firstPage <= 0)
        choices.prepend(QStringLiteral("Напечатаны все страницы"));
    return choices.join(QStringLiteral(", ")) + QStringLiteral(" (") + printer + u')';
}

PrintCommands::PrintCommands(TEditorPrint &engine, UserPrompts &prompts, QWidget *window)
    : m_engine(engine), m_prompts(prompts), m_window(window),
      m_systemPrinters(std::make_unique<QtPrinterAccess>()), m_printers(m_systemPrinters.get())
{
    m_progress = [this](int sheets) -> std::unique_ptr<PrintProgress> {
        if (sheets <= kQuietSheets)
            return nullptr;
        return std::make_unique<DialogProgress>(m_window, sheets);
    };
    m_runPreview = [](Tfrm_PrintPreview &preview) { preview.Execute(); };
    m_preview = new Tfrm_PrintPreview(m_engine, m_window);
}

PrintCommands::~PrintCommands()
{
    delete m_preview.data();
}

Tfrm_PrintPreview *PrintCommands::preview() const
{
    return m_preview;
}

TEditorPrinterInfo PrintCommands::printerInfo()
{
    return m_printers->hasPrinter() ? printerInfoOf(m_printers->printer())
                                    : TEditorPrinterInfo::a4At300Dpi();
}

std::function<bool(int, int)> PrintCommands::progressFor(int sheets,
                                                         std::unique_ptr<PrintProgress> &holder)
{
    holder = m_progress ? m_progress(sheets) : nullptr;
    if (!holder)
        return {};
    return [&holder](int sheet, int total) { return holder->step(sheet, total); };
}

QString PrintCommands::FilePrintExecute(const QString &docFileName)
{
    if (m_printers->hasPrinter())
        return printToPrinter();
    FileDialogRequest request;
    request.title = QStringLiteral("Печать в файл PDF");
    request.filters = {{QStringLiteral("PDF"), QStringLiteral("*.pdf")}};
    request.defaultSuffix = QStringLiteral("pdf");
    request.fileName = pdfNameFor(docFileName);
    const std::optional<QString> path = m_prompts.chooseFileToSave(m_window, request);
    if (!path)
        return {};
    return printToPdf(*path);
}

QString PrintCommands::printToPrinter()
{
    QPrinter &printer = m_printers->printer();
    m_engine.SetPrinterInfo(printerInfoOf(printer));
    m_engine.UpdatePages();
    printer.setDocName(m_engine.DocTitle);
    const QString name =
        printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    // The pages the set-up dialog chose stay chosen for every later job: the report names
    // them, so such a leftover is never silent. The copies are the printer's own to make.
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int firstPage = range ? printer.fromPage() : 1;
    const int lastPage = range ? std::max(printer.toPage(), firstPage) : m_engine.PageCount();
    if (firstPage > m_engine.PageCount())
        throw Error(QStringLiteral("В документе страниц: %1. Страницы %2–%3, выбранные в "
                                   "настройках принтера, напечатать нельзя")
                        .arg(m_engine.PageCount())
                        .arg(firstPage)
                        .arg(lastPage));
    const int printedLast = std::min(lastPage, m_engine.PageCount());
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QStringLiteral("Не удалось начать печать на принтере \"%1\"").arg(name));
    // A printer that cannot make copies itself gets each copy as sheets of its own.
    const int copies = std::max(printer.copyCount(), 1);
    const int engineCopies = m_engine.Copies;
    if (!printer.supportsMultipleCopies())
        m_engine.Copies = std::max(engineCopies, 1) * copies;
    std::unique_ptr<PrintProgress> progress;
    const int sheets = (printedLast - firstPage + 1) * std::max(m_engine.Copies, 1);
    bool finished = false;
    try {
        finished = m_engine.Print(painter, printer, {}, progressFor(sheets, progress), firstPage,
                                  printedLast);
    } catch (...) {
        m_engine.Copies = engineCopies;
        printer.abort();
        painter.end();
        throw;
    }
    m_engine.Copies = engineCopies;
    if (!finished) {
        // A job sent to a file leaves nothing behind; the spooler drops an aborted job.
        printer.abort();
        painter.end();
        if (!printer.outputFileName().isEmpty())
            QFile::remove(printer.outputFileName());
        return {};
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("Принтер \"%1\" не принял задание печати").arg(name));
    return printerReport(name, range ? firstPage : 0, range ? printedLast : 0, copies);
}

QString PrintCommands::printToPdf(const QString &path)
{
    const TEditorPrinterInfo a4 = TEditorPrinterInfo::a4At300Dpi();
    m_engine.SetPrinterInfo(a4);
    m_engine.UpdatePages();

    // Written beside the target and renamed at the end: a cancelled or failed job leaves
    // neither a partial file nor a damaged earlier one.
    PdfFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(cannotWritePdf(path, file.errorString()));
    std::unique_ptr<PrintProgress> progress;
    const int sheets = m_engine.PageCount() * std::max(m_engine.Copies, 1);
    bool finished = false;
    {
        QPdfWriter writer(&file);
        writer.setTitle(m_engine.DocTitle);
        writer.setCreator(QApplication::applicationName());
        writer.setResolution(a4.dotsPerInchX);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Error(cannotWritePdf(path, file.errorString()));
        // The writer paints the whole sheet; the layout counts from the printable area.
        finished = m_engine.Print(painter, writer, QPoint(a4.leftOffset, a4.topOffset),
                                  progressFor(sheets, progress));
        painter.end();
    }
    if (!finished) {
        file.cancelWriting();
        return {};
    }
    // A file written over keeps its mode (the new file would otherwise be writable by its
    // owner, even where the old one was read-only).
    if (!file.flushKeepingReason() || file.error() != QFileDevice::NoError ||
        !keepModeOf(path, file)) {
        file.cancelWriting();
        throw Error(cannotWritePdf(path, file.reason()));
    }
    if (!file.commit())
        throw Error(cannotWritePdf(path, file.reason()));
    return QStringLiteral("PDF сохранён: ") +
           QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void PrintCommands::FilePrintPreviewExecute()
{
    m_engine.SetPrinterInfo(printerInfo());
    m_runPreview(*m_preview);
}

void PrintCommands::FilePrintSetup1Execute()
{
    if (!m_printers->hasPrinter()) {
        m_prompts.showMessage(m_window,
                              QStringLiteral("Принтер не установлен. Печать сохраняется в файл "
                                             "PDF формата A4."));
        return;
    }
    m_printers->setup(m_window);
}

} // namespace bp
