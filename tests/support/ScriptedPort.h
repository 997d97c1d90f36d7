#pragma once
// A SerialPort with scripted devices behind it. Each device name maps to a
// meter function that answers each written byte; its answer is waiting at
// once (as if the meter answered between two ticks). A name without a
// device cannot be opened.

#include "link/SerialPort.h"

#include <QMap>

#include <functional>

namespace kv::test {

class ScriptedPort final : public SerialPort
{
public:
    using Device = std::function<QByteArray(char request)>;

    QMap<QString, Device> devices;
    QByteArray input;        // bytes waiting to be read
    QByteArray written;      // every byte written, in order
    QStringList opened;      // device names opened, in order
    int purges = 0;
    bool failWrites = false; // writes throw, as a broken port's do
    bool lostDevice = false;
    // Runs when a wait finds fewer bytes than asked for, with the count and
    // the time allowed: a test moves its clock on, or lets the device say
    // more. Without it the wait returns at once.
    std::function<void(int n, int ms)> onWait;
    int waits = 0;

    void setDeviceName(const QString &name) override { m_name = name; }
    QString deviceName() const override { return m_name; }
    bool open() override
    {
        if (!devices.contains(m_name))
            return false;
        m_open = true;
        lostDevice = false;
        opened << m_name;
        return true;
    }
    void close() override
    {
        m_open = false;
        input.clear(); // what a closed port had received is gone
    }
    bool isOpen() const override { return m_open; }
    int bytesWaiting() override
    {
        check();
        return input.size();
    }
    QByteArray read(int n) override
    {
        check();
        const QByteArray r = input.left(n);
        input.remove(0, r.size());
        return r;
    }
    void write(const QByteArray &bytes) override
    {
        check();
        if (failWrites)
            throw PortAbort(QStringLiteral("write failed"));
        written += bytes;
        const Device &d = devices[m_name];
        if (d)
            for (char c : bytes)
                input += d(c);
    }
    int waitForBytes(int n, int ms) override
    {
        check();
        ++waits;
        if (input.size() < n && onWait)
            onWait(n, ms);
        return input.size();
    }
    void purgeInput() override
    {
        check();
        ++purges;
        input.clear();
    }
    bool deviceLost() const override { return lostDevice; }

    // The device disappears: the port closes as a failing adapter's does.
    void pullOut()
    {
        devices.remove(m_name);
        m_open = false;
        lostDevice = true;
        input.clear();
    }

private:
    void check() const
    {
        if (!m_open)
            throw PortAbort(QStringLiteral("port not open"));
    }
    QString m_name;
    bool m_open = false;
};

// A meter as a scripted device: "K" gives the model and one more byte, "A"
// the frame it holds now; silent while asked to be.
struct ScriptedMeter
{
    int model = 482;
    QByteArray frame = QByteArray::fromHex("02800002340000021003");
    bool silent = false;
    QByteArray id() const { return QByteArray::number(model) + '\r'; }
    ScriptedPort::Device device()
    {
        return [this](char c) -> QByteArray {
            if (silent)
                return {};
            if (c == 'K')
                return id();
            if (c == 'A')
                return frame;
            return {};
        };
    }
};

} // namespace kv::test
