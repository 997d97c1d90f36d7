#pragma once
// A string grid as the program's tables know it: row 0 holds the column
// titles, column 0 the row numbers, every cell is text, and RowCount and
// ColCount count the title row and the number column. Rows are kept
// compactly (one UTF-8 run per row in one growing store), so a list of a
// million rows stays small and a view over it only formats what it shows.

#include "common/CompactRows.h"
#include "views/GridSource.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>


namespace kv {

class GridModel : public QAbstractTableModel, public GridSource
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    // The grid's own view of itself.
    int RowCount() const override { return static_cast<int>(m_rows.size()) + 1; }
    int ColCount() const override { return m_cols; }
    void setRowCount(int n); // at least 1 (the title row); new rows are empty
    void setColCount(int n);
    QString cell(int col, int row) const override;
    void setCell(int col, int row, const QString &text);
    // Replaces the cells of a data row (missing ones become empty).
    void setRow(int row, const QStringList &cells);
    void appendRow(const QStringList &cells);
    // Appends rows as they are, read from a file say.
    void appendRows(const CompactRows &rows);
    void appendRows(CompactRows &&rows);
    QStringList row(int row) const;

    // The table view's side: data rows only, titles as the header.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setFixedFont(const QFont &f) { m_fixedFont = f; }
    // Tells the views about rows added since the last time. Runs by itself
    // once control returns to the event loop, so rows added in a burst cost
    // the views one update, not one each.
    void flush();
    // Bytes held for the rows, for the benchmark's memory figure.
    std::size_t storeBytes() const { return m_rows.bytes(); }

Q_SIGNALS:
    // The views now know every row.
    void flushed();

private:
    void scheduleFlush();
    void rowChanged(int dataRow, int firstCol, int lastCol);

    QStringList m_titles;
    int m_cols = 0;
    CompactRows m_rows; // data rows 1..
    int m_viewRows = 0; // the data rows the views have been told of
    bool m_flushScheduled = false;
    QFont m_fixedFont;
};

} // namespace kv
