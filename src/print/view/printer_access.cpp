#include "printer_access.h"

#include <QDialogButtonBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#ifdef Q_OS_WIN
#include <QPageSetupDialog>
#else
#include <QPrintDialog>
#endif

namespace bp {

const QString kSetupAcceptCaption = QStringLiteral("Применить");

QtPrinterAccess::QtPrinterAccess() = default;
QtPrinterAccess::~QtPrinterAccess() = default;

bool QtPrinterAccess::hasPrinter() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QPrinter &QtPrinterAccess::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool QtPrinterAccess::setup(QWidget *parent)
{
#ifdef Q_OS_WIN
    // The system's page set-up dialog, which reaches the printer choice too.
    QPageSetupDialog dialog(&printer(), parent);
#else
    QPrintDialog dialog(&printer(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
#endif
    dialog.setWindowTitle(QStringLiteral("Настройки принтера"));
    // The dialog only keeps the choice for the next Ctrl+P; a button named "Печать" would
    // promise a print that never comes.
    for (QDialogButtonBox *buttons : dialog.findChildren<QDialogButtonBox *>())
        if (QPushButton *accept = buttons->button(QDialogButtonBox::Ok))
            accept->setText(kSetupAcceptCaption);
    return dialog.exec() == QDialog::Accepted;
}

TEditorPrinterInfo printerInfoOf(const QPrinter &printer)
{
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    TEditorPrinterInfo info;
    info.physicalWidth = paper.width();
    info.physicalHeight = paper.height();
    info.printableWidth = page.width();
    info.printableHeight = page.height();
    info.leftOffset = page.left() - paper.left();
    info.topOffset = page.top() - paper.top();
    info.dotsPerInchX = printer.logicalDpiX();
    info.dotsPerInchY = printer.logicalDpiY();
    return info;
}

} // namespace bp
