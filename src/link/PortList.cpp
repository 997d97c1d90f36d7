#include "link/PortList.h"

#include <QSerialPortInfo>

namespace kv {

QStringList portListEntries(const QStringList &extraDevices, bool systemPorts)
{
    QStringList entries = extraDevices;
    if (!systemPorts)
        return entries;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &p : ports)
        if (!entries.contains(p.portName()) && !entries.contains(p.systemLocation()))
            entries << p.portName();
    return entries;
}

QString deviceNameFor(const QString &entry)
{
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\") + entry;
#else
    if (entry.isEmpty() || entry.startsWith(QLatin1Char('/')))
        return entry;
    return QStringLiteral("/dev/") + entry;
#endif
}

} // namespace kv
