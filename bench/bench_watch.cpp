// Watching the readings: how long an alarm takes from the decoded frame that
// crosses a limit to its event, and what the rate of rise costs per sample.
// The link runs over a scripted port with frames the emulator builds, so
// these are the program's own costs.

#include "common/Clock.h"
#include "link/MeterLink.h"
#include "watch/AlarmWatch.h"
#include "watch/RateOfRise.h"

#include "MeterEmulator.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompt.h"

#include "BenchMain.h"
#include "Figures.h"

#include <QElapsedTimer>

#include <cmath>

namespace {

QByteArray frameAt(double t1, double t2)
{
    emu::Options o;
    o.drift = false;
    emu::MeterEmulator meter(o);
    meter.setTemperatures(t1, t2);
    const emu::Bytes b = meter.liveFrame();
    return QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<int>(b.size()));
}

struct Rig
{
    kv::ManualClock clock;
    kv::test::ScriptedPort port;
    kv::test::ScriptedPrompt prompt;
    kv::MeterLink link{port, clock, prompt};
    kv::test::ScriptedMeter meter;
    kv::AlarmWatch watch{clock};
    QElapsedTimer sinceDecoded;
    int events = 0;
    std::vector<double> latencies; // microseconds
    Rig()
    {
        port.devices[QStringLiteral("/dev/meter")] = meter.device();
        link.setPortList({QStringLiteral("/dev/meter")});
        link.SearchMeter();
        port.write("A");
        kv::AlarmSettings s;
        s[kv::AlarmChannel::T1].high = {true, 80.0};
        s[kv::AlarmChannel::T2].low = {true, -18.0};
        s[kv::AlarmChannel::Difference].high = {true, 100.0};
        watch.setSettings(s);
        // What the window and kv481 do on a decoded frame.
        QObject::connect(&link, &kv::MeterLink::frameDecoded, [this] {
            sinceDecoded.start();
            const QVector<kv::AlarmEvent> e = watch.feed(kv::watchSample(link.reading(), link.model()));
            if (!e.isEmpty()) {
                latencies.push_back(sinceDecoded.nsecsElapsed() / 1000.0);
                events += e.size();
            }
        });
    }
};

// Every tick decodes a frame that crosses T1's high limit one way or the
// other (81 °C, then 78 °C, which clears it): a tick with its alarm.
void tickWithAlarm(benchmark::State &state)
{
    Rig rig;
    const QByteArray above = frameAt(81.0, 20.0);
    const QByteArray below = frameAt(78.0, 20.0);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        rig.meter.frame = flip ? above : below;
        rig.clock.advanceMs(1000);
        rig.link.ThTimer1Timer();
    }
    if (rig.events == 0)
        state.SkipWithError("no alarm fired");
    state.counters["events"] = rig.events;
    static bool printed = false;
    if (!printed && rig.latencies.size() > 100) {
        printed = true;
        kv::bench::printTimings("alarm: decoded frame -> event (target <= 5000 us)", rig.latencies, "us");
    }
}
// A fixed count: every tick is one alarm or one clearing.
BENCHMARK(tickWithAlarm)->Iterations(3000);

// One sample into a 30 s window and the slope read back, at one sample a
// second (the meter's pace), two a second (the fastest tick) and ten.
void rateOfRisePerSample(benchmark::State &state)
{
    const double step = 1.0 / static_cast<double>(state.range(0));
    kv::RateOfRise rate(30.0);
    double t = 45000.5 * 86400.0;
    double v = 20.0;
    double sum = 0;
    for (auto _ : state) {
        t += step;
        v += 0.01 + 0.05 * std::sin(t);
        rate.add(t, v);
        sum += rate.perMinute();
    }
    benchmark::DoNotOptimize(sum);
    state.counters["in window"] = rate.count();
}
BENCHMARK(rateOfRisePerSample)->Arg(1)->Arg(2)->Arg(10);

// The same over a whole recording at once (the data-logger graph's lines):
// 16 000 samples, as many as the logger holds.
void rateOfRiseSeries(benchmark::State &state)
{
    QVector<double> xs, ys;
    for (int i = 0; i < 16000; ++i) {
        xs << i * 2.0;
        ys << 20.0 + i * 0.01;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(kv::rateOfRiseSeries(xs, ys, 30.0));
    state.SetItemsProcessed(state.iterations() * xs.size());
}
BENCHMARK(rateOfRiseSeries);

} // namespace

KV_BENCHMARK_MAIN()
