#include "watch/ui/AlarmLog.h"

#include "common/LocaleText.h"
#include "files/AnalysisCsv.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

namespace {

// The time as the events file and the analysis CSV write it, so that a row
// is found in either by the same text.
QString when(double dateTime)
{
    return isoText(dateTime);
}

QString degrees(double v, const QString &unit)
{
    return std::isnan(v) ? QString() : QStringLiteral("%1 \u00B0%2").arg(fixedText(v, 1), unit);
}

} // namespace

void AlarmLogModel::add(const AlarmEvent &e)
{
    if (e.kind == AlarmEvent::Kind::Acknowledged) {
        for (int i = m_entries.size() - 1; i >= 0; --i) {
            Entry &entry = m_entries[i];
            if (entry.clearedAt == 0.0 && entry.acknowledgedAt == 0.0 && entry.alarm.channel == e.channel
                && entry.alarm.cause == e.cause) {
                entry.acknowledgedAt = e.time;
                Q_EMIT dataChanged(index(i, AcknowledgedAt), index(i, AcknowledgedAt));
                return;
            }
        }
        return;
    }
    // A pause is a row of its own, which its resume ends as a clear does;
    // a failed command is a row of its own too.
    if (e.isAlarm() || e.kind == AlarmEvent::Kind::Paused || e.kind == AlarmEvent::Kind::Failed) {
        if (m_entries.size() >= kMaxRows) {
            beginRemoveRows(QModelIndex(), 0, 0);
            m_entries.removeFirst();
            endRemoveRows();
        }
        beginInsertRows(QModelIndex(), m_entries.size(), m_entries.size());
        m_entries.append({e, 0.0, 0.0});
        endInsertRows();
        return;
    }
    for (int i = m_entries.size() - 1; i >= 0; --i) {
        Entry &entry = m_entries[i];
        if (entry.clearedAt == 0.0 && entry.alarm.channel == e.channel && entry.alarm.cause == e.cause) {
            entry.clearedAt = e.time;
            Q_EMIT dataChanged(index(i, ClearedAt), index(i, ClearedAt));
            return;
        }
    }
}

void AlarmLogModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

int AlarmLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int AlarmLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString AlarmLogModel::text(int row, int column) const
{
    if (row < 0 || row >= m_entries.size())
        return QString();
    const Entry &entry = m_entries.at(row);
    const AlarmEvent &e = entry.alarm;
    switch (column) {
    case Time:
        return when(e.time);
    case Channel:
        return e.channel == QLatin1String("link") ? QStringLiteral("meter") : e.channel;
    case Value:
        if (e.cause == AlarmEvent::Cause::Overload)
            return QStringLiteral("overload");
        if (e.cause == AlarmEvent::Cause::LinkLost)
            return QStringLiteral("not answering");
        if (e.cause == AlarmEvent::Cause::Paused)
            return QStringLiteral("paused: ") + e.why;
        if (e.cause == AlarmEvent::Cause::Command)
            return QStringLiteral("command failed: ") + e.why;
        if (e.isRate())
            return degrees(e.value, e.unit) + QStringLiteral("/min");
        return degrees(e.value, e.unit);
    case Limit:
        if (std::isnan(e.limit))
            return QString();
        if (e.isRate())
            return (e.cause == AlarmEvent::Cause::Rise ? QStringLiteral("rising faster than ")
                                                       : QStringLiteral("falling faster than "))
                + degrees(std::abs(e.limit), e.unit) + QStringLiteral("/min");
        return (e.cause == AlarmEvent::Cause::Low ? QStringLiteral("below ") : QStringLiteral("above "))
            + degrees(e.limit, e.unit);
    case AcknowledgedAt:
        return entry.acknowledgedAt == 0.0 ? QString() : when(entry.acknowledgedAt);
    case ClearedAt:
        return entry.clearedAt == 0.0 ? QString() : when(entry.clearedAt);
    default:
        return QString();
    }
}

QVariant AlarmLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(index.row(), index.column());
    if (role == Qt::BackgroundRole && m_entries.at(index.row()).clearedAt == 0.0
        && m_entries.at(index.row()).alarm.kind != AlarmEvent::Kind::Failed)
        return QColor(255, 225, 225); // still on
    return QVariant();
}

QVariant AlarmLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Time: return QStringLiteral("Time");
    case Channel: return QStringLiteral("Channel");
    case Value: return QStringLiteral("Value");
    case Limit: return QStringLiteral("Limit");
    case AcknowledgedAt: return QStringLiteral("Acknowledged at");
    case ClearedAt: return QStringLiteral("Cleared at");
    default: return QVariant();
    }
}

AlarmLogWindow::AlarmLogWindow(AlarmLogModel *model, QWidget *parent)
    : QWidget(parent)
    , m_table(new QTableView(this))
{
    setObjectName(QStringLiteral("AlarmLogWindow"));
    setWindowTitle(caption());
    m_table->setObjectName(QStringLiteral("AlarmLogTable"));
    m_table->setAccessibleName(QStringLiteral("Alarm events"));
    m_table->setModel(model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    // Each column as wide as its text; the last takes what is left.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    auto *clear = new QPushButton(QStringLiteral("C&lear"), this);
    clear->setObjectName(QStringLiteral("ClearAlarmLog"));
    clear->setAccessibleName(QStringLiteral("Clear the alarm log"));
    connect(clear, &QPushButton::clicked, model, &AlarmLogModel::clear);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_table, 1);
    layout->addWidget(clear, 0, Qt::AlignRight);
    resize(sizeHint());
    // New rows stay in view.
    connect(model, &QAbstractItemModel::rowsInserted, m_table, [this] { m_table->scrollToBottom(); });
}

QSize AlarmLogWindow::sizeHint() const
{
    // The widest text each column can hold, and the header's.
    const QFontMetrics fm(m_table->font());
    const QString time = isoText(45000.5) + QStringLiteral("  ");
    const QStringList widest{time, QStringLiteral("Channel  "), QStringLiteral("not answering  "),
                             QStringLiteral("above -1000.0 \u00B0F  "), time, time};
    int width = 0;
    for (const QString &t : widest)
        width += fm.horizontalAdvance(t) + 2 * m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    width += m_table->frameWidth() * 2 + layout()->contentsMargins().left() + layout()->contentsMargins().right();
    return QSize(width, 260);
}

} // namespace kv
