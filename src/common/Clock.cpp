#include "common/Clock.h"

#include "common/DateTime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace kv {

Clock::~Clock() = default;

double SystemClock::now() const
{
    return toDateTimeDouble(QDateTime::currentDateTime());
}

qint64 SystemClock::tickCount() const
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

void SystemClock::idle(int ms)
{
    if (ms <= 0 || !QCoreApplication::instance()) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

SystemClock &SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}

ManualClock::ManualClock(double start)
    : m_now(start)
{
}

void ManualClock::advanceMs(qint64 ms)
{
    m_ticks += ms;
    m_now += ms / kMsecsPerDay;
}

void ManualClock::idle(int ms)
{
    advanceMs(ms > 0 ? ms : 1);
    if (m_hook)
        m_hook(ms);
}

} // namespace kv
