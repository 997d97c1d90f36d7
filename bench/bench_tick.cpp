// The cost of one poll tick: one that decodes a changed frame, and one that
// sees the same frame again (little more than the 10-byte comparison). The
// port is scripted in memory, so this is the link's own work.

#include "common/Clock.h"
#include "link/MeterLink.h"

#include "support/ScriptedPort.h"
#include "support/ScriptedPrompt.h"

#include "BenchMain.h"

namespace {

struct Rig
{
    kv::ManualClock clock;
    kv::test::ScriptedPort port;
    kv::test::ScriptedPrompt prompt;
    kv::MeterLink link{port, clock, prompt};
    kv::test::ScriptedMeter meter;
    Rig()
    {
        port.devices[QStringLiteral("/dev/meter")] = meter.device();
        link.setPortList({QStringLiteral("/dev/meter")});
        link.SearchMeter();
        port.write("A");
    }
};

void tickChangedFrame(benchmark::State &state)
{
    Rig rig;
    const QByteArray a = QByteArray::fromHex("02800002340000021003");
    const QByteArray b = QByteArray::fromHex("02800002350000021003");
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        rig.meter.frame = flip ? a : b;
        rig.clock.advanceMs(1000);
        rig.link.ThTimer1Timer();
    }
    if (rig.link.missCount() != 0)
        state.SkipWithError("frames were missed");
}
BENCHMARK(tickChangedFrame);

void tickIdenticalFrame(benchmark::State &state)
{
    Rig rig;
    for (auto _ : state) {
        rig.clock.advanceMs(1000);
        rig.link.ThTimer1Timer();
    }
}
BENCHMARK(tickIdenticalFrame);

// The comparison alone, for scale.
void compareFrames(benchmark::State &state)
{
    kv::Frame a{0x02, 0x80, 0x00, 0x02, 0x34, 0x00, 0x12, 0x02, 0x22, 0x03};
    kv::Frame b = a;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(a == b);
    }
}
BENCHMARK(compareFrames);

} // namespace

KV_BENCHMARK_MAIN()
