#include "print/PrintCommands.h"

#include "common/Prompt.h"
#include "files/ScopeRange.h"
#include "logger/ui/TfrmDataLogger.h"
#include "print/PrintHeading.h"
#include "print/TablePrintJob.h"
#include "print/TfrmPrintOption.h"
#include "views/Chart.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kv {

PrintCommands::PrintCommands(Prompt &prompt, std::function<QWidget *()> activeChild, QWidget *dialogParent,
                             QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_activeChild(std::move(activeChild))
    , m_dialogParent(dialogParent)
{
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::Print1Click()
{
    QWidget *active = m_activeChild ? m_activeChild() : nullptr;
    if (auto *dataLogger = qobject_cast<TfrmDataLogger *>(active)) {
        const PrintChoice choice = m_askOption ? m_askOption() : TfrmPrintOption::ask(m_dialogParent);
        if (choice == PrintChoice::Graph)
            dataLogger->PESGraph1->printDialog(m_prompt, dataLogger->suggestedFileName());
        else if (choice == PrintChoice::Text)
            PrintGrid(dataLogger->sampleTable(), dataLogger->suggestedFileName(), tableHeadingFor(dataLogger));
    } else if (auto *graph = qobject_cast<TfrmGraph *>(active)) {
        graph->PESGraph1->printDialog(m_prompt, graph->suggestedFileName());
    } else if (auto *list = qobject_cast<TfrmList *>(active)) {
        PrintGrid(*list->grid(), list->suggestedFileName(), tableHeadingFor(list));
    }
}

void PrintCommands::PrinterSetup1Click()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        m_prompt.information(QStringLiteral("No printer is installed. Tables and graphs are printed into PDF files "
                                            "instead; the program asks for the file name when printing."));
        return;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (m_printer)
        printer->setPrinterName(m_printer->printerName());
    QPrintDialog dialog(printer.get(), m_dialogParent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() == QDialog::Accepted)
        m_printer = std::move(printer);
}

bool PrintCommands::PrintGrid(const GridSource &grid, const QString &pdfName, const TableHeading &heading)
{
    const int last = grid.RowCount() - 1;
    Prompt::RangeAnswer answer{true, QStringLiteral("1"), QString::number(last)};
    if (!m_prompt.askRange(QStringLiteral("Print Range"), answer))
        return false;
    const ScopeRange range = selectScopeRange(answer.all, answer.fromText, answer.toText, last, last);
    if (!range.ok) {
        m_prompt.information(range.error);
        return false;
    }
    if (range.from > range.to) {
        m_prompt.information(QStringLiteral("There are no rows from %1 to %2 to print.")
                                 .arg(answer.fromText.trimmed(), answer.toText.trimmed()));
        return false;
    }
    const TablePrintOutcome outcome = printTableWithProgress(grid, RowRange{range.from, range.to}, m_prompt,
                                                             m_dialogParent, TableFonts::standard(),
                                                             m_printer.get(), pdfName, heading);
    if (!outcome.error.isEmpty())
        m_prompt.error(outcome.error);
    return outcome.started && outcome.error.isEmpty();
}

} // namespace kv
