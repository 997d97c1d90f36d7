#pragma once
// The serial port as the meter link needs it. Opening and closing report
// success; every other operation that fails throws PortAbort, which each
// handler catches at its top so that a port error ends the handler silently.

#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace kv {

class PortAbort : public std::runtime_error
{
public:
    explicit PortAbort(const QString &what)
        : std::runtime_error(what.toStdString())
    {
    }
};

class SerialPort
{
public:
    virtual ~SerialPort();

    // Only while closed.
    virtual void setDeviceName(const QString &name) = 0;
    virtual QString deviceName() const = 0;

    // 9600 baud, 8 data bits, no parity, 1 stop bit, no handshake.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Bytes already received and waiting, without blocking.
    virtual int bytesWaiting() = 0;
    // Up to n waiting bytes, without waiting for more.
    virtual QByteArray read(int n) = 0;
    // Queues the bytes for sending without waiting for them to go out.
    virtual void write(const QByteArray &bytes) = 0;
    // Sleeps until at least n bytes are waiting or ms milliseconds have
    // passed, and returns the number waiting. No events are processed.
    virtual int waitForBytes(int n, int ms) = 0;
    // Discards every byte received so far.
    virtual void purgeInput() = 0;

    // True after the device itself failed (unplugged adapter, hung-up line)
    // and the port was closed because of it; cleared by the next good open.
    virtual bool deviceLost() const = 0;

    // Why the last open() failed, in words a user can act on (permission,
    // busy, gone); empty after a good open.
    virtual QString openFailure() const { return QString(); }
};

} // namespace kv
