#include "views/GridModel.h"

#include <QBrush>

namespace kv {

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_fixedFont.setBold(true);
}

void GridModel::scheduleFlush()
{
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QMetaObject::invokeMethod(this, &GridModel::flush, Qt::QueuedConnection);
}

void GridModel::flush()
{
    m_flushScheduled = false;
    const int rows = static_cast<int>(m_rows.size());
    if (rows > m_viewRows) {
        beginInsertRows(QModelIndex(), m_viewRows, rows - 1);
        m_viewRows = rows;
        endInsertRows();
    }
    Q_EMIT flushed();
}

void GridModel::rowChanged(int dataRow, int firstCol, int lastCol)
{
    // Rows the views have not been told of yet come with the next flush.
    if (dataRow < m_viewRows)
        Q_EMIT dataChanged(index(dataRow, firstCol), index(dataRow, lastCol), {Qt::DisplayRole});
}

void GridModel::setRowCount(int n)
{
    n = std::max(1, n);
    const int rows = n - 1;
    const int now = static_cast<int>(m_rows.size());
    if (rows > now) {
        m_rows.resize(rows);
        scheduleFlush();
    } else if (rows < now) {
        flush();
        beginRemoveRows(QModelIndex(), rows, now - 1);
        m_rows.resize(rows);
        m_viewRows = rows;
        endRemoveRows();
    }
}

void GridModel::setColCount(int n)
{
    n = std::max(1, n);
    if (n == m_cols)
        return;
    flush();
    beginResetModel();
    m_cols = n;
    while (m_titles.size() < n)
        m_titles << QString();
    m_titles = m_titles.mid(0, n);
    endResetModel();
}

QStringList GridModel::row(int row) const
{
    if (row == 0)
        return m_titles;
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return QStringList();
    return m_rows.row(row - 1, m_cols);
}

QString GridModel::cell(int col, int row) const
{
    if (col < 0 || col >= m_cols)
        return QString();
    if (row == 0)
        return m_titles.value(col);
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return QString();
    return m_rows.cell(row - 1, col);
}

void GridModel::setCell(int col, int row, const QString &text)
{
    if (col < 0 || col >= m_cols || row < 0 || row >= RowCount())
        return;
    if (row == 0) {
        m_titles[col] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    QStringList cells = this->row(row);
    cells[col] = text;
    m_rows.set(row - 1, cells, m_cols);
    rowChanged(row - 1, col, col);
}

void GridModel::setRow(int row, const QStringList &cells)
{
    if (row == 0) {
        for (int c = 0; c < m_cols; ++c)
            m_titles[c] = cells.value(c);
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
        return;
    }
    if (row < 1 || row >= RowCount())
        return;
    m_rows.set(row - 1, cells, m_cols);
    rowChanged(row - 1, 0, m_cols - 1);
}

void GridModel::appendRow(const QStringList &cells)
{
    m_rows.append(cells, m_cols);
    scheduleFlush();
}

void GridModel::appendRows(const CompactRows &rows)
{
    m_rows.appendAll(rows);
    scheduleFlush();
}

void GridModel::appendRows(CompactRows &&rows)
{
    if (m_rows.empty())
        m_rows = std::move(rows);
    else
        m_rows.appendAll(rows);
    scheduleFlush();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_viewRows;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell(index.column(), index.row() + 1);
    case Qt::FontRole:
        return index.column() == 0 ? QVariant(m_fixedFont) : QVariant();
    case Qt::BackgroundRole:
        // The number column is a fixed column, painted white.
        return index.column() == 0 ? QVariant(QBrush(Qt::white)) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return m_titles.value(section);
        if (role == Qt::FontRole)
            return m_fixedFont;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace kv
