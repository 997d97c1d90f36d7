// Printing a chart: onto a printer chosen in the print dialog, or into a
// PDF file when no printer is installed.

#include "views/Chart.h"

#include "common/Prompt.h"
#include "common/SafeFile.h"

#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <qcustomplot.h>

namespace kv {

bool Chart::paintPage(QPagedPaintDevice &device, int resolution)
{
    QCPPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRect page = device.pageLayout().paintRectPixels(resolution);
    const EveryCell cells(*this);
    m_plot->toPainter(&painter, page.width(), page.height());
    return painter.end();
}

bool Chart::printTo(QPrinter &printer)
{
    // At the screen's resolution the chart's text keeps the size it has on
    // screen; the page rectangle is then in screen pixels.
    printer.setResolution(kPrintResolution);
    return paintPage(printer, kPrintResolution) && printer.printerState() != QPrinter::Error;
}

bool Chart::printDialog(Prompt &prompt, const QString &pdfName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // No printer installed: offer a PDF file instead, on the page the
        // printer would have used. It goes through the checked writer, so
        // a failed print leaves the earlier file as it was.
        const QString file = prompt.saveFileName(QStringLiteral("Print to PDF file"),
                                                 QStringLiteral("PDF file (*.pdf)"), QStringLiteral("pdf"), pdfName);
        if (file.isEmpty())
            return false;
        SafeFile out(file);
        bool painted = false;
        if (out.open()) {
            QPdfWriter pdf(&out);
            pdf.setPageLayout(printer.pageLayout());
            pdf.setResolution(kPrintResolution);
            pdf.setCreator(QStringLiteral("KV481"));
            painted = paintPage(pdf, kPrintResolution);
        }
        if (!painted || !out.commit()) {
            out.cancel();
            prompt.error(out.failed()
                             ? QStringLiteral("The graph could not be printed to %1: %2.").arg(file, out.reason())
                             : QStringLiteral("The graph could not be printed to %1.").arg(file));
            return false;
        }
        return true;
    }
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!printTo(printer)) {
        prompt.error(QStringLiteral("The printer %1 reported an error; the graph was not printed.")
                         .arg(printer.printerName()));
        return false;
    }
    return true;
}

} // namespace kv
