#include "LoggerMemory.h"

#include <algorithm>
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

namespace {

// A small, repeatable noise source, so the curves look measured and every
// run serves the same bytes.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : m_state(seed) {}
    // Uniform in [-amplitude, amplitude].
    double operator()(double amplitude)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return amplitude * ((m_state >> 8) / double(1u << 24) * 2.0 - 1.0);
    }

private:
    std::uint32_t m_state;
};

DataSetDesc startingAt(int year, int month, int day, int hour, int minute, int second, int interval,
                       bool celsius = true)
{
    DataSetDesc s;
    s.year = year;
    s.month = month;
    s.day = day;
    s.hour = hour;
    s.minute = minute;
    s.second = second;
    s.intervalSeconds = interval;
    s.celsius = celsius;
    return s;
}

double tenths(double v)
{
    return std::round(v * 10.0) / 10.0;
}

} // namespace

std::vector<DataSetDesc> demoSets(int channels)
{
    const bool two = channels == 2;
    std::vector<DataSetDesc> sets;
    Noise noise(481);

    // A cup of coffee cooling towards the room's temperature; the probe
    // goes in between the first two samples. Channel 2 is the room.
    DataSetDesc coffee = startingAt(2026, 11, 28, 8, 12, 30, 10);
    for (int i = 0; i < 200; ++i) {
        const double t = i * 10.0;
        double v = 22.0 + 64.0 * std::exp(-t / 780.0) + noise(0.08);
        if (i == 0)
            v = 22.6;
        else if (i == 1)
            v = 71.4;
        coffee.channel1.push_back(tenths(v));
        if (two)
            coffee.channel2.push_back(tenths(21.8 + 0.2 * std::sin(t / 600.0) + noise(0.05)));
    }
    sets.push_back(coffee);

    // An oven warming up to 180 degrees and levelling off, its thermostat
    // swinging a little once it is there. Channel 2 is the kitchen.
    DataSetDesc oven = startingAt(2026, 11, 28, 17, 40, 0, 15);
    for (int i = 0; i < 300; ++i) {
        const double t = i * 15.0;
        const double rise = 1.0 - std::exp(-t / 420.0);
        const double swing = 3.0 * std::sin(2.0 * M_PI * t / 600.0) * std::pow(rise, 6);
        oven.channel1.push_back(tenths(21.0 + 159.0 * rise + swing + noise(0.2)));
        if (two)
            oven.channel2.push_back(tenths(21.5 + 3.0 * (1.0 - std::exp(-t / 1800.0)) + noise(0.05)));
    }
    sets.push_back(oven);

    // A water bath with the first probe pulled out for a while: an open
    // thermocouple reads overload. The second probe stays in.
    DataSetDesc bath = startingAt(2026, 11, 29, 10, 5, 0, 2);
    for (int i = 0; i < 150; ++i) {
        const bool out = i >= 55 && i < 80;
        bath.channel1.push_back(out ? NAN : tenths(65.0 + 0.3 * std::sin(i / 12.0) + noise(0.05)));
        if (two)
            bath.channel2.push_back(tenths(64.2 + 0.2 * std::sin(i / 15.0 + 0.5) + noise(0.05)));
    }
    sets.push_back(bath);

    // A fridge through the night in Fahrenheit, the compressor cycling;
    // channel 2 in the freezer.
    DataSetDesc fridge = startingAt(2026, 11, 29, 22, 30, 0, 60, false);
    for (int i = 0; i < 240; ++i) {
        const double phase = std::fmod(i / 40.0, 1.0);
        const double cycle = phase < 0.3 ? 40.0 - 15.0 * phase : 35.5 + 4.5 * (phase - 0.3) / 0.7;
        fridge.channel1.push_back(tenths(cycle + noise(0.1)));
        if (two)
            fridge.channel2.push_back(tenths(1.0 + 2.0 * std::sin(2.0 * M_PI * phase) + noise(0.1)));
    }
    sets.push_back(fridge);
    return sets;
}

std::vector<DataSetDesc> branchSets(int channels)
{
    const bool two = channels == 2;
    std::vector<DataSetDesc> sets;
    auto add = [&](DataSetDesc s, std::vector<double> c1, std::vector<double> c2) {
        s.channel1 = std::move(c1);
        if (two)
            s.channel2 = std::move(c2);
        sets.push_back(s);
    };
    // One sample, tenths both ways round.
    add(startingAt(2026, 3, 14, 9, 26, 53, 5), {25.6}, {-25.6});
    // Two samples: whole degrees above 1023, the highest valid reading and
    // the lowest valid one.
    add(startingAt(2026, 3, 14, 10, 0, 0, 1), {1200.0, 2499.0}, {-399.9, -40.0});
    // Three samples in Fahrenheit.
    add(startingAt(2026, 3, 14, 11, 0, 0, 2, false), {72.5, 73.0, 72.5}, {68.0, 68.0, 68.1});
    // Nothing but overloads.
    add(startingAt(2026, 3, 15, 8, 0, 0, 1), {NAN, NAN, NAN, NAN}, {NAN, NAN, NAN, NAN});
    // The highest and the lowest reading each reached twice; channel 2
    // never changes.
    add(startingAt(2026, 3, 15, 9, 0, 0, 3), {18.5, 22.0, 18.5, 22.0, 20.0}, {5.0, 5.0, 5.0, 5.0, 5.0});
    // Across midnight and into a new year.
    add(startingAt(2026, 12, 31, 23, 58, 30, 30), {3.0, 2.5, 2.0, 1.5, 1.0, 0.5},
        {-3.0, -3.5, -4.0, -4.5, -5.0, -5.5});
    // Overloads between readings.
    add(startingAt(2027, 1, 1, 0, 5, 0, 1), {20.0, NAN, 21.0, NAN}, {NAN, 19.0, NAN, 19.5});
    // The shortest and longest intervals.
    add(startingAt(2027, 1, 2, 12, 0, 0, 0), {30.0, 30.1}, {31.0, 31.1});
    add(startingAt(2027, 1, 2, 13, 0, 0, 65535), {0.0, -0.1}, {0.1, 0.0});
    return sets;
}

std::vector<DataSetDesc> badDateSets()
{
    std::vector<DataSetDesc> sets;
    auto add = [&](DataSetDesc s) {
        s.channel1 = {20.0, 20.5};
        s.channel2 = {19.0, 19.5};
        sets.push_back(s);
    };
    add(startingAt(2008, 2, 30, 12, 0, 0, 1));
    add(startingAt(2026, 6, 15, 24, 0, 0, 1));
    add(startingAt(2026, 6, 15, 10, 0, 0, 1)); // a good one between
    add(startingAt(2026, 13, 1, 8, 60, 0, 1));
    return sets;
}

Bytes fullMemory(int channels)
{
    const int b = 2 * channels;
    Bytes m = buildMemory(channels, {});
    for (int k = 0;; ++k) {
        // Sample bytes the next set could have if it were the last.
        const int room = kMemorySize - 1 - lastAddress(m) - 16;
        int n = 4000;
        const bool last = room - n * b - 16 < 0;
        if (last)
            n = room / b; // every length is a multiple of b, so this ends at 65535
        DataSetDesc s = startingAt(2026, 10, 1 + k, 6, 0, 0, 30);
        for (int i = 0; i < n; ++i) {
            const double t = i / double(n);
            switch (k % 3) {
            case 0: // a kiln firing, up through the whole-degree range and back
                s.channel1.push_back(std::round(20.0 + 1230.0 * std::sin(M_PI * t)));
                s.channel2.push_back(tenths(25.0 + 40.0 * std::sin(M_PI * t)));
                break;
            case 1: // a freezer
                s.channel1.push_back(tenths(-18.0 + 1.5 * std::sin(i / 15.0)));
                s.channel2.push_back(tenths(4.0 + 0.8 * std::sin(i / 20.0 + 1.0)));
                break;
            default: // a room over the day
                s.channel1.push_back(tenths(20.0 + 3.0 * std::sin(2.0 * M_PI * t)));
                s.channel2.push_back(tenths(8.0 + 6.0 * std::sin(2.0 * M_PI * t - 0.5)));
                break;
            }
        }
        appendRecord(m, channels, s);
        if (last)
            return m;
    }
}

Bytes manySetsMemory(int channels)
{
    const int b = 2 * channels;
    const int maxSets = 4000;
    const int withSample = (kMemorySize - 256 - maxSets * 16) / b;
    Bytes m = buildMemory(channels, {});
    for (int i = 0; i < maxSets; ++i) {
        const int minutes = 8 * 60 + i;
        DataSetDesc s = startingAt(2026, 12, 1 + minutes / 1440, minutes / 60 % 24, minutes % 60, 0, 1);
        if (i < withSample) {
            s.channel1 = {20.0 + i % 50 * 0.1};
            s.channel2 = {-5.0 - i % 30 * 0.1};
        }
        appendRecord(m, channels, s);
    }
    return m;
}

bool parseMemoryKind(const std::string &name, MemoryKind &kind)
{
    static const std::pair<const char *, MemoryKind> names[] = {
        {"demo", MemoryKind::Demo},         {"full", MemoryKind::Full},
        {"branches", MemoryKind::Branches}, {"bad-date", MemoryKind::BadDate},
        {"many-sets", MemoryKind::ManySets}, {"empty", MemoryKind::Empty},
    };
    for (const auto &n : names)
        if (name == n.first) {
            kind = n.second;
            return true;
        }
    return false;
}

Bytes buildMemoryOfKind(MemoryKind kind, int channels)
{
    switch (kind) {
    case MemoryKind::Full:
        return fullMemory(channels);
    case MemoryKind::Branches:
        return buildMemory(channels, branchSets(channels));
    case MemoryKind::BadDate:
        return buildMemory(channels, badDateSets());
    case MemoryKind::ManySets:
        return manySetsMemory(channels);
    case MemoryKind::Empty:
        return buildMemory(channels, {});
    case MemoryKind::Demo:
        break;
    }
    return buildMemory(channels, demoSets(channels));
}

Bytes collectionFileBytes(const Bytes &memory, int channels)
{
    const int last = memory.size() < 256 ? 255 : lastAddress(memory);
    Bytes file(static_cast<std::size_t>(last) + 257, 0x00);
    std::copy(memory.begin(), memory.begin() + std::min(memory.size(), file.size()), file.begin());
    file[30] = static_cast<std::uint8_t>(2 * channels);
    return file;
}

bool saveMemoryFile(const std::string &path, const Bytes &memory, int channels, std::string *error)
{
    const Bytes file = collectionFileBytes(memory, channels);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
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
