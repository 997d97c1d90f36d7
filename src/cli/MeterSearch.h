#pragma once
// What every kv481 command that talks to the meter shares: the port search
// as the window program does it at start-up, and Ctrl+C or kill ending the
// command between records.

#include "cli/SilentPrompt.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"

#include <QSocketNotifier>
#include <QStringList>

#include <memory>

namespace kv {

namespace cli {

constexpr int kUsage = 2;  // exit code of a mistake in the arguments
constexpr int kFailed = 1; // exit code of anything else that went wrong
constexpr int kMaxInterval = 61 * 60;

// One line on the standard error, after "kv481: ".
void say(const QString &line);
// Says line and gives code back, for `return fail(...)`.
int fail(const QString &line, int code = kFailed);

} // namespace cli

struct MeterSearch
{
    QtSerialPort port;
    SilentPrompt prompt;
    MeterLink link;
    QStringList problems;
    QStringList entries;

    MeterSearch();
    // True when a meter answered; else why not, in one line. Without a
    // device named, USB adapters are asked before the legacy ports, and
    // the serial devices linked from folders too.
    bool search(const QString &device, const QStringList &folders, QString *why);
    QString deviceName() const { return port.deviceName(); }
};

// While it lives, SIGINT and SIGTERM end the event loop with exit code 0
// (the command then finishes its output as at any other end).
class StopOnSignal
{
public:
    StopOnSignal();
    ~StopOnSignal();
    // The signal that came (SIGINT or SIGTERM), 0 while none did.
    static int caught();
    StopOnSignal(const StopOnSignal &) = delete;
    StopOnSignal &operator=(const StopOnSignal &) = delete;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kv
