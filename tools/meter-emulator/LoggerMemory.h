#pragma once
// The emulated meter's data-logger memory, built byte by byte from the
// meter's layout: a 256-byte header (set count at 9-10, last address at
// 11-12, high byte first) and one record per data set from address 256:
// A5 5A, BCD year (4 digits), month, day, hour, minute, second, interval
// (16 bits), flags (bit 0 Celsius), sample count (16 bits), the samples,
// 5A A5.

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

using Bytes = std::vector<std::uint8_t>;

// A data set to put into memory. Date and time fields are written as given,
// impossible ones included, so tests can ask for a 30 February.
struct DataSetDesc
{
    int year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int intervalSeconds = 1;
    bool celsius = true;
    // Channel values in the set's unit; NaN stands for an overload. The
    // second channel is used only by the two-channel meter (missing values
    // are taken as overloads).
    std::vector<double> channel1;
    std::vector<double> channel2;
};

constexpr int kMemorySize = 65536;

// Two bytes of one sample: the tenths format (sixteenths of a degree) below
// 1024 degrees, whole degrees above; an overload as whole-degree 2500.
void encodeSample(double value, std::uint8_t out[2]);

// A whole memory holding the sets, for a meter with 1 or 2 channels. The
// header's byte 30 is left 0, as the meter keeps its own value there.
Bytes buildMemory(int channels, const std::vector<DataSetDesc> &sets);
// Appends one record after the last address in use; false when the memory
// is full.
bool appendRecord(Bytes &memory, int channels, const DataSetDesc &set);

int setCount(const Bytes &memory);
int lastAddress(const Bytes &memory);

// A few plausible recordings, for the demo and for shell use.
std::vector<DataSetDesc> demoSets(int channels);

// Reads a collection file (.REC, the memory byte for byte). Empty on error.
Bytes loadMemoryFile(const std::string &path, std::string *error);

} // namespace emu
