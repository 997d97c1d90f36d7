#pragma once
// What the meter's data-logger memory holds: a 256-byte header block, then
// one record per recorded data set.

#include <QByteArray>
#include <QChar>
#include <QVector>

#include <cstdint>
#include <memory>

namespace kv {

// Header block fields.
constexpr int kHeaderSize = 256;
constexpr int kSetCountOffset = 9;      // 16 bits, high byte first
constexpr int kLastAddressOffset = 11;  // 16 bits, high byte first
constexpr int kBytesPerSampleOffset = 30;
constexpr int kMaxSetCount = 4000;

// Record layout, relative to the record's first byte.
constexpr std::uint8_t kRecordStart1 = 0xA5;
constexpr std::uint8_t kRecordStart2 = 0x5A;
constexpr std::uint8_t kRecordEnd1 = 0x5A;
constexpr std::uint8_t kRecordEnd2 = 0xA5;
constexpr int kRecordYear = 2;
constexpr int kRecordMonth = 4;
constexpr int kRecordDay = 5;
constexpr int kRecordHour = 6;
constexpr int kRecordMinute = 7;
constexpr int kRecordSecond = 8;
constexpr int kRecordInterval = 9;
constexpr int kRecordFlags = 11;
constexpr int kRecordCount = 12;
constexpr int kRecordSamples = 14;
constexpr int kRecordOverhead = 16; // markers, date, interval, flags, count

struct DataSet
{
    double start = 0.0;     // date-time of the first sample
    int intervalSeconds = 0;
    int sampleCount = 0;
    QChar unit = QLatin1Char('C'); // 'C' or 'F'
    int recordOffset = 0;   // first byte of the record; samples at +14
    int recordEnd = 0;      // offset of the record's final 0xA5
};

// One whole download (or collection file): the memory image and its sets.
struct DataSetCollection
{
    QByteArray image;
    int bytesPerSample = 2; // 2 one channel, 4 two channels
    int lastAddress = 0;
    QVector<DataSet> sets;
};

inline int readU16(const QByteArray &image, int offset)
{
    return (static_cast<std::uint8_t>(image.at(offset)) << 8) | static_cast<std::uint8_t>(image.at(offset + 1));
}

inline std::uint8_t byteAt(const QByteArray &image, int offset)
{
    return static_cast<std::uint8_t>(image.at(offset));
}

} // namespace kv
