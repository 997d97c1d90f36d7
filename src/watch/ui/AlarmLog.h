#pragma once
// "Alarm Log": every alarm of this run, one row each: its time, the
// channel, the value, the limit, when a person acknowledged it and when it
// cleared.

#include "watch/AlarmWatch.h"

#include <QAbstractTableModel>
#include <QVector>
#include <QWidget>

class QTableView;

namespace kv {

class AlarmLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Time, Channel, Value, Limit, AcknowledgedAt, ClearedAt, ColumnCount };
    static constexpr int kMaxRows = 10000; // the oldest go first

    using QAbstractTableModel::QAbstractTableModel;

    // An alarm adds a row; a clearing fills in the cleared time of the
    // newest open row of the same channel and cause, an acknowledgement its
    // acknowledged time.
    void add(const AlarmEvent &event);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of a cell, as shown.
    QString text(int row, int column) const;

private:
    struct Entry
    {
        AlarmEvent alarm;
        double clearedAt = 0.0;      // 0 while it lasts
        double acknowledgedAt = 0.0; // 0 until acknowledged
    };
    QVector<Entry> m_entries;
};

class AlarmLogWindow : public QWidget
{
    Q_OBJECT
public:
    static QString caption() { return QStringLiteral("Alarm Log"); }
    explicit AlarmLogWindow(AlarmLogModel *model, QWidget *parent = nullptr);
    QTableView *table() const { return m_table; }
    // As wide as a full row's text.
    QSize sizeHint() const override;

private:
    QTableView *m_table;
};

} // namespace kv
