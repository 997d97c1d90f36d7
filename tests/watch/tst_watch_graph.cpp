// The window side of watching without the window: the rate of rise a graph
// draws against slopes worked out by hand, the Alarm Log's rows, the events
// file beside a journal, and the options' settings section.

#include "app/Settings.h"
#include "common/Clock.h"
#include "files/AnalysisCsv.h"
#include "views/Chart.h"
#include "views/RealTimeGraph.h"
#include "watch/AlarmWatch.h"
#include "watch/WatchOptions.h"
#include "watch/ui/AlarmEventFile.h"
#include "watch/ui/AlarmLog.h"
#include "watch/ui/AlarmsDialog.h"
#include "watch/ui/WatchChartOverlay.h"

#include <QContextMenuEvent>
#include <QAbstractButton>
#include <QTableView>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

#include <cmath>

using namespace kv;

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kStart = 46000.5; // a date-time double

AlarmEvent alarmEvent(AlarmEvent::Kind kind, AlarmEvent::Cause cause, const QString &channel, double value,
                 double limit, double time)
{
    AlarmEvent e;
    e.kind = kind;
    e.cause = cause;
    e.channel = channel;
    e.value = value;
    e.limit = limit;
    e.unit = QStringLiteral("C");
    e.time = time;
    return e;
}

} // namespace

class TestWatchGraph : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void rateOfRiseOnTheGraph()
    {
        Chart chart;
        chart.resize(640, 400);
        chart.setSubsets(2);
        chart.setPoints(12);
        chart.look().yAxisLabel = QStringLiteral("Degree (\u00B0C)");
        // T1 rises 0.2 degrees every 2 s: 6 degrees a minute. T2 at 0, 2,
        // ..., 10 s: 30, 29.5, 29.5, 28, 27.5, 27; over a 10 s window at
        // 10 s, sum x*y = 835, sum x = 30, sum y = 171.5, so
        // Sxy = 835 - 30 * 171.5 / 6 = -22.5 and Sxx = 70: -22.5 / 70 a
        // second, -135/7 (-19.29) a minute. Then an overload at 12 s.
        const float t2[] = {30.0f, 29.5f, 29.5f, 28.0f, 27.5f, 27.0f, chart.nullY()};
        for (int i = 0; i < 7; ++i) {
            const double x = kStart + 2 * i * kSecond;
            chart.setXData(0, i, x);
            chart.setXData(1, i, x);
            chart.setYData(0, i, 20.0f + 0.2f * i);
            chart.setYData(1, i, t2[i]);
        }
        chart.resetImage();
        WatchChartOverlay overlay(&chart);
        overlay.setRateWindow(10);
        QVERIFY(!chart.plot()->yAxis2->visible());
        overlay.setRateShown(true);
        chart.plot()->replot();
        QVERIFY(chart.plot()->yAxis2->visible());
        QCOMPARE(chart.plot()->yAxis2->label(), QStringLiteral("\u00B0C/min"));
        QCOMPARE(overlay.rateAxisLabel(), QStringLiteral("\u00B0C/min"));

        const QVector<double> r1 = overlay.rateValues(0);
        const QVector<double> r2 = overlay.rateValues(1);
        QCOMPARE(r1.size(), 7); // the unset cells are left out
        QCOMPARE(overlay.rateKeys(0).first(), Chart::keyOf(kStart));
        // Under half the window (0 and 2 s) there is no slope yet.
        QVERIFY(std::isnan(r1[0]) && std::isnan(r1[1]) && std::isnan(r1[2]));
        for (int i = 3; i < 7; ++i)
            QVERIFY2(qAbs(r1[i] - 6.0) < 1e-4, qPrintable(QString::number(r1[i])));
        QVERIFY2(qAbs(r2[5] + 135.0 / 7.0) < 1e-4, qPrintable(QString::number(r2[5])));
        QVERIFY(std::isnan(r2[6])); // the overload has no rate
        // The right axis holds the lines.
        QVERIFY(chart.plot()->yAxis2->range().contains(6.0));
        QVERIFY(chart.plot()->yAxis2->range().contains(-19.0));

        // The chart redraws its data as it will (a new sample, a clear):
        // the rate follows on the next drawing.
        chart.setYData(0, 6, 30.0f);
        chart.resetImage();
        QVERIFY(overlay.rateValues(0)[6] > 6.0);
        // Fahrenheit graphs say so on the rate axis; off hides it.
        chart.look().yAxisLabel = QStringLiteral("Degree (\u00B0F)");
        chart.plot()->replot();
        QCOMPARE(chart.plot()->yAxis2->label(), QStringLiteral("\u00B0F/min"));
        // A plain axis title: the unit of the data set shown says it.
        chart.look().yAxisLabel = QStringLiteral("Degree");
        overlay.setUnitSource([] { return QStringLiteral("C"); });
        chart.plot()->replot();
        QCOMPARE(chart.plot()->yAxis2->label(), QStringLiteral("°C/min"));
        overlay.setRateShown(false);
        QVERIFY(!chart.plot()->yAxis2->visible());
        QVERIFY(overlay.rateValues(0).isEmpty());
        QCOMPARE(chart.plot()->graphCount(), 4); // the chart's own graphs untouched
    }

    void rateRestartsAfterAGapAndGrowsItsWindowForLongIntervals()
    {
        // Every 2 s, 6 degrees a minute up; the meter lost for 10 s (the
        // graph breaks its line) and back 30 degrees lower: within a 30 s
        // window a slope across the break would be a steep dip.
        Chart chart;
        chart.setSubsets(1);
        chart.setPoints(40);
        RealTimeState state;
        for (int i = 0; i < 20; ++i) {
            if (i == 11)
                AddRealTimeGap(chart, state, kStart + 22 * kSecond);
            const int at = i < 11 ? 2 * i : 2 * i + 8;
            const float t = (i < 11 ? 20.0f : -10.0f) + 0.1f * at;
            AddRealTimePoint(chart, state, 481, false, false, t, kStart + at * kSecond, 0);
        }
        WatchChartOverlay overlay(&chart);
        double interval = 0; // not known: the chart's break alone restarts
        overlay.setSampleIntervalSource([&interval] { return interval; });
        overlay.setRateShown(true);
        chart.plot()->replot();
        const QVector<double> r = overlay.rateValues(0);
        QVERIFY(qAbs(r[10] - 6.0) < 1e-3 && qAbs(r[20] - 6.0) < 1e-3);
        for (int i = 11; i < 20; ++i) // the break, then under half a window
            QVERIFY(std::isnan(r[i]));
        // A sample a minute: the axis says over how long the slope is taken.
        interval = 60;
        chart.plot()->replot();
        QCOMPARE(chart.plot()->yAxis2->label(), QStringLiteral("\u00B0C/min (over 2 min)"));
    }

    void contextMenuFromThePlot()
    {
        // A right click lands on the plot inside the chart; the chart's
        // menu (its commands and the rate's check item) must still open.
        Chart chart;
        chart.resize(400, 300);
        auto *item = new QAction(QStringLiteral("Rate of Rise"), &chart);
        chart.addAction(item);
        chart.setContextMenuPolicy(Qt::ActionsContextMenu);
        WatchChartOverlay overlay(&chart);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(100, 100), chart.plot()->mapToGlobal(QPoint(100, 100)));
        QApplication::sendEvent(chart.plot(), &e);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QStringList shown;
        for (QAction *a : menu->actions())
            if (a->isVisible())
                shown << a->text();
        menu->close();
        // The chart's own items come first; T1-T2 only on two channels.
        QCOMPARE(shown, (QStringList{QStringLiteral("&Auto Scale"), QStringLiteral("Rate of Rise")}));
    }

    void untouchedLimitsComeBackExactlyInTheOtherUnit()
    {
        // Limits kept in °C, the meter showing °F: 26.7 °C shows as 80.1 °F
        // (80.06). OK without a change gives the same limits, so an alarm
        // that lasts is not cleared and fired again; a changed box counts.
        WatchOptions o;
        o.alarms[AlarmChannel::T1].high = {true, 26.7};
        o.alarms[AlarmChannel::T2].low = {true, -17.77};
        o.alarms.hysteresis = 0.55;
        o.alarms.delaySeconds = 2.5;
        AlarmsDialog d(o, QStringLiteral("F"), 2);
        QCOMPARE(d.row(AlarmChannel::T1).high->value(), 80.1);
        const AlarmSettings shown = o.alarms.inUnit(QStringLiteral("F"));
        QVERIFY(d.options().alarms == shown);
        AlarmWatch watch(SystemClock::instance());
        AlarmSettings before = o.alarms, after = d.options().alarms;
        before.delaySeconds = after.delaySeconds = 0; // fired at once here
        watch.setSettings(before);
        WatchSample s;
        s.t1 = 81.0;
        s.unit = QStringLiteral("F");
        QCOMPARE(watch.feed(s).size(), 1);
        QVERIFY(watch.setSettings(after).isEmpty());
        QVERIFY(watch.feed(s).isEmpty());
        d.row(AlarmChannel::T1).high->setValue(81.5);
        QCOMPARE(d.options().alarms[AlarmChannel::T1].high.value, 81.5);
    }

    void everyControlReachableByKeyboard()
    {
        // The Alarms dialog and the Alarm Log: Tab reaches every control,
        // and each says what it is.
        WatchOptions o;
        o.alarms[AlarmChannel::T1].high = {true, 176.0};
        o.alarms.unit = QStringLiteral("F");
        AlarmsDialog d(o, QStringLiteral("C"), 2);
        // Shown in the meter's unit: 176 °F is 80 °C.
        QCOMPARE(d.row(AlarmChannel::T1).high->value(), 80.0);
        QCOMPARE(d.row(AlarmChannel::T1).high->suffix(), QStringLiteral(" °C"));
        QCOMPARE(d.options().alarms.unit, QStringLiteral("C"));
        AlarmLogModel model;
        AlarmLogWindow log(&model);
        for (QWidget *top : {static_cast<QWidget *>(&d), static_cast<QWidget *>(&log)}) {
            top->show();
            QVERIFY(QTest::qWaitForWindowExposed(top));
            QList<QWidget *> wanted;
            auto insideView = [top](QWidget *w) { // a table's own corner button and headers
                for (QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget())
                    if (qobject_cast<QAbstractItemView *>(p))
                        return true;
                return false;
            };
            for (QWidget *w : top->findChildren<QWidget *>())
                if (!insideView(w) && ((qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                     || qobject_cast<QTableView *>(w))
                    && w->isEnabled()))
                    wanted << w;
            QVERIFY(!wanted.isEmpty());
            QSet<QWidget *> reached;
            QWidget *w = top->focusWidget() ? top->focusWidget() : top;
            for (int i = 0; i < 200; ++i) {
                w = w->nextInFocusChain();
                if (w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus))
                    reached << w;
            }
            for (QWidget *c : std::as_const(wanted)) {
                QVERIFY2(reached.contains(c), qPrintable(c->objectName()));
                const QString name = c->accessibleName().isEmpty() ? c->property("text").toString() : c->accessibleName();
                QVERIFY2(!name.isEmpty(), qPrintable(c->objectName()));
            }
        }
    }

    void limitsAndCrossingsOnTheGraph()
    {
        Chart chart;
        chart.setSubsets(1);
        chart.setPoints(10);
        WatchChartOverlay overlay(&chart);
        AlarmSettings a;
        a[AlarmChannel::T1].high = {true, 80.0};
        a[AlarmChannel::T2].low = {true, -18.0};       // not on a one-channel graph
        a[AlarmChannel::Difference].high = {true, 5.0}; // a line only on the T1-T2 line
        overlay.setLimits(a, 1);
        QCOMPARE(overlay.limitLines().size(), 1);
        overlay.setLimits(a, 2);
        QCOMPARE(overlay.limitLines().size(), 2);
        chart.setSubsets(2);
        chart.setDifferenceShown(true);
        QCOMPARE(overlay.limitLines().size(), 3);
        QCOMPARE(overlay.limitLines().last().value, 5.0);
        chart.setDifferenceShown(false);
        QCOMPARE(overlay.limitLines().size(), 2);
        const int items = chart.plot()->itemCount();
        // The chart's own annotations come and go without touching ours.
        chart.setVertLine(0, kStart, 0, Qt::blue, QStringLiteral("x"));
        chart.resetImage();
        chart.removeVertLines();
        chart.resetImage();
        QCOMPARE(chart.plot()->itemCount(), items);
        overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::High, "T1", 81, 80, kStart));
        overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::High, "T1", 79, 80, kStart));
        QCOMPARE(overlay.crossingCount(), 1);
        for (int i = 0; i < WatchChartOverlay::kMaxCrossings + 5; ++i)
            overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::Low, "T2", -20, -18, kStart + i));
        QCOMPARE(overlay.crossingCount(), WatchChartOverlay::kMaxCrossings);
        overlay.setLimits(AlarmSettings(), 2);
        QVERIFY(overlay.limitLines().isEmpty());
    }

    // Each limit in its channel's colour; no name covers another, not two
    // limits at the same value, nor crossings at the same moment.
    void limitColoursAndLabelsApart()
    {
        Chart chart;
        chart.resize(700, 400);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setSubsets(2);
        chart.setPoints(10);
        WatchChartOverlay overlay(&chart);
        AlarmSettings a;
        a[AlarmChannel::T1].high = {true, 80.0};
        a[AlarmChannel::T2].high = {true, 80.0};
        overlay.setLimits(a, 2);
        QCOMPARE(overlay.limitLabels().size(), 2);
        QCOMPARE(overlay.limitLabels().at(0)->color(), overlay.channelColor(AlarmChannel::T1));
        QCOMPARE(overlay.limitLabels().at(1)->color(), overlay.channelColor(AlarmChannel::T2));
        QVERIFY(overlay.channelColor(AlarmChannel::T1) != overlay.channelColor(AlarmChannel::T2));
        const double middle = kStart + 5 * kSecond;
        overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::Overload, "T1", std::nan(""), std::nan(""), middle));
        overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::High, "T1", 81, 80, middle));
        overlay.markCrossing(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::High, "T2", 81, 80, middle));
        chart.plot()->xAxis->setRange(Chart::keyOf(kStart), Chart::keyOf(kStart + 10 * kSecond));
        chart.plot()->replot();
        QVector<QRectF> boxes;
        for (QCPItemText *label : overlay.limitLabels() + overlay.crossingLabels())
            if (label->visible())
                boxes << QRectF(label->topLeft->pixelPosition(), label->bottomRight->pixelPosition());
        QCOMPARE(boxes.size(), 5);
        for (int i = 0; i < boxes.size(); ++i)
            for (int j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!boxes[i].intersects(boxes[j]), qPrintable(QStringLiteral("labels %1 and %2").arg(i).arg(j)));
        // Scrolled past them: no mark is left at the edge, no limit's name moved for one.
        chart.plot()->xAxis->setRange(Chart::keyOf(kStart + 20 * kSecond), Chart::keyOf(kStart + 30 * kSecond));
        chart.plot()->replot();
        for (QCPItemText *label : overlay.crossingLabels())
            QVERIFY(!label->visible());
        QVERIFY(overlay.limitLabels().at(0)->position->coords().x() < 0.05);
    }

    void alarmLogRows()
    {
        AlarmLogModel log;
        const double nan = std::nan("");
        log.add(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::High, "T1", 81.25, 80, kStart));
        log.add(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::Overload, "T2", nan, nan, kStart + kSecond));
        log.add(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::LinkLost, "link", nan, nan, kStart + 2 * kSecond));
        // Clearing T1's alarm fills in its row, and only its.
        log.add(alarmEvent(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::High, "T1", 79, 80, kStart + 3 * kSecond));
        QCOMPARE(log.rowCount(), 3);
        // The time as the events file and the analysis CSV write it.
        QCOMPARE(log.text(0, AlarmLogModel::Time), isoText(kStart));
        QCOMPARE(log.text(0, AlarmLogModel::Value), QStringLiteral("81.3 \u00B0C"));
        QCOMPARE(log.text(0, AlarmLogModel::Limit), QStringLiteral("above 80.0 \u00B0C"));
        QCOMPARE(log.text(0, AlarmLogModel::ClearedAt), isoText(kStart + 3 * kSecond));
        QCOMPARE(log.text(1, AlarmLogModel::Value), QStringLiteral("overload"));
        QVERIFY(log.text(1, AlarmLogModel::Limit).isEmpty());
        QVERIFY(log.text(1, AlarmLogModel::ClearedAt).isEmpty());
        QCOMPARE(log.text(2, AlarmLogModel::Channel), QStringLiteral("meter"));
        QCOMPARE(log.text(2, AlarmLogModel::Value), QStringLiteral("not answering"));
        QCOMPARE(log.headerData(AlarmLogModel::ClearedAt, Qt::Horizontal).toString(), QStringLiteral("Cleared at"));
    }

    void eventsBesideTheJournal()
    {
        const QString journal = m_dir.filePath(QStringLiteral("2026-12-09_10-00-00.txt"));
        QCOMPARE(AlarmEventFile::pathBeside(journal), m_dir.filePath(QStringLiteral("2026-12-09_10-00-00.alarms.csv")));
        AlarmEventFile file;
        // Before the recording's first row there is no journal: it waits.
        QVERIFY(file.write(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::High, "T1", 81, 80, kStart), QString()));
        QVERIFY(!QFile::exists(AlarmEventFile::pathBeside(journal)));
        QVERIFY(file.flush(journal));
        QVERIFY(file.write(alarmEvent(AlarmEvent::Kind::Cleared, AlarmEvent::Cause::High, "T1", 79, 80, kStart + kSecond),
                           journal));
        QFile f(AlarmEventFile::pathBeside(journal));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("time,event,channel,cause,value,limit,unit\r"));
        QVERIFY2(lines[1].contains(",alarm,T1,high,81.0,80.0,C\r"), lines[1].constData());
        QVERIFY2(lines[2].contains(",cleared,T1,high,79.0,80.0,C\r"), lines[2].constData());
        QVERIFY(QDateTime::fromString(QString::fromLatin1(lines[1].split(',')[0]), Qt::ISODateWithMs).isValid());

        // A folder that is not there: the reason, once, and no crash.
        AlarmEventFile lost;
        QVERIFY(!lost.write(alarmEvent(AlarmEvent::Kind::Alarm, AlarmEvent::Cause::Low, "T2", -20, -18, kStart),
                            m_dir.filePath(QStringLiteral("gone/2026-12-09_11-00-00.txt"))));
        QVERIFY2(lost.error().contains(QLatin1String("No such file or directory")), qPrintable(lost.error()));
    }

    void optionsSection()
    {
        WatchOptions o;
        o.alarms[AlarmChannel::T1].high = {true, 80.5};
        o.alarms[AlarmChannel::Difference].low = {true, -2.0};
        o.alarms.hysteresis = 0.5;
        o.alarms.delaySeconds = 3;
        o.alarms.unit = QStringLiteral("F");
        o.alarms.watchdog = false;
        o.alarms.sound = true;
        o.rateWindowSeconds = 45;
        o.showRate = true;
        o.reminderMinutes = 5;
        o.alarms.rate(AlarmChannel::T1).high = {true, 12.5};
        o.alarms.rate(AlarmChannel::T2).low = {true, -4.0};
        o.runCommand = true;
        // Quotes, a semicolon, an equals sign and a hash kept as written.
        o.command = QStringLiteral("echo \"$KV481_EVENT=x\" >> '/tmp/a b.log'; # done");
        QCOMPARE(WatchOptions::fromSection(o.toSection()), o);
        // Nothing readable: the defaults; a low limit above the high is off.
        QCOMPARE(WatchOptions::fromSection({}), WatchOptions());
        const WatchOptions bad = WatchOptions::fromSection({{"T1 High", "10"},
                                                            {"T1 High On", "1"},
                                                            {"T1 Low", "20"},
                                                            {"T1 Low On", "1"},
                                                            {"Hysteresis", "-3"},
                                                            {"Rate Window", "0"},
                                                            {"Reminder Minutes", "7"},
                                                            {"T1 Rate High", "-5"},
                                                            {"T1 Rate High On", "1"},
                                                            {"Unit", "K"}});
        QVERIFY(bad.alarms[AlarmChannel::T1].high.on);
        QVERIFY(!bad.alarms[AlarmChannel::T1].low.on);
        QCOMPARE(bad.alarms.hysteresis, 1.0);
        QCOMPARE(bad.rateWindowSeconds, 30.0);
        QCOMPARE(bad.reminderMinutes, 0); // not one of the choices
        QVERIFY(!bad.alarms.rate(AlarmChannel::T1).high.on); // a rise limit below 0 means nothing
        QCOMPARE(bad.alarms.unit, QStringLiteral("C"));

        // In the settings file, beside everything else, byte for byte.
        const QString path = m_dir.filePath(QStringLiteral("KV481.INI"));
        const QByteArray before = "; mine\r\n[Link]\r\nModel=481\r\n[Alarms]\r\nT1 High=70\r\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        QCOMPARE(Settings::readSection(path, WatchOptions::section()).value(QStringLiteral("T1 High")),
                 QStringLiteral("70"));
        QVERIFY(Settings::writeSection(path, WatchOptions::section(), o.toSection()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QVERIFY(after.startsWith("; mine\r\n[Link]\r\nModel=481\r\n[Alarms]\r\nT1 High=80.5\r\n"));
        QCOMPARE(WatchOptions::fromSection(Settings::readSection(path, WatchOptions::section())), o);
        QCOMPARE(Settings::read(path).model, 481);
    }
};

QTEST_MAIN(TestWatchGraph)
#include "tst_watch_graph.moc"
