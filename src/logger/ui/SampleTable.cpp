#include "logger/ui/SampleTable.h"

#include "logger/ui/SetReadings.h"

#include <QBrush>

#include <algorithm>

namespace kv {

SampleTable::SampleTable(const std::unique_ptr<DataSetCollection> &slot, QObject *parent)
    : QAbstractTableModel(parent)
    , m_slot(slot)
    , m_titles(titles(2))
{
    m_fixedFont.setBold(true);
}

void SampleTable::setEmpty(int channels)
{
    beginResetModel();
    m_collection = nullptr;
    m_rows.reset();
    m_set = -1;
    m_channels = channels == 1 ? 1 : 2;
    m_titles = titles(m_channels);
    endResetModel();
}

void SampleTable::setDataSet(int index, int channels)
{
    DataSetCollection *c = m_slot.get();
    const int set = c && index >= 0 && index < c->sets.size() ? index : -1;
    channels = channels == 1 ? 1 : 2;
    std::unique_ptr<SampleRows> rows = set >= 0 ? std::make_unique<SampleRows>(*c, set, channels) : nullptr;
    const auto take = [&] {
        m_collection = c;
        m_set = set;
        m_rows = std::move(rows);
    };
    if (channels != m_channels) {
        beginResetModel();
        take();
        m_channels = channels;
        m_titles = titles(m_channels);
        endResetModel();
        return;
    }
    // The same columns under the same titles: rows come or go at the end
    // and the others change their texts. A reset would have the view lay
    // out and paint its titles again, for every set shown.
    const int before = rowCount();
    const int after = rows ? rows->RowCount() - 1 : 1;
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        take();
        endInsertRows();
    } else if (after < before) {
        beginRemoveRows(QModelIndex(), after, before - 1);
        take();
        endRemoveRows();
    } else {
        take();
    }
    Q_EMIT dataChanged(this->index(0, 0), this->index(std::min(before, after) - 1, kColumns - 1));
}

bool SampleTable::shows(int index, int channels) const
{
    const DataSet *set = shownSet();
    return set && m_set == index && m_channels == (channels == 1 ? 1 : 2) && sameRecord(m_rows->set(), *set)
        && m_rows->followsLocale();
}

const DataSet *SampleTable::shownSet() const
{
    const DataSetCollection *c = m_slot.get();
    if (!c || c != m_collection || m_set < 0 || m_set >= c->sets.size())
        return nullptr;
    return &c->sets.at(m_set);
}

int SampleTable::RowCount() const
{
    // A grid keeps one data row below its titles even when it has nothing
    // to show.
    return m_rows ? m_rows->RowCount() : 2;
}

double SampleTable::rowTime(int row) const
{
    return shownSet() ? m_rows->rowTime(row) : 0.0;
}

QString SampleTable::cell(int col, int row) const
{
    if (col < 0 || col >= kColumns || row < 0)
        return QString();
    if (row == 0)
        return m_titles.at(col);
    // Rows of a collection no longer in the slot are blank.
    return shownSet() ? m_rows->cell(col, row) : QString();
}

int SampleTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RowCount() - 1;
}

int SampleTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant SampleTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cell(index.column(), index.row() + 1);
    return QVariant();
}

QVariant SampleTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return section >= 0 && section < kColumns ? m_titles.at(section) : QVariant();
    if (role == Qt::FontRole)
        return m_fixedFont;
    if (role == Qt::BackgroundRole)
        return QBrush(Qt::white);
    return QVariant();
}

} // namespace kv
