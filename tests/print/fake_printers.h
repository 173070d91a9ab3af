#pragma once

#include "print/view/printer_access.h"

#include <QPageLayout>
#include <QPrinter>
#include <functional>

namespace bp {

// A printer that writes PDF files at 300 dots per inch, or no printer at all.
class FakePrinters : public PrinterAccess
{
public:
    explicit FakePrinters(const QString &outputFile = QString())
    {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(outputFile);
        m_printer.setResolution(300);
        m_printer.setPageSize(QPageSize(QPageSize::A4));
        m_printer.setColorMode(QPrinter::Color);
    }

    bool installed = true;
    int setupCount = 0;
    // What the set-up dialog does to the printer when it is accepted.
    std::function<void(QPrinter &)> setupChoice;

    bool hasPrinter() const override { return installed; }
    QPrinter &printer() override { return m_printer; }
    bool setup(QWidget *) override
    {
        ++setupCount;
        if (!setupChoice)
            return false;
        setupChoice(m_printer);
        return true;
    }

private:
    QPrinter m_printer{QPrinter::HighResolution};
};

} // namespace bp
