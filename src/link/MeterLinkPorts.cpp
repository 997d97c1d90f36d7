// The live part of the meter link's port list: ports that come and go
// while the program runs, the search of a port that came, and following
// the meter to the name its adapter comes back under.

#include "link/MeterLink.h"

#include "link/PortList.h"
#include "link/SerialPort.h"

namespace kv {

namespace {
constexpr int kIdBytes = 4;
constexpr int kIdWaitMs = 500; // as long as the start-up search waits for an answer

bool sameEntry(const PortInfo &p, const QString &named)
{
    return p.entry == named || p.device == named || p.device == deviceNameFor(named);
}

bool listedIn(const QList<PortInfo> &ports, const PortInfo &p)
{
    for (const PortInfo &q : ports)
        if (q.entry == p.entry && q.device == p.device)
            return true;
    return false;
}

// The system lists the port that opens as device.
bool systemHas(const QList<PortInfo> &ports, const QString &device)
{
    if (device.isEmpty())
        return false;
    for (const PortInfo &p : ports)
        if (p.device == device || deviceNameFor(p.entry) == device)
            return true;
    return false;
}
} // namespace

void MeterLink::rebuildEntries(const QList<PortInfo> &system)
{
    const QList<PortInfo> before = m_system;
    m_system = system;
    // A port left out because it would not open is offered again when it
    // comes (back): another adapter, the same one replugged, or a port
    // named on the command line that was not there yet.
    QStringList stillExcluded;
    for (const QString &e : std::as_const(m_excluded)) {
        bool came = false;
        for (const PortInfo &p : system)
            came = came || (listedEntryOf(p) == e && !listedIn(before, p));
        if (!came)
            stillExcluded << e;
    }
    m_excluded = stillExcluded;

    m_entries.clear();
    m_infos.clear();
    for (const QString &n : std::as_const(m_named)) {
        if (m_excluded.contains(n))
            continue;
        PortInfo info;
        info.entry = n;
        info.device = deviceNameFor(n);
        for (const PortInfo &p : system)
            if (sameEntry(p, n)) {
                info = p;
                info.entry = n;
            }
        m_entries << n;
        m_infos << info;
    }
    for (const PortInfo &p : system) {
        if (listedEntryOf(p) != p.entry || m_excluded.contains(p.entry) || m_entries.contains(p.entry))
            continue;
        m_entries << p.entry;
        m_infos << p;
    }
}

QString MeterLink::listedEntryOf(const PortInfo &p) const
{
    for (const QString &n : std::as_const(m_named))
        if (sameEntry(p, n))
            return n;
    return p.entry;
}

int MeterLink::entryOfDevice(const QString &device) const
{
    if (device.isEmpty())
        return -1;
    for (int i = 0; i < m_entries.size(); ++i)
        if (deviceNameFor(m_entries.at(i)) == device)
            return i;
    return -1;
}

PortInfo MeterLink::portInfo(int entry) const
{
    return entry >= 0 && entry < m_infos.size() ? m_infos.at(entry) : PortInfo();
}

PortInfo MeterLink::currentPortInfo() const
{
    const QString device = m_port.deviceName();
    const int i = entryOfDevice(device);
    if (i >= 0)
        return m_infos.at(i);
    if (!device.isEmpty() && deviceNameFor(m_inUse.entry) == device)
        return m_inUse; // gone from the list, still the port in use
    PortInfo p;
    p.entry = device;
    p.device = device;
    return p;
}

void MeterLink::updatePorts(const QList<PortInfo> &system)
{
    const QList<PortInfo> before = m_system;
    const QString current = m_port.deviceName();
    const PortInfo inUse = currentPortInfo();
    rebuildEntries(system);

    // Ports that came are searched (while no meter is connected) under the
    // name the list shows them by.
    for (const PortInfo &p : system) {
        const QString e = listedEntryOf(p);
        if (!listedIn(before, p) && m_entries.contains(e) && !m_pendingSearch.contains(e))
            m_pendingSearch << e;
    }
    QStringList stillThere;
    for (const QString &e : std::as_const(m_pendingSearch))
        if (m_entries.contains(e))
            stillThere << e;
    m_pendingSearch = stillThere;

    // The port in use went from the system (a port given by name stays
    // listed, but its adapter is gone all the same): its identity is looked
    // for under another name. Back under its own name, there is nothing to
    // follow any more.
    if (systemHas(system, current))
        m_follow.clear();
    else if (systemHas(before, current) && !inUse.identity().isEmpty())
        m_follow = inUse.identity();

    const int now = entryOfDevice(current);
    m_selected = now;
    if (now >= 0)
        m_portIndex = now;
    Q_EMIT portListChanged(m_entries, m_selected);
    if (now >= 0 && m_infos.at(now) != inUse)
        Q_EMIT portDetailsChanged(m_infos.at(now).details());
}

void MeterLink::usePort(int entry)
{
    closePort();
    const QString device = deviceNameFor(m_entries.at(entry));
    m_port.setDeviceName(device);
    askFor(device);
    if (openPort()) {
        try {
            purge();
        } catch (const PortAbort &) {
        }
    }
    m_portIndex = entry;
    select(entry);
    setPortStatus(device);
}

bool MeterLink::probe(int entry)
{
    closePort();
    m_port.setDeviceName(deviceNameFor(m_entries.at(entry)));
    if (!openPort())
        return false;
    try {
        purge();
        m_port.write(QByteArrayLiteral("K"));
        if (m_port.waitForBytes(kIdBytes, kIdWaitMs) >= kIdBytes) {
            const QByteArray reply = m_port.read(kIdBytes);
            if (reply.contains("481") || reply.contains("482")) {
                m_model = reply.contains("481") ? 481 : 482;
                RecogniseModel(reply);
                askFor(m_port.deviceName());
                m_portIndex = entry;
                select(entry);
                setPortStatus(m_port.deviceName());
                return true;
            }
        }
    } catch (const PortAbort &) {
    }
    closePort();
    return false;
}

bool MeterLink::followOrSearch(bool *probed)
{
    if (!m_follow.isEmpty()) {
        for (int i = 0; i < m_infos.size(); ++i) {
            if (m_infos.at(i).identity() != m_follow || deviceNameFor(m_entries.at(i)) == m_port.deviceName())
                continue;
            // The meter's adapter is back under another name: the link goes
            // on there, and the rest of this tick asks it as before.
            m_follow.clear();
            m_pendingSearch.clear();
            usePort(i);
            return false;
        }
    }
    if (m_connected) {
        // A meter that answers on an open port needs no search.
        if (m_port.isOpen())
            m_pendingSearch.clear();
        return false;
    }
    if (m_pendingSearch.isEmpty())
        return false;
    const QString before = m_port.deviceName();
    const QStringList todo = m_pendingSearch;
    m_pendingSearch.clear();
    *probed = true;
    for (const QString &e : todo) {
        const int i = m_entries.indexOf(e);
        if (i >= 0 && probe(i)) {
            m_follow.clear();
            return true;
        }
    }
    // Nobody answered: back to the port of before, which goes on being asked.
    closePort();
    m_port.setDeviceName(before);
    if (!before.isEmpty())
        openPort();
    return false;
}

} // namespace kv
