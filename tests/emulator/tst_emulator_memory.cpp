// The emulator's built-in logger memories, read back byte by byte from the
// meter's layout by this test's own walker (not the program's decoder), so
// a misreading on either side shows up here.

#include "LoggerMemory.h"
#include "MeterEmulator.h"
#include "support/BuildPaths.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

struct Record
{
    int offset = 0, end = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int interval = 0;
    bool celsius = false;
    std::vector<double> ch1, ch2; // NaN for an overload
};

struct Walk
{
    int sets = 0, last = 0;
    std::vector<Record> records;
    QString problem;
};

int u16(const emu::Bytes &m, int at)
{
    return m[at] << 8 | m[at + 1];
}

// Two BCD digits; -1 when a nibble is not a digit.
int bcd(std::uint8_t b)
{
    return (b >> 4) > 9 || (b & 15) > 9 ? -1 : (b >> 4) * 10 + (b & 15);
}

// Sixteenths of a degree, or whole degrees with bit 6; overload from 2500
// up and from -400 down.
double sample(std::uint8_t b0, std::uint8_t b1)
{
    const double mag = (b0 & 0x40) ? (b0 & 0x3F) * 256 + b1 : (b0 & 0x3F) * 16 + (b1 >> 4) + (b1 & 15) / 16.0;
    const double v = (b0 & 0x80) ? -mag : mag;
    return v >= 2500 || v <= -400 ? NAN : v;
}

Walk walk(const emu::Bytes &m, int channels)
{
    Walk w;
    const int b = 2 * channels;
    if (m.size() < 256) {
        w.problem = QStringLiteral("no header");
        return w;
    }
    w.sets = u16(m, 9);
    w.last = u16(m, 11);
    if (int(m.size()) < w.last + 1) {
        w.problem = QStringLiteral("memory ends before its last address");
        return w;
    }
    int p = 256;
    for (int i = 0; i < w.sets; ++i) {
        if (p + 13 > w.last) {
            w.problem = QStringLiteral("record %1 starts past the last address").arg(i);
            return w;
        }
        Record r;
        r.offset = p;
        const int n = u16(m, p + 12);
        r.end = p + 15 + n * b;
        if (m[p] != 0xA5 || m[p + 1] != 0x5A || r.end > w.last || m[r.end - 1] != 0x5A || m[r.end] != 0xA5) {
            w.problem = QStringLiteral("record %1 at %2 is not framed").arg(i).arg(p);
            return w;
        }
        r.year = bcd(m[p + 2]) * 100 + bcd(m[p + 3]);
        r.month = bcd(m[p + 4]);
        r.day = bcd(m[p + 5]);
        r.hour = bcd(m[p + 6]);
        r.minute = bcd(m[p + 7]);
        r.second = bcd(m[p + 8]);
        r.interval = u16(m, p + 9);
        r.celsius = m[p + 11] & 1;
        for (int k = 0; k < n; ++k) {
            const int s = p + 14 + k * b;
            r.ch1.push_back(sample(m[s], m[s + 1]));
            if (channels == 2)
                r.ch2.push_back(sample(m[s + 2], m[s + 3]));
        }
        w.records.push_back(r);
        p = r.end + 1;
    }
    if (p - 1 != w.last)
        w.problem = QStringLiteral("the records end at %1, the last address is %2").arg(p - 1).arg(w.last);
    return w;
}

bool valid(const Record &r)
{
    const QDate d(r.year, r.month, r.day);
    return d.isValid() && QTime(r.hour, r.minute, r.second).isValid();
}

QDateTime lastSampleTime(const Record &r)
{
    return QDateTime(QDate(r.year, r.month, r.day), QTime(r.hour, r.minute, r.second), Qt::UTC)
        .addSecs(qint64(r.interval) * (qint64(r.ch1.size()) - 1));
}

int overloads(const std::vector<double> &v)
{
    return int(std::count_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }));
}

} // namespace

class TestEmulatorMemory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyKindFollowsTheLayout_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("sets"); // -1: more than one
        QTest::addColumn<int>("last"); // 0: anywhere
        for (int channels : {1, 2}) {
            const QByteArray c = QByteArray::number(channels);
            QTest::newRow("demo " + c) << "demo" << channels << 4 << 0;
            QTest::newRow("full " + c) << "full" << channels << -1 << 65535;
            QTest::newRow("branches " + c) << "branches" << channels << 9 << 0;
            QTest::newRow("bad-date " + c) << "bad-date" << channels << 4 << 0;
            QTest::newRow("many-sets " + c) << "many-sets" << channels << 4000 << 65535;
            QTest::newRow("empty " + c) << "empty" << channels << 0 << 255;
        }
    }
    void everyKindFollowsTheLayout()
    {
        QFETCH(QString, kind);
        QFETCH(int, channels);
        QFETCH(int, sets);
        QFETCH(int, last);
        emu::MemoryKind k;
        QVERIFY(emu::parseMemoryKind(kind.toStdString(), k));
        const emu::Bytes m = emu::buildMemoryOfKind(k, channels);
        const Walk w = walk(m, channels);
        QVERIFY2(w.problem.isEmpty(), qPrintable(w.problem));
        QCOMPARE(int(w.records.size()), w.sets);
        if (sets >= 0)
            QCOMPARE(w.sets, sets);
        else
            QVERIFY(w.sets > 1);
        if (last)
            QCOMPARE(w.last, last);
        QVERIFY(w.sets <= 4000);
        // The meter keeps its own byte 30; the program sets it after a download.
        QCOMPARE(int(m[30]), 0);
        if (kind != QLatin1String("bad-date"))
            for (const Record &r : w.records)
                QVERIFY2(valid(r), qPrintable(QStringLiteral("record at %1").arg(r.offset)));
    }

    void unknownKindIsRefused()
    {
        emu::MemoryKind k = emu::MemoryKind::Full;
        QVERIFY(!emu::parseMemoryKind("Demo", k));
        QVERIFY(!emu::parseMemoryKind("", k));
        QCOMPARE(int(k), int(emu::MemoryKind::Full));
    }

    void demoLooksLikeRecordings_data()
    {
        QTest::addColumn<int>("channels");
        QTest::newRow("481") << 1;
        QTest::newRow("482") << 2;
    }
    void demoLooksLikeRecordings()
    {
        QFETCH(int, channels);
        const Walk w = walk(emu::buildMemoryOfKind(emu::MemoryKind::Demo, channels), channels);
        QVERIFY2(w.problem.isEmpty(), qPrintable(w.problem));
        const Record &coffee = w.records[0], &oven = w.records[1], &bath = w.records[2], &fridge = w.records[3];
        for (const Record &r : w.records)
            QCOMPARE(r.ch2.size(), channels == 2 ? r.ch1.size() : 0);

        // Coffee: hot once the probe is in, then down towards the room,
        // quickly at first and slowly at the end.
        QVERIFY(coffee.ch1[0] < 30);
        QVERIFY(coffee.ch1[2] > 80);
        const double firstDrop = coffee.ch1[2] - coffee.ch1[52];
        const double lastDrop = coffee.ch1[coffee.ch1.size() - 51] - coffee.ch1.back();
        QVERIFY2(firstDrop > 3 * lastDrop, qPrintable(QStringLiteral("%1 %2").arg(firstDrop).arg(lastDrop)));
        QVERIFY(coffee.ch1.back() > 22 && coffee.ch1.back() < 30);

        // Oven: from the kitchen's temperature up to about 180 and staying.
        QVERIFY(oven.ch1.front() < 30);
        for (std::size_t i = oven.ch1.size() - 100; i < oven.ch1.size(); ++i)
            QVERIFY(oven.ch1[i] > 170 && oven.ch1[i] < 190);

        // One stretch of overloads on the first channel only.
        QVERIFY(overloads(bath.ch1) >= 10);
        const auto first = std::find_if(bath.ch1.begin(), bath.ch1.end(), [](double x) { return std::isnan(x); });
        QVERIFY(std::all_of(first, first + overloads(bath.ch1), [](double x) { return std::isnan(x); }));
        QCOMPARE(overloads(bath.ch2), 0);
        for (const Record &r : {coffee, oven, fridge})
            QCOMPARE(overloads(r.ch1) + overloads(r.ch2), 0);

        // The fridge runs through the night in Fahrenheit.
        QVERIFY(coffee.celsius && oven.celsius && bath.celsius);
        QVERIFY(!fridge.celsius);
        QVERIFY(lastSampleTime(fridge).date() > QDate(fridge.year, fridge.month, fridge.day));
    }

    void branchesCoverTheDecodingCases_data()
    {
        demoLooksLikeRecordings_data();
    }
    void branchesCoverTheDecodingCases()
    {
        QFETCH(int, channels);
        const emu::Bytes m = emu::buildMemoryOfKind(emu::MemoryKind::Branches, channels);
        const Walk w = walk(m, channels);
        QVERIFY2(w.problem.isEmpty(), qPrintable(w.problem));
        const int b = 2 * channels;
        std::set<std::size_t> counts;
        bool allOverload = false, tiedMax = false, tiedMin = false, fahrenheit = false, midnight = false;
        bool wholeDegrees = false, lowestValid = false, highestValid = false, interval0 = false, intervalMax = false;
        for (const Record &r : w.records) {
            QCOMPARE(r.end - r.offset + 1, 16 + int(r.ch1.size()) * b);
            counts.insert(r.ch1.size());
            allOverload |= overloads(r.ch1) == int(r.ch1.size()) && overloads(r.ch2) == int(r.ch2.size());
            std::vector<double> v;
            std::copy_if(r.ch1.begin(), r.ch1.end(), std::back_inserter(v), [](double x) { return !std::isnan(x); });
            if (v.size() > 2) {
                const double hi = *std::max_element(v.begin(), v.end());
                const double lo = *std::min_element(v.begin(), v.end());
                tiedMax |= hi != lo && std::count(v.begin(), v.end(), hi) > 1;
                tiedMin |= hi != lo && std::count(v.begin(), v.end(), lo) > 1;
            }
            fahrenheit |= !r.celsius;
            midnight |= lastSampleTime(r).date() > QDate(r.year, r.month, r.day);
            for (double x : r.ch1) {
                wholeDegrees |= x > 1023;
                highestValid |= x == 2499;
            }
            for (double x : (channels == 2 ? r.ch2 : r.ch1))
                lowestValid |= std::abs(x - -399.9) < 0.07;
            interval0 |= r.interval == 0;
            intervalMax |= r.interval == 65535;
        }
        QVERIFY(counts.count(1) && counts.count(2) && counts.count(3));
        QVERIFY(allOverload);
        QVERIFY(tiedMax);
        QVERIFY(tiedMin);
        QVERIFY(fahrenheit);
        QVERIFY(midnight);
        QVERIFY(wholeDegrees);
        QVERIFY(highestValid);
        if (channels == 2)
            QVERIFY(lowestValid);
        QVERIFY(interval0 && intervalMax);
        // An overload is sent as whole-degree 2500.
        const Record &ol = w.records[3];
        QCOMPARE(int(m[ol.offset + 14]), 0x49);
        QCOMPARE(int(m[ol.offset + 15]), 0xC4);
    }

    void impossibleStartDates()
    {
        const Walk w = walk(emu::buildMemoryOfKind(emu::MemoryKind::BadDate, 1), 1);
        QVERIFY2(w.problem.isEmpty(), qPrintable(w.problem));
        QVector<bool> ok;
        for (const Record &r : w.records)
            ok << valid(r);
        QCOMPARE(ok, (QVector<bool>{false, false, true, false}));
        QCOMPARE(QVector<int>({w.records[0].year, w.records[0].month, w.records[0].day}),
                 QVector<int>({2008, 2, 30}));
        QCOMPARE(w.records[1].hour, 24);
        QCOMPARE(w.records[3].month, 13);
        QCOMPARE(w.records[3].minute, 60);
    }

    void fullMemoryServedInEveryBlock()
    {
        // 255 blocks after the header; then the download is over and "R"
        // is the one-channel meter's relative key again.
        emu::Options o;
        o.model = 481;
        o.memoryKind = emu::MemoryKind::Full;
        emu::MeterEmulator meter(o);
        const emu::Bytes memory = meter.memory();
        emu::Bytes served = meter.answer('P');
        QCOMPARE(int(served.size()), 256);
        int blocks = 0;
        while (meter.state().downloading) {
            const emu::Bytes block = meter.answer('R');
            QCOMPARE(int(block.size()), 256);
            served.insert(served.end(), block.begin(), block.end());
            QVERIFY(++blocks <= 255);
        }
        QCOMPARE(blocks, 255);
        QVERIFY(served == memory);
        QVERIFY(!meter.state().relative);
        meter.answer('R');
        QVERIFY(meter.state().relative);
    }

    void writtenAsACollectionFile()
    {
        // From the shell: the memory as the program saves a download, and
        // read back by --memory.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("branches.rec"));
        QProcess p;
        p.start(kv::test::emulatorProgram(), {QStringLiteral("--model"), QStringLiteral("482"),
                                              QStringLiteral("--memory-kind"), QStringLiteral("branches"),
                                              QStringLiteral("--write-memory"), path});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 0);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray file = f.readAll();
        const emu::Bytes memory = emu::buildMemoryOfKind(emu::MemoryKind::Branches, 2);
        const int last = emu::lastAddress(memory);
        QCOMPARE(file.size(), last + 257);
        QCOMPARE(int(file[30]), 4);
        for (int i = 0; i <= last; ++i)
            if (i != 30)
                QCOMPARE(quint8(file[i]), memory[i]);
        QCOMPARE(file.mid(last + 1), QByteArray(256, '\0'));

        std::string error;
        const emu::Bytes loaded = emu::loadMemoryFile(path.toStdString(), &error);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(loaded.data()), int(loaded.size())), file);

        QProcess bad;
        bad.start(kv::test::emulatorProgram(), {QStringLiteral("--memory-kind"), QStringLiteral("huge")});
        QVERIFY(bad.waitForFinished(5000));
        QCOMPARE(bad.exitCode(), 2);
        QVERIFY(bad.readAllStandardError().contains("demo|full|branches"));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorMemory)
#include "tst_emulator_memory.moc"
