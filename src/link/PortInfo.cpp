#include "link/PortInfo.h"

#include "link/PortList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace kv {

PortEnumerator::~PortEnumerator() = default;

QString PortInfo::identity() const
{
    if (!serialNumber.isEmpty()) {
        // The by-id name ends in the interface ("-if01-port0").
        static const QRegularExpression iface(QStringLiteral("-(if[0-9A-Fa-f]+(-port\\d+)?)$"));
        const QRegularExpressionMatch m = iface.match(byId);
        return m.hasMatch() ? QStringLiteral("serial:%1/%2").arg(serialNumber, m.captured(1))
                            : QStringLiteral("serial:%1").arg(serialNumber);
    }
    // Without a serial number two adapters of one kind are told apart by
    // the socket they sit in; a port without USB ids has no identity.
    if (vendorId >= 0 && productId >= 0 && !location.isEmpty())
        return QStringLiteral("usb:%1:%2@%3")
            .arg(vendorId, 4, 16, QLatin1Char('0'))
            .arg(productId, 4, 16, QLatin1Char('0'))
            .arg(location);
    return QString();
}

QString PortInfo::details() const
{
    QStringList parts;
    if (!description.isEmpty())
        parts << description;
    if (!byId.isEmpty())
        parts << byId;
    return parts.join(QStringLiteral(", "));
}

QString PortInfo::label() const
{
    return description.isEmpty() ? entry : QStringLiteral("%1 \u2014 %2").arg(entry, description);
}

bool PortInfo::operator==(const PortInfo &o) const
{
    return entry == o.entry && device == o.device && description == o.description
        && manufacturer == o.manufacturer && byId == o.byId && vendorId == o.vendorId
        && productId == o.productId && serialNumber == o.serialNumber && location == o.location;
}

QString byIdNameFor(const QString &device, const QString &byIdFolder)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty())
        return QString();
    const QDir dir(byIdFolder);
    const QFileInfoList links = dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &l : links)
        if (l.canonicalFilePath() == real)
            return l.fileName();
    return QString();
}

QString serialFromById(const QString &byId)
{
    // usb-<maker>_<model>_<serial>-if<NN>[-port<N>]
    static const QRegularExpression shape(QStringLiteral("^usb-(.+)-if[0-9A-Fa-f]+(-port\\d+)?$"));
    const QRegularExpressionMatch m = shape.match(byId);
    if (!m.hasMatch())
        return QString();
    const QStringList words = m.captured(1).split(QLatin1Char('_'));
    // Maker and model come first; a name of two words has no serial number.
    return words.size() >= 3 ? words.last() : QString();
}

namespace {

bool isCharacterDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
}

// The USB socket and interface a tty sits on ("1-2.4:1.0"), from where
// its device hangs in the system's device tree.
QString usbSocketOf(const QString &portName)
{
#ifdef Q_OS_LINUX
    const QString dev = QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    static const QRegularExpression iface(QStringLiteral("^\\d+-[\\d.]+:\\d+\\.\\d+$"));
    const QStringList parts = dev.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        const QRegularExpressionMatch m = iface.match(*it);
        if (m.hasMatch())
            return *it;
    }
#else
    Q_UNUSED(portName);
#endif
    return QString();
}

} // namespace

QList<PortInfo> folderPorts(const QString &folder)
{
    QList<PortInfo> ports;
    const QDir dir(folder);
    const QString byIdFolder = dir.filePath(QStringLiteral("by-id"));
    const QFileInfoList items = dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &f : items) {
        const QString real = f.canonicalFilePath();
        if (real.isEmpty() || !isCharacterDevice(real))
            continue;
        PortInfo p;
        p.entry = f.absoluteFilePath();
        p.device = real;
        p.byId = byIdNameFor(p.entry, byIdFolder);
        p.serialNumber = serialFromById(p.byId);
        p.description = real.startsWith(QLatin1String("/dev/pts/")) ? QStringLiteral("pseudo-terminal %1").arg(real)
                                                                    : QString();
        if (!p.byId.isEmpty()) {
            // The maker and model words of the by-id name say what it is.
            QString what = p.byId.mid(4);
            what.truncate(what.lastIndexOf(QLatin1String("-if")));
            if (!p.serialNumber.isEmpty())
                what.chop(p.serialNumber.size() + 1);
            p.description = what.replace(QLatin1Char('_'), QLatin1Char(' '));
        }
        ports << p;
    }
    return ports;
}

SystemPortEnumerator::SystemPortEnumerator(QStringList folders, bool systemPorts, QStringList named)
    : m_folders(std::move(folders))
    , m_systemPorts(systemPorts)
    , m_named(std::move(named))
{
}

QList<PortInfo> SystemPortEnumerator::ports()
{
    QList<PortInfo> ports;
    if (m_systemPorts) {
        const auto system = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &s : system) {
            PortInfo p;
            p.entry = s.portName();
            p.device = s.systemLocation();
            p.description = s.description();
            p.manufacturer = s.manufacturer();
            if (s.hasVendorIdentifier())
                p.vendorId = s.vendorIdentifier();
            if (s.hasProductIdentifier())
                p.productId = s.productIdentifier();
            p.serialNumber = s.serialNumber();
#ifdef Q_OS_LINUX
            p.byId = byIdNameFor(p.device, QStringLiteral("/dev/serial/by-id"));
            if (p.vendorId >= 0)
                p.location = usbSocketOf(s.portName());
#endif
            ports << p;
        }
    }
    for (const QString &folder : m_folders)
        ports << folderPorts(folder);
    for (const QString &n : std::as_const(m_named)) {
        const QString device = deviceNameFor(n);
        const QString real = QFileInfo(device).canonicalFilePath();
        if (real.isEmpty() || !isCharacterDevice(real))
            continue;
        bool listed = false;
        for (const PortInfo &p : std::as_const(ports))
            listed = listed || p.entry == n || p.device == device || QFileInfo(p.device).canonicalFilePath() == real;
        if (listed)
            continue;
        // Only that it is there: the list shows it by the name it was given.
        PortInfo p;
        p.entry = n;
        p.device = real;
        ports << p;
    }
    return ports;
}

QStringList searchOrder(const QStringList &entries)
{
    QStringList usb, other;
    for (const QString &e : entries) {
        const QString name = e.section(QLatin1Char('/'), -1);
        if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
            usb << e;
        else
            other << e;
    }
    return usb + other;
}

QStringList searchOrder(const QList<PortInfo> &ports)
{
    QStringList usb, other;
    for (const PortInfo &p : ports)
        (p.isUsb() ? usb : other) << p.entry;
    return searchOrder(usb) + searchOrder(other);
}

} // namespace kv
