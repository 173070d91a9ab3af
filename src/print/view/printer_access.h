#pragma once

#include "print/printer_info.h"

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

namespace bp {

// The system's printers as the print commands use them, so that a test can stand in a
// printer of its own or none at all.
class PrinterAccess
{
public:
    virtual ~PrinterAccess() = default;
    // Whether any printer is installed.
    virtual bool hasPrinter() const = 0;
    // The current printer with what the set-up dialog chose last; only while hasPrinter().
    virtual QPrinter &printer() = 0;
    // The printer set-up dialog over printer(); true when the user accepted a choice.
    virtual bool setup(QWidget *parent) = 0;
};

// The caption of the set-up dialog's button that keeps the choice.
extern const QString kSetupAcceptCaption;

// The printers of the operating system.
class QtPrinterAccess : public PrinterAccess
{
public:
    QtPrinterAccess();
    ~QtPrinterAccess() override;

    bool hasPrinter() const override;
    QPrinter &printer() override;
    bool setup(QWidget *parent) override;

private:
    std::unique_ptr<QPrinter> m_printer;
};

// The geometry of `printer` as it is set up now: sheet, printable area and resolution.
TEditorPrinterInfo printerInfoOf(const QPrinter &printer);

} // namespace bp
