// Logger memory decoding: samples, records and their checks, the date-time
// correction, and the rows of the data set list. Images are built by the
// meter emulator's own encoder, so a misreading shows up here.

#include "common/DateTime.h"
#include "logger/DataSetDecoder.h"
#include "logger/DataSetStatistics.h"
#include "logger/SampleDecoding.h"

#include "LoggerMemory.h"
#include "support/ScriptedPrompt.h"

#include <QLocale>
#include <QtTest>

#include <cmath>

using namespace kv;
using kv::test::ScriptedPrompt;

namespace {

// A memory image as a download leaves it: byte 30 set by the program and
// 256 bytes beyond the last address.
QByteArray imageOf(int channels, const std::vector<emu::DataSetDesc> &sets)
{
    emu::Bytes m = emu::buildMemory(channels, sets);
    m.resize(emu::lastAddress(m) + 257, 0xFF);
    m[30] = static_cast<std::uint8_t>(channels * 2);
    return QByteArray(reinterpret_cast<const char *>(m.data()), static_cast<int>(m.size()));
}

emu::DataSetDesc set(int samples, double value = 20.0)
{
    emu::DataSetDesc s;
    s.year = 2026;
    s.month = 12;
    s.day = 8;
    s.hour = 10;
    s.minute = 15;
    s.second = 30;
    s.intervalSeconds = 5;
    s.channel1.assign(samples, value);
    s.channel2.assign(samples, value + 1);
    return s;
}

void put16(QByteArray &image, int at, int v)
{
    image[at] = char(v >> 8);
    image[at + 1] = char(v & 0xFF);
}

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void samples_data()
    {
        QTest::addColumn<int>("b0");
        QTest::addColumn<int>("b1");
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("overload");
        QTest::newRow("tenths 25.6") << 0x01 << 0x9A << 25.6f << 1 << false;
        QTest::newRow("negative tenths") << 0x81 << 0x9A << -25.6f << 1 << false;
        QTest::newRow("whole 200") << 0x40 << 0xC8 << 200.0f << 0 << false;
        QTest::newRow("whole 2500 overload") << 0x49 << 0xC4 << 2500.0f << 0 << true;
        QTest::newRow("whole 2499 valid") << 0x49 << 0xC3 << 2499.0f << 0 << false;
        QTest::newRow("-400.0 overload") << 0x99 << 0x00 << -400.0f << 1 << true;
        QTest::newRow("-399.9 valid") << 0x98 << 0xFF << -399.9f << 1 << false;
        QTest::newRow("zero") << 0x00 << 0x00 << 0.0f << 1 << false;
        QTest::newRow("largest tenths") << 0x3F << 0xFF << 1023.9f << 1 << false;
    }
    void samples()
    {
        QFETCH(int, b0);
        QFETCH(int, b1);
        const Sample s = DecodeSample(std::uint8_t(b0), std::uint8_t(b1));
        QTEST(s.value, "value");
        QTEST(s.decimals, "decimals");
        QTEST(s.overload, "overload");
    }

    void sixteenthsRoundToTenths()
    {
        const int expected[16] = {0, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 9};
        for (int f = 0; f < 16; ++f)
            QCOMPARE(DecodeSample(0x00, std::uint8_t(0x10 | f)).value, float((10 + expected[f]) / 10.0));
    }

    void oneSetOfOneSample()
    {
        ScriptedPrompt prompt;
        const QByteArray image = imageOf(1, {set(1)});
        QCOMPARE(readU16(image, kLastAddressOffset), 273);
        DecodeResult r = decodeImage(image, prompt);
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Decoded));
        QCOMPARE(r.collection->sets.size(), 1);
        const DataSet &s = r.collection->sets.at(0);
        QCOMPARE(s.sampleCount, 1);
        QCOMPARE(s.recordOffset, 256);
        QCOMPARE(s.recordEnd, 273);
        QCOMPARE(s.intervalSeconds, 5);
        QCOMPARE(s.unit, QLatin1Char('C'));
        QCOMPARE(s.start, encodeDate(2026, 12, 8) + encodeTime(10, 15, 30));
        QCOMPARE(r.collection->bytesPerSample, 2);
        QCOMPARE(r.collection->lastAddress, 273);
        QCOMPARE(r.collection->image, image);
        QCOMPARE(prompt.messageCount(), 0);
    }

    void recordsBackToBackAndTwoChannels()
    {
        ScriptedPrompt prompt;
        emu::DataSetDesc second = set(3);
        second.celsius = false;
        DecodeResult r = decodeImage(imageOf(2, {set(2), second}), prompt);
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Decoded));
        const auto &sets = r.collection->sets;
        QCOMPARE(sets.size(), 2);
        QCOMPARE(r.collection->bytesPerSample, 4);
        QCOMPARE(sets[0].recordEnd - sets[0].recordOffset + 1, 16 + 2 * 4);
        QCOMPARE(sets[1].recordOffset, sets[0].recordEnd + 1);
        QCOMPARE(sets[1].recordEnd - sets[1].recordOffset + 1, 28); // 3 two-channel samples
        QCOMPARE(sets[1].unit, QLatin1Char('F'));
    }

    void unitFlag()
    {
        ScriptedPrompt prompt;
        QByteArray image = imageOf(1, {set(1)});
        image[256 + kRecordFlags] = 0x03;
        QCOMPARE(decodeImage(image, prompt).collection->sets[0].unit, QLatin1Char('C'));
        image[256 + kRecordFlags] = 0x02;
        QCOMPARE(decodeImage(image, prompt).collection->sets[0].unit, QLatin1Char('F'));
    }

    void badSetCountIsSilent()
    {
        for (int count : {0, 4001, 65535}) {
            ScriptedPrompt prompt;
            QByteArray image = imageOf(1, {set(1)});
            put16(image, kSetCountOffset, count);
            std::unique_ptr<DataSetCollection> current;
            QVERIFY(!DecodeDataSets(image, prompt, current));
            QVERIFY(!current);
            QCOMPARE(prompt.messageCount(), 0);
        }
    }

    void damagedRecordsAreReadErrors_data()
    {
        QTest::addColumn<QByteArray>("image");
        const QByteArray good = imageOf(1, {set(2), set(3)});
        const int end1 = 256 + 16 + 2 * 2 - 1;
        auto poke = [&](int at, int v) {
            QByteArray b = good;
            b[at] = char(v);
            return b;
        };
        QTest::newRow("start marker 1") << poke(256, 0xA4);
        QTest::newRow("start marker 2") << poke(257, 0x5B);
        QTest::newRow("end marker 5A 5A") << poke(end1, 0x5A);
        QTest::newRow("end marker first byte") << poke(end1 - 1, 0xA5);
        QTest::newRow("second record damaged") << poke(end1 + 1, 0x00);
        QByteArray shortLast = good;
        put16(shortLast, kLastAddressOffset, readU16(good, kLastAddressOffset) - 1);
        QTest::newRow("record ends past last address") << shortLast;
        QTest::newRow("image cut inside a record") << good.left(end1 + 10);
        QTest::newRow("image cut before the count") << good.left(end1 + 12);
        QTest::newRow("shorter than the header") << good.left(200);
        QTest::newRow("empty image") << QByteArray();
        QByteArray huge = good;
        put16(huge, 256 + kRecordCount, 65535);
        QTest::newRow("count runs off the image") << huge;
        QTest::newRow("bytes per sample 3") << poke(30, 3);
        QTest::newRow("bytes per sample 0") << poke(30, 0);
        QTest::newRow("bytes per sample -2") << poke(30, 0xFE);
    }
    void damagedRecordsAreReadErrors()
    {
        QFETCH(QByteArray, image);
        ScriptedPrompt prompt;
        auto current = std::make_unique<DataSetCollection>();
        current->lastAddress = 4242; // the collection shown so far
        QVERIFY(!DecodeDataSets(image, prompt, current));
        QCOMPARE(prompt.informations, QStringList{readErrorText()});
        QVERIFY(current);
        QCOMPARE(current->lastAddress, 4242);
    }

    void readErrorTextIsExact()
    {
        const QString t = readErrorText();
        QVERIFY(t.contains(QStringLiteral("please     make sure")));
        QVERIFY(t.contains(QStringLiteral("is on and  \tmeter is not recording")));
        QVERIFY(t.startsWith(QStringLiteral("There was error when reading data from meter,")));
        QVERIFY(t.endsWith(QStringLiteral("then try again.")));
    }

    void successReplacesCollection()
    {
        ScriptedPrompt prompt;
        auto current = std::make_unique<DataSetCollection>();
        current->lastAddress = 4242;
        QVERIFY(DecodeDataSets(imageOf(1, {set(4)}), prompt, current));
        QCOMPARE(current->lastAddress, 256 + 16 + 8 - 1);
    }

    void impossibleDateIsCorrected()
    {
        emu::DataSetDesc s = set(1);
        s.year = 2008;
        s.month = 2;
        s.day = 30;
        ScriptedPrompt prompt;
        prompt.dateTimeAnswers.enqueue({QStringLiteral("2008"), QStringLiteral("2"), QStringLiteral("29"),
                                        QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("30")});
        const QByteArray image = imageOf(1, {set(1), s});
        DecodeResult r = decodeImage(image, prompt);
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Decoded));
        QCOMPARE(prompt.dateTimeAsked.size(), 1);
        const DateTimeFields asked = {QStringLiteral("2008"), QStringLiteral("2"), QStringLiteral("30"),
                                      QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("30")};
        QCOMPARE(prompt.dateTimeAsked.at(0), asked);
        QCOMPARE(r.collection->sets[1].start, encodeDate(2008, 2, 29) + encodeTime(10, 15, 30));
        // The image keeps the bytes as recorded.
        QCOMPARE(r.collection->image, image);
    }

    void impossibleTimesAsk_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::newRow("month 0") << 0 << 10 << 0 << 0;
        QTest::newRow("month 13") << 13 << 10 << 0 << 0;
        QTest::newRow("hour 24") << 5 << 24 << 0 << 0;
        QTest::newRow("minute 60") << 5 << 10 << 60 << 0;
        QTest::newRow("second 60") << 5 << 10 << 0 << 60;
    }
    void impossibleTimesAsk()
    {
        emu::DataSetDesc s = set(1);
        QFETCH(int, month);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        s.month = month;
        s.hour = hour;
        s.minute = minute;
        s.second = second;
        ScriptedPrompt prompt; // answers by leaving the values as they were
        std::unique_ptr<DataSetCollection> current;
        QVERIFY(!DecodeDataSets(imageOf(1, {s}), prompt, current));
        QCOMPARE(prompt.dateTimeAsked.size(), 1);
        QCOMPARE(prompt.errors.size(), 1);
        QVERIFY(prompt.errors.at(0).contains(QStringLiteral("not a valid date and time")));
        QVERIFY(!current);
    }

    void correctionWithTextIsAbandoned()
    {
        emu::DataSetDesc s = set(1);
        s.year = 0;
        ScriptedPrompt prompt;
        prompt.dateTimeAnswers.enqueue({QStringLiteral("two"), QStringLiteral("1"), QStringLiteral("1"),
                                        QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        std::unique_ptr<DataSetCollection> current;
        QVERIFY(!DecodeDataSets(imageOf(1, {s}), prompt, current));
        QCOMPARE(prompt.errors.size(), 1);
        QVERIFY(prompt.errors.at(0).contains(QStringLiteral("'two' is not a valid integer value")));
        QVERIFY(prompt.informations.isEmpty());
    }

    void oneCorrectionPerInvalidSet()
    {
        emu::DataSetDesc a = set(1), b = set(1);
        a.day = 32;
        b.hour = 25;
        ScriptedPrompt prompt;
        prompt.dateTimeAnswers.enqueue({QStringLiteral("2026"), QStringLiteral("12"), QStringLiteral("31"),
                                        QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("30")});
        prompt.dateTimeAnswers.enqueue({QStringLiteral("2026"), QStringLiteral("12"), QStringLiteral("8"),
                                        QStringLiteral("23"), QStringLiteral("15"), QStringLiteral("30")});
        QCOMPARE(int(decodeImage(imageOf(1, {a, set(1), b}), prompt).outcome), int(DecodeOutcome::Decoded));
        QCOMPARE(prompt.dateTimeAsked.size(), 2);
    }

    void correctionCallback()
    {
        // Without a prompt the decoder only asks its callback and shows
        // nothing; what to tell the user comes back in the result.
        emu::DataSetDesc s = set(1);
        s.month = 13;
        const QByteArray image = imageOf(1, {s});
        QVector<StartDateTime> asked;
        DecodeResult r = decodeImage(image, [&](const StartDateTime &bad) {
            asked << bad;
            return DateTimeCorrection::abandoned();
        });
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Abandoned));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.at(0) == (StartDateTime{2026, 13, 8, 10, 15, 30}));
        QVERIFY(r.message.startsWith(QStringLiteral("The start date and time of data set 1 could not be corrected")));

        // An answer that is still impossible is not taken.
        r = decodeImage(image, [](const StartDateTime &) { return DateTimeCorrection::corrected({2026, 2, 29, 0, 0, 0}); });
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Abandoned));
        QVERIFY(r.message.startsWith(QStringLiteral("2026-2-29 0:00:00 is not a valid date and time.")));
        QCOMPARE(int(decodeImage(image, CorrectStartDateTime{}).outcome), int(DecodeOutcome::Abandoned));

        QByteArray damaged = imageOf(1, {set(1)});
        damaged[256] = 0;
        r = decodeImage(damaged, CorrectStartDateTime{});
        QCOMPARE(int(r.outcome), int(DecodeOutcome::ReadError));
        QCOMPARE(r.message, readErrorText());
    }

    void intervals()
    {
        QCOMPARE(intervalText(0), QStringLiteral("00:00"));
        QCOMPARE(intervalText(5), QStringLiteral("00:05"));
        QCOMPARE(intervalText(90), QStringLiteral("01:30"));
        QCOMPARE(intervalText(65535), QStringLiteral("1092:15"));
    }

    void listRows()
    {
        ScriptedPrompt prompt;
        emu::DataSetDesc second = set(7);
        second.intervalSeconds = 90;
        second.hour = 14;
        second.minute = 3;
        second.second = 10;
        DecodeResult r = decodeImage(imageOf(2, {set(1), second}), prompt);
        const auto rows = dataSetListRows(*r.collection);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], (QStringList{"1", "12/8/26", "10:15:30 AM", "00:05", "1"}));
        QCOMPARE(rows[1], (QStringList{"2", "12/8/26", "2:03:10 PM", "01:30", "7"}));
    }

    // Worked by hand: T1 20.0, 22.5, OL, 25.5, 30.0 -> four readings, mean
    // 24.5, deviations -4.5, -2, 1, 5.5, squares 20.25 + 4 + 1 + 30.25 = 55.5,
    // sample variance 55.5 / 3 = 18.5. T2 all overloads: no figures.
    void statisticsAgainstHandWorkedSet()
    {
        ScriptedPrompt prompt;
        emu::DataSetDesc d = set(5);
        d.intervalSeconds = 90;
        d.channel1 = {20.0, 22.5, std::nan(""), 25.5, 30.0};
        d.channel2.assign(5, std::nan(""));
        DecodeResult r = decodeImage(imageOf(2, {set(3), d}), prompt);
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Decoded));
        const DataSetStatistics s = dataSetStatistics(*r.collection, 1);
        QCOMPARE(s.channels, 2);
        QCOMPARE(s.channel[0].count, 4);
        QCOMPARE(s.channel[0].mean, 24.5);
        QVERIFY(std::fabs(s.channel[0].stdDev - std::sqrt(18.5)) < 1e-12);
        QCOMPARE(s.channel[0].max, 30.0);
        QCOMPARE(s.channel[0].min, 20.0);
        QVERIFY(!s.channel[1].any());
        QCOMPARE(s.start, encodeDate(2026, 12, 8) + encodeTime(10, 15, 30));
        QCOMPARE(s.durationSeconds, 360.0); // four intervals from the first reading to the last
        QVERIFY(std::fabs(s.end - (encodeDate(2026, 12, 8) + encodeTime(10, 21, 30))) < 1e-9);
        QCOMPARE(durationText(s.durationSeconds), QStringLiteral("00:06:00"));
        QCOMPARE(durationText(2 * 86400 + 3 * 3600 + 4 * 60 + 5), QStringLiteral("2 d 03:04:05"));

        // One reading: no spread, no duration; the first set is untouched by
        // the second's readings.
        const DataSetStatistics one = dataSetStatistics(*r.collection, 0, 1);
        QCOMPARE(one.channels, 1);
        QCOMPARE(one.channel[0].count, 3);
        QCOMPARE(one.channel[0].mean, 20.0);
        QCOMPARE(one.channel[0].stdDev, 0.0);
        QCOMPARE(dataSetStatistics(*r.collection, 7).channel[0].count, 0);
    }

    // Many nearly equal readings far from zero: a sum of squares would
    // cancel to nonsense; the running update keeps the spread.
    void statisticsStayAccurateFarFromZero()
    {
        RunningStatistics run;
        for (int i = 0; i < 100000; ++i)
            run.add(1e9 + (i % 2 ? 0.5 : -0.5));
        const ChannelStatistics c = run.result();
        QVERIFY(std::fabs(c.mean - 1e9) < 1e-6);
        QVERIFY(std::fabs(c.stdDev - 0.5) < 1e-4);
    }

    void largestImage()
    {
        // Memory filled up to the last address 65535.
        std::vector<emu::DataSetDesc> sets;
        emu::Bytes m = emu::buildMemory(2, {});
        while (emu::appendRecord(m, 2, set(1000)))
            ;
        emu::DataSetDesc rest = set(0);
        const int room = 65535 - emu::lastAddress(m) - 16;
        rest.channel1.assign(room / 4, 1.0);
        rest.channel2.assign(room / 4, 2.0);
        QVERIFY(emu::appendRecord(m, 2, rest));
        m.resize(emu::lastAddress(m) + 257, 0xFF);
        m[30] = 4;
        ScriptedPrompt prompt;
        DecodeResult r = decodeImage(QByteArray(reinterpret_cast<const char *>(m.data()), int(m.size())), prompt);
        QCOMPARE(int(r.outcome), int(DecodeOutcome::Decoded));
        QCOMPARE(r.collection->sets.last().recordEnd, emu::lastAddress(m));
        QVERIFY(r.collection->lastAddress > 65500);
    }
};

QTEST_GUILESS_MAIN(TestLogger)
#include "tst_logger.moc"
