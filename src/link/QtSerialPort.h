#pragma once
// SerialPort over Qt Serial Port.

#include "link/SerialPort.h"

#include <QObject>
#include <QSerialPort>

namespace kv {

class QtSerialPort final : public QObject, public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(QObject *parent = nullptr);
    ~QtSerialPort() override;

    void setDeviceName(const QString &name) override;
    QString deviceName() const override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    int bytesWaiting() override;
    QByteArray read(int n) override;
    void write(const QByteArray &bytes) override;
    int waitForBytes(int n, int ms) override;
    void purgeInput() override;
    bool deviceLost() const override { return m_deviceLost; }
    QString openFailure() const override { return m_openFailure; }

    // The device a name leads to, symlinks followed (the name itself where
    // it leads nowhere).
    static QString realDevice(const QString &name);

Q_SIGNALS:
    // The device failed and the port has been closed.
    void lost();

private:
    void onError(QSerialPort::SerialPortError error);
    void requireOpen(const char *operation) const;
    void checkError(const char *operation);

    QSerialPort m_port;
    QString m_deviceName;
    bool m_deviceLost = false;
    QString m_openFailure;
};

} // namespace kv
