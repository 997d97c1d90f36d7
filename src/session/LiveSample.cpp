#include "session/LiveSample.h"

namespace kv {

bool MeterIdentity::sameMeter(const MeterIdentity &o) const
{
    if (model != o.model)
        return false;
    if (!usb.isEmpty() || !o.usb.isEmpty())
        return usb == o.usb;
    return port == o.port;
}

QString MeterIdentity::text() const
{
    QString s = QStringLiteral("the %1 on %2").arg(model).arg(port);
    if (!usb.isEmpty())
        s += QStringLiteral(" (adapter %1)").arg(usb);
    return s;
}

bool SampleGate::due(const LiveSample &s, bool atOnce)
{
    ++m_ticks;
    if (m_ticks < m_every && !atOnce && !m_atOnce)
        return false;
    // The meter stopped answering: its last reading is not repeated as if
    // it were new, the due sample waits for the next confirmed one.
    if (!s.fresh)
        return false;
    m_ticks = 0;
    m_atOnce = false;
    // The slot passes: the next sample comes a whole interval later.
    return m_clockReadings || !s.reading.clockMode;
}

} // namespace kv
