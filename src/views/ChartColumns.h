#pragma once
// The cells of one subset as the plot draws them: a break in the line where
// a cell is unset or holds the null value, and, for a line of many more
// readings than the plot has pixel columns, only what each column shows.

#include <qcustomplot.h>

#include <vector>

namespace kv {

struct SubsetCells
{
    QVector<QCPGraphData> line;
    // Readings with no reading beside them (between two breaks, or alone):
    // a line does not show them, a dot does.
    QVector<QCPGraphData> lone;
    bool sorted = true;
    int cells = 0; // in the line with every cell
};

// keys: the plot's key of each cell's x (x 0: unset). With columns > 0,
// the keys from lo to hi are split into that many columns, and of the
// readings between two breaks in one column only the first, the lowest,
// the highest and the last are kept, in their order; readings before lo,
// and those after hi, count as one column each. A column never holds more
// than four, so a span of fewer readings than two a column keeps every
// one. Cells out of time order are all kept.
SubsetCells subsetCells(const std::vector<double> &xs, const std::vector<float> &ys, int points, float nullY,
                        double lo = 0.0, double hi = 0.0, int columns = 0);

} // namespace kv
