#pragma once
// The command a user has run for each alarm event, by kv481 watch and by
// the window alike: through /bin/sh, one at a time in the order of the
// events (a "cleared" must never overtake its alarm), the event's figures
// in KV481_* variables and never in the command's text, no input, and a
// time limit after which the command and everything it started (its own
// process group) are killed.

#include "watch/AlarmWatch.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QProcess>
#include <QTimer>

#include <deque>
#include <functional>

namespace kv {

// KV481_EVENT (alarm, cleared, paused, resumed), KV481_CHANNEL (T1, T2,
// T1-T2, link, alarms), KV481_CAUSE (high, low, overload, rise, fall, lost,
// or why the alarms paused), KV481_VALUE (the reading, or the rate in
// degrees a minute; "OL" for an overload, empty for the link), KV481_LIMIT
// (empty when none), KV481_UNIT (C or F, empty for the link) and
// KV481_TIME (ISO 8601 with the offset).
QList<QPair<QString, QString>> alarmEventEnvironment(const AlarmEvent &event);

class AlarmCommand : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultLimitMs = 60000;

    explicit AlarmCommand(QObject *parent = nullptr);
    ~AlarmCommand() override;

    // Empty: no command, events are let by.
    void setCommand(const QString &command);
    QString command() const { return m_command; }
    void setLimitMs(int ms) { m_limitMs = ms; }
    int limitMs() const { return m_limitMs; }

    // Runs the command for event now, or after those still waiting.
    void run(const AlarmEvent &event);
    // Before the program ends: the events still waiting get their commands,
    // each within its time, unless stopWanted() says to give up.
    void finish(const std::function<bool()> &stopWanted = {});
    // At once: the running command and all it started are killed, the
    // waiting ones dropped.
    void abandon();
    bool busy() const { return m_process.state() != QProcess::NotRunning || !m_waiting.empty(); }

Q_SIGNALS:
    // What the command wrote (its standard output and error together).
    void output(const QByteArray &bytes);
    // The command for event did not do its work: it could not start, ran
    // past its time, or ended with a failure status.
    void failed(const kv::AlarmEvent &event, const QString &why);

private:
    void forwardOutput();
    void timedOut();
    void startNext();
    void killGroup();
    void ended(int code, QProcess::ExitStatus status);

    QString m_command;
    int m_limitMs = kDefaultLimitMs;
    QProcess m_process;
    QTimer m_limit;
    std::deque<AlarmEvent> m_waiting;
    AlarmEvent m_running;
    bool m_killed = false; // by the time limit or abandon(): said once
};

} // namespace kv
