// The live recording over a scripted meter: samples every n ticks, Run and
// Stop across a lost link, readings that no frame confirmed, clear, and the
// real-time graph following the meter that answered.

#include "common/Clock.h"
#include "common/DateTime.h"
#include "files/TextDataSet.h"
#include "journal/RecordingJournal.h"
#include "link/MeterLink.h"
#include "session/RunEnvelope.h"
#include "views/Chart.h"
#include "views/GraphSetup.h"
#include "views/RealTimeRecorder.h"
#include "views/TfrmList.h"
#include "views/TfrmWholeRun.h"

#include "support/LinkRig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <QRandomGenerator>

#include <cmath>

using namespace kv;
using namespace kv::test;

namespace {

// The link rig with the live recorder and a real-time graph on top.
struct Rig : LinkRig
{
    QTemporaryDir dir;
    LiveRun run{link, clock};
    RealTimeRecorder recorder{run, clock};
    std::unique_ptr<Chart> chart = std::make_unique<Chart>();
    bool runEnabled = false;
    bool stopEnabled = false;

    explicit Rig(int model = 482, int graphModel = 482)
        : LinkRig(model)
    {
        link.setModel(graphModel);
        QObject::connect(&recorder, &RealTimeRecorder::controlsChanged, [this](bool run, bool stop) {
            runEnabled = run;
            stopEnabled = stop;
        });
        recorder.setupGraph(*chart, -10, 50, GraphTemplate::locate(dir.filePath(QStringLiteral("KV481"))), prompt);
    }
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void samplingEveryNthTick()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(5);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        rig.tick();
        QCOMPARE(samples.count(), 1); // the empty graph takes one at once
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QCOMPARE(samples.count(), 1);
        rig.tick();
        QCOMPARE(samples.count(), 2); // the fifth tick after it
        // The sample carries the tick's date-time.
        QCOMPARE(samples.last().at(0).value<LiveSample>().dateTime, rig.clock.now());
        QCOMPARE(rig.recorder.state().realTimePointCount, 2);
        QCOMPARE(rig.chart->xData(0, 1), rig.clock.now());
    }

    void samplesTakenFromUnchangedReading()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        QSignalSpy decoded(&rig.link, &MeterLink::frameDecoded);
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QCOMPARE(decoded.count(), 1);
        QCOMPARE(samples.count(), 3);
        // A graph that is closed keeps the point count where it is, and
        // with none every tick samples.
        rig.recorder.setSamplingRate(10);
        rig.chart.reset();
        rig.recorder.clear();
        rig.tick();
        rig.tick();
        QCOMPARE(samples.count(), 5);
        QCOMPARE(rig.recorder.state().realTimePointCount, 0);
    }

    void clockModeRecordsNothing()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        rig.answer(QByteArray::fromHex("02881020261208143503"));
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        rig.tick();
        rig.tick();
        QVERIFY(rig.link.reading().clockMode);
        QCOMPARE(samples.count(), 0);
        QCOMPARE(rig.recorder.sampleTickCount(), 0);
    }

    void controlsShowTheRecordingAcrossALostLink()
    {
        Rig rig;
        rig.connect();
        rig.recorder.run();
        QVERIFY(!rig.runEnabled && rig.stopEnabled);
        rig.goSilent();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());
        // Still recording, waiting for the meter: Stop stays offered.
        QVERIFY(rig.recorder.recording());
        QVERIFY(!rig.runEnabled && rig.stopEnabled);
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        rig.tick();
        QCOMPARE(samples.count(), 0); // nothing recorded while away
        rig.port.input = rig.meter.id();
        rig.tick();
        QVERIFY(rig.link.connected());
        QVERIFY(!rig.runEnabled && rig.stopEnabled);

        // Stopped while away: Run is offered then and once the meter is
        // back, and nothing more is recorded.
        rig.goSilent();
        for (int i = 0; i < 6; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());
        rig.recorder.stop();
        QVERIFY(rig.runEnabled && !rig.stopEnabled);
        rig.meter.silent = false;
        rig.port.input = rig.meter.id();
        rig.tick();
        QVERIFY(rig.link.connected());
        QVERIFY(rig.runEnabled && !rig.stopEnabled);
        const int before = samples.count();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QCOMPARE(samples.count(), before);
    }

    void silentMeterIsNotRecordedAsLive()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        rig.tick();
        rig.tick();
        QCOMPARE(samples.count(), 2);
        rig.goSilent();
        // The reading the last frame confirmed still counts for one tick;
        // after that the silent ticks record nothing until the link drops.
        rig.tick();
        QCOMPARE(samples.count(), 3);
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QVERIFY(rig.link.connected());
        QCOMPARE(samples.count(), 3);
        QCOMPARE(rig.recorder.state().realTimePointCount, 3);
        // Back again: the reconnecting tick has no frame yet, so recording
        // resumes with the first frame.
        rig.tick();
        QVERIFY(!rig.link.connected());
        rig.meter.silent = false;
        rig.port.input = rig.meter.id();
        rig.tick();
        QVERIFY(rig.link.connected());
        rig.tick(); // the first request after reconnecting goes out here
        QCOMPARE(samples.count(), 3);
        rig.tick();
        QCOMPARE(samples.count(), 4);
    }

    void keyPressCostsNoSample()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        rig.tick();
        for (int i = 0; i < 3; ++i) {
            rig.link.pressHold(); // the next request is skipped
            rig.tick();
            rig.tick();
        }
        QCOMPARE(samples.count(), 7);
    }

    void clearEmptiesAndRecordingGoesOn()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(3);
        rig.recorder.run();
        QSignalSpy samples(&rig.run, &LiveRun::sampleTaken);
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QCOMPARE(rig.recorder.state().realTimePointCount, 2);
        rig.clock.advanceMs(500);
        const double cleared = rig.clock.now();
        rig.recorder.clear();
        QCOMPARE(rig.recorder.state().realTimePointCount, 0);
        QCOMPARE(rig.chart->manualMinX(), cleared);
        QVERIFY(rig.recorder.recording());
        rig.tick(); // an empty graph samples at once
        QCOMPARE(samples.count(), 3);
        QCOMPARE(rig.recorder.state().realTimePointCount, 1);
    }

    void theJournalTakesEverySampleWhateverIsOpen_data()
    {
        QTest::addColumn<bool>("graph");
        QTest::addColumn<bool>("list");
        QTest::newRow("both open") << true << true;
        QTest::newRow("list closed") << true << false;
        QTest::newRow("graph closed") << false << true;
        QTest::newRow("both closed") << false << false;
    }

    void theJournalTakesEverySampleWhateverIsOpen()
    {
        QFETCH(bool, graph);
        QFETCH(bool, list);
        Rig rig;
        RecordingJournal journal(rig.dir.filePath(QStringLiteral("journals")), std::chrono::milliseconds(10));
        rig.run.setJournal(&journal);
        auto table = std::make_unique<TfrmList>([] { return 482; });
        rig.recorder.setList(list ? table.get() : nullptr);
        if (!graph)
            rig.chart.reset();
        rig.connect();
        rig.recorder.setSamplingRate(2);
        rig.recorder.run();
        for (int i = 0; i < 6; ++i)
            rig.tick();
        // A closed graph holds no points: every tick is a sample then.
        QCOMPARE(rig.run.rows().count(), graph ? 3 : 6);
        journal.waitWritten();
        QFile f(journal.currentPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size() - 1, rig.run.rows().count());
        for (int r = 0; r < rig.run.rows().count(); ++r) {
            const QStringList cells = rig.run.rows().cells(r);
            // A TXT row leaves out the row number.
            QCOMPARE(QString::fromLatin1(lines.at(r)).trimmed(), cells.mid(1).join(QLatin1Char('\t')).trimmed());
            if (list) // the list shows the same rows
                QCOMPARE(table->grid()->row(r + 1), cells);
        }
    }

    void graphKeepsTheUnitOfItsFirstSample()
    {
        // T1 23.4 and T2 21.0 in degrees C; then the meter's unit key:
        // 75.2 and 71.6 in degrees F, that is 24.0 and 22.0 C.
        const QByteArray celsius = QByteArray::fromHex("02800002340000021003");
        const QByteArray fahrenheit = QByteArray::fromHex("02000007520000071603");
        Rig rig;
        TfrmList list([] { return 482; });
        rig.recorder.setList(&list);
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        rig.answer(celsius);
        rig.tick();
        QCOMPARE(rig.chart->yData(0, 0), 23.4f);
        QCOMPARE(rig.recorder.graphUnit(), QStringLiteral("C"));
        QCOMPARE(rig.chart->look().yAxisLabel, QStringLiteral("Degree (\u00B0C)"));
        rig.answer(fahrenheit);
        rig.tick();
        QCOMPARE(rig.chart->yData(0, 1), 24.0f);
        QCOMPARE(rig.chart->yData(1, 1), 22.0f);
        QCOMPARE(rig.chart->look().yAxisLabel, QStringLiteral("Degree (\u00B0C)"));
        // The list keeps what the meter sent, with its unit.
        QCOMPARE(list.grid()->row(2).mid(3, 4), (QStringList{"75.2", "F", "71.6", "F"}));
        QCOMPARE(list.grid()->row(1).mid(3, 4), (QStringList{"23.4", "C", "21.0", "C"}));

        // After a clear the first sample decides again.
        rig.recorder.clear();
        QCOMPARE(rig.chart->look().yAxisLabel, QStringLiteral("Degree"));
        rig.tick();
        QCOMPARE(rig.chart->yData(0, 0), 75.2f);
        QCOMPARE(rig.recorder.graphUnit(), QStringLiteral("F"));
        QCOMPARE(rig.chart->look().yAxisLabel, QStringLiteral("Degree (\u00B0F)"));
        rig.answer(celsius);
        rig.tick();
        QCOMPARE(rig.chart->yData(0, 1), 74.12f);
        QCOMPARE(rig.chart->yData(1, 1), 69.8f);
    }

    void lineBreaksWhereNoReadingWasTaken()
    {
        Rig rig;
        rig.connect();
        rig.recorder.setSamplingRate(2);
        rig.recorder.run();
        const auto cells = [&] {
            QStringList out;
            for (int p = 0; p < rig.recorder.state().realTimePointCount; ++p) {
                const double t = (rig.chart->xData(0, p) - rig.chart->xData(0, 0)) * kSecondsPerDay;
                out << (std::isnan(rig.chart->yData(0, p)) ? QStringLiteral("break@%1") : QStringLiteral("%1"))
                           .arg(qRound(t));
            }
            return out.join(QLatin1Char(' '));
        };
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QCOMPARE(cells(), QStringLiteral("0 2 4"));
        // Lost and found again: the line breaks after the last reading.
        rig.goSilent();
        for (int i = 0; i < 6; ++i)
            rig.tick();
        QVERIFY(!rig.link.connected());
        rig.meter.silent = false;
        rig.port.input = rig.meter.id();
        for (int i = 0; i < 5; ++i)
            rig.tick();
        QCOMPARE(cells(), QStringLiteral("0 2 4 break@6 13 15"));
        // A longer interval chosen, then a shorter one: no reading was
        // missed, nothing breaks.
        rig.recorder.setSamplingRate(5);
        for (int i = 0; i < 5; ++i)
            rig.tick();
        rig.recorder.setSamplingRate(1);
        rig.tick();
        rig.tick();
        QCOMPARE(cells(), QStringLiteral("0 2 4 break@6 13 15 20 21 22"));
        // Stopped for a while and run again.
        rig.recorder.stop();
        for (int i = 0; i < 3; ++i)
            rig.tick();
        rig.recorder.run();
        rig.tick();
        QCOMPARE(cells(), QStringLiteral("0 2 4 break@6 13 15 20 21 22 break@23 26"));
    }

    void graphFollowsTheMeterFound_data()
    {
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("found");
        QTest::newRow("481 remembered, 482 found") << 481 << 482;
        QTest::newRow("482 remembered, 481 found") << 482 << 481;
    }
    void graphFollowsTheMeterFound()
    {
        QFETCH(int, remembered);
        QFETCH(int, found);
        Rig rig(found, remembered);
        QCOMPARE(rig.chart->subsets(), remembered == 481 ? 1 : 2);
        rig.chart->setManualY(-5, 120); // a Range chosen meanwhile stays
        rig.connect();
        QCOMPARE(rig.chart->subsets(), found == 481 ? 1 : 2);
        QCOMPARE(rig.chart->manualMaxY(), 120.0);
        QCOMPARE(rig.chart->manualMinY(), -5.0);
        QCOMPARE(rig.chart->points(), kRealTimePoints);
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        rig.answer(QByteArray::fromHex("02800002340000021003"));
        rig.tick();
        if (found == 482)
            QCOMPARE(rig.chart->yData(1, 0), 21.0f); // T2 is drawn
        QCOMPARE(rig.chart->yData(0, 0), 23.4f);

        // Once samples are in the graph, another meter does not wipe them.
        rig.link.RecogniseModel(found == 481 ? "482\r" : "481\r");
        QCOMPARE(rig.chart->subsets(), found == 481 ? 1 : 2);
        QCOMPARE(rig.chart->yData(0, 0), 23.4f);
    }

    // The journal turned off and on again mid-run: the run's older rows
    // stay in the first file, which making room for newer ones must keep.
    void aRunsEarlierJournalIsNotPruned()
    {
        Rig rig;
        const QString folder = rig.dir.filePath(QStringLiteral("journals"));
        RecordingJournal journal(folder, std::chrono::milliseconds(10));
        rig.run.setJournal(&journal);
        rig.run.setRowCap(64);
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        for (int i = 0; i < 300; ++i)
            rig.tick();
        journal.setEnabled(false);
        journal.setEnabled(true);
        for (int i = 0; i < 50; ++i) // newer recordings fill the folder's quota
            QVERIFY(QFile(folder + QStringLiteral("/2099-01-01_00-00-%1.txt").arg(i, 2, 10, QLatin1Char('0')))
                        .open(QIODevice::WriteOnly));
        rig.tick();
        journal.waitWritten();
        const RunRows &rows = rig.run.rows();
        QVERIFY(rows.firstInMemory() > 0);
        QCOMPARE(rows.journalFiles().size(), 2);
        QVERIFY2(rows.readBackError().isEmpty(), qPrintable(rows.readBackError()));
        QCOMPARE(rows.cells(0).value(0), QStringLiteral("1"));
    }

    void wholeRunEnvelopeKeepsEachColumnsExtremes()
    {
        // Noise with sharp single-sample peaks, overloads on T2, a gap.
        RunRows rows;
        rows.clear(482);
        QRandomGenerator random(7);
        std::vector<double> times;
        std::vector<float> t1;
        LiveSample s;
        s.reading.unit1 = s.reading.unit2 = QStringLiteral("C");
        for (int i = 0; i < 20000; ++i) {
            s.dateTime = 46000.5 + (i + (i >= 15000 ? 3000 : 0)) / kSecondsPerDay;
            s.reading.t1 = 20 + random.bounded(100) / 10.0 + (i % 997 == 0 ? 500 : 0);
            s.reading.t2Overload = i % 13 == 0;
            rows.append(s, i == 15000);
            times.push_back(s.dateTime);
            t1.push_back(float(s.reading.t1));
        }
        const double from = times.front(), to = times.back() + 1 / kSecondsPerDay;
        RunEnvelope e;
        e.compute(rows, from, to, 333);
        QVERIFY(!e.everySample());
        std::vector<float> lo(333, 1e9f), hi(333, -1e9f);
        for (std::size_t i = 0; i < times.size(); ++i) {
            const int c = std::min(332, int((times[i] - from) / (to - from) * 333));
            lo[c] = std::min(lo[c], t1[i]);
            hi[c] = std::max(hi[c], t1[i]);
        }
        int breaks = 0;
        for (int c = 0; c < 333; ++c) {
            const RunEnvelope::Column &col = e.columnsOf(0)[c];
            QCOMPARE(col.any, hi[c] > -1e9f);
            if (col.any) {
                QCOMPARE(col.min, lo[c]);
                QCOMPARE(col.max, hi[c]);
            }
            breaks += col.breaks;
        }
        QCOMPARE(breaks, 1);
        // New samples fold in as a fresh computation would have them.
        for (int i = 0; i < 50; ++i) {
            s.dateTime = times.back() + (i + 1) / kSecondsPerDay / 100;
            s.reading.t1 = i == 20 ? -40 : 25;
            rows.append(s);
            QVERIFY(e.addNewest(rows));
        }
        RunEnvelope fresh;
        fresh.compute(rows, from, to, 333);
        const auto text = [](const RunEnvelope::Cells &c) {
            QStringList out;
            for (std::size_t k = 0; k < c.y.size(); ++k)
                out << QString::number(c.x[k], 'f', 9) + QLatin1Char(':') + QString::number(c.y[k]);
            return out;
        };
        QCOMPARE(text(e.cells(0)), text(fresh.cells(0)));
        QCOMPARE(text(e.cells(1)), text(fresh.cells(1)));
        // Zoomed in: every sample, with the ones either side of the span.
        e.compute(rows, times[100], times[400], 333);
        QVERIFY(e.everySample());
        const RunEnvelope::Cells zoomed = e.cells(0);
        QCOMPARE(zoomed.x.size(), std::size_t(302));
        QCOMPARE(zoomed.x.front(), times[99]);
        QCOMPARE(zoomed.y[2], t1[101]);
        QVERIFY(std::isnan(e.cells(1).y[104 - 99])); // an overload is not drawn
    }

    void aRunBeyondItsCapReadsBackFromTheJournalAndSavesWhole()
    {
        const QByteArray celsius = QByteArray::fromHex("02800002340000021003");
        const QByteArray fahrenheit = QByteArray::fromHex("02000007520000071603");
        Rig rig;
        RecordingJournal journal(rig.dir.filePath(QStringLiteral("journals")), std::chrono::milliseconds(10));
        rig.run.setJournal(&journal);
        rig.run.setRowCap(1000);
        rig.chart.reset(); // the real-time graph's redraws only cost time here
        TfrmWholeRun whole(rig.run, -10, 50, GraphTemplate::locate(rig.dir.filePath(QStringLiteral("KV481"))),
                           rig.prompt);
        QStringList expected;
        QObject::connect(&rig.run, &LiveRun::sampleTaken, [&](const LiveSample &s) {
            expected << liveRowCells(expected.size() + 1, s.dateTime, s.reading, 482).join(QLatin1Char('|'));
        });
        rig.connect();
        rig.recorder.setSamplingRate(1);
        rig.recorder.run();
        for (int i = 0; i < 5000; ++i) {
            rig.answer(i / 7 % 2 ? fahrenheit : celsius);
            rig.tick();
        }
        const RunRows &rows = rig.run.rows();
        QCOMPARE(rows.count(), 5000);
        QVERIFY(rows.firstInMemory() >= 4000);
        QVERIFY2(rows.readBackError().isEmpty(), qPrintable(rows.readBackError()));
        for (int i : {0, 1, 4095, 4096, 3999, 4999})
            QCOMPARE(rows.cells(i).join(QLatin1Char('|')), expected.at(i));
        QCOMPARE(float(rows.row(13).t1), 75.2f);
        // Saved whole: the same bytes as the journal holds.
        journal.waitWritten();
        const QString saved = rig.dir.filePath(QStringLiteral("run.txt"));
        QVERIFY(TextDataSet::writeGridFile(saved, rows, 1, rows.count()).ok);
        QFile a(saved), b(journal.currentPath());
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        // The whole-run graph draws all of it, from the summaries too.
        whole.refresh();
        QCOMPARE(whole.envelope().from(), rows.startTime());
        QVERIFY(whole.envelope().columnsOf(0).front().rows);
        QCOMPARE(whole.PESGraph1->yData(0, 0), 23.4f);
        // Gone from the disk: a save is refused rather than left short.
        journal.finish();
        QFile::remove(b.fileName());
        QVERIFY(!rows.readBackError().isEmpty());
        // Without a journal nothing leaves memory.
        rig.run.setJournal(nullptr);
        rig.recorder.clear();
        for (int i = 0; i < 1500; ++i)
            rig.tick();
        QCOMPARE(rig.run.rows().firstInMemory(), 0);
    }
};

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
