#pragma once
// What saving and printing read of a table, whichever window holds it: the
// string grid's own view, with row 0 the column titles, column 0 the row
// numbers, and every cell text.

#include <QString>

namespace kv {

class GridSource
{
public:
    virtual ~GridSource() = default;
    virtual int RowCount() const = 0;
    virtual int ColCount() const = 0;
    virtual QString cell(int col, int row) const = 0;
};

} // namespace kv
