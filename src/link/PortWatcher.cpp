#include "link/PortWatcher.h"

namespace kv {

PortWatcher::PortWatcher(PortEnumerator &ports, QObject *parent)
    : QObject(parent)
    , m_ports(ports)
    , m_current(ports.ports())
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWatcher::poll);
}

void PortWatcher::setPaused(bool paused)
{
    if (paused && m_timer.isActive()) {
        m_timer.stop();
        m_resume = true;
    } else if (!paused && m_resume) {
        m_resume = false;
        m_timer.start();
    }
}

void PortWatcher::poll()
{
    QList<PortInfo> now = m_ports.ports();
    if (now == m_current)
        return;
    m_current = std::move(now);
    Q_EMIT portsChanged(m_current);
}

} // namespace kv
