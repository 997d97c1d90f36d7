#include "LoggerMemory.h"

#include <cmath>
#include <fstream>
#include <iterator>

namespace emu {

namespace {
std::uint8_t bcd(int v)
{
    v = std::abs(v) % 100;
    return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}

void put16(Bytes &m, std::size_t at, int v)
{
    m[at] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    m[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

int get16(const Bytes &m, std::size_t at)
{
    return m.size() > at + 1 ? (m[at] << 8 | m[at + 1]) : 0;
}

Bytes encodeRecord(int channels, const DataSetDesc &s)
{
    const std::size_t n = s.channel1.size();
    Bytes r;
    r.reserve(16 + n * 2 * channels);
    r.push_back(0xA5);
    r.push_back(0x5A);
    r.push_back(bcd(s.year / 100));
    r.push_back(bcd(s.year % 100));
    r.push_back(bcd(s.month));
    r.push_back(bcd(s.day));
    r.push_back(bcd(s.hour));
    r.push_back(bcd(s.minute));
    r.push_back(bcd(s.second));
    r.push_back(static_cast<std::uint8_t>(s.intervalSeconds >> 8));
    r.push_back(static_cast<std::uint8_t>(s.intervalSeconds));
    r.push_back(s.celsius ? 0x01 : 0x00);
    r.push_back(static_cast<std::uint8_t>(n >> 8));
    r.push_back(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t b[2];
        encodeSample(s.channel1[i], b);
        r.push_back(b[0]);
        r.push_back(b[1]);
        if (channels == 2) {
            encodeSample(i < s.channel2.size() ? s.channel2[i] : NAN, b);
            r.push_back(b[0]);
            r.push_back(b[1]);
        }
    }
    r.push_back(0x5A);
    r.push_back(0xA5);
    return r;
}
} // namespace

void encodeSample(double value, std::uint8_t out[2])
{
    if (std::isnan(value) || value >= 2500.0 || value <= -400.0) {
        const int whole = 2500;
        out[0] = static_cast<std::uint8_t>(0x40 | (whole >> 8));
        out[1] = static_cast<std::uint8_t>(whole & 0xFF);
        return;
    }
    const bool negative = value < 0;
    const double mag = std::fabs(value);
    if (mag < 1023.5) {
        long sixteenths = std::lround(mag * 16.0);
        if (sixteenths > 1023 * 16 + 15)
            sixteenths = 1023 * 16 + 15;
        const int whole = static_cast<int>(sixteenths / 16);
        const int frac = static_cast<int>(sixteenths % 16);
        out[0] = static_cast<std::uint8_t>((negative ? 0x80 : 0) | (whole >> 4));
        out[1] = static_cast<std::uint8_t>((whole & 0x0F) << 4 | frac);
    } else {
        const int whole = static_cast<int>(std::lround(mag));
        out[0] = static_cast<std::uint8_t>((negative ? 0x80 : 0) | 0x40 | ((whole >> 8) & 0x3F));
        out[1] = static_cast<std::uint8_t>(whole & 0xFF);
    }
}

int setCount(const Bytes &memory)
{
    return get16(memory, 9);
}

int lastAddress(const Bytes &memory)
{
    return get16(memory, 11);
}

Bytes buildMemory(int channels, const std::vector<DataSetDesc> &sets)
{
    Bytes m(256, 0x00);
    put16(m, 9, 0);
    put16(m, 11, 255);
    for (const DataSetDesc &s : sets)
        appendRecord(m, channels, s);
    return m;
}

bool appendRecord(Bytes &memory, int channels, const DataSetDesc &set)
{
    if (memory.size() < 256)
        memory.resize(256, 0x00);
    const int last = lastAddress(memory) < 255 ? 255 : lastAddress(memory);
    const Bytes rec = encodeRecord(channels, set);
    const std::size_t newLast = static_cast<std::size_t>(last) + rec.size();
    if (newLast >= static_cast<std::size_t>(kMemorySize))
        return false;
    if (memory.size() < newLast + 1)
        memory.resize(newLast + 1, 0xFF);
    std::copy(rec.begin(), rec.end(), memory.begin() + last + 1);
    put16(memory, 9, setCount(memory) + 1);
    put16(memory, 11, static_cast<int>(newLast));
    return true;
}

std::vector<DataSetDesc> demoSets(int channels)
{
    std::vector<DataSetDesc> sets;
    DataSetDesc warm; // an oven warming up
    warm.year = 2026;
    warm.month = 11;
    warm.day = 30;
    warm.hour = 9;
    warm.minute = 15;
    warm.second = 0;
    warm.intervalSeconds = 5;
    for (int i = 0; i < 240; ++i) {
        const double t = 21.0 + 180.0 * (1.0 - std::exp(-i / 60.0));
        warm.channel1.push_back(t);
        warm.channel2.push_back(20.5 + 0.02 * i);
    }
    sets.push_back(warm);

    DataSetDesc fridge; // a cold store over a day
    fridge.year = 2026;
    fridge.month = 12;
    fridge.day = 1;
    fridge.hour = 18;
    fridge.minute = 0;
    fridge.intervalSeconds = 120;
    for (int i = 0; i < 720; ++i) {
        fridge.channel1.push_back(-18.0 + 1.5 * std::sin(i / 15.0));
        fridge.channel2.push_back(4.0 + 0.8 * std::sin(i / 20.0 + 1.0));
    }
    sets.push_back(fridge);

    DataSetDesc probe; // a probe pulled out for a moment: overloads
    probe.year = 2026;
    probe.month = 12;
    probe.day = 7;
    probe.hour = 14;
    probe.minute = 30;
    probe.second = 10;
    probe.intervalSeconds = 1;
    probe.celsius = false;
    for (int i = 0; i < 60; ++i) {
        probe.channel1.push_back(i >= 20 && i < 26 ? NAN : 72.5 + 0.1 * i);
        probe.channel2.push_back(68.0 + 0.05 * i);
    }
    sets.push_back(probe);
    (void)channels;
    return sets;
}

Bytes loadMemoryFile(const std::string &path, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot open " + path;
        return {};
    }
    Bytes m((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (m.size() < 256) {
        if (error)
            *error = path + " is shorter than a header block";
        return {};
    }
    if (m.size() > static_cast<std::size_t>(kMemorySize) + 256)
        m.resize(kMemorySize + 256);
    return m;
}

} // namespace emu
