#pragma once

#include "print/printer_info.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace bp {

class PrinterAccess;
class TEditorPrint;
class Tfrm_PrintPreview;
class UserPrompts;

// Shows how far a print job has come and lets the user stop it.
class PrintProgress
{
public:
    virtual ~PrintProgress() = default;
    // Before sheet `sheet` (1-based) of `sheets`; false when the user cancelled the job.
    virtual bool step(int sheet, int sheets) = 0;
};

// The three print commands of the main window over one print engine, whose lines the
// window has filled before each command. With a printer installed the pages go to it;
// without one they go into a PDF file the user names, laid out on A4 at 300 dots per inch.
// Failures throw bp::Error with the reason; the document is never touched.
class PrintCommands
{
public:
    // More sheets than this show the progress dialog.
    static constexpr int kQuietSheets = 3;

    PrintCommands(TEditorPrint &engine, UserPrompts &prompts, QWidget *window);
    ~PrintCommands();

    // Prints on the current printer (the pages and copies its set-up chose, every page once
    // by default), or every page into a PDF file named by the user (`docFileName`, the
    // document's path, suggests the name). Returns what became of the job, for the hint
    // panel: where the PDF went, or that the job went to the printer, naming pages and copies
    // other than "all, 1". Cancel prints nothing and returns an empty text.
    QString FilePrintExecute(const QString &docFileName);
    // Shows the preview window over the engine's pages.
    void FilePrintPreviewExecute();
    // The printer set-up dialog; without a printer, a message that says so.
    void FilePrintSetup1Execute();

    // The geometry the next print or preview uses.
    TEditorPrinterInfo printerInfo();
    Tfrm_PrintPreview *preview() const;

    // Seams for tests: the printers, the progress display, and how the preview window is
    // shown (modally by default).
    void setPrinterAccess(PrinterAccess *printers) { m_printers = printers; }
    using ProgressFactory = std::function<std::unique_ptr<PrintProgress>(int sheets)>;
    void setProgressFactory(ProgressFactory factory) { m_progress = std::move(factory); }
    void setPreviewRunner(std::function<void(Tfrm_PrintPreview &)> runner)
    {
        m_runPreview = std::move(runner);
    }

private:
    // Both return the report of a finished job, or an empty text when it was cancelled.
    QString printToPrinter();
    QString printToPdf(const QString &path);
    // The progress callback of one job of `sheets`.
    std::function<bool(int, int)> progressFor(int sheets, std::unique_ptr<PrintProgress> &holder);

    TEditorPrint &m_engine;
    UserPrompts &m_prompts;
    QWidget *m_window;
    std::unique_ptr<PrinterAccess> m_systemPrinters;
    PrinterAccess *m_printers;
    ProgressFactory m_progress;
    std::function<void(Tfrm_PrintPreview &)> m_runPreview;
    QPointer<Tfrm_PrintPreview> m_preview;
};

// The PDF file name offered for a document: its path with the extension .pdf (no "./" in
// front of a name without a folder), or "untitled.pdf" for an untitled document.
QString pdfNameFor(const QString &docFileName);

// The hint after a job sent to `printerName`: the pages (`firstPage` to `lastPage`, or 0 and 0
// for all) and copies, when they are other than all pages once.
QString printerReport(const QString &printerName, int firstPage, int lastPage, int copies);

} // namespace bp
