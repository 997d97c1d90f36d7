// Live samples into the real-time graph and list, the grid behind every
// list, and the vertical scale typed into the range dialog.

#include "common/DateTime.h"
#include "views/Chart.h"
#include "views/GraphSetup.h"
#include "views/GridModel.h"
#include "views/RealTimeGraph.h"
#include "views/ScaleRange.h"
#include "views/TfrmList.h"

#include "support/ScriptedPrompt.h"

#include <QLocale>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTableView>
#include <QtTest>
#include <qcustomplot.h>

#include <cmath>

using namespace kv;
using kv::test::ScriptedPrompt;

namespace {

constexpr double kStart = 46000.5;
constexpr double kSecond = 1.0 / 86400.0;

struct Graph
{
    Chart chart;
    RealTimeState state;
    explicit Graph(int subsets, int samplingRate = 2)
    {
        chart.setSubsets(subsets);
        chart.setPoints(kRealTimePoints);
        state.realTimeSpan = 100.0 * samplingRate / 86400.0;
        chart.setManualX(kStart, kStart + state.realTimeSpan);
    }
    void add(int model, double x, float t1, float t2 = 0, bool ol1 = false, bool ol2 = false)
    {
        AddRealTimePoint(chart, state, model, ol1, ol2, t1, x, t2);
    }
};

// Drags the chart's rubber band over the part of the plot between the
// fractions (0..1 across, 0..1 down) given; the chart must be on screen.
void rubberBand(Chart &c, double left, double top, double right, double bottom)
{
    QWidget *w = c.plot();
    const QRect r = c.plot()->axisRect()->rect();
    const auto at = [&](double fx, double fy) {
        return r.topLeft() + QPoint(int(r.width() * fx), int(r.height() * fy));
    };
    const QPoint a = at(left, top), b = at(right, bottom);
    QTest::mousePress(w, Qt::LeftButton, {}, a);
    QMouseEvent move(QEvent::MouseMove, b, w->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, {}, b);
}

bool near(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

Reading reading(double t1, double t2, bool ol1 = false, bool ol2 = false)
{
    Reading r;
    r.t1 = t1;
    r.t2 = t2;
    r.t1Overload = ol1;
    r.t2Overload = ol2;
    r.unit1 = QStringLiteral("C");
    r.unit2 = QStringLiteral("C");
    r.statusText = QStringLiteral(" MAX HOLD");
    return r;
}

} // namespace

class TestRealTime : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void samplesFillTheGraph()
    {
        Graph g(2);
        g.add(482, kStart, 23.4f, 21.0f);
        g.add(482, kStart + 2 * kSecond, 23.5f, 21.1f);
        QCOMPARE(g.state.realTimePointCount, 2);
        QCOMPARE(g.chart.xData(0, 1), kStart + 2 * kSecond);
        QCOMPARE(g.chart.yData(1, 1), 21.1f);
        QCOMPARE(g.chart.xData(0, 2), 0.0);
    }

    void oneChannelWritesSubsetZeroOnly()
    {
        Graph g(2);
        g.add(481, kStart, 23.4f, 99.0f);
        QCOMPARE(g.chart.yData(0, 0), 23.4f);
        QCOMPARE(g.chart.xData(1, 0), 0.0);
    }

    void subsetsAreFixedWhenTheGraphOpens()
    {
        // One subset, and a two-channel meter answers later: subset 1 cannot
        // be written, the rest of the sample is.
        Graph g(1);
        g.add(482, kStart, 23.4f, 21.0f);
        QCOMPARE(g.chart.yData(0, 0), 23.4f);
        QCOMPARE(g.state.realTimePointCount, 1);
    }

    void overloadKeepsItsTimeWithTheMark()
    {
        Graph g(2);
        g.add(482, kStart, 0, 21.0f, true, false);
        QCOMPARE(g.chart.xData(0, 0), kStart);
        QCOMPARE(g.chart.yData(0, 0), g.chart.nullY());
        QCOMPARE(g.chart.yData(1, 0), 21.0f);
        g.add(482, kStart + kSecond, 22.0f, 0, false, true);
        QCOMPARE(g.state.realTimePointCount, 2);
        QCOMPARE(g.chart.yData(0, 1), 22.0f);
        QCOMPARE(g.chart.xData(1, 1), kStart + kSecond);
        QCOMPARE(g.chart.yData(1, 1), g.chart.nullY());
    }

    void fullGraphDropsOldestHundred()
    {
        Graph g(2, 1);
        for (int i = 0; i < 4999; ++i)
            g.add(482, kStart + i * kSecond, float(i), float(-i));
        QCOMPARE(g.state.realTimePointCount, 4999);
        const double x = kStart + 4999 * kSecond;
        g.add(482, x, 1.0f, 2.0f);
        QCOMPARE(g.state.realTimePointCount, 4900);
        QCOMPARE(g.chart.xData(0, 4899), x); // index 4899
        QCOMPARE(g.chart.yData(0, 0), 100.0f);
        QCOMPARE(g.chart.yData(1, 0), -100.0f);
        QCOMPARE(g.chart.manualMinX(), kStart + 100 * kSecond);
        QCOMPARE(g.chart.points(), kRealTimePoints);
    }

    void timeAxisAfterTheDropStartsAtARealTime()
    {
        // The oldest kept samples were overloads: they still carry their
        // tick's time.
        {
            Graph g(2, 1);
            for (int i = 0; i < 4999; ++i)
                g.add(482, kStart + i * kSecond, float(i), float(-i), i >= 100 && i < 103, i >= 100 && i < 104);
            g.add(482, kStart + 4999 * kSecond, 1.0f, 2.0f);
            QCOMPARE(g.chart.xData(0, 0), kStart + 100 * kSecond);
            QCOMPARE(g.chart.manualMinX(), kStart + 100 * kSecond);
        }
        // A graph reopened while the point count stood at 4999: no cell
        // has a time, so the axis starts at the new sample.
        {
            Graph g(2, 1);
            g.state.realTimePointCount = 4999;
            const double x = kStart + 3 * kSecond;
            g.add(482, x, 1.0f, 2.0f);
            QCOMPARE(g.state.realTimePointCount, 4900);
            QCOMPARE(g.chart.manualMinX(), x);
            QVERIFY(g.chart.manualMaxX() > x);
        }
    }

    void timeAxisGrowsHundredSamplesAtATime()
    {
        Graph g(1, 2);
        const double span = g.state.realTimeSpan;
        g.add(481, kStart + span - kSecond, 1.0f);
        QCOMPARE(g.chart.manualMaxX(), kStart + span);
        g.add(481, kStart + span, 1.0f);
        QCOMPARE(g.chart.manualMaxX(), kStart + 2 * span);
    }

    void timeAxisCatchesUpAfterALongPause()
    {
        // A meter found again after many intervals: the new sample is on the
        // axis at once, not a step of 100 intervals per sample later.
        Graph g(1, 2);
        const double span = g.state.realTimeSpan;
        g.add(481, kStart, 1.0f);
        const double later = kStart + 10.5 * span;
        g.add(481, later, 1.0f);
        QVERIFY(g.chart.manualMaxX() > later);
        QVERIFY(g.chart.manualMaxX() <= later + span);
        QCOMPARE(g.chart.manualMinX(), kStart);
    }

    void breakInTheLineIsDrawnAndKept()
    {
        Graph g(2);
        g.add(482, kStart, 20.0f, 21.0f);
        g.add(482, kStart + 2 * kSecond, 20.5f, 21.5f);
        AddRealTimeGap(g.chart, g.state, kStart + 4 * kSecond);
        g.add(482, kStart + 60 * kSecond, 22.0f, 23.0f);
        QCOMPARE(g.state.realTimePointCount, 4);
        QCOMPARE(g.chart.yData(0, 3), 22.0f);
        // The break has its time but no value, in every subset.
        for (int s = 0; s < 2; ++s) {
            QCOMPARE(g.chart.xData(s, 2), kStart + 4 * kSecond);
            QVERIFY(std::isnan(g.chart.yData(s, 2)));
            // Drawn as a gap: the line does not join the readings around it.
            const QSharedPointer<QCPGraphDataContainer> drawn = g.chart.plot()->graph(s)->data();
            QCOMPARE(drawn->size(), 4);
            QVERIFY(!std::isnan(drawn->at(1)->value));
            QVERIFY(std::isnan(drawn->at(2)->value));
            QVERIFY(!std::isnan(drawn->at(3)->value));
        }
        // A graph file keeps it.
        ChartContents restored;
        QVERIFY(restoreChartState(saveChartState(g.chart.contents()), restored, nullptr));
        QVERIFY(std::isnan(restored.data.y(0, 2)) && std::isnan(restored.data.y(1, 2)));
    }

    void clearStartsAfresh()
    {
        Graph g(2);
        g.add(482, kStart, 1.0f, 2.0f);
        clearRealTimeGraph(g.chart, g.state, 1, kStart + 1);
        QCOMPARE(g.state.realTimePointCount, 0);
        QCOMPARE(g.chart.xData(0, 0), 0.0);
        QCOMPARE(g.chart.yData(1, 0), 2.0f); // beyond the meter's channel count
        QCOMPARE(g.chart.manualMinX(), kStart + 1);
        QCOMPARE(g.chart.manualMaxX(), kStart + 1 + g.state.realTimeSpan);
    }

    void newScalesShowAtOnceWhileZoomed()
    {
        Graph g(2);
        g.chart.setManualY(-10, 50);
        g.chart.resize(700, 400);
        g.chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.chart));
        for (int i = 0; i < 20; ++i)
            g.add(482, kStart + 2 * i * kSecond, 20.0f + i * 0.1f, 18.0f);
        QCPRange y = g.chart.plot()->yAxis->range();

        // A new range replaces the zoom at once.
        rubberBand(g.chart, 0.2, 0.2, 0.6, 0.6);
        QVERIFY(g.chart.isZoomed());
        QVERIFY(g.chart.plot()->yAxis->range().upper < 50.0);
        ScriptedPrompt prompt;
        int maxScale = 50, minScale = -10;
        QVERIFY(applyScaleRange(g.chart, QStringLiteral("30"), QStringLiteral("15"), maxScale, minScale, prompt));
        y = g.chart.plot()->yAxis->range();
        QCOMPARE(y.lower, 15.0);
        QCOMPARE(y.upper, 30.0);
        QVERIFY(near(g.chart.shownMinX(), kStart));
        QVERIFY(near(g.chart.shownMaxX(), kStart + g.state.realTimeSpan));
        QVERIFY(!g.chart.isZoomed());

        // So does a clear: the new time axis shows, the y range is the
        // manual one.
        rubberBand(g.chart, 0.1, 0.3, 0.5, 0.7);
        QVERIFY(g.chart.isZoomed());
        const double now = kStart + 0.25;
        clearRealTimeGraph(g.chart, g.state, 2, now);
        QVERIFY(near(g.chart.shownMinX(), now));
        QVERIFY(near(g.chart.shownMaxX(), now + g.state.realTimeSpan));
        QCOMPARE(g.chart.plot()->yAxis->range().upper, 30.0);
        QVERIFY(!g.chart.isZoomed());
    }

    void undoZoomOnTheRealTimeGraph()
    {
        QTemporaryDir dir;
        const GraphTemplate tmpl = GraphTemplate::locate(dir.filePath(QStringLiteral("KV481")));
        ScriptedPrompt prompt;
        Chart chart;
        chart.resize(800, 450);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        RealTimeState state;
        state.realTimeSpan = 100.0 * 2 / 86400.0; // sampling every 2 s
        QVERIFY(SetupGraph(chart, 2, kRealTimePoints, kStart, kStart + state.realTimeSpan, -10, 50, tmpl, prompt));
        int i = 0;
        const auto sample = [&] {
            AddRealTimePoint(chart, state, 482, false, i % 7 == 3, 20.0f + (i % 10) * 0.5f, kStart + 2 * i * kSecond,
                             15.0f - (i % 4));
            ++i;
        };
        while (i < 40)
            sample();
        QCoreApplication::processEvents();
        QVERIFY(near(chart.shownMinX(), kStart));
        QVERIFY(near(chart.shownMaxX(), kStart + state.realTimeSpan));

        QSignalSpy zoomed(&chart, &Chart::zoomedIn);
        rubberBand(chart, 0.25, 0.3, 0.6, 0.7);
        QCOMPARE(zoomed.count(), 1);
        const double zMin = chart.shownMinX(), zMax = chart.shownMaxX();
        const QCPRange zY = chart.plot()->yAxis->range();
        QVERIFY(zMin > kStart && zMax < kStart + state.realTimeSpan && zMin < zMax);
        QVERIFY(zY.lower > -10 && zY.upper < 50 && zY.lower < zY.upper);

        // Samples go on while zoomed, past the end of the time axis, which
        // grows; the view stays where the user put it.
        while (i < 130)
            sample();
        QCoreApplication::processEvents();
        QCOMPARE(chart.manualMaxX(), kStart + 2 * state.realTimeSpan);
        QVERIFY(chart.isZoomed());
        QVERIFY(near(chart.shownMinX(), zMin) && near(chart.shownMaxX(), zMax));
        QCOMPARE(chart.plot()->yAxis->range(), zY);

        // Undo shows the whole manual scales as they are now.
        chart.undoZoom();
        QCoreApplication::processEvents();
        QVERIFY(!chart.isZoomed());
        QVERIFY(near(chart.shownMinX(), kStart));
        QVERIFY(near(chart.shownMaxX(), kStart + 2 * state.realTimeSpan));
        QCOMPARE(chart.plot()->yAxis->range().lower, -10.0);
        QCOMPARE(chart.plot()->yAxis->range().upper, 50.0);
        // ... and later samples keep to them.
        sample();
        QVERIFY(near(chart.shownMaxX(), kStart + 2 * state.realTimeSpan));
        QCOMPARE(chart.plot()->yAxis->range().upper, 50.0);
        QVERIFY(chart.plot()->graph(0)->data()->size() > 100);
    }

    void listColumnsPerModel()
    {
        TfrmList two([] { return 482; });
        QCOMPARE(two.grid()->ColCount(), 8);
        QCOMPARE(two.grid()->row(0), (QStringList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"}));
        QCOMPARE(two.Grid1->columnWidth(7), int(TfrmList::kDefaultColumnWidth * 2.0));
        QCOMPARE(two.Grid1->columnWidth(0), int(TfrmList::kDefaultColumnWidth * 0.8));
        QCOMPARE(two.grid()->RowCount(), 2);
        QCOMPARE(two.windowTitle(), QStringLiteral("Tabular"));
        TfrmList one([] { return 481; });
        QCOMPARE(one.grid()->ColCount(), 6);
        QCOMPARE(one.grid()->cell(3, 0), QStringLiteral("Value"));
        QCOMPARE(one.Grid1->columnWidth(5), int(TfrmList::kDefaultColumnWidth * 2.0));
    }

    void rowsOfSamples()
    {
        TfrmList list([] { return 482; });
        const double t = encodeDate(2007, 12, 5) + encodeTime(14, 3, 10);
        list.AddRealTimeRow(t, reading(23.5, -5), 482);
        // The first sample fills row 1 in place.
        QCOMPARE(list.grid()->RowCount(), 2);
        QCOMPARE(list.grid()->row(1),
                 (QStringList{"1", "12/5/07", "14:03:10", "23.5", "C", "-5.0", "C", " MAX HOLD"}));
        list.AddRealTimeRow(t + kSecond, reading(0, 0, true, true), 482);
        QCOMPARE(list.grid()->RowCount(), 3);
        QCOMPARE(list.grid()->row(2), (QStringList{"2", "12/5/07", "14:03:11", "OL", "C", "OL", "C", " MAX HOLD"}));

        TfrmList one([] { return 481; });
        Reading r = reading(1234.5, 0);
        r.unit2 = QStringLiteral("HH:MM");
        one.AddRealTimeRow(t, r, 481);
        QCOMPARE(one.grid()->row(1), (QStringList{"1", "12/5/07", "14:03:10", "1234.5", "C", " MAX HOLD"}));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        one.AddRealTimeRow(t, reading(-3.9, 0), 481);
        QCOMPARE(one.grid()->cell(3, 2), QStringLiteral("-3,9"));
        QCOMPARE(one.grid()->cell(1, 2), QStringLiteral("05.12.07"));

        list.clear();
        QCOMPARE(list.grid()->RowCount(), 2);
        QCOMPARE(list.grid()->row(1), QStringList(QVector<QString>(8)));
        list.AddRealTimeRow(t, reading(1, 2), 482);
        QCOMPARE(list.grid()->cell(0, 1), QStringLiteral("1"));
    }

    void listKeepsTheNewestRowInView()
    {
        TfrmList list([] { return 482; });
        list.resize(500, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int i = 0; i < 200; ++i)
            list.AddRealTimeRow(kStart + i * kSecond, reading(i, i), 482);
        QCOMPARE(list.grid()->RowCount(), 201);
        QCoreApplication::processEvents();
        QCOMPARE(list.grid()->rowCount(), 200);
        QScrollBar *bar = list.Grid1->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void gridSemantics()
    {
        GridModel g;
        g.setColCount(4);
        g.setRowCount(3);
        QCOMPARE(g.RowCount(), 3);
        QCOMPARE(g.rowCount(), 0); // the views hear of new rows in one go
        QSignalSpy inserted(&g, &QAbstractItemModel::rowsInserted);
        QCoreApplication::processEvents();
        QCOMPARE(g.rowCount(), 2); // and see data rows only
        QCOMPARE(inserted.count(), 1);
        g.setCell(2, 2, QStringLiteral("x"));
        QCOMPARE(g.cell(2, 2), QStringLiteral("x"));
        QCOMPARE(g.cell(1, 2), QString());
        QCOMPARE(g.cell(3, 2), QString());
        g.setCell(9, 1, QStringLiteral("beyond")); // no such column: nothing
        QCOMPARE(g.row(1), QStringList(QVector<QString>(4)));
        g.setCell(0, 0, QStringLiteral("NO"));
        QCOMPARE(g.headerData(0, Qt::Horizontal).toString(), QStringLiteral("NO"));
        g.setRow(1, {QStringLiteral("a\x1f" "b"), QStringLiteral("Grüße")});
        QCOMPARE(g.cell(0, 1), QStringLiteral("a b"));
        QCOMPARE(g.cell(1, 1), QStringLiteral("Grüße"));
        // Many rewrites of one row leave the others intact.
        for (int i = 0; i < 20000; ++i)
            g.setCell(3, 2, QString(80, QChar('a' + i % 26)));
        QCOMPARE(g.cell(2, 2), QStringLiteral("x"));
        QCOMPARE(g.cell(1, 1), QStringLiteral("Grüße"));
        QVERIFY(g.storeBytes() < 8 << 20);
        g.setRowCount(1);
        QCOMPARE(g.RowCount(), 1);
        QCOMPARE(g.cell(0, 0), QStringLiteral("NO"));

        // Rows read elsewhere join at the end whole, and the views hear of them.
        CompactRows more;
        more.append({"7", "p"}, 4);
        more.append({"8", "q", "r", "s", "past the columns"}, 4);
        g.setRowCount(2);
        g.setRow(1, {"1", "a"});
        g.appendRows(more);
        QCOMPARE(g.RowCount(), 4);
        QCOMPARE(g.row(2), (QStringList{"7", "p", "", ""}));
        QCOMPARE(g.row(3), (QStringList{"8", "q", "r", "s"}));
        QCOMPARE(g.cell(1, 1), QStringLiteral("a"));
        QCoreApplication::processEvents();
        QCOMPARE(g.rowCount(), 3);
        GridModel h;
        h.setColCount(4);
        h.appendRows(std::move(more));
        QCOMPARE(h.cell(2, 2), QStringLiteral("r"));
    }

    void rangeApplied()
    {
        Chart c;
        ScriptedPrompt prompt;
        int maxScale = 50, minScale = -10;
        QVERIFY(applyScaleRange(c, QStringLiteral("12.7"), QStringLiteral("-3.9"), maxScale, minScale, prompt));
        QCOMPARE(c.manualMaxY(), 12.7);
        QCOMPARE(c.manualMinY(), -3.9);
        QCOMPARE(maxScale, 12);
        QCOMPARE(minScale, -3);
        QCOMPARE(scaleFieldText(12.7), QStringLiteral("12"));
        QCOMPARE(scaleFieldText(-3.9), QStringLiteral("-3"));

        // A bad minimum: the maximum has reached the chart, the remembered
        // scale stays.
        QVERIFY(!applyScaleRange(c, QStringLiteral("80"), QStringLiteral("cold"), maxScale, minScale, prompt));
        QCOMPARE(prompt.errors, QStringList{QStringLiteral("'cold' is not a valid floating point value")});
        QCOMPARE(c.manualMaxY(), 80.0);
        QCOMPARE(c.manualMinY(), -3.9);
        QCOMPARE(maxScale, 12);
        QVERIFY(!applyScaleRange(c, QString(), QStringLiteral("1"), maxScale, minScale, prompt));
        QCOMPARE(c.manualMaxY(), 80.0);
        // A maximum below the minimum goes to the chart as typed.
        QVERIFY(applyScaleRange(c, QStringLiteral("-5"), QStringLiteral("5"), maxScale, minScale, prompt));
        QCOMPARE(c.manualMaxY(), -5.0);
        // Beyond the integers the remembered scale is held at their limit.
        QVERIFY(applyScaleRange(c, QStringLiteral("1e30"), QStringLiteral("0"), maxScale, minScale, prompt));
        QCOMPARE(maxScale, INT_MAX);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(applyScaleRange(c, QStringLiteral("12,7"), QStringLiteral("0"), maxScale, minScale, prompt));
        QCOMPARE(c.manualMaxY(), 12.7);
    }

    // A number the dialog cannot read is told, and the dialog opens again
    // holding what was typed, until both read or the user cancels.
    void rangeDialogComesBackWithWhatWasTyped()
    {
        Chart c;
        ScriptedPrompt prompt;
        int maxScale = 50, minScale = -10;
        prompt.scaleAnswers.enqueue({true, QStringLiteral("80"), QStringLiteral("cold")});
        prompt.scaleAnswers.enqueue({true, QStringLiteral("80"), QStringLiteral("5")});
        Range1Command(prompt, nullptr, &c, maxScale, minScale);
        QCOMPARE(prompt.scaleShown.size(), 2);
        QCOMPARE(prompt.scaleShown.at(1), qMakePair(QStringLiteral("80"), QStringLiteral("cold")));
        QCOMPARE(prompt.errors, QStringList{QStringLiteral("'cold' is not a valid floating point value")});
        QCOMPARE(c.manualMinY(), 5.0);
        QCOMPARE(maxScale, 80);
        QCOMPARE(minScale, 5);

        // Cancel on the second showing ends it, the remembered scale as it was.
        prompt.scaleAnswers.enqueue({true, QStringLiteral("x"), QStringLiteral("1")});
        prompt.scaleAnswers.enqueue({false, QString(), QString()});
        Range1Command(prompt, nullptr, &c, maxScale, minScale);
        QCOMPARE(prompt.scaleShown.size(), 4);
        QCOMPARE(prompt.scaleShown.at(3), qMakePair(QStringLiteral("x"), QStringLiteral("1")));
        QCOMPARE(maxScale, 80);
    }
};

QTEST_MAIN(TestRealTime)
#include "tst_realtime.moc"
