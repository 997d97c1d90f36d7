#include "print/TablePrintJob.h"

#include "print/QtPageCanvas.h"

#include "common/Prompt.h"
#include "common/SafeFile.h"
#include "views/GridSource.h"
#include "views/ProgressDialog.h"

#include <QLocale>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <memory>

namespace kv {

namespace {

const QString kPrinterFailed = QStringLiteral("The printer reported an error; the table may not have been printed completely.");

bool printerFailed(QPagedPaintDevice &device)
{
    auto *printer = dynamic_cast<QPrinter *>(&device);
    return printer && printer->printerState() == QPrinter::Error;
}

QPageSize localPaper()
{
    return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                : QPageSize::A4);
}

} // namespace

TablePrintOutcome printTable(const GridSource &grid, RowRange range, QPagedPaintDevice &device,
                             const PrintProgress &progress, const TableFonts &fonts, const TableHeading &heading)
{
    TablePrintOutcome outcome;
    // The form is laid out from the top left corner of the printable area,
    // as close to the paper's edge as the device allows.
    QPageLayout layout = device.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    layout.setMargins(layout.minimumMargins());
    device.setPageLayout(layout);

    QtPageCanvas canvas(&device);
    if (!canvas.isActive()) {
        outcome.error = QStringLiteral("The printer could not start printing.");
        return outcome;
    }
    outcome.started = true;
    outcome.result = PrintGrid(grid, range, canvas, progress, fonts, heading);
    const bool ended = canvas.end();
    if (outcome.result.failed || !ended || printerFailed(device))
        outcome.error = kPrinterFailed;
    return outcome;
}

TablePrintOutcome printTableWithProgress(const GridSource &grid, RowRange range, Prompt &prompt, QWidget *parent,
                                         const TableFonts &fonts, QPrinter *chosen, const QString &pdfName,
                                         const TableHeading &heading)
{
    range.from = std::max(range.from, 1);
    range.to = std::min(range.to, grid.RowCount() - 1);
    if (range.from > range.to)
        return {};

    std::unique_ptr<QPrinter> printer;
    std::unique_ptr<SafeFile> file;
    std::unique_ptr<QPdfWriter> pdf;
    QPagedPaintDevice *device = nullptr;
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        const QString name = prompt.saveFileName(QStringLiteral("Print to PDF file"),
                                                 QStringLiteral("PDF file (*.pdf)"), QStringLiteral("pdf"), pdfName);
        if (name.isEmpty())
            return {};
        file = std::make_unique<SafeFile>(name);
        if (!file->open()) {
            TablePrintOutcome outcome;
            outcome.error = file->message();
            return outcome;
        }
        pdf = std::make_unique<QPdfWriter>(file.get());
        pdf->setResolution(QtPageCanvas::kUnitsPerInch);
        pdf->setPageSize(localPaper());
        pdf->setCreator(QStringLiteral("KV481"));
        device = pdf.get();
    } else if (chosen) {
        chosen->setResolution(QtPageCanvas::kUnitsPerInch);
        chosen->setDocName(QStringLiteral("KV481"));
        device = chosen;
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setResolution(QtPageCanvas::kUnitsPerInch);
        printer->setDocName(QStringLiteral("KV481"));
        device = printer.get();
    }

    ProgressDialog dialog(QStringLiteral("Print Progress"), QStringLiteral("printing"), parent);
    dialog.start(range.to - range.from + 1);
    dialog.show();
    TablePrintOutcome outcome = printTable(grid, range, *device, [&dialog](int done, int) { return dialog.step(done); },
                                           fonts, heading);
    dialog.hide();
    pdf.reset(); // flushes the last of the file
    if (file) {
        // A file that failed is the reason, whatever the printing made of
        // it; a file not committed is left as it was.
        if (outcome.started && outcome.error.isEmpty() && file->commit())
            outcome.pdfFile = file->path();
        else if (file->failed())
            outcome.error = file->message();
    }
    return outcome;
}

} // namespace kv
