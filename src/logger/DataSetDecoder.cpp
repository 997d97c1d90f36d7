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

StartDateTime readRecordTime(const QByteArray &image, int p)
{
    StartDateTime t;
    t.year = bcd4ToInt(byteAt(image, p + kRecordYear), byteAt(image, p + kRecordYear + 1));
    t.month = bcdToInt(byteAt(image, p + kRecordMonth));
    t.day = bcdToInt(byteAt(image, p + kRecordDay));
    t.hour = bcdToInt(byteAt(image, p + kRecordHour));
    t.minute = bcdToInt(byteAt(image, p + kRecordMinute));
    t.second = bcdToInt(byteAt(image, p + kRecordSecond));
    return t;
}

namespace {

DecodeResult abandoned(const QString &reason, int setNumber)
{
    QString text = QStringLiteral("The start date and time of data set %1 could not be corrected; no data sets "
                                  "were loaded.")
                       .arg(setNumber);
    if (!reason.isEmpty())
        text.prepend(reason + QLatin1Char(' '));
    return {DecodeOutcome::Abandoned, nullptr, text};
}

DecodeResult readError()
{
    return {DecodeOutcome::ReadError, nullptr, readErrorText()};
}

} // namespace

DecodeResult decodeImage(QByteArray image, const CorrectStartDateTime &correct)
{
    if (image.size() < kHeaderSize)
        return readError();

    const int count = readU16(image, kSetCountOffset);
    const int bytesPerSample = static_cast<std::int8_t>(byteAt(image, kBytesPerSampleOffset));
    const int lastAddress = readU16(image, kLastAddressOffset);

    if (count < 1 || count > kMaxSetCount)
        return {DecodeOutcome::BadSetCount, nullptr, {}};
    // Any other sample size cannot be walked; treat it as a damaged image.
    if (bytesPerSample != 2 && bytesPerSample != 4)
        return readError();

    auto collection = std::make_unique<DataSetCollection>();
    collection->bytesPerSample = bytesPerSample;
    collection->lastAddress = lastAddress;
    collection->sets.reserve(count);

    const int imageLast = image.size() - 1;
    int p = kHeaderSize;
    for (int i = 0; i < count; ++i) {
        if (p + kRecordCount + 1 > imageLast)
            return readError();
        const int n = readU16(image, p + kRecordCount);
        const int end = p + kRecordOverhead - 1 + n * bytesPerSample;
        if (byteAt(image, p) != kRecordStart1 || byteAt(image, p + 1) != kRecordStart2 || end > lastAddress
            || end > imageLast || byteAt(image, end - 1) != kRecordEnd1 || byteAt(image, end) != kRecordEnd2)
            return readError();

        StartDateTime t = readRecordTime(image, p);
        if (!t.isValid()) {
            // One question per impossible start; the answer must be possible.
            const DateTimeCorrection answer = correct ? correct(t) : DateTimeCorrection::abandoned();
            if (answer.abandon)
                return abandoned(answer.reason, i + 1);
            if (!answer.value.isValid())
                return abandoned(QStringLiteral("%1 is not a valid date and time.").arg(answer.value.text()), i + 1);
            t = answer.value;
        }

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
    return {DecodeOutcome::Decoded, std::move(collection), {}};
}

void reportDecodeFailure(const DecodeResult &result, Prompt &prompt)
{
    if (result.outcome == DecodeOutcome::ReadError)
        ShowReadError(prompt);
    else if (result.outcome == DecodeOutcome::Abandoned)
        prompt.error(result.message);
}

DecodeResult decodeImage(QByteArray image, Prompt &prompt)
{
    DecodeResult r = decodeImage(std::move(image), correctionThrough(prompt));
    reportDecodeFailure(r, prompt);
    return r;
}

bool DecodeDataSets(QByteArray image, const CorrectStartDateTime &correct, Prompt &prompt,
                    std::unique_ptr<DataSetCollection> &current)
{
    DecodeResult r = decodeImage(std::move(image), correct);
    if (r.outcome != DecodeOutcome::Decoded) {
        reportDecodeFailure(r, prompt);
        return false;
    }
    current = std::move(r.collection);
    return true;
}

bool DecodeDataSets(QByteArray image, Prompt &prompt, std::unique_ptr<DataSetCollection> &current)
{
    return DecodeDataSets(std::move(image), correctionThrough(prompt), prompt, current);
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
