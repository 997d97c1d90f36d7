#pragma once
// Watching in the window: the alarm rules fed from the meter link, and what
// each event does there: the status bar, the panel's red frame, the marks
// and limit lines on the real-time graph, the Alarm Log, the events file
// beside the journal, a desktop notification, a short sound and the user's
// command (its failures on the status bar and in the log). A person
// acknowledges the alarms that are on (a click on the status bar's alarm,
// or the menu): their beep and reminder stop until one clears and fires
// again. Also gives each graph its rate-of-rise lines, shown or hidden
// graph by graph.

#include "watch/AlarmCommand.h"
#include "watch/AlarmWatch.h"
#include "watch/WatchOptions.h"
#include "watch/ui/AlarmEventFile.h"
#include "watch/ui/AlarmLog.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>

class QLabel;
class QStatusBar;
class QTimer;

namespace kv {

class Chart;
class Clock;
class DesktopNotifier;
struct LiveSample;
class MeterLink;
class TfrmPanel;
class WatchChartOverlay;

class WatchController : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        std::function<TfrmPanel *()> panel;        // the panel while open
        std::function<QString()> journalPath;      // the recording's journal now
        std::function<QString()> graphUnit;        // the real-time graph's unit, empty while unknown
        std::function<double()> sampleInterval;    // seconds between the real-time graph's samples now
    };

    WatchController(MeterLink &link, Clock &clock, QStatusBar *statusBar, Parts parts, QObject *parent = nullptr);
    ~WatchController() override;

    const WatchOptions &options() const { return m_options; }
    // New options (from the dialog or the settings file).
    void setOptions(const WatchOptions &options);

    // The graphs that show what is watched.
    void attachRealTimeGraph(Chart *chart);
    // unit: the unit of the values the chart shows now; interval: the
    // seconds between them.
    void attachLoggerGraph(Chart *chart, std::function<QString()> unit, std::function<double()> interval);
    // One graph's rate lines shown or hidden (its own check item); the
    // choice is what the next graph opened starts with.
    void setRateShown(Chart *chart, bool shown);
    bool rateShown(Chart *chart) const;

    const AlarmWatch &watch() const { return m_watch; }
    AlarmCommand &command() { return m_command; }
    AlarmLogModel *log() { return &m_log; }
    QLabel *statusLabel() const { return m_status; }
    WatchChartOverlay *realTimeOverlay() const;
    QString eventFilePath() const { return m_file.path(); }
    int notificationsSent() const { return m_notified; }
    DesktopNotifier *notifier() const { return m_notifier; }
    // Whether a person acknowledged this alarm since it fired.
    bool acknowledged(const AlarmEvent &alarm) const { return m_acknowledged.contains(keyOf(alarm)); }
    // How often the reminder beeped and notified again.
    int remindersSent() const { return m_reminders; }
    bool reminding() const;
    // The length of the reminder's minute; a test shortens it.
    void setReminderMinuteMs(int ms);
    // One notification per alarm: "T1 high", "T2 low" (an overload is the
    // high side's) or "link".
    static QString keyOf(const AlarmEvent &e);
    // The unit the meter shows now ("C" until a reading says otherwise).
    QString shownUnit() const;

Q_SIGNALS:
    void event(const kv::AlarmEvent &event);
    // Writing the events beside the journal failed (once per failure).
    void fileProblem(const QString &message);

public Q_SLOTS:
    // Acknowledges the alarms that are on and not acknowledged yet: each is
    // logged as acknowledged, the label turns amber, the reminder stops.
    // Gives how many.
    int acknowledge();
    // A changed frame: a crossing is seen as soon as it is decoded.
    void onFrame(const kv::LiveSample &s);
    void onTick(const kv::LiveSample &s);
    void onConnectionChanged(bool connected);
    // A sample went into the recording (and its journal).
    void onSampleTaken();
    // No reading can be taken for a while (the logger's memory
    // downloading): the alarms say so until the polling resumes.
    void onPollingPaused(const QString &why);
    void onPollingResumed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void record(const AlarmEvent &e);
    void notifyEvent(const AlarmEvent &e);
    void remind();
    void updateReminder(bool restart);
    void askAttention();
    bool anyUnacknowledged() const;
    void handle(const QVector<AlarmEvent> &events);
    void commandFailed(const AlarmEvent &event, const QString &why);
    void updateRateWindow();
    void showStatus(const AlarmEvent *last);
    void updatePanel();
    void updateLimitLines();
    WatchChartOverlay *overlayOf(Chart *chart) const;
    AlarmEvent inUnit(const AlarmEvent &e, const QString &unit) const;

    MeterLink &m_link;
    AlarmWatch m_watch;
    Parts m_parts;
    WatchOptions m_options;
    AlarmLogModel m_log;
    AlarmEventFile m_file;
    QLabel *m_status;
    QStatusBar *m_statusBar;
    AlarmCommand m_command;
    QPointer<WatchChartOverlay> m_realTime;
    QList<QPointer<WatchChartOverlay>> m_overlays;
    QString m_limitUnit; // of the limit lines on the real-time graph
    QString m_unit = QStringLiteral("C"); // of the newest reading
    QString m_pausedFor; // why no reading can fire an alarm now; empty while they can
    Clock &m_clock;
    bool m_fileFailed = false;
    int m_notified = 0;
    DesktopNotifier *m_notifier;
    QSet<QString> m_acknowledged; // keys of the alarms on that a person saw
    QTimer *m_reminder;
    int m_minuteMs = 60000;
    int m_reminders = 0;
};

} // namespace kv
