// Figures for table printing (offscreen): a two-channel list of 10 000 rows
// printed into a PDF file, 200 pages, once straight onto the writer and once
// through the print command's path with its progress window. Prints the
// time, the file size and the page count of each run.
// Usage: bench_print [rows [folder]]   (default: 10000 rows; the PDF files
// are kept in folder when one is given)

#include "print/TablePrintJob.h"
#include "views/GridModel.h"

#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void fill(kv::GridModel &grid, int rows)
{
    grid.setColCount(8);
    grid.setRow(0, {"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"});
    for (int r = 1; r <= rows; ++r) {
        const int s = r % 86400;
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'));
        grid.appendRow({QString::number(r), QStringLiteral("05/12/2007"), time,
                        QString::number(20.0 + (r % 97) / 10.0, 'f', 1), QStringLiteral("C"),
                        r % 50 == 0 ? QStringLiteral("OL") : QString::number(-5.0 + (r % 31) / 10.0, 'f', 1),
                        QStringLiteral("C"), r % 7 == 0 ? QStringLiteral(" MAX HOLD") : QString()});
    }
}

void report(const char *what, qint64 ms, const QString &path, const kv::TablePrintOutcome &out)
{
    std::printf("%-34s %6lld ms   %7.2f MB   %4d pages   %6d rows%s%s\n", what, static_cast<long long>(ms),
                QFile(path).size() / (1024.0 * 1024.0), out.result.pages, out.result.rows,
                out.error.isEmpty() ? "" : "   error: ", qPrintable(out.error));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    kv::GridModel grid;
    fill(grid, rows);
    QTemporaryDir temp;
    const QDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path());

    {
        const QString path = dir.filePath(QStringLiteral("direct.pdf"));
        QElapsedTimer t;
        t.start();
        kv::TablePrintOutcome out;
        {
            QPdfWriter pdf(path);
            pdf.setResolution(600);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            out = kv::printTable(grid, {1, rows}, pdf);
        }
        report("PDF writer, no progress window", t.elapsed(), path, out);
    }
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        const QString path = dir.filePath(QStringLiteral("command.pdf"));
        kv::test::ScriptedPrompt prompt;
        prompt.saveNames.enqueue(path);
        QElapsedTimer t;
        t.start();
        const kv::TablePrintOutcome out = kv::printTableWithProgress(grid, {1, rows}, prompt);
        report("print command, progress window", t.elapsed(), path, out);
    } else {
        std::printf("a printer is installed: the command's path would print on it, skipped\n");
    }
    return 0;
}
