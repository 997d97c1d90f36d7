#pragma once
// The File menu's Print and Printer Setup: a graph prints through its
// chart, a table as the ruled form after asking for its rows, and the
// data-logger window asks which of the two.

#include "print/TablePrinter.h"
#include "print/TfrmPrintOption.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace kv {

class GridSource;
class Prompt;

class PrintCommands : public QObject
{
    Q_OBJECT
public:
    // activeChild: the active document window, if any; dialogParent: the
    // parent of the print option and progress dialogs.
    PrintCommands(Prompt &prompt, std::function<QWidget *()> activeChild, QWidget *dialogParent,
                  QObject *parent = nullptr);
    ~PrintCommands() override;

    void Print1Click();
    // The system's printer dialog: the printer, paper and copies tables
    // print on from then on.
    void PrinterSetup1Click();
    // Asks for the rows ("Print Range"), then prints them with the progress
    // window; false when nothing was printed.
    // The heading names what is printed on every page (none: the bare form).
    bool PrintGrid(const GridSource &grid, const QString &pdfName = QString(), const TableHeading &heading = {});

    // Where the data-logger window's choice comes from (the print option
    // dialog by default); tests answer it themselves.
    void setOptionSource(std::function<PrintChoice()> ask) { m_askOption = std::move(ask); }

private:
    Prompt &m_prompt;
    std::function<QWidget *()> m_activeChild;
    QPointer<QWidget> m_dialogParent;
    std::function<PrintChoice()> m_askOption;
    std::unique_ptr<QPrinter> m_printer; // chosen in Printer Setup
};

} // namespace kv
