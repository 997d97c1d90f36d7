#include "views/ChartColumns.h"

#include "views/Chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kv {

namespace {

// The readings since the last break within one column: its first, lowest,
// highest and last, each with its place in the line.
struct Kept
{
    double key = 0.0, value = 0.0;
    int order = 0;
};

class Column
{
public:
    Q_ALWAYS_INLINE void add(double key, double value, int order)
    {
        if (m_count++ == 0)
            m_first = m_min = m_max = {key, value, order};
        else if (value < m_min.value)
            m_min = {key, value, order};
        else if (value > m_max.value)
            m_max = {key, value, order};
        m_lastKey = key;
        m_lastValue = value;
        m_lastOrder = order;
    }
    // Appends what is kept, in the line's order, and empties the column.
    template <typename Cells>
    void flush(Cells &out)
    {
        if (m_count == 0)
            return;
        Kept kept[4] = {m_first, m_min, m_max, {m_lastKey, m_lastValue, m_lastOrder}};
        int n = 4;
        if (m_count == 1)
            n = 1;
        else
            std::sort(kept, kept + 4, [](const Kept &a, const Kept &b) { return a.order < b.order; });
        int previous = -1;
        for (int i = 0; i < n; ++i)
            if (kept[i].order != previous) {
                out.push_back({kept[i].key, kept[i].value});
                previous = kept[i].order;
            }
        m_count = 0;
    }

private:
    int m_count = 0;
    Kept m_first, m_min, m_max;
    double m_lastKey = 0.0, m_lastValue = 0.0;
    int m_lastOrder = 0;
};

} // namespace

namespace {

// The cells of the line as they are worked out: plain pairs, handed to the
// plot's own type once at the end (tens of thousands of its constructor
// calls cost more than everything else here).
struct Cell
{
    double key, value;
};
static_assert(sizeof(Cell) == sizeof(QCPGraphData), "a cell is the plot's key and value");

QVector<QCPGraphData> plotCells(const std::vector<Cell> &cells)
{
    QVector<QCPGraphData> out(int(cells.size()));
    if (!cells.empty())
        std::memcpy(static_cast<void *>(out.data()), cells.data(), cells.size() * sizeof(Cell));
    return out;
}

} // namespace

SubsetCells subsetCells(const std::vector<double> &xs, const std::vector<float> &ys, int points, float nullY,
                        double lo, double hi, int columns)
{
    const bool byColumn = columns > 0 && hi > lo;
    const double perKey = byColumn ? columns / (hi - lo) : 0.0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SubsetCells r;
    std::vector<Cell> line;
    line.reserve(byColumn ? std::min<size_t>(points, 4 * size_t(columns) + 64) : size_t(std::max(0, points)));
    std::vector<Cell> lone;

    Column column;
    int columnIndex = -2; // none yet
    // The keys at which the current column starts and the next one does:
    // readings in time order cross an edge now and then, and only then is
    // their column worked out.
    double columnStart = std::numeric_limits<double>::infinity(), nextEdge = -columnStart;
    int order = 0;
    int cells = 0;
    double lastKey = -std::numeric_limits<double>::infinity();
    double lastValue = 0.0;
    bool gapPending = false;
    int run = 0; // readings since the last break: a run of one is lone
    const auto addBreak = [&](double key) {
        if (run == 1)
            lone.push_back({lastKey, lastValue});
        run = 0;
        if (key < lastKey)
            r.sorted = false;
        lastKey = key;
        ++cells;
        column.flush(line);
        line.push_back({key, nan});
    };
    for (int p = 0; p < points; ++p) {
        const double x = xs[p];
        if (x == 0.0) {
            gapPending = cells > 0;
            continue;
        }
        const double key = Chart::keyOf(x);
        if (gapPending) {
            addBreak(lastKey + 1e-6);
            gapPending = false;
        }
        const float y = ys[p];
        if (y == nullY || !std::isfinite(y)) {
            addBreak(key);
            continue;
        }
        if (key < lastKey)
            r.sorted = false;
        lastKey = key;
        lastValue = y;
        ++run;
        ++cells;
        if (!byColumn) {
            line.push_back({key, double(y)});
            continue;
        }
        if (key >= nextEdge || key < columnStart) {
            const double at = (key - lo) * perKey;
            const int c = at < 0.0 ? -1 : at >= columns ? columns : int(at);
            if (c != columnIndex) {
                column.flush(line);
                columnIndex = c;
            }
            const double inf = std::numeric_limits<double>::infinity();
            columnStart = c < 0 ? -inf : c >= columns ? hi : lo + c / perKey;
            nextEdge = c < 0 ? lo : c >= columns ? inf : lo + (c + 1) / perKey;
        }
        column.add(key, double(y), order++);
        // The readings that follow in this column, in time order and none a
        // break, only move its lowest, highest and last: nothing else of the
        // above applies to them.
        while (p + 1 < points) {
            const double x2 = xs[p + 1];
            const float y2 = ys[p + 1];
            const double key2 = Chart::keyOf(x2);
            if (x2 == 0.0 || y2 == nullY || !std::isfinite(y2) || key2 < lastKey || key2 >= nextEdge
                || key2 < columnStart)
                break;
            ++p;
            lastKey = key2;
            lastValue = y2;
            ++run;
            ++cells;
            column.add(key2, double(y2), order++);
        }
    }
    column.flush(line);
    if (run == 1)
        lone.push_back({lastKey, lastValue});
    if (byColumn && !r.sorted)
        return subsetCells(xs, ys, points, nullY); // out of time order: every cell as it is
    r.line = plotCells(line);
    r.lone = plotCells(lone);
    r.cells = cells;
    return r;
}

} // namespace kv

namespace kv {

Chart::EveryCell::EveryCell(const Chart &chart)
    : m_chart(const_cast<Chart &>(chart))
{
    if (!m_chart.m_dataApplied || m_chart.m_everyCell || m_chart.m_cellColumns == 0)
        return;
    m_active = true;
    m_columns = m_chart.m_cellColumns;
    m_from = m_chart.m_cellsFrom;
    m_to = m_chart.m_cellsTo;
    m_chart.m_everyCell = true;
    m_chart.setCells(0.0, 0.0, 0);
}

Chart::EveryCell::~EveryCell()
{
    if (!m_active)
        return;
    m_chart.m_everyCell = false;
    // The plot's layout may still be the picture's: the screen's columns
    // come back as they were.
    m_chart.setCells(m_from, m_to, m_columns);
}

} // namespace kv
