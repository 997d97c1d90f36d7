#include "logger/DataSetDecoder.h"

#include "common/Bcd.h"
#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/Prompt.h"

namespace kv {

QString readErrorText()
{
    return QStringLiteral("There was error when reading data from meter, please     make sure meter is "
                          "connected well and power of meter is on and  \tmeter is not recording, then "
                          "try again.");
}

void ShowReadError(Prompt &prompt)
{
    prompt.information(readErrorText());
}

namespace {

struct RecordTime
{
    int year, month, day, hour, minute, second;
    bool valid() const { return isValidDate(year, month, day) && isValidTime(hour, minute, second); }
    double toDateTime() const { return encodeDate(year, month, day) + encodeTime(hour, minute, second); }
    QString text() const
    {
        return QStringLiteral("%1-%2-%3 %4:%5:%6")
            .arg(year)
            .arg(month)
            .arg(day)
            .arg(hour)
            .arg(minute, 2, 10, QLatin1Char('0'))
            .arg(second, 2, 10, QLatin1Char('0'));
    }
};

RecordTime readRecordTime(const QByteArray &image, int p)
{
    RecordTime t;
    t.year = bcd4ToInt(byteAt(image, p + kRecordYear), byteAt(image, p + kRecordYear + 1));
    t.month = bcdToInt(byteAt(image, p + kRecordMonth));
    t.day = bcdToInt(byteAt(image, p + kRecordDay));
    t.hour = bcdToInt(byteAt(image, p + kRecordHour));
    t.minute = bcdToInt(byteAt(image, p + kRecordMinute));
    t.second = bcdToInt(byteAt(image, p + kRecordSecond));
    return t;
}

// Asks the user for a possible date and time; false (with the error shown)
// when the answer is still impossible or not made of whole numbers.
bool correctRecordTime(RecordTime &t, int setNumber, Prompt &prompt)
{
    const DateTimeFields initial = {QString::number(t.year),   QString::number(t.month),
                                    QString::number(t.day),    QString::number(t.hour),
                                    QString::number(t.minute), QString::number(t.second)};
    const DateTimeFields answer = prompt.correctDateTime(initial);
    int values[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        values[i] = parseInteger(answer[i], &ok);
        if (!ok) {
            prompt.error(QStringLiteral("'%1' is not a valid integer value. The start date and time of data "
                                        "set %2 could not be corrected; no data sets were loaded.")
                             .arg(answer[i])
                             .arg(setNumber));
            return false;
        }
    }
    t = {values[0], values[1], values[2], values[3], values[4], values[5]};
    if (!t.valid()) {
        prompt.error(QStringLiteral("%1 is not a valid date and time. The start date and time of data set %2 "
                                    "could not be corrected; no data sets were loaded.")
                         .arg(t.text())
                         .arg(setNumber));
        return false;
    }
    return true;
}

DecodeResult readError(Prompt &prompt)
{
    ShowReadError(prompt);
    return {DecodeOutcome::ReadError, nullptr};
}

} // namespace

DecodeResult decodeImage(QByteArray image, Prompt &prompt)
{
    if (image.size() < kHeaderSize)
        return readError(prompt);

    const int count = readU16(image, kSetCountOffset);
    const int bytesPerSample = static_cast<std::int8_t>(byteAt(image, kBytesPerSampleOffset));
    const int lastAddress = readU16(image, kLastAddressOffset);

    if (count < 1 || count > kMaxSetCount)
        return {DecodeOutcome::BadSetCount, nullptr};
    // Any other sample size cannot be walked; treat it as a damaged image.
    if (bytesPerSample != 2 && bytesPerSample != 4)
        return readError(prompt);

    auto collection = std::make_unique<DataSetCollection>();
    collection->bytesPerSample = bytesPerSample;
    collection->lastAddress = lastAddress;
    collection->sets.reserve(count);

    const int imageLast = image.size() - 1;
    int p = kHeaderSize;
    for (int i = 0; i < count; ++i) {
        if (p + kRecordCount + 1 > imageLast)
            return readError(prompt);
        const int n = readU16(image, p + kRecordCount);
        const int end = p + kRecordOverhead - 1 + n * bytesPerSample;
        if (byteAt(image, p) != kRecordStart1 || byteAt(image, p + 1) != kRecordStart2 || end > lastAddress
            || end > imageLast || byteAt(image, end - 1) != kRecordEnd1 || byteAt(image, end) != kRecordEnd2)
            return readError(prompt);

        RecordTime t = readRecordTime(image, p);
        if (!t.valid() && !correctRecordTime(t, i + 1, prompt))
            return {DecodeOutcome::Abandoned, nullptr};

        DataSet set;
        set.start = t.toDateTime();
        set.unit = (byteAt(image, p + kRecordFlags) & 0x01) ? QLatin1Char('C') : QLatin1Char('F');
        set.intervalSeconds = readU16(image, p + kRecordInterval);
        set.sampleCount = n;
        set.recordOffset = p;
        set.recordEnd = end;
        collection->sets.append(set);
        p = end + 1;
    }
    collection->image = std::move(image);
    return {DecodeOutcome::Decoded, std::move(collection)};
}

bool DecodeDataSets(QByteArray image, Prompt &prompt, std::unique_ptr<DataSetCollection> &current)
{
    DecodeResult r = decodeImage(std::move(image), prompt);
    if (r.outcome != DecodeOutcome::Decoded)
        return false;
    current = std::move(r.collection);
    return true;
}

QString intervalText(int seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QVector<QStringList> dataSetListRows(const DataSetCollection &collection)
{
    QVector<QStringList> rows;
    rows.reserve(collection.sets.size());
    for (int i = 0; i < collection.sets.size(); ++i) {
        const DataSet &s = collection.sets.at(i);
        rows.append({QString::number(i + 1), shortDateText(s.start), longTimeText(s.start),
                     intervalText(s.intervalSeconds), QString::number(s.sampleCount)});
    }
    return rows;
}

} // namespace kv
