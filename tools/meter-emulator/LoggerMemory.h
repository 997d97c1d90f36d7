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

// Recordings a new user would recognise: a cup of coffee cooling, an oven
// warming up, a probe pulled out for a while (overloads), a fridge through
// the night. Two channels for the two-channel meter, one otherwise.
std::vector<DataSetDesc> demoSets(int channels);

// Sets that take every way through the decoding of records and samples:
// 1, 2 and 3 samples, tenths and whole-degree readings, negative ones and
// the extremes just inside the range, an all-overload set, ties in the
// maxima and minima, Fahrenheit, a set across midnight and the new year,
// intervals of 0 and 65535 seconds. Dates are all possible ones.
std::vector<DataSetDesc> branchSets(int channels);
// Sets whose start date or time is impossible (30 February, month 13,
// hour 24, minute 60), with a good one between them.
std::vector<DataSetDesc> badDateSets();

// The memory filled to its last byte (last address 65535) with a few long
// recordings.
Bytes fullMemory(int channels);
// The most sets the header allows (4000), filling the memory to its last
// byte: as many hold one sample as there is room for, the rest none.
Bytes manySetsMemory(int channels);

// Which memory the meter holds.
enum class MemoryKind { Demo, Full, Branches, BadDate, ManySets, Empty };
constexpr const char *kMemoryKindNames = "demo|full|branches|bad-date|many-sets|empty";
bool parseMemoryKind(const std::string &name, MemoryKind &kind);
Bytes buildMemoryOfKind(MemoryKind kind, int channels);

// The bytes of a collection file holding the memory, as the program writes
// it after a download: the memory up to its last address, then 256 bytes
// of tail (zeros where the memory has none), and byte 30 set to the bytes
// per sample (2 or 4).
Bytes collectionFileBytes(const Bytes &memory, int channels);
bool saveMemoryFile(const std::string &path, const Bytes &memory, int channels, std::string *error);

// Reads a collection file (.REC, the memory byte for byte). Empty on error.
Bytes loadMemoryFile(const std::string &path, std::string *error);

} // namespace emu
