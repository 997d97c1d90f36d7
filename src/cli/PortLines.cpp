#include "cli/PortLines.h"

#include "link/PortList.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kv {

namespace {
QString hexId(int id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// A field of a TAB-separated line: what a device says of itself may hold
// tabs or line breaks, which would split the port over fields or lines.
QString field(QString s)
{
    for (QChar &c : s)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return s;
}

QJsonValue textOrNull(const QString &s)
{
    return s.isEmpty() ? QJsonValue() : QJsonValue(s);
}
} // namespace

QByteArray portLine(PortsFormat format, const PortInfo &p)
{
    // The name to give --port: the system's device, or the link a folder holds.
    const QString device = deviceNameFor(p.entry);
    if (format == PortsFormat::Jsonl) {
        QJsonObject o;
        o.insert(QStringLiteral("device"), device);
        o.insert(QStringLiteral("by_id"), textOrNull(p.byId));
        o.insert(QStringLiteral("description"), textOrNull(p.description));
        o.insert(QStringLiteral("manufacturer"), textOrNull(p.manufacturer));
        o.insert(QStringLiteral("vendor_id"), p.vendorId >= 0 ? QJsonValue(hexId(p.vendorId)) : QJsonValue());
        o.insert(QStringLiteral("product_id"), p.productId >= 0 ? QJsonValue(hexId(p.productId)) : QJsonValue());
        o.insert(QStringLiteral("serial_number"), textOrNull(p.serialNumber));
        return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    QStringList f{field(device), field(p.description), field(p.manufacturer)};
    f << (p.vendorId >= 0 && p.productId >= 0 ? QStringLiteral("USB %1:%2").arg(hexId(p.vendorId), hexId(p.productId))
                                              : QString());
    f << field(p.serialNumber);
    return (f.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8();
}

} // namespace kv
