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
        for (int r = rows; r < now; ++r)
            m_waste += m_rows[r].length;
        m_rows.resize(rows);
        m_viewRows = rows;
        endRemoveRows();
        if (m_rows.empty()) {
            m_store.clear();
            m_waste = 0;
        }
        compactIfWasteful();
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

std::string GridModel::encode(const QStringList &cells) const
{
    // Trailing empty cells take no room.
    int last = std::min<int>(cells.size(), m_cols) - 1;
    while (last >= 0 && cells.at(last).isEmpty())
        --last;
    std::string s;
    for (int c = 0; c <= last; ++c) {
        if (c)
            s.push_back(kSep);
        QByteArray u = cells.at(c).toUtf8();
        u.replace(kSep, ' ');
        s.append(u.constData(), u.size());
    }
    return s;
}

void GridModel::store(int dataRow, const QStringList &cells)
{
    const std::string s = encode(cells);
    RowRef &ref = m_rows[dataRow];
    if (s.size() <= ref.length) {
        // Fits where it was: write over it.
        std::copy(s.begin(), s.end(), m_store.begin() + ref.offset);
        m_waste += ref.length - s.size();
    } else {
        m_waste += ref.length;
        ref.offset = m_store.size();
        m_store.append(s);
    }
    ref.length = static_cast<std::uint32_t>(s.size());
    compactIfWasteful();
}

void GridModel::compactIfWasteful()
{
    if (m_waste < (1u << 20) || m_waste * 2 < m_store.size())
        return;
    std::string fresh;
    fresh.reserve(m_store.size() - m_waste + 1024);
    for (RowRef &r : m_rows) {
        const std::uint64_t at = fresh.size();
        fresh.append(m_store, r.offset, r.length);
        r.offset = at;
    }
    m_store.swap(fresh);
    m_waste = 0;
}

QStringList GridModel::row(int row) const
{
    if (row == 0)
        return m_titles;
    QStringList cells;
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return cells;
    const RowRef &ref = m_rows[row - 1];
    const char *p = m_store.data() + ref.offset;
    const char *end = p + ref.length;
    if (ref.length) {
        const char *start = p;
        for (; p <= end; ++p) {
            if (p == end || *p == kSep) {
                cells << QString::fromUtf8(start, static_cast<int>(p - start));
                start = p + 1;
            }
        }
    }
    while (cells.size() < m_cols)
        cells << QString();
    return cells;
}

QString GridModel::cell(int col, int row) const
{
    if (col < 0 || col >= m_cols)
        return QString();
    if (row == 0)
        return m_titles.value(col);
    if (row < 1 || row > static_cast<int>(m_rows.size()))
        return QString();
    const RowRef &ref = m_rows[row - 1];
    const char *p = m_store.data() + ref.offset;
    const char *end = p + ref.length;
    for (int c = 0; c < col && p < end; ++p)
        if (*p == kSep)
            ++c;
    // Find the end of this cell.
    const char *q = p;
    while (q < end && *q != kSep)
        ++q;
    if (p > end)
        return QString();
    return QString::fromUtf8(p, static_cast<int>(q - p));
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
    store(row - 1, cells);
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
    store(row - 1, cells);
    rowChanged(row - 1, 0, m_cols - 1);
}

void GridModel::appendRow(const QStringList &cells)
{
    const int at = static_cast<int>(m_rows.size());
    m_rows.emplace_back();
    store(at, cells);
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
