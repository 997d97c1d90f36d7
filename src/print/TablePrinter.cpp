#include "print/TablePrinter.h"

#include "common/LocaleText.h"
#include "views/GridSource.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

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

using namespace TableForm;

// Texts keep this far from the rules on their left and right.
constexpr int kTextGapX = 15;

// The room for a text between the ink of the rules around its cell, in
// whole units.
struct Room
{
    int left, top, right, bottom;
};

// Column c (0 to 7) of a row whose ink above ends at top and below begins
// at bottom.
Room cellRoom(int c, double top, double bottom)
{
    const double left = c == 0 ? kLeft + kFramePen / 2.0 : kColumnRuleX[c - 1] + kRulePen / 2.0;
    const double right = kColumnRuleX[c] - kRulePen / 2.0;
    return {int(std::ceil(left + kTextGapX)), int(std::ceil(top)), int(std::floor(right - kTextGapX)),
            int(std::floor(bottom))};
}

qreal pointSizeOf(const QFont &font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
}

// Moves a start as little as needed for length to fit from min to max.
int fitInto(int start, qreal length, int min, int max)
{
    if (start + length > max)
        start = int(std::floor(max - length));
    return std::max(start, min);
}

// The rows of the form in one font, which it gives the canvas. Each text goes
// where the form puts it; one that would reach a rule there moves clear of
// it, and one that does not fit its cell at all is printed in a smaller
// size of the font, on the same baseline as the rest of its row.
class RowPrinter
{
public:
    RowPrinter(PageCanvas &canvas, const QFont &font)
        : m_canvas(canvas)
        , m_font(font)
    {
        m_canvas.setFont(m_font);
        m_line = m_canvas.measure(QString());
    }

    // Row `row` of the grid, its texts topping at y and at the x positions,
    // in the room from top to bottom.
    void print(const GridSource &grid, int row, int y, const int (&xs)[8], double top, double bottom)
    {
        // Columns 6 and 7 belong to the two-channel tables; narrower grids
        // leave them out, and a column the grid lacks prints as empty text.
        const int cols = grid.ColCount();
        const int printed = cols > 5 ? 8 : 6;
        const Room line = cellRoom(0, top, bottom);
        const qreal baseline = fitInto(y, m_line.height(), line.top, line.bottom) + m_line.ascent;
        for (int c = 0; c < printed; ++c)
            print(c < cols ? grid.cell(c, row) : QString(), xs[c], baseline, cellRoom(c, top, bottom));
    }

private:
    void print(const QString &text, int x, qreal baseline, const Room &room)
    {
        const int width = room.right - room.left, height = room.bottom - room.top;
        TextBox box = m_canvas.measure(text);
        const bool fits = box.width <= width && box.height() <= height;
        if (!fits)
            box = shrink(text, width, height, box);
        const int top = fitInto(int(std::lround(baseline - box.ascent)), box.height(), room.top, room.bottom);
        m_canvas.text(fitInto(x, box.width, room.left, room.right), top, text);
        if (!fits)
            m_canvas.setFont(m_font);
    }

    // Gives the canvas a size of the font small enough for text to fit
    // width by height; the text's box in it.
    TextBox shrink(const QString &text, int width, int height, TextBox box)
    {
        QFont small = m_font;
        qreal size = pointSizeOf(m_font) * std::min(width / box.width, height / box.height());
        for (int tries = 0; tries < 40 && size > 0; ++tries, size *= 0.98) {
            small.setPointSizeF(size);
            m_canvas.setFont(small);
            box = m_canvas.measure(text);
            if (box.width <= width && box.height() <= height)
                break;
        }
        return box;
    }

    PageCanvas &m_canvas;
    QFont m_font;
    TextBox m_line; // of the font's line, no text
};

} // namespace

QString TableHeading::line(const GridSource &grid, int from, int to) const
{
    QStringList parts{subject};
    if (model != 0)
        parts << QStringLiteral("Model %1").arg(model);
    // Date and time as the rows show them (columns 1 and 2).
    const auto when = [&grid](int row) {
        return (grid.cell(1, row) + QLatin1Char(' ') + grid.cell(2, row)).trimmed();
    };
    const QString first = when(from), last = when(to);
    if (!first.isEmpty() || !last.isEmpty())
        parts << (first == last ? first : first + QStringLiteral(" to ") + last);
    return parts.join(QStringLiteral("   "));
}

QString TableHeading::pageText(int page, int pages)
{
    return QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

QString TableHeading::printedText() const
{
    return QStringLiteral("Printed %1 %2").arg(shortDateText(printedAt), longTimeText(printedAt));
}

namespace {

// A text in font, made smaller when it is wider than width; its box.
TextBox fitFont(PageCanvas &canvas, QFont font, const QString &text, int width)
{
    canvas.setFont(font);
    TextBox box = canvas.measure(text);
    for (int tries = 0; tries < 40 && box.width > width && pointSizeOf(font) > 4; ++tries) {
        font.setPointSizeF(pointSizeOf(font) * 0.95);
        canvas.setFont(font);
        box = canvas.measure(text);
    }
    return box;
}

// The heading line above the frame and the page's number and printing
// date below it, clear of the frame's ink.
void printHeading(PageCanvas &canvas, const TableHeading &heading, const QString &line, int page, int pages,
                  const QFont &font)
{
    const int width = kRight - kLeft;
    const TextBox above = fitFont(canvas, font, line, width);
    canvas.text(kLeft, int(std::floor(kTop - kFramePen / 2.0 - kHeadingGap - above.height())), line);

    QFont plain = font;
    plain.setBold(false);
    const int below = int(std::ceil(kBottom + kFramePen / 2.0 + kHeadingGap));
    const QString printed = heading.printedText();
    const TextBox date = fitFont(canvas, plain, printed, width / 2);
    canvas.text(int(std::floor(kRight - date.width)), below, printed);
    fitFont(canvas, plain, TableHeading::pageText(page, pages), width / 2);
    canvas.text(kLeft, below, TableHeading::pageText(page, pages));
}

} // namespace

TablePrintResult PrintGrid(const GridSource &grid, RowRange range, PageCanvas &canvas,
                           const PrintProgress &progress, const TableFonts &fonts, const TableHeading &heading)
{
    using namespace TableForm;
    TablePrintResult result;
    const int from = std::max(range.from, 1);
    const int to = std::min(range.to, grid.RowCount() - 1);
    if (from > to)
        return result;
    const int total = to - from + 1;
    const int pages = (total + kRowsPerPage - 1) / kRowsPerPage;
    const QString headingLine = heading.isEmpty() ? QString() : heading.line(grid, from, to);
    int y = kFirstRowY;
    std::optional<RowPrinter> data;
    for (int r = from; r <= to; ++r) {
        if (result.rows % kRowsPerPage == 0) {
            if (result.rows > 0 && !canvas.newPage()) {
                result.failed = true;
                return result;
            }
            ++result.pages;
            DrawTablePage(canvas);
            if (!heading.isEmpty())
                printHeading(canvas, heading, headingLine, result.pages, pages, fonts.title);
            RowPrinter(canvas, fonts.title)
                .print(grid, 0, kTitleTextY, kTitleTextX, kTop + kFramePen / 2.0, kTitleRuleY1 - kRulePen / 2.0);
            data.emplace(canvas, fonts.data);
            y = kFirstRowY;
        }
        // Between the rule above the row and the next one down.
        const double above = kTitleRuleY2 + (y - kFirstRowY);
        data->print(grid, r, y, kDataTextX, above + kRulePen / 2.0, above + kRowHeight - kRulePen / 2.0);
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
