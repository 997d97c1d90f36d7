#pragma once
// The sample table of the data-logger window: every reading of the shown
// data set, one row each. Cell texts are worked out from the memory image
// when asked for, so a set of 65535 readings costs no more to show than one
// of ten; to saving and printing the table reads like any string grid:
// row 0 the titles, column 0 the reading's number, eight columns.

#include "logger/DataSet.h"
#include "logger/SampleRows.h"
#include "views/GridSource.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>

#include <memory>

namespace kv {

class SampleTable : public QAbstractTableModel, public GridSource
{
    Q_OBJECT
public:
    static constexpr int kColumns = SampleRows::kColumns;

    // slot: where the window keeps the current collection. Every cell is
    // read from whatever collection the slot holds then, bounds-checked, so
    // a collection replaced under the table never leaves it reading freed
    // memory (its cells are then blank until the next set is shown).
    explicit SampleTable(const std::unique_ptr<DataSetCollection> &slot, QObject *parent = nullptr);

    // No set: the titles for one or two channels and one blank row.
    void setEmpty(int channels);
    // The set of the current collection with this index, with the columns
    // of one or two channels.
    void setDataSet(int index, int channels);
    // Whether the table shows set `index` of the collection now in the slot,
    // as the set stands, with these channels and the default locale.
    bool shows(int index, int channels) const;
    int channels() const { return m_channels; }
    bool hasDataSet() const { return m_set >= 0; }

    // The string grid's view.
    int RowCount() const override;
    int ColCount() const override { return kColumns; }
    QString cell(int col, int row) const override;
    static QStringList titles(int channels) { return SampleRows::titles(channels); }

    // The date-time of a data row (1-based), 0 when there is none.
    double rowTime(int row) const;

    // The table view's side: data rows only, the titles as header.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setFixedFont(const QFont &f) { m_fixedFont = f; }

private:
    const DataSet *shownSet() const;

    const std::unique_ptr<DataSetCollection> &m_slot;
    const DataSetCollection *m_collection = nullptr; // the one the rows were counted from
    std::unique_ptr<SampleRows> m_rows;              // of that collection's shown set, read only while
                                                     // the slot still holds it
    int m_set = -1;
    int m_channels = 2;
    QStringList m_titles;
    QFont m_fixedFont;
};

} // namespace kv
