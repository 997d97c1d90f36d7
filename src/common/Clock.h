#pragma once
// Where "now" comes from. The link's tick regulation, the MAX MIN key's
// two-second rule and the download's waits all read this clock, so tests can
// run them against a clock they move by hand.

#include <QtGlobal>

#include <functional>

namespace kv {

class Clock
{
public:
    virtual ~Clock();
    // The local date and time as a date-time double.
    virtual double now() const = 0;
    // Milliseconds from an arbitrary start, never going back.
    virtual qint64 tickCount() const = 0;
    // Lets the window system process pending events for up to ms
    // milliseconds (returning early is allowed). Loops that wait while
    // events run call this on each turn.
    virtual void idle(int ms) = 0;
};

// The system's clock and event loop.
class SystemClock final : public Clock
{
public:
    double now() const override;
    qint64 tickCount() const override;
    void idle(int ms) override;
    static SystemClock &instance();
};

// A clock that only moves when told: idle() advances it by the time asked
// for and then runs the optional hook, which a test uses to let a scripted
// device answer.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(double start = 45000.5);
    double now() const override { return m_now; }
    qint64 tickCount() const override { return m_ticks; }
    void idle(int ms) override;

    void advanceMs(qint64 ms);
    void setNow(double dateTime) { m_now = dateTime; }
    void setIdleHook(std::function<void(int)> hook) { m_hook = std::move(hook); }

private:
    double m_now;
    qint64 m_ticks = 1000000;
    std::function<void(int)> m_hook;
};

} // namespace kv
