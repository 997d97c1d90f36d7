#pragma once
// Follows the system's serial ports: asks the enumerator every second and
// tells when the list changed (a port plugged in or pulled out, or what the
// system says of one).

#include "link/PortInfo.h"

#include <QObject>
#include <QTimer>

namespace kv {

class PortWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 1000;

    // The enumerator must outlive the watcher. The list is read once now.
    explicit PortWatcher(PortEnumerator &ports, QObject *parent = nullptr);

    QList<PortInfo> current() const { return m_current; }
    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    bool active() const { return m_timer.isActive(); }
    // Asking the system costs tens of milliseconds: while paused (a logger
    // download runs) it is not asked; unpaused, the watcher runs again if it
    // ran before.
    void setPaused(bool paused);

    // Asks the enumerator now (the timer does so every second).
    void poll();

Q_SIGNALS:
    void portsChanged(const QList<kv::PortInfo> &ports);

private:
    PortEnumerator &m_ports;
    QList<PortInfo> m_current;
    QTimer m_timer;
    bool m_resume = false;
};

} // namespace kv
