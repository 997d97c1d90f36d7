#include "watch/ui/WatchController.h"

#include "common/Clock.h"
#include "common/Temperature.h"
#include "link/MeterLink.h"
#include "panel/TfrmPanel.h"
#include "session/LiveSample.h"
#include "views/Chart.h"
#include "watch/RateOfRise.h"
#include "watch/ui/DesktopNotifier.h"
#include "watch/ui/WatchChartOverlay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// The panel's display of each channel: main T1, third T1-T2, sub T2.
int displayOf(AlarmChannel c)
{
    switch (c) {
    case AlarmChannel::T1:
        return 0;
    case AlarmChannel::Difference:
        return 1;
    case AlarmChannel::T2:
        break;
    }
    return 2;
}

const char kAlarmSummary[] = "KV481 alarm";
const char kClearedSummary[] = "KV481 alarm cleared";

// The last word on a cleared alarm: "T1 back below 80.0 °C".
QString clearedText(const AlarmEvent &e)
{
    if (e.cause == AlarmEvent::Cause::LinkLost)
        return QStringLiteral("The meter answers again");
    if (e.cause == AlarmEvent::Cause::Overload)
        return QStringLiteral("%1 measures again").arg(e.channel);
    if (std::isnan(e.value) || std::isnan(e.limit) || e.isRate())
        return e.text(); // its limit changed or went off, or a rate settled
    return QStringLiteral("%1 back %2 %3")
        .arg(e.channel, e.cause == AlarmEvent::Cause::Low ? QStringLiteral("above") : QStringLiteral("below"),
             QStringLiteral("%1 \u00B0%2").arg(QString::number(e.limit, 'f', 1), e.unit));
}

} // namespace

WatchController::WatchController(MeterLink &link, Clock &clock, QStatusBar *statusBar, Parts parts, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_watch(clock)
    , m_parts(std::move(parts))
    , m_log(this)
    , m_status(new QLabel(statusBar))
    , m_statusBar(statusBar)
    , m_clock(clock)
    , m_notifier(new DesktopNotifier(this))
    , m_reminder(new QTimer(this))
{
    connect(&m_command, &AlarmCommand::failed, this, &WatchController::commandFailed);
    setObjectName(QStringLiteral("WatchController"));
    m_status->setObjectName(QStringLiteral("StatusAlarm"));
    m_status->setAccessibleName(QStringLiteral("Alarm"));
    // A click (or Space or Enter once Tab reached it) acknowledges.
    m_status->setFocusPolicy(Qt::TabFocus);
    m_status->setCursor(Qt::PointingHandCursor);
    m_status->installEventFilter(this);
    m_status->setContentsMargins(6, 0, 6, 0);
    m_status->hide();
    statusBar->addPermanentWidget(m_status);
    connect(m_reminder, &QTimer::timeout, this, &WatchController::remind);
    // Leaving the program while an alarm is on: its taskbar entry asks back.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            askAttention();
    });
}

WatchController::~WatchController() = default;

QString WatchController::shownUnit() const
{
    return m_unit == QLatin1String("F") ? m_unit : QStringLiteral("C");
}

void WatchController::setOptions(const WatchOptions &options)
{
    const bool reminderChanged = options.reminderMinutes != m_options.reminderMinutes;
    m_options = options;
    updateRateWindow();
    m_command.setCommand(options.activeCommand());
    handle(m_watch.setSettings(options.alarms));
    updateReminder(reminderChanged);
    // Each graph keeps its own rate switch; the setting is only where a
    // graph opened later starts.
    for (const QPointer<WatchChartOverlay> &o : std::as_const(m_overlays))
        if (o)
            o->setRateWindow(options.rateWindowSeconds);
    updateLimitLines();
    updatePanel();
    showStatus(nullptr);
}

WatchChartOverlay *WatchController::overlayOf(Chart *chart) const
{
    for (const QPointer<WatchChartOverlay> &o : std::as_const(m_overlays))
        if (o && o->chart() == chart)
            return o;
    return nullptr;
}

void WatchController::setRateShown(Chart *chart, bool shown)
{
    m_options.showRate = shown;
    if (WatchChartOverlay *o = overlayOf(chart))
        o->setRateShown(shown);
}

bool WatchController::rateShown(Chart *chart) const
{
    const WatchChartOverlay *o = overlayOf(chart);
    return o ? o->rateShown() : m_options.showRate;
}

WatchChartOverlay *WatchController::realTimeOverlay() const
{
    return m_realTime;
}

void WatchController::attachRealTimeGraph(Chart *chart)
{
    auto *o = new WatchChartOverlay(chart);
    o->setObjectName(QStringLiteral("RealTimeWatch"));
    o->setRateWindow(m_options.rateWindowSeconds);
    o->setUnit(m_parts.graphUnit ? m_parts.graphUnit() : QString());
    o->setSampleIntervalSource(m_parts.sampleInterval);
    o->setRateShown(m_options.showRate);
    m_realTime = o;
    m_overlays << o;
    updateLimitLines();
}

void WatchController::attachLoggerGraph(Chart *chart, std::function<QString()> unit,
                                        std::function<double()> interval)
{
    auto *o = chart->findChild<WatchChartOverlay *>(QString(), Qt::FindDirectChildrenOnly);
    if (!o) {
        o = new WatchChartOverlay(chart);
        m_overlays << o;
    }
    o->setRateWindow(m_options.rateWindowSeconds);
    o->setUnitSource(std::move(unit));
    o->setSampleIntervalSource(std::move(interval));
    o->setRateShown(m_options.showRate);
}

void WatchController::updateLimitLines()
{
    if (!m_realTime)
        return;
    QString unit = m_parts.graphUnit ? m_parts.graphUnit() : QString();
    if (unit.isEmpty())
        unit = shownUnit();
    m_limitUnit = unit;
    m_realTime->setUnit(unit);
    m_realTime->setLimits(m_options.alarms.inUnit(unit), m_link.connected() ? m_link.channelCount() : 2);
}

void WatchController::onFrame(const LiveSample &s)
{
    if (!m_link.connected())
        return;
    m_unit = s.reading.unit1;
    if (s.model() == 482 && s.reading.clockMode)
        return; // T2 shows the time of day
    handle(m_watch.feed(watchSample(s.reading, s.model())));
}

void WatchController::onTick(const LiveSample &s)
{
    updateRateWindow(); // the sampling interval may have changed
    // A reading that stays past a limit fires once its delay is over, even
    // without a new frame.
    if (s.fresh)
        onFrame(s);
    // The graph takes the unit of its first sample: the lines follow it.
    if (m_realTime && m_parts.graphUnit && !m_parts.graphUnit().isEmpty() && m_parts.graphUnit() != m_limitUnit)
        updateLimitLines();
}

// Rate limits watch the rate the real-time graph shows: over its window,
// grown as the graph's is when its samples come far apart.
void WatchController::updateRateWindow()
{
    RateOfRise rate(m_options.rateWindowSeconds);
    const double interval = m_parts.sampleInterval ? m_parts.sampleInterval() : 0.0;
    rate.setSampleInterval(interval > 0 && std::isfinite(interval) ? interval : 0.0);
    m_watch.setRateWindow(rate.effectiveWindowSeconds());
}

void WatchController::onConnectionChanged(bool connected)
{
    handle(connected ? m_watch.linkFound() : m_watch.linkLost());
}

void WatchController::onPollingPaused(const QString &why)
{
    if (!m_options.alarms.anyOn())
        return; // nothing is watched that could be missed
    m_pausedFor = why;
    handle({AlarmEvent::pause(true, why, m_clock.now())});
}

void WatchController::onPollingResumed()
{
    if (m_pausedFor.isEmpty())
        return;
    const QString why = m_pausedFor;
    m_pausedFor.clear();
    handle({AlarmEvent::pause(false, why, m_clock.now())});
}

void WatchController::onSampleTaken()
{
    if (!m_file.flush(m_parts.journalPath ? m_parts.journalPath() : QString()) && !m_fileFailed) {
        m_fileFailed = true;
        Q_EMIT fileProblem(m_file.error());
    }
}

AlarmEvent WatchController::inUnit(const AlarmEvent &e, const QString &unit) const
{
    AlarmEvent out = e;
    if (unit.isEmpty() || unit == e.unit || e.channel == QLatin1String("link"))
        return out;
    if (e.channel == alarmChannelName(AlarmChannel::Difference)) {
        const double scale = unit == QLatin1String("F") ? 1.8 : 1.0 / 1.8;
        out.value *= scale;
        out.limit *= scale;
    } else {
        out.value = convertTemperature(e.value, e.unit, unit);
        out.limit = convertTemperature(e.limit, e.unit, unit);
    }
    out.unit = unit;
    return out;
}

void WatchController::record(const AlarmEvent &e)
{
    m_log.add(e);
    if (!m_file.write(e, m_parts.journalPath ? m_parts.journalPath() : QString())) {
        if (!m_fileFailed)
            Q_EMIT fileProblem(m_file.error());
        m_fileFailed = true;
    } else {
        m_fileFailed = false;
    }
}

QString WatchController::keyOf(const AlarmEvent &e)
{
    if (e.cause == AlarmEvent::Cause::LinkLost || e.cause == AlarmEvent::Cause::Paused)
        return e.channel;
    switch (e.cause) {
    case AlarmEvent::Cause::Low:
        return e.channel + QStringLiteral(" low");
    case AlarmEvent::Cause::Rise:
        return e.channel + QStringLiteral(" rise");
    case AlarmEvent::Cause::Fall:
        return e.channel + QStringLiteral(" fall");
    default:
        return e.channel + QStringLiteral(" high");
    }
}

void WatchController::notifyEvent(const AlarmEvent &e)
{
    if (e.cause == AlarmEvent::Cause::Paused)
        return;
    const QString key = keyOf(e);
    if (e.isAlarm()) {
        if (!m_options.alarms.notify)
            return;
        // Only a meter gone silent is critical: nothing is watched then.
        const auto urgency = e.cause == AlarmEvent::Cause::LinkLost ? DesktopNotifier::Urgency::Critical
                                                                     : DesktopNotifier::Urgency::Normal;
        if (m_notifier->show(key, QString::fromLatin1(kAlarmSummary), e.text(), urgency))
            ++m_notified;
    } else if (e.kind == AlarmEvent::Kind::Cleared) {
        // Cleared even when notifications went off since: no stale box stays.
        if (m_notifier->settle(key, QString::fromLatin1(kClearedSummary), clearedText(e)))
            ++m_notified;
    }
}

void WatchController::handle(const QVector<AlarmEvent> &events)
{
    if (events.isEmpty())
        return;
    bool fired = false;
    for (const AlarmEvent &e : events) {
        record(e);
        if (e.isAlarm() || e.kind == AlarmEvent::Kind::Cleared)
            m_acknowledged.remove(keyOf(e)); // the next firing is a new alarm
        if (m_realTime && e.isAlarm() && !e.isRate()) // a rate is no point on the graph
            m_realTime->markCrossing(inUnit(e, m_limitUnit));
        notifyEvent(e);
        if (e.kind != AlarmEvent::Kind::Failed)
            m_command.run(e);
        if (e.isAlarm() && m_options.alarms.sound)
            QApplication::beep();
        fired = fired || e.isAlarm();
        Q_EMIT event(e);
    }
    updateReminder(fired);
    if (fired)
        askAttention();
    updatePanel();
    showStatus(&events.last());
}

int WatchController::acknowledge()
{
    int count = 0;
    for (const AlarmEvent &alarm : m_watch.activeAlarms()) {
        const QString key = keyOf(alarm);
        if (m_acknowledged.contains(key))
            continue;
        m_acknowledged.insert(key);
        AlarmEvent e = alarm;
        e.kind = AlarmEvent::Kind::Acknowledged;
        e.time = m_clock.now();
        record(e);
        Q_EMIT event(e);
        ++count;
    }
    if (count > 0) {
        updateReminder(false);
        showStatus(nullptr);
    }
    return count;
}

bool WatchController::anyUnacknowledged() const
{
    for (const AlarmEvent &alarm : m_watch.activeAlarms())
        if (!m_acknowledged.contains(keyOf(alarm)))
            return true;
    return false;
}

bool WatchController::reminding() const
{
    return m_reminder->isActive();
}

void WatchController::setReminderMinuteMs(int ms)
{
    m_minuteMs = std::max(1, ms);
    updateReminder(true);
}

void WatchController::updateReminder(bool restart)
{
    if (m_options.reminderMinutes <= 0 || !anyUnacknowledged()) {
        m_reminder->stop();
        return;
    }
    // Counted from the newest alarm: one that just fired was just heard.
    if (restart || !m_reminder->isActive())
        m_reminder->start(m_options.reminderMinutes * m_minuteMs);
}

void WatchController::remind()
{
    bool any = false;
    for (const AlarmEvent &alarm : m_watch.activeAlarms()) {
        if (m_acknowledged.contains(keyOf(alarm)))
            continue;
        any = true;
        notifyEvent(alarm);
    }
    if (!any) {
        m_reminder->stop();
        return;
    }
    ++m_reminders;
    if (m_options.alarms.sound)
        QApplication::beep();
    askAttention();
}

void WatchController::askAttention()
{
    // The taskbar entry asks to be looked at until the window is.
    QWidget *window = m_status->window();
    if (window && !window->isActiveWindow() && !m_watch.activeAlarms().isEmpty())
        QApplication::alert(window);
}

bool WatchController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_status) {
        // Taken from the press on, so that the release comes here too.
        if (event->type() == QEvent::MouseButtonPress)
            return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            if (m_status->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
                acknowledge();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
                acknowledge();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

// Never a message box: the window may be watched from across the room.
void WatchController::commandFailed(const AlarmEvent &event, const QString &why)
{
    const AlarmEvent failed = AlarmEvent::commandFailed(event, why, m_clock.now());
    handle({failed});
    m_statusBar->showMessage(failed.text(), 30000);
}

void WatchController::showStatus(const AlarmEvent *last)
{
    const QVector<AlarmEvent> active = m_watch.activeAlarms();
    QString text;
    if (!m_pausedFor.isEmpty()) {
        // Whatever was active stays so, unseen until the readings come back.
        text = QStringLiteral("Alarms paused: ") + m_pausedFor;
        m_status->setStyleSheet(QStringLiteral("QLabel { background: #e0a000; color: black; font-weight: bold; }"));
    } else if (!active.isEmpty()) {
        text = active.last().text();
        if (active.size() > 1)
            text += QStringLiteral(" (+%1 more)").arg(active.size() - 1);
        const bool seen = !anyUnacknowledged();
        if (seen)
            text += QStringLiteral(" (acknowledged)");
        // Red while someone must look; amber once seen.
        m_status->setStyleSheet(seen ? QStringLiteral("QLabel { background: #e0a000; color: black; font-weight: bold; }"
                                                      " QLabel:focus { border: 2px dotted black; }")
                                     : QStringLiteral("QLabel { background: #c00000; color: white; font-weight: bold; }"
                                                      " QLabel:focus { border: 2px dotted white; }"));
    } else {
        text = last && last->kind != AlarmEvent::Kind::Alarm && last->kind != AlarmEvent::Kind::Acknowledged
            ? last->text()
            : QString();
        m_status->setStyleSheet(QString());
    }
    const bool on = !active.isEmpty();
    m_status->setToolTip(on ? QStringLiteral("Click or press Ctrl+K to acknowledge the alarms") : QString());
    m_status->setAccessibleDescription(m_status->toolTip());
    m_status->setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void WatchController::updatePanel()
{
    TfrmPanel *panel = m_parts.panel ? m_parts.panel() : nullptr;
    if (!panel)
        return;
    for (AlarmChannel c : {AlarmChannel::T1, AlarmChannel::T2, AlarmChannel::Difference})
        panel->setAlarmFrame(displayOf(c), m_watch.active(c));
}

} // namespace kv
