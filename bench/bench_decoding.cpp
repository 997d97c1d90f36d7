// How long decoding takes: the largest logger image the meter can hold (last
// address 65535), and one live frame, changed or unchanged.

#include "link/LiveFrame.h"
#include "logger/DataSetDecoder.h"
#include "logger/DataSetStatistics.h"
#include "logger/SampleDecoding.h"

#include "BenchMain.h"
#include "LoggerMemory.h"
#include "support/ScriptedPrompt.h"

#include <cmath>



namespace {

// A full two-channel memory: `sets` records filling addresses 256 to 65535.
QByteArray fullImage(int sets)
{
    emu::Bytes m = emu::buildMemory(2, {});
    const int bytes = 65536 - 256;
    const int perSet = (bytes / sets - 16) / 4;
    emu::DataSetDesc s;
    s.year = 2026;
    s.month = 12;
    s.day = 8;
    s.hour = 10;
    s.intervalSeconds = 2;
    for (int i = 0; i < perSet; ++i) {
        s.channel1.push_back(20.0 + (i % 100) * 0.1);
        s.channel2.push_back(-5.0 - (i % 50) * 0.1);
    }
    for (int i = 0; i < sets - 1; ++i)
        emu::appendRecord(m, 2, s);
    const int room = 65535 - emu::lastAddress(m) - 16;
    s.channel1.resize(room / 4, 21.5);
    s.channel2.resize(room / 4, -3.5);
    emu::appendRecord(m, 2, s);
    m.resize(emu::lastAddress(m) + 257, 0xFF);
    m[30] = 4;
    return QByteArray(reinterpret_cast<const char *>(m.data()), static_cast<int>(m.size()));
}

void decodeLargestImage(benchmark::State &state)
{
    const QByteArray image = fullImage(static_cast<int>(state.range(0)));
    kv::test::ScriptedPrompt prompt;
    int sets = 0;
    for (auto _ : state) {
        kv::DecodeResult r = kv::decodeImage(image, prompt);
        sets = r.collection ? r.collection->sets.size() : -1;
        benchmark::DoNotOptimize(r);
    }
    state.counters["sets"] = sets;
    state.counters["lastAddress"] = kv::readU16(image, kv::kLastAddressOffset);
}
// One set filling the memory, and 4000 small sets (the most the header allows).
BENCHMARK(decodeLargestImage)->Arg(1)->Arg(4000)->Unit(benchmark::kMicrosecond);

// Every sample of the full memory to a temperature, as showing the sets does.
void decodeAllSamples(benchmark::State &state)
{
    const QByteArray image = fullImage(static_cast<int>(state.range(0)));
    kv::test::ScriptedPrompt prompt;
    const kv::DecodeResult r = kv::decodeImage(image, prompt);
    for (auto _ : state) {
        float sum = 0;
        for (const kv::DataSet &s : r.collection->sets)
            for (int o = s.recordOffset + 14; o < s.recordEnd - 2; o += 2)
                sum += kv::DecodeSample(kv::byteAt(image, o), kv::byteAt(image, o + 1)).value;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(decodeAllSamples)->Arg(1)->Unit(benchmark::kMicrosecond);

void decodeLargestImageWithList(benchmark::State &state)
{
    const QByteArray image = fullImage(static_cast<int>(state.range(0)));
    kv::test::ScriptedPrompt prompt;
    for (auto _ : state) {
        kv::DecodeResult r = kv::decodeImage(image, prompt);
        benchmark::DoNotOptimize(kv::dataSetListRows(*r.collection));
    }
}
BENCHMARK(decodeLargestImageWithList)->Arg(1)->Arg(4000)->Unit(benchmark::kMicrosecond);

// The largest set there is: one one-channel set filling the memory, 32 632
// readings, some of them overloads. Its figures as the data-logger window
// and `kv481 sets --stats` work them out.
void statisticsOfLargestSet(benchmark::State &state)
{
    emu::Bytes m = emu::buildMemory(1, {});
    emu::DataSetDesc s;
    s.year = 2026;
    s.month = 12;
    s.day = 8;
    s.hour = 10;
    s.intervalSeconds = 2;
    const int room = 65535 - emu::lastAddress(m) - 16;
    for (int i = 0; i < room / 2; ++i)
        s.channel1.push_back(i % 997 == 0 ? std::nan("") : 20.0 + (i % 100) * 0.1);
    emu::appendRecord(m, 1, s);
    m.resize(emu::lastAddress(m) + 257, 0xFF);
    m[30] = 2;
    const QByteArray image(reinterpret_cast<const char *>(m.data()), static_cast<int>(m.size()));
    kv::test::ScriptedPrompt prompt;
    const kv::DecodeResult r = kv::decodeImage(image, prompt);
    for (auto _ : state)
        benchmark::DoNotOptimize(kv::dataSetStatistics(*r.collection, 0));
    state.counters["samples"] = r.collection->sets.value(0).sampleCount;
}
BENCHMARK(statisticsOfLargestSet)->Unit(benchmark::kMicrosecond);

void frameChanged(benchmark::State &state)
{
    kv::FrameDecoder d;
    kv::Frame a{0x02, 0x80, 0x00, 0x02, 0x34, 0x00, 0x12, 0x02, 0x22, 0x03};
    kv::Frame b = a;
    b[4] = 0x35;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(d.dispatchFrame(flip ? a : b, 482));
    }
}
BENCHMARK(frameChanged);

void frameUnchanged(benchmark::State &state)
{
    kv::FrameDecoder d;
    const kv::Frame a{0x02, 0x80, 0x00, 0x02, 0x34, 0x00, 0x12, 0x02, 0x22, 0x03};
    d.dispatchFrame(a, 482);
    for (auto _ : state)
        benchmark::DoNotOptimize(d.dispatchFrame(a, 482));
}
BENCHMARK(frameUnchanged);

} // namespace

KV_BENCHMARK_MAIN()
