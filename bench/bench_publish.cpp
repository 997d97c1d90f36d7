// Publishing to a real Mosquitto broker on this machine: the time from a
// decoded frame to the message at a subscriber, how long readings queued
// during an outage (600, and a day's 86 400 in the outbox) take to arrive
// once the broker is back, the outbox's append and removal of one reading,
// and the processor time publishing once a second costs. Figures only.

#include "Figures.h"
#include "MeterEmulator.h"
#include "link/LiveFrame.h"
#include "publish/MqttPublisher.h"
#include "publish/Outbox.h"
#include "support/BuildPaths.h"
#include "support/MqttBroker.h"
#include "support/MqttSubscriber.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <vector>

using namespace kv;
using namespace kv::test;

namespace {

using SteadyClock = std::chrono::steady_clock;

double cpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

PublisherConfig configFor(const MqttBroker &broker)
{
    PublishOptions o;
    o.broker = broker.url();
    o.meterName = QStringLiteral("bench");
    PublisherConfig c;
    QString error;
    if (!makePublisherConfig(o, QString(), QStringLiteral("bench"), c, &error))
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return c;
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        QThread::usleep(100);
    }
    return true;
}

// Receive times of the state messages, by a subscriber of its own.
struct Arrivals
{
    std::mutex mutex;
    std::vector<SteadyClock::time_point> times;
    mosquitto *mosq = nullptr;

    explicit Arrivals(int port)
    {
        mosq = mosquitto_new("bench-arrivals", false, this);
        mosquitto_connect_callback_set(mosq, [](mosquitto *m, void *, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "kv481/bench/state", 1);
        });
        mosquitto_message_callback_set(mosq, [](mosquitto *, void *self, const mosquitto_message *) {
            auto *a = static_cast<Arrivals *>(self);
            std::lock_guard<std::mutex> lock(a->mutex);
            a->times.push_back(SteadyClock::now());
        });
        mosquitto_reconnect_delay_set(mosq, 1, 1, false);
        mosquitto_connect(mosq, "127.0.0.1", port, 10);
        mosquitto_loop_start(mosq);
    }
    ~Arrivals()
    {
        mosquitto_disconnect(mosq);
        mosquitto_loop_stop(mosq, false);
        mosquitto_destroy(mosq);
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return times.size();
    }
    SteadyClock::time_point at(size_t i)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return times.at(i);
    }
};

void latency()
{
    MqttBroker broker;
    if (!broker.start())
        return void(std::fprintf(stderr, "the broker did not start\n"));
    mosquitto_lib_init();
    Arrivals arrivals(broker.port());
    QThread::msleep(300); // subscribed
    MqttPublisher p;
    p.start(configFor(broker));
    if (!waitUntil([&] { return p.state() == PublisherState::Connected; }, 10000))
        return void(std::fprintf(stderr, "no connection: %s\n", qPrintable(p.statusText())));

    emu::MeterEmulator meter;
    std::vector<double> ms;
    FrameDecoder decoder;
    for (int i = 0; i < 300; ++i) {
        meter.setTemperatures(20.0 + (i % 50) * 0.1, 21.0);
        const emu::Bytes bytes = meter.liveFrame();
        Frame f{};
        std::copy(bytes.begin(), bytes.begin() + 10, f.begin());
        const auto start = SteadyClock::now();
        decoder.dispatchFrame(f, 482);
        p.publishReading(decoder.reading(), 482, QDateTime::currentDateTime());
        if (!waitUntil([&] { return arrivals.count() > size_t(i); }, 5000))
            return void(std::fprintf(stderr, "reading %d did not arrive\n", i));
        ms.push_back(std::chrono::duration<double, std::milli>(arrivals.at(size_t(i)) - start).count());
        QThread::msleep(5);
    }
    bench::printTimings("decoded frame to subscriber (target median <= 20 ms)", ms, "ms");
    p.stop();
}

void outbox()
{
    QTemporaryDir dir;
    Outbox box;
    QString error;
    if (!box.open(dir.filePath(QStringLiteral("bench.sqlite")), &error))
        return void(std::fprintf(stderr, "%s\n", qPrintable(error)));
    const MqttMessage m{QByteArrayLiteral("kv481/bench/state"), QByteArray(230, 'x'), false};
    std::vector<double> append, remove;
    std::vector<qint64> seqs;
    for (int i = 0; i < 3000; ++i) {
        const auto start = SteadyClock::now();
        seqs.push_back(box.append(m));
        append.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
    }
    for (const qint64 seq : seqs) {
        const auto start = SteadyClock::now();
        box.remove({seq});
        remove.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
    }
    bench::printTimings("outbox: append one reading (target median <= 1 ms)", append, "ms");
    bench::printTimings("outbox: remove one acknowledged reading (target median <= 1 ms)", remove, "ms");
}

void outage(int count, const char *target)
{
    MqttBroker broker;
    if (!broker.start())
        return;
    auto arrivals = std::make_unique<Arrivals>(broker.port());
    QThread::msleep(300);
    MqttPublisher p;
    p.start(configFor(broker));
    if (!waitUntil([&] { return p.state() == PublisherState::Connected; }, 10000))
        return;
    broker.stop();
    waitUntil([&] { return p.state() == PublisherState::Waiting; }, 10000);
    // Readings at one a second, stored while the broker is away.
    Reading r;
    r.celsius = true;
    r.t1 = 23.4;
    r.t2 = 21.7;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-count);
    for (int i = 0; i < count; ++i)
        p.publishReading(r, 482, start.addSecs(i));
    waitUntil([&] { return p.statusText().contains(QStringLiteral(", %1 waiting").arg(count)); }, 600000);
    const size_t before = arrivals->count();
    broker.start();
    const auto back = SteadyClock::now();
    waitUntil([&] { return p.state() == PublisherState::Connected; }, 90000);
    const auto connected = SteadyClock::now();
    if (!waitUntil([&] { return arrivals->count() >= before + size_t(count); }, 300000))
        return void(std::fprintf(stderr, "only %zu of %d arrived\n", arrivals->count() - before, count));
    const auto all = arrivals->at(before + size_t(count) - 1);
    using Ms = std::chrono::duration<double, std::milli>;
    std::printf("%d queued readings: all at the subscriber %.0f ms after the broker's return "
                "(%.0f ms of it waiting for the next attempt, %.0f ms delivering; %s)\n",
                count, Ms(all - back).count(), Ms(connected - back).count(), Ms(all - connected).count(), target);
    p.stop();
}

void processorTime()
{
    MqttBroker broker;
    if (!broker.start())
        return;
    MqttPublisher p;
    p.start(configFor(broker));
    if (!waitUntil([&] { return p.state() == PublisherState::Connected; }, 10000))
        return;
    Reading r;
    r.celsius = true;
    r.t1 = 23.4;
    r.t2 = 21.7;
    const int seconds = 30;
    const double cpu0 = cpuMs(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < seconds; ++i) {
        p.publishReading(r, 482, QDateTime::currentDateTime());
        const qint64 due = (i + 1) * 1000;
        while (wall.elapsed() < due) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(qMax<qint64>(1, qMin<qint64>(50, due - wall.elapsed())));
        }
    }
    const double used = cpuMs(RUSAGE_SELF) - cpu0;
    std::printf("publishing one reading a second for %d s: %.1f ms of processor time, %.3f %% of one core "
                "(target < 1 %%)\n",
                seconds, used, 100.0 * used / double(wall.elapsed()));
    p.stop();
}

// kv481 publish as a whole (polling the meter included), against the
// emulator program, for comparison with kv481 read.
void commandLine()
{
    MqttBroker broker;
    if (!broker.start())
        return;
    QProcess emulator;
    emulator.start(kv::test::emulatorProgram(), {QStringLiteral("--paced")});
    if (!emulator.waitForStarted() || !emulator.waitForReadyRead(5000))
        return;
    const QString device = QString::fromLocal8Bit(emulator.readLine()).trimmed();
    for (const char *command : {"read", "publish"}) {
        QStringList args{QLatin1String(command), QStringLiteral("--port"), device, QStringLiteral("--interval"),
                         QStringLiteral("1")};
        if (QLatin1String(command) == QLatin1String("publish"))
            args << QStringLiteral("--broker") << broker.url();
        const double cpu0 = cpuMs(RUSAGE_CHILDREN);
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer wall;
        wall.start();
        p.start(kv::test::builtFile(QStringLiteral("kv481")), args);
        QThread::sleep(20);
        p.terminate();
        p.waitForFinished(10000);
        const double used = cpuMs(RUSAGE_CHILDREN) - cpu0;
        std::printf("kv481 %-7s --interval 1 for %.0f s: %.1f ms of processor time, %.3f %% of one core\n", command,
                    wall.elapsed() / 1000.0, used, 100.0 * used / double(wall.elapsed()));
    }
    emulator.terminate();
    emulator.waitForFinished(5000);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The outboxes go to a folder of their own, not the user's.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    outbox();
    latency();
    outage(600, "target <= 5000 ms");
    outage(86400, "target <= 30000 ms");
    processorTime();
    commandLine();
    return 0;
}
