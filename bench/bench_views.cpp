// Figures for the live views (offscreen):
//  - one sample into a real-time graph holding 4999 points, block shift
//    included, plus an immediate redraw; the same at 1400 points, where the
//    curve is still drawn smooth;
//  - a million rows appended to the real-time list, with the memory it takes
//    and the time to scroll to rows anywhere in it;
//  - saving and restoring a chart state of 2 x 5000 points.
//  - a 5 000-point two-channel graph exported as PNG, SVG and PDF.
//  - auto scale: fitting the value axis of a real-time graph holding 4999
//    two-channel points (with and without the T1-T2 line), alone and with
//    the redraw.
//  - the whole-run graph over a run of `rows` two-channel samples: a full
//    redraw, a zoom step, the run's memory, and a live sample into that run
//    (and into an empty one) with the graph open.
// Usage: bench_views [rows [state|graph|spline|pictures|list|autoscale|wholerun]]   (default: 1000000 rows, all)

#include "link/Reading.h"
#include "views/Chart.h"
#include "views/GraphSetup.h"
#include "views/RealTimeGraph.h"
#include "views/TfrmList.h"
#include "session/LiveRun.h"
#include "views/TfrmWholeRun.h"

#include "support/LinkRig.h"

#include "support/ScriptedPrompt.h"

#include "Figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A two-channel real-time graph, shown, with nothing in it yet.
struct RealTimeChart
{
    QTemporaryDir dir;
    kv::test::ScriptedPrompt prompt;
    kv::Chart chart;
    kv::RealTimeState state;
    static constexpr double t0 = 46000.5, s = 1.0 / 86400.0;

    RealTimeChart()
    {
        const kv::GraphTemplate tmpl = kv::GraphTemplate::locate(dir.filePath(QStringLiteral("KV481")));
        chart.resize(1100, 360);
        chart.show();
        state.realTimeSpan = 100 * s;
        kv::SetupGraph(chart, 2, kv::kRealTimePoints, t0, t0 + state.realTimeSpan, -10, 50, tmpl, prompt);
    }
};

void realTimeGraph(int held, const char *what)
{
    RealTimeChart rt;
    kv::Chart &chart = rt.chart;
    kv::RealTimeState &state = rt.state;
    const double t0 = RealTimeChart::t0, s = RealTimeChart::s;
    int i = 0;
    for (; i < held; ++i)
        kv::AddRealTimePoint(chart, state, 482, false, false, 20 + (i % 50) * 0.1f, t0 + i * s, 18 + (i % 30) * 0.1f);
    chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    std::vector<double> us;
    QElapsedTimer t;
    for (int k = 0; k < (held >= 4999 ? 300 : 100); ++k, ++i) {
        t.start();
        kv::AddRealTimePoint(chart, state, 482, false, false, 20 + (i % 50) * 0.1f, t0 + i * s, 18 + (i % 30) * 0.1f);
        chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings(what, us, "us");
}

void realTimeList(int rows)
{
    kv::TfrmList list([] { return 482; });
    list.resize(900, 600);
    list.show();
    QApplication::processEvents();
    kv::Reading r;
    r.unit1 = r.unit2 = QStringLiteral("C");
    r.statusText = QStringLiteral(" MAX");
    const long before = rssKiB();
    const double t0 = 46000.5;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rows; ++i) {
        r.t1 = 20 + (i % 1000) * 0.1;
        r.t2 = -5 - (i % 100) * 0.1;
        list.AddRealTimeRow(t0 + i / 86400.0, r, 482);
        if (i % 1000 == 0)
            QApplication::processEvents(); // the window repaints as the rows arrive
    }
    const double total = t.nsecsElapsed() / 1e3;
    QApplication::processEvents();
    const long after = rssKiB();
    std::printf("%-46s %9.2f us a row amortized (%d rows in %.2f s)\n", "real-time list: append", total / rows,
                rows, total / 1e6);
    std::printf("%-46s %9.1f MB resident (%.1f MB more than before the rows; store %.1f MB)\n",
                "real-time list: memory", after / 1024.0, (after - before) / 1024.0,
                list.grid()->storeBytes() / 1048576.0);
    std::vector<double> us;
    for (int k = 0; k < 50; ++k) {
        const int row = QRandomGenerator::global()->bounded(rows);
        t.start();
        list.Grid1->scrollTo(list.grid()->index(row, 0), QAbstractItemView::PositionAtCenter);
        list.Grid1->viewport()->repaint();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings("real-time list: scroll to a row and repaint", us, "us");
}

void chartState()
{
    kv::Chart chart;
    chart.setSubsets(2);
    chart.setPoints(5000);
    for (int p = 0; p < 5000; ++p)
        for (int s = 0; s < 2; ++s) {
            chart.setXData(s, p, 46000.5 + p / 86400.0);
            chart.setYData(s, p, 20.0f + p % 77);
        }
    std::vector<double> save, restore;
    QByteArray block;
    QElapsedTimer t;
    for (int k = 0; k < 200; ++k) {
        t.start();
        block = chart.saveState();
        save.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::ChartContents out;
    for (int k = 0; k < 200; ++k) {
        t.start();
        kv::restoreChartState(block, out, nullptr);
        restore.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings("chart state 2 x 5000: save", save, "us");
    kv::bench::printTimings("chart state 2 x 5000: restore", restore, "us");
    std::vector<double> full;
    kv::Chart target;
    for (int k = 0; k < 50; ++k) {
        t.start();
        target.restoreState(block);
        full.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings("chart state 2 x 5000: restore into a chart + draw", full, "us");
    std::printf("%-46s %9.1f KiB\n", "chart state 2 x 5000: block size", block.size() / 1024.0);
}

} // namespace

// A 5 000-point two-channel graph exported as PNG, SVG and PDF, written to
// files through the checked writer: the time of each and the SVG's size.
void graphPictures()
{
    QTemporaryDir dir;
    kv::Chart chart;
    chart.resize(1100, 500);
    chart.show();
    const double t0 = 46000.5, s = 1.0 / 86400.0;
    const int n = 5000;
    chart.setSubsets(2);
    chart.setPoints(n);
    for (int i = 0; i < n; ++i) {
        chart.setXData(0, i, t0 + i * s);
        chart.setXData(1, i, t0 + i * s);
        chart.setYData(0, i, 20 + (i % 50) * 0.1f + (i % 7) * 0.3f);
        chart.setYData(1, i, 18 + (i % 30) * 0.1f - (i % 5) * 0.2f);
    }
    chart.setManualX(t0, t0 + n * s);
    chart.setManualY(10, 30);
    chart.look().mainTitle = QStringLiteral("Five thousand readings");
    chart.resetImage();
    chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    const struct
    {
        kv::Chart::PictureFormat format;
        const char *name, *what;
    } kinds[] = {{kv::Chart::PictureFormat::Png, "g.png", "graph picture: PNG, 5000 points x 2, 1100 x 500"},
                 {kv::Chart::PictureFormat::Svg, "g.svg", "graph picture: SVG, 5000 points x 2"},
                 {kv::Chart::PictureFormat::Pdf, "g.pdf", "graph picture: PDF, 5000 points x 2"}};
    for (const auto &k : kinds) {
        std::vector<double> ms;
        QElapsedTimer t;
        for (int r = 0; r < 15; ++r) {
            t.start();
            chart.exportPicture(dir.filePath(QLatin1String(k.name)), k.format);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        kv::bench::printTimings(k.what, ms, "ms");
    }
    std::printf("%-58s %9.1f KB\n", "graph picture: SVG size", QFile(dir.filePath(QStringLiteral("g.svg"))).size() / 1024.0);
    std::printf("%-58s %9.1f KB\n", "graph picture: PDF size", QFile(dir.filePath(QStringLiteral("g.pdf"))).size() / 1024.0);
}

void autoScaleRefit()
{
    RealTimeChart rt;
    kv::Chart &chart = rt.chart;
    kv::RealTimeState &state = rt.state;
    const double t0 = RealTimeChart::t0, s = RealTimeChart::s;
    for (int i = 0; i < 4999; ++i)
        kv::AddRealTimePoint(chart, state, 482, false, false, 80 + (i % 500) * 2.5f, t0 + i * s, 18 + (i % 30) * 0.1f);
    chart.setAutoScale(true);
    chart.setKeepInSight({100.0, 1200.0});
    chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    for (bool difference : {false, true}) {
        chart.setDifferenceShown(difference);
        std::vector<double> fit, drawn;
        QElapsedTimer t;
        for (int k = 0; k < 300; ++k) {
            t.start();
            chart.fitValueAxis();
            fit.push_back(t.nsecsElapsed() / 1000.0);
            chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
            drawn.push_back(t.nsecsElapsed() / 1000.0);
        }
        kv::bench::printTimings(difference ? "auto scale: re-fit at 4999 points, T1-T2 drawn"
                                           : "auto scale: re-fit at 4999 points",
                                fit, "us");
        kv::bench::printTimings(difference ? "auto scale: re-fit + redraw, T1-T2 drawn"
                                           : "auto scale: re-fit + redraw",
                                drawn, "us");
    }
}

// The whole-run graph over a live run fed by a scripted meter whose T1
// and T2 change every few samples.
void wholeRun(int rows)
{
    QTemporaryDir dir;
    kv::test::LinkRig rig(482);
    kv::LiveRun run(rig.link, rig.clock);
    const kv::GraphTemplate tmpl = kv::GraphTemplate::locate(dir.filePath(QStringLiteral("KV481")));
    const QByteArray frames[] = {QByteArray::fromHex("02800002340000021003"), QByteArray::fromHex("02800002410000019803"),
                                 QByteArray::fromHex("02800003120000025503")};
    int n = 0;
    const auto sample = [&] {
        rig.answer(frames[n++ / 5 % 3]);
        rig.tick();
    };
    rig.connect();
    run.setSamplingRate(1);
    run.run();
    QElapsedTimer t;
    std::vector<double> us, draw;
    const auto liveSamples = [&](kv::TfrmWholeRun &, const char *what) {
        us.clear();
        draw.clear();
        for (int k = 0; k < 300; ++k) {
            t.start();
            sample();
            const qint64 taken = t.nsecsElapsed();
            // The graph redraws as it asks, when the events are handled.
            QApplication::processEvents();
            us.push_back(t.nsecsElapsed() / 1000.0);
            draw.push_back((t.nsecsElapsed() - taken) / 1000.0);
        }
        kv::bench::printTimings(what, us, "us");
        kv::bench::printTimings("  of which the redraw it asked for", draw, "us");
    };
    {
        kv::TfrmWholeRun whole(run, -10, 50, tmpl, rig.prompt);
        whole.resize(1100, 500);
        whole.show();
        QApplication::processEvents();
        liveSamples(whole, "whole run: live sample into an empty run + redraw");
    }
    const long before = rssKiB();
    t.start();
    while (run.rows().count() < rows)
        sample();
    const double fill = t.nsecsElapsed() / 1e9;
    const long after = rssKiB();
    us.clear();
    for (int k = 0; k < 300; ++k) {
        t.start();
        sample();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings("whole run: live sample into the run, no graph open", us, "us");
    std::printf("%-58s %9.1f MB resident more (%d samples, filled in %.1f s)\n", "whole run: run model memory",
                (after - before) / 1024.0, rows, fill);

    kv::TfrmWholeRun whole(run, -10, 50, tmpl, rig.prompt);
    whole.resize(1100, 500);
    whole.show();
    QApplication::processEvents();
    std::vector<double> ms;
    for (int k = 0; k < 30; ++k) {
        t.start();
        whole.refresh();
        whole.PESGraph1->plot()->replot(QCustomPlot::rpImmediateRefresh);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    kv::bench::printTimings("whole run: full redraw, 1100 px", ms, "ms");
    // Zoom steps as the mouse makes them: a rectangle over the middle half,
    // again and again, down to single samples; then back out.
    ms.clear();
    QWidget *plot = whole.PESGraph1->plot();
    const QRect area = whole.PESGraph1->plot()->axisRect()->rect();
    bool every = false;
    for (int round = 0; round < 3; ++round) {
        for (int k = 0; k < 12; ++k) {
            const QPoint a(area.left() + area.width() / 4, area.top() + 5);
            const QPoint b(area.left() + area.width() * 3 / 4, area.bottom() - 5);
            t.start();
            QTest::mousePress(plot, Qt::LeftButton, {}, a);
            QTest::mouseMove(plot, b);
            QTest::mouseRelease(plot, Qt::LeftButton, {}, b);
            QApplication::processEvents();
            whole.PESGraph1->plot()->replot(QCustomPlot::rpImmediateRefresh);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        every = whole.envelope().everySample();
        whole.PESGraph1->undoZoom();
        QApplication::processEvents();
    }
    kv::bench::printTimings("whole run: zoom step (mouse rectangle + redraw)", ms, "ms");
    std::printf("%-58s %s\n", "whole run: the deepest zoom draws every sample", every ? "yes" : "no");
    liveSamples(whole, "whole run: live sample into the run + redraw");
    // The worst case: every sample a new highest reading, so the newest
    // column changes and is drawn each time.
    int rising = 3000;
    us.clear();
    for (int k = 0; k < 300; ++k) {
        rig.answer(QByteArray::fromHex("028000" + QByteArray::number(rising++) + "0000021003"));
        t.start();
        rig.tick();
        QApplication::processEvents();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    kv::bench::printTimings("whole run: rising sample into the run + redraw", us, "us");
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (only.isEmpty() || only == QLatin1String("state"))
        chartState();
    if (only.isEmpty() || only == QLatin1String("graph"))
        realTimeGraph(4999, "real-time graph: sample at 4999 points + redraw");
    if (only.isEmpty() || only == QLatin1String("graph") || only == QLatin1String("spline"))
        realTimeGraph(1400, "real-time graph: sample at 1400 points (spline)");
    if (only.isEmpty() || only == QLatin1String("pictures"))
        graphPictures();
    if (only.isEmpty() || only == QLatin1String("autoscale"))
        autoScaleRefit();
    if (only.isEmpty() || only == QLatin1String("list"))
        realTimeList(rows);
    if (only.isEmpty() || only == QLatin1String("wholerun"))
        wholeRun(rows);
    return 0;
}
