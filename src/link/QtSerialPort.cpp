#include "link/QtSerialPort.h"

#include "link/PortProblem.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTimer>

namespace kv {

SerialPort::~SerialPort() = default;

QtSerialPort::QtSerialPort(QObject *parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort()
{
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialPort::setDeviceName(const QString &name)
{
    m_deviceName = name;
}

QString QtSerialPort::deviceName() const
{
    return m_deviceName;
}

QString QtSerialPort::realDevice(const QString &name)
{
#ifdef Q_OS_UNIX
    // The port library locks a device by a file named after the name it is
    // given, so a symlink and its target would get two locks and two
    // programs would share one meter. Opened by its real path, a device
    // has one lock however it was named. Looked up at every open: after a
    // replug the same link may lead to another device.
    const QString real = QFileInfo(name).canonicalFilePath();
    if (!real.isEmpty())
        return real;
#endif
    return name;
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    m_port.setPortName(realDevice(m_deviceName));
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    const bool ok = m_port.open(QIODevice::ReadWrite);
    if (ok) {
        m_deviceLost = false;
        m_openFailure.clear();
    } else {
        PortProblemKind kind = PortProblemKind::Other;
        switch (m_port.error()) {
        case QSerialPort::PermissionError: kind = PortProblemKind::Permission; break;
        case QSerialPort::DeviceNotFoundError: kind = PortProblemKind::Vanished; break;
        default: break;
        }
        m_openFailure = describePortProblem(portOpenFacts(m_deviceName, kind, m_port.errorString())).text;
    }
    m_port.clearError();
    return ok;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::requireOpen(const char *operation) const
{
    if (!m_port.isOpen())
        throw PortAbort(QStringLiteral("%1 on a closed port").arg(QLatin1String(operation)));
}

void QtSerialPort::checkError(const char *operation)
{
    const QSerialPort::SerialPortError e = m_port.error();
    switch (e) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError: // nothing more was waiting
    case QSerialPort::UnsupportedOperationError: // line controls on a pseudo-terminal
        m_port.clearError();
        return;
    default:
        break;
    }
    const QString text = m_port.errorString();
    m_port.clearError();
    throw PortAbort(QStringLiteral("%1: %2").arg(QLatin1String(operation), text));
}

int QtSerialPort::bytesWaiting()
{
    requireOpen("bytes waiting");
    // Pull in what the system already holds; a zero timeout never blocks.
    m_port.waitForReadyRead(0);
    checkError("bytes waiting");
    if (!m_port.isOpen())
        throw PortAbort(QStringLiteral("bytes waiting: port closed"));
    return static_cast<int>(m_port.bytesAvailable());
}

QByteArray QtSerialPort::read(int n)
{
    requireOpen("read");
    if (m_port.bytesAvailable() < n) {
        m_port.waitForReadyRead(0);
        checkError("read");
    }
    QByteArray data = m_port.read(n);
    checkError("read");
    return data;
}

void QtSerialPort::write(const QByteArray &bytes)
{
    requireOpen("write");
    if (m_port.write(bytes) != bytes.size()) {
        checkError("write");
        throw PortAbort(QStringLiteral("write failed"));
    }
    // Hand the bytes to the system now, so they go out even while no events
    // are processed (the logger download polls without yielding).
    m_port.flush();
    checkError("write");
}

int QtSerialPort::waitForBytes(int n, int ms)
{
    requireOpen("wait");
    const QDeadlineTimer deadline(ms);
    m_port.waitForReadyRead(0);
    checkError("wait");
    while (m_port.isOpen() && m_port.bytesAvailable() < n && !deadline.hasExpired()) {
        // Sleeps in the system until bytes arrive; false once the time is up.
        if (!m_port.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            checkError("wait");
            break;
        }
        checkError("wait");
    }
    if (!m_port.isOpen())
        throw PortAbort(QStringLiteral("wait: port closed"));
    return static_cast<int>(m_port.bytesAvailable());
}

void QtSerialPort::purgeInput()
{
    requireOpen("purge");
    if (!m_port.clear(QSerialPort::Input))
        checkError("purge");
    m_port.clearError();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    // The device has gone (an unplugged adapter reports these over and over).
    // Close outside the port's own notification.
    m_deviceLost = true;
    QTimer::singleShot(0, this, [this] {
        if (m_port.isOpen()) {
            m_port.close();
            m_port.clearError();
            Q_EMIT lost();
        }
    });
}

} // namespace kv
