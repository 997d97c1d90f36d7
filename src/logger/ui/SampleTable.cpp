#include "logger/ui/SampleTable.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "logger/SampleDecoding.h"
#include "logger/ui/DataSetExtremes.h"

#include <QBrush>

namespace kv {

SampleTable::SampleTable(const std::unique_ptr<DataSetCollection> &slot, QObject *parent)
    : QAbstractTableModel(parent)
    , m_slot(slot)
    , m_titles(titles(2))
{
    m_fixedFont.setBold(true);
}

QStringList SampleTable::titles(int channels)
{
    QStringList t{QStringLiteral("NO"), QStringLiteral("DATE"), QStringLiteral("TIME"), QStringLiteral("T1"),
                  QStringLiteral("UNIT")};
    if (channels == 2)
        t << QStringLiteral("T2") << QStringLiteral("UNIT");
    while (t.size() < kColumns)
        t << QString();
    return t;
}

void SampleTable::setEmpty(int channels)
{
    beginResetModel();
    m_collection = nullptr;
    m_set = -1;
    m_samples = 0;
    m_channels = channels == 1 ? 1 : 2;
    m_titles = titles(m_channels);
    endResetModel();
}

void SampleTable::setDataSet(int index, int channels)
{
    beginResetModel();
    m_collection = m_slot.get();
    m_set = m_collection && index >= 0 && index < m_collection->sets.size() ? index : -1;
    m_samples = m_set >= 0 ? m_collection->sets.at(m_set).sampleCount : 0;
    m_channels = channels == 1 ? 1 : 2;
    m_titles = titles(m_channels);
    endResetModel();
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
    return std::max(2, m_samples + 1);
}

double SampleTable::rowTime(int row) const
{
    const DataSet *set = shownSet();
    if (!set || row < 1 || row > m_samples)
        return 0.0;
    return set->start + (row - 1) * (set->intervalSeconds / kSecondsPerDay);
}

QString SampleTable::cell(int col, int row) const
{
    if (col < 0 || col >= kColumns || row < 0)
        return QString();
    if (row == 0)
        return m_titles.at(col);
    const DataSet *set = shownSet();
    if (!set || row > m_samples || col >= (m_channels == 2 ? 7 : 5))
        return QString();
    switch (col) {
    case 0: return QString::number(row);
    case 1: return shortDateText(rowTime(row));
    case 2: return longTimeText(rowTime(row));
    case 4:
    case 6: return QString(set->unit);
    default: break;
    }
    // Column 3 is the first channel, column 5 the second.
    const QByteArray &image = m_slot->image;
    const int o = set->recordOffset + kRecordSamples + (row - 1) * m_slot->bytesPerSample + (col == 5 ? 2 : 0);
    if (o < 0 || o + 1 >= image.size() || o + 1 >= set->recordEnd - 1)
        return QString();
    return sampleText(DecodeSample(byteAt(image, o), byteAt(image, o + 1)));
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
