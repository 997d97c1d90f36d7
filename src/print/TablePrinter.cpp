#include "print/TablePrinter.h"

#include "views/GridSource.h"

#include <algorithm>

namespace kv {

PageCanvas::~PageCanvas() = default;

TableFonts TableFonts::standard()
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(10);
    f.setBold(true);
    return {f, f};
}

void DrawTablePage(PageCanvas &canvas)
{
    using namespace TableForm;
    canvas.setPenWidth(kFramePen);
    canvas.rectangle(kLeft, kTop, kRight, kBottom);
    canvas.setPenWidth(kRulePen);
    canvas.line(kLeft, kTitleRuleY1, kRight, kTitleRuleY1);
    canvas.line(kLeft, kTitleRuleY2, kRight, kTitleRuleY2);
    for (int i = 0; i < kRowRules; ++i) {
        const int y = kFirstRowRuleY + i * kRowHeight;
        canvas.line(kLeft, y, kRight, y);
    }
    for (int x : kColumnRuleX)
        canvas.line(x, kTop, x, kBottom);
}

namespace {

// Columns 6 and 7 belong to the two-channel tables; narrower grids leave
// them out, and a column the grid lacks prints as empty text.
void printRow(const GridSource &grid, int row, int y, const int (&xs)[8], PageCanvas &canvas)
{
    const int cols = grid.ColCount();
    const int printed = cols > 5 ? 8 : 6;
    for (int c = 0; c < printed; ++c)
        canvas.text(xs[c], y, c < cols ? grid.cell(c, row) : QString());
}

} // namespace

TablePrintResult PrintGrid(const GridSource &grid, RowRange range, PageCanvas &canvas,
                           const PrintProgress &progress, const TableFonts &fonts)
{
    using namespace TableForm;
    TablePrintResult result;
    const int from = std::max(range.from, 1);
    const int to = std::min(range.to, grid.RowCount() - 1);
    if (from > to)
        return result;
    const int total = to - from + 1;
    int y = kFirstRowY;
    for (int r = from; r <= to; ++r) {
        if (result.rows % kRowsPerPage == 0) {
            if (result.rows > 0 && !canvas.newPage()) {
                result.failed = true;
                return result;
            }
            ++result.pages;
            DrawTablePage(canvas);
            canvas.setFont(fonts.title);
            printRow(grid, 0, kTitleTextY, kTitleTextX, canvas);
            canvas.setFont(fonts.data);
            y = kFirstRowY;
        }
        printRow(grid, r, y, kDataTextX, canvas);
        y += kRowHeight;
        ++result.rows;
        if (progress && !progress(result.rows, total)) {
            result.cancelled = result.rows < total;
            return result;
        }
    }
    return result;
}

} // namespace kv
