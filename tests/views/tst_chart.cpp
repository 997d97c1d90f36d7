// The chart: its cells and block append, what it draws, scales and zoom,
// annotations, its dialog, printing and the state block.

#include "views/Chart.h"
#include "views/ChartColumns.h"
#include "views/ChartCustomizeDialog.h"
#include "views/PlotSurface.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace kv;

namespace {

ChartContents sample(int subsets, int points)
{
    ChartContents c;
    c.data.setSubsets(subsets);
    c.data.setPoints(points);
    for (int s = 0; s < subsets; ++s)
        for (int p = 0; p < points; ++p) {
            c.data.setX(s, p, 46000.5 + p / 86400.0);
            c.data.setY(s, p, float(20 + s + (p % 37) * 0.1));
        }
    c.scale = {true, 46000.5, 46000.6, true, -10, 50};
    c.look.mainTitle = QStringLiteral("Oven");
    c.look.subTitle = QStringLiteral("Batch 7 — Süd");
    c.look.subsetLabels = {QStringLiteral("T1"), QStringLiteral("T2")};
    c.look.subsetColors = {Qt::black, QColor(255, 0, 0, 200)};
    c.look.subsetLineTypes = {0, 3};
    c.look.plotting = PlottingMethod::Step;
    c.look.grid = GridStyle::Solid;
    c.look.background = Background::DarkGradient;
    c.lines = {VertLine{46000.55, 2, Qt::red, QStringLiteral("10:15:30 T1:25.3 T2:OL")}};
    return c;
}

QCPGraphDataContainer &drawn(Chart &c, int s)
{
    return *c.plot()->graph(s)->data();
}

} // namespace

class TestChart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void plotSurfacePaintsAsThePlotDoesWithOrWithoutAnOverlay()
    {
        // Drawn by QCustomPlot and by the surface: the same pixels, overlay empty or not.
        const auto setUp = [](QCustomPlot &p) {
            p.resize(320, 200);
            p.addGraph()->setData({0, 1, 2, 3}, {1, 3, 2, 4});
            p.rescaleAxes();
            p.replot();
            p.replot(); // the surface keeps its clear overlay from now on
        };
        QCustomPlot plain;
        PlotSurface surface;
        setUp(plain);
        setUp(surface);
        QVERIFY(surface.overlayEmpty());
        QCOMPARE(surface.grab().toImage(), plain.grab().toImage());
        // A mark put on the overlay, then moved: no trace left where it was.
        for (const QPointF at : {QPointF(1.5, 2.5), QPointF(0.5, 1.5)}) {
            for (QCustomPlot *p : {static_cast<QCustomPlot *>(&plain), static_cast<QCustomPlot *>(&surface)}) {
                auto *mark = p->itemCount() ? static_cast<QCPItemText *>(p->item(0)) : new QCPItemText(p);
                mark->setLayer(QStringLiteral("overlay"));
                mark->position->setCoords(at);
                mark->setText(QStringLiteral("mark"));
                p->replot();
            }
            QVERIFY(!surface.overlayEmpty());
            QCOMPARE(surface.grab().toImage(), plain.grab().toImage());
        }
    }

    void cellsAndBlockAppend()
    {
        ChartData d;
        d.setSubsets(2);
        d.setPoints(5);
        for (int p = 0; p < 5; ++p) {
            d.setX(0, p, 100 + p);
            d.setY(1, p, float(p));
        }
        d.appendBlock(2);
        QCOMPARE(d.points(), 5);
        QCOMPARE(d.x(0, 0), 102.0);
        QCOMPARE(d.x(0, 2), 104.0);
        QCOMPARE(d.x(0, 3), 0.0);
        QCOMPARE(d.y(1, 0), 2.0f);
        QCOMPARE(d.y(1, 4), 0.0f);
        d.emptySubset(0);
        QCOMPARE(d.x(0, 0), 0.0);
        QVERIFY_THROWS_EXCEPTION(ChartError, d.setX(2, 0, 1.0));
        QVERIFY_THROWS_EXCEPTION(ChartError, d.y(0, 5));
        QVERIFY_THROWS_EXCEPTION(ChartError, d.emptySubset(-1));
        QVERIFY_THROWS_EXCEPTION(ChartError, d.setPoints(-1));
    }

    void nullValuesAndUnsetCellsAreGaps()
    {
        Chart c;
        c.setSubsets(1);
        c.setPoints(6);
        const double t0 = 46000.5;
        for (int p = 0; p < 5; ++p) {
            c.setXData(0, p, t0 + p / 86400.0);
            c.setYData(0, p, 20.0f + p);
        }
        c.setYData(0, 2, 9999.0f); // overload
        c.setXData(0, 3, 0.0);     // never recorded
        c.resetImage();
        QCPGraphDataContainer &g = drawn(c, 0);
        QVector<double> values;
        for (auto it = g.constBegin(); it != g.constEnd(); ++it)
            values << it->value;
        // 20, 21, gap (null), gap (unset), 24; the unset last cell is not drawn.
        QCOMPARE(values.size(), 5);
        QCOMPARE(values[0], 20.0);
        QVERIFY(std::isnan(values[2]));
        QVERIFY(std::isnan(values[3]));
        QCOMPARE(values[4], 24.0);
    }

    void splineAddsPointsUntilTooMany()
    {
        Chart c;
        c.setPoints(10);
        for (int p = 0; p < 10; ++p) {
            c.setXData(0, p, 46000.5 + p / 86400.0);
            c.setYData(0, p, float(p % 3));
        }
        c.look().plotting = PlottingMethod::Spline;
        c.resetImage();
        QVERIFY(drawn(c, 0).size() > 10);
        c.setPoints(5000);
        for (int p = 0; p < 5000; ++p) {
            c.setXData(0, p, 46000.5 + p / 86400.0);
            c.setYData(0, p, float(p % 3));
        }
        c.resetImage();
        QCOMPARE(drawn(c, 0).size(), 5000);
    }

    void splineStaysBetweenItsSamples()
    {
        // Readings where a Catmull-Rom curve bulges above 23.4 and dips
        // below 19.9; one sample comes late (a skipped tick) and the run
        // after the overload only rises.
        const QVector<double> secs{0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14, 15};
        const QVector<float> ys{23.1f, 23.4f, 23.4f, 19.9f, 19.9f, 23.5f, 23.6f, 9999.0f,
                                10.0f, 10.1f,  15.0f, 15.1f, 30.0f};
        Chart c;
        c.setPoints(secs.size() + 2); // two cells never recorded
        for (int p = 0; p < secs.size(); ++p) {
            c.setXData(0, p, 46000.5 + secs[p] / 86400.0);
            c.setYData(0, p, ys[p]);
        }
        c.look().plotting = PlottingMethod::Spline;
        c.resetImage();
        QVector<QCPGraphData> curve;
        for (auto it = drawn(c, 0).constBegin(); it != drawn(c, 0).constEnd(); ++it)
            curve << *it;
        QVERIFY(curve.size() > 3 * secs.size());

        int sample = 0; // the last sample at or before the drawn point
        bool gapSeen = false;
        for (const QCPGraphData &d : std::as_const(curve)) {
            while (sample + 1 < secs.size() && Chart::keyOf(46000.5 + secs[sample + 1] / 86400.0) <= d.key + 1e-6)
                ++sample;
            const double k0 = Chart::keyOf(46000.5 + secs[sample] / 86400.0);
            if (std::isnan(d.value)) {
                gapSeen = true;
                continue;
            }
            if (std::fabs(d.key - k0) < 1e-6) { // the curve goes through the sample
                QCOMPARE(d.value, double(ys[sample]));
                continue;
            }
            QVERIFY(sample + 1 < secs.size());
            const double a = ys[sample], b = ys[sample + 1];
            QVERIFY2(a != 9999.0 && b != 9999.0, "nothing drawn across the overload");
            QVERIFY2(d.value >= std::min(a, b) && d.value <= std::max(a, b),
                     qPrintable(QStringLiteral("%1 between %2 and %3").arg(d.value).arg(a).arg(b)));
        }
        QVERIFY(gapSeen);
        for (float y : ys)
            if (y != 9999.0f)
                QVERIFY(std::any_of(curve.cbegin(), curve.cend(), [y](const QCPGraphData &d) { return d.value == y; }));
        // The rising run after the overload rises throughout.
        double last = -1e9;
        for (const QCPGraphData &d : std::as_const(curve)) {
            if (d.key < Chart::keyOf(46000.5 + 11 / 86400.0) || std::isnan(d.value))
                continue;
            QVERIFY(d.value >= last);
            last = d.value;
        }
    }

    void scalesZoomAndUndo()
    {
        Chart c;
        c.resize(600, 400);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.setPoints(3);
        for (int p = 0; p < 3; ++p) {
            c.setXData(0, p, 46000.5 + p / 1440.0);
            c.setYData(0, p, float(p));
        }
        c.setManualX(46000.5, 46000.6);
        c.setManualY(-10, 50);
        c.resetImage();
        QCOMPARE(c.manualMinX(), 46000.5);
        QCOMPARE(c.manualMaxY(), 50.0);
        QCOMPARE(c.plot()->yAxis->range().upper, 50.0);
        QVERIFY(std::fabs(c.shownMinX() - 46000.5) < 1e-9);

        // A rubber band over the middle zooms both axes.
        QSignalSpy zoomed(&c, &Chart::zoomedIn);
        QWidget *w = c.plot();
        const QRect r = c.plot()->axisRect()->rect();
        const QPoint a = r.topLeft() + QPoint(r.width() / 4, r.height() / 4);
        const QPoint b = r.topLeft() + QPoint(r.width() / 2, r.height() / 2);
        QTest::mousePress(w, Qt::LeftButton, {}, a);
        QMouseEvent move(QEvent::MouseMove, b, w->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, Qt::LeftButton, {}, b);
        QCOMPARE(zoomed.count(), 1);
        QVERIFY(c.isZoomed());
        QVERIFY(c.plot()->yAxis->range().upper < 50.0);
        // A redraw while zoomed keeps the zoom; undo brings back the scales.
        c.resetImage();
        QVERIFY(c.plot()->yAxis->range().upper < 50.0);
        c.undoZoom();
        QVERIFY(!c.isZoomed());
        QCOMPARE(c.plot()->yAxis->range().upper, 50.0);
    }

    // Auto scale fits the readings in view and the values kept in sight
    // with a 5 % margin, is refitted at most once a second, gives way to a
    // zoom by hand and comes back with Undo Zoom; off, the manual scale.
    void autoScale()
    {
        Chart c;
        c.resize(600, 400);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.setPoints(5);
        const float ys[] = {100, 900, 300, 5000};
        for (int p = 0; p < 4; ++p) {
            // The last reading lies after the time shown: not fitted.
            c.setXData(0, p, 46000.5 + (p == 3 ? 0.2 : p / 1440.0));
            c.setYData(0, p, ys[p]);
        }
        c.setManualX(46000.5, 46000.6);
        c.setManualY(-10, 50);
        c.resetImage();
        const auto range = [&c] { return std::make_pair(c.plot()->yAxis->range().lower, c.plot()->yAxis->range().upper); };
        QCOMPARE(range(), std::make_pair(-10.0, 50.0));
        c.autoScaleAction()->trigger();
        QVERIFY(c.autoScale());
        QCOMPARE(range(), std::make_pair(60.0, 940.0));
        c.setKeepInSight({1000.0});
        QCOMPARE(range(), std::make_pair(55.0, 1045.0));

        // A new reading at once waits for the second to end.
        c.setXData(0, 4, 46000.5 + 5 / 1440.0);
        c.setYData(0, 4, 1100);
        c.resetImage();
        QCOMPARE(range().second, 1045.0);
        QTRY_COMPARE_WITH_TIMEOUT(range(), std::make_pair(50.0, 1150.0), 2000);

        QWidget *w = c.plot();
        const QRect r = c.plot()->axisRect()->rect();
        const QPoint a = r.topLeft() + QPoint(r.width() / 4, r.height() / 4);
        const QPoint b = r.topLeft() + QPoint(r.width() / 2, r.height() / 2);
        QTest::mousePress(w, Qt::LeftButton, {}, a);
        QMouseEvent move(QEvent::MouseMove, b, w->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, Qt::LeftButton, {}, b);
        QVERIFY(c.isZoomed());
        QVERIFY(!c.autoScale());
        QVERIFY(!c.autoScaleAction()->isChecked());
        c.resetImage();
        QVERIFY(range().second < 1150.0);
        c.undoZoom();
        QVERIFY(c.autoScale());
        QCOMPARE(range(), std::make_pair(50.0, 1150.0));
        c.setAutoScale(false);
        QCOMPARE(range(), std::make_pair(-10.0, 50.0));
    }

    // T1-T2 is drawn only on a chart of two channels, from the readings
    // (none where either is overloaded), and a saved chart carries it only
    // while it is drawn.
    void differenceLine()
    {
        Chart one;
        one.setDifferenceShown(true);
        QVERIFY(!one.differenceDrawn());
        QCOMPARE(one.plot()->graphCount(), 2);

        Chart c;
        const ChartContents two = sample(2, 4);
        QVERIFY(c.restoreState(saveChartState(two)));
        c.setYData(1, 2, c.nullY());
        const QByteArray without = c.saveState();
        QCOMPARE(without, saveChartState(c.contents()));
        c.differenceAction()->trigger();
        QVERIFY(c.differenceDrawn());
        QCPGraph *line = nullptr;
        for (int g = 0; g < c.plot()->graphCount(); ++g)
            if (c.plot()->graph(g)->name() == Chart::differenceLabel())
                line = c.plot()->graph(g);
        QVERIFY(line);
        QCOMPARE(line->data()->size(), 4);
        QCOMPARE(line->data()->at(0)->value, double(two.data.y(0, 0)) - double(two.data.y(1, 0)));
        QVERIFY(std::isnan(line->data()->at(2)->value));

        ChartContents saved;
        QVERIFY(restoreChartState(c.saveState(), saved, nullptr));
        QCOMPARE(saved.data.subsets(), 3);
        QCOMPARE(saved.look.subsetLabels.value(2), Chart::differenceLabel());
        QCOMPARE(saved.data.y(2, 1), float(double(two.data.y(0, 1)) - double(two.data.y(1, 1))));
        QCOMPARE(saved.data.y(2, 2), c.nullY());
        c.setDifferenceShown(false);
        QCOMPARE(c.saveState(), without);
    }

    // A span of no width (a set of one reading, or one taken at interval 0)
    // is shown as an axis around its time, not refused with the previous
    // axis left standing; the scale itself stays as it was set.
    void emptyTimeSpanGetsAVisibleAxis()
    {
        Chart c;
        c.resize(600, 400);
        c.setManualX(46000.5, 46000.6);
        c.resetImage();
        const double t0 = 46010.25 + 17 / 86400.0;
        c.setManualX(t0, t0);
        c.resetImage();
        QCOMPARE(c.manualMinX(), t0);
        QCOMPARE(c.manualMaxX(), t0);
        QVERIFY2(c.shownMinX() < t0 && c.shownMaxX() > t0,
                 qPrintable(QStringLiteral("%1 .. %2").arg(c.shownMinX(), 0, 'f', 6).arg(c.shownMaxX(), 0, 'f', 6)));
        const double seconds = (c.shownMaxX() - c.shownMinX()) * 86400;
        QVERIFY2(seconds >= 10 && seconds <= 600, qPrintable(QString::number(seconds)));
        // After a zoom, undo comes back to the same axis.
        c.undoZoom();
        QVERIFY(c.shownMinX() < t0 && c.shownMaxX() > t0);
    }

    // Time labels name whole seconds: however short the span, every tick
    // stands on a second, no two ticks carry the same label, and a span
    // from one whole second to another has a label at each end.
    void timeLabelsNeverRepeat_data()
    {
        QTest::addColumn<double>("seconds");
        for (double s : {0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 7.0, 12.0, 25.0, 60.0, 150.0, 3600.0, 3 * 86400.0})
            QTest::addRow("%g s", s) << s;
    }
    void timeLabelsNeverRepeat()
    {
        QFETCH(double, seconds);
        Chart c;
        c.resize(600, 400);
        c.show(); // laid out at that size: the labels are spaced for it
        // Starts as a logger's sets have them: whole seconds of a day.
        for (int second = 0; second < 60; ++second) {
            const double t0 = 46357 + (8 * 3600 + second) / 86400.0;
            c.setManualX(t0, t0 + seconds / 86400.0);
            c.resetImage();
            QVector<double> ticks;
            QVector<QString> labels;
            c.plot()->xAxis->ticker()->generate(c.plot()->xAxis->range(), QLocale(), 'g', 6, ticks, nullptr,
                                                &labels);
            QVERIFY2(labels.size() >= 2, qPrintable(QString::number(second)));
            QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
            for (double t : std::as_const(ticks))
                QVERIFY2(std::fabs(t - std::round(t)) < 1e-6, qPrintable(QString::number(t, 'f', 3)));
        }
    }

    // A reading with no reading beside it (one between two breaks or two
    // overloads, or a set of one sample) has no line to any other: it is
    // drawn as a dot, not left out of the picture.
    void loneReadingsAreDrawn()
    {
        Chart c;
        c.resize(600, 400);
        const double t0 = 46357.5;
        const double second = 1 / 86400.0;
        const float none = std::numeric_limits<float>::quiet_NaN();
        const float overload = c.nullY();
        const QList<QPair<double, float>> cells{{t0, 20.0f},          {t0 + 10 * second, none},
                                                {t0 + 20 * second, 30.0f}, {t0 + 30 * second, overload},
                                                {t0 + 40 * second, 40.0f}, {t0 + 50 * second, overload}};
        c.setPoints(cells.size());
        for (int p = 0; p < cells.size(); ++p) {
            c.setXData(0, p, cells[p].first);
            c.setYData(0, p, cells[p].second);
        }
        c.setManualX(t0 - 10 * second, t0 + 60 * second);
        c.setManualY(0, 50);
        for (const PlottingMethod method : {PlottingMethod::Line, PlottingMethod::Spline, PlottingMethod::Step}) {
            c.look().plotting = method;
            c.resetImage();
            c.plot()->replot();
            const QImage image = c.plot()->toPixmap(600, 400).toImage();
            const auto inkNear = [&](double x, double y) {
                const int px = int(c.plot()->xAxis->coordToPixel(Chart::keyOf(x)));
                const int py = int(c.plot()->yAxis->coordToPixel(y));
                for (int dx = -2; dx <= 2; ++dx)
                    for (int dy = -2; dy <= 2; ++dy)
                        if (qGray(image.pixel(px + dx, py + dy)) < 60)
                            return true;
                return false;
            };
            for (int p : {0, 2, 4})
                QVERIFY2(inkNear(cells[p].first, cells[p].second),
                         qPrintable(QStringLiteral("reading %1, method %2").arg(p).arg(int(method))));
            // Only the readings: nothing where there was none.
            QVERIFY(!inkNear(t0 + 10 * second, 25.0));
            QCOMPARE(c.plot()->legend->itemCount(), 1);
        }
    }

    // A line of many more readings than columns keeps each column's true
    // lowest and highest, its breaks and lone readings; zoomed in to fewer
    // readings than columns, and on pictures, every reading is drawn.
    void manyReadingsArePerColumn()
    {
        const int n = 10000, columns = 100;
        const double t0 = 46000.5, second = 1 / 86400.0;
        std::vector<double> xs(n);
        std::vector<float> ys(n);
        for (int p = 0; p < n; ++p) {
            xs[p] = t0 + p * second;
            ys[p] = float(100 + 50 * std::sin(p / 300.0) + (p % 7));
        }
        ys[4321] = 900.0f;          // a spike of one reading
        ys[5000] = 9999.0f;         // an overload: a break
        ys[5002] = 9999.0f;         // ... and 5001 alone between two
        xs[7000] = 0.0;             // never recorded: a break too
        const double lo = Chart::keyOf(t0), hi = Chart::keyOf(t0 + n * second);
        const SubsetCells cells = subsetCells(xs, ys, n, 9999.0f, lo, hi, columns);
        QVERIFY(cells.sorted);
        QVERIFY(cells.line.size() <= 4 * columns + 8);
        const double width = (hi - lo) / columns;
        for (int c = 0; c < columns; ++c) {
            double trueMin = 1e9, trueMax = -1e9, min = 1e9, max = -1e9;
            for (int p = 0; p < n; ++p) {
                const int at = int((Chart::keyOf(xs[p]) - lo) / width);
                if (xs[p] != 0.0 && ys[p] != 9999.0f && at == c) {
                    trueMin = std::min(trueMin, double(ys[p]));
                    trueMax = std::max(trueMax, double(ys[p]));
                }
            }
            for (const QCPGraphData &d : cells.line)
                if (!std::isnan(d.value) && int((d.key - lo) / width) == c) {
                    min = std::min(min, d.value);
                    max = std::max(max, d.value);
                }
            QCOMPARE(min, trueMin);
            QCOMPARE(max, trueMax);
        }
        const auto breaksNear = [&](double key) {
            return std::count_if(cells.line.begin(), cells.line.end(), [&](const QCPGraphData &d) {
                return std::isnan(d.value) && std::fabs(d.key - key) < 1.5;
            });
        };
        QCOMPARE(breaksNear(Chart::keyOf(xs[5000])), 1);
        QCOMPARE(breaksNear(Chart::keyOf(xs[5002])), 1);
        QCOMPARE(breaksNear(Chart::keyOf(xs[6999])), 1);
        QCOMPARE(cells.lone.size(), 1);
        QCOMPARE(cells.lone[0].value, double(ys[5001]));
        // Fewer readings than columns: every one as it is.
        QCOMPARE(subsetCells(xs, ys, 150, 9999.0f, lo, lo + 150, 400).line.size(), 150);

        Chart c;
        c.resize(600, 400);
        c.setColumnCells(true);
        c.look().plotting = PlottingMethod::Line;
        c.setPoints(n);
        c.setSubsetCells(0, xs, ys);
        c.setNullY(9999.0f);
        c.setManualX(t0, t0 + n * second);
        c.setManualY(0, 1000);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.resetImage();
        c.plot()->replot();
        const int wide = c.plot()->axisRect()->width();
        QVERIFY(drawn(c, 0).size() <= 4 * wide + 16);
        QCOMPARE(std::max_element(drawn(c, 0).constBegin(), drawn(c, 0).constEnd(),
                                  [](const QCPGraphData &a, const QCPGraphData &b) { return a.value < b.value; })
                     ->value,
                 900.0);
        const int full = subsetCells(xs, ys, n, 9999.0f).line.size();
        // A picture draws every reading; the screen's columns come back after.
        bool everyOnPicture = false;
        QMetaObject::Connection seen = connect(c.plot(), &QCustomPlot::afterLayout, this,
                                               [&] { everyOnPicture = drawn(c, 0).size() == full; });
        c.pictureImage(QSize(300, 200));
        disconnect(seen);
        QVERIFY(everyOnPicture);
        QVERIFY(drawn(c, 0).size() <= 4 * wide + 16);
        // Zoomed in on 50 readings: each of them.
        c.plot()->xAxis->setRange(Chart::keyOf(xs[1000]) - 0.5, Chart::keyOf(xs[1049]) + 0.5);
        c.plot()->replot();
        int inView = 0;
        for (const QCPGraphData &d : drawn(c, 0))
            inView += d.key > Chart::keyOf(xs[1000]) - 0.5 && d.key < Chart::keyOf(xs[1049]) + 0.5;
        QCOMPARE(inView, 50);
    }

    void verticalLines()
    {
        Chart c;
        c.setVertLine(0, 46000.5, 2, Qt::red, QStringLiteral("10:15:30 T:25.3"));
        c.resetImage();
        QCOMPARE(c.plot()->itemCount(), 2); // the line and its text
        c.setVertLine(-1, 0, 0, Qt::red, QString());
        c.resetImage();
        QCOMPARE(c.plot()->itemCount(), 0);
    }

    // A line whose colour the background would swallow (the black T1 line
    // on the dark background) is drawn in one that stands out; the look and
    // the stored block keep the colours chosen.
    void linesStandOutAgainstTheBackground()
    {
        const QColor navy(0, 0, 128), yellow(255, 255, 0), red(255, 0, 0, 200);
        QCOMPARE(visibleLineColor(Qt::black, Background::White), QColor(Qt::black));
        QCOMPARE(visibleLineColor(Qt::black, Background::LightGradient), QColor(Qt::black));
        QCOMPARE(visibleLineColor(Qt::black, Background::DarkGradient), QColor(Qt::white));
        QCOMPARE(visibleLineColor(red, Background::DarkGradient), red); // already shows
        const QColor lightNavy = visibleLineColor(navy, Background::DarkGradient);
        QCOMPARE(lightNavy.hslHue(), navy.hslHue()); // still blue, only lighter
        QVERIFY(lightNavy.lightness() > 150);
        const QColor darkYellow = visibleLineColor(yellow, Background::White);
        QCOMPARE(darkYellow.hslHue(), yellow.hslHue());
        QVERIFY(darkYellow.lightness() < 100);
        // Pure blue sits in the middle: turning its lightness round is not
        // enough, it is lightened further; its transparency stays.
        const QColor blue = visibleLineColor(QColor(0, 0, 255, 90), Background::DarkGradient);
        QCOMPARE(blue.hslHue(), 240);
        QCOMPARE(blue.alpha(), 90);
        QVERIFY(blue.lightness() > 150);

        ChartContents contents = sample(2, 10);
        contents.look.subsetColors = {Qt::black, navy};
        contents.look.yAxisColor = Qt::black;
        contents.lines = {VertLine{46000.55, 0, Qt::black, QString()}};
        const QByteArray block = saveChartState(contents);
        Chart chart;
        QVERIFY(chart.restoreState(block));
        chart.resetImage();
        QCOMPARE(chart.plot()->graph(0)->pen().color(), QColor(Qt::white));
        QCOMPARE(chart.plot()->graph(1)->pen().color(), lightNavy);
        QCOMPARE(chart.plot()->yAxis->basePen().color(), QColor(Qt::white));
        auto *line = qobject_cast<QCPItemStraightLine *>(chart.plot()->item(0));
        QVERIFY(line);
        QCOMPARE(line->pen().color(), QColor(Qt::white));
        QCOMPARE(chart.look().subsetColors[0], QColor(Qt::black));
        QCOMPARE(chart.saveState(), block);

        // Back on white the chosen colours are drawn as they are.
        chart.look().background = Background::White;
        chart.resetImage();
        QCOMPARE(chart.plot()->graph(0)->pen().color(), QColor(Qt::black));
        QCOMPARE(chart.plot()->graph(1)->pen().color(), navy);
    }

    void stateRoundTrip()
    {
        const ChartContents c = sample(2, 5000);
        const QByteArray block = saveChartState(c);
        ChartContents back;
        QString error;
        QVERIFY2(restoreChartState(block, back, &error), qPrintable(error));
        QVERIFY(back == c);

        Chart chart;
        QVERIFY(chart.restoreState(block));
        QCOMPARE(chart.subsets(), 2);
        QCOMPARE(chart.points(), 5000);
        QCOMPARE(chart.look().subTitle, c.look.subTitle);
        QCOMPARE(chart.saveState(), block);
    }

    void damagedStateChangesNothing()
    {
        const QByteArray good = saveChartState(sample(2, 50));
        Chart chart;
        chart.setPoints(7);
        chart.setXData(0, 3, 123.0);
        const QByteArray before = chart.saveState();
        QList<QByteArray> bad;
        for (int cut : {0, 3, 5, 6, 40, 200, int(good.size()) - 1})
            bad << good.left(cut);
        bad << good + "x";
        QByteArray magic = good;
        magic[0] = 'X';
        bad << magic;
        QByteArray version = good;
        version[4] = 9;
        bad << version;
        bad << QByteArray(1000, '\xff');
        for (const QByteArray &b : bad) {
            QString error;
            QVERIFY(!chart.restoreState(b, &error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(chart.saveState(), before);
        }
        // A size far beyond the bytes that follow is refused before anything
        // is allocated for it.
        ChartContents one = sample(1, 0);
        QByteArray huge = saveChartState(one);
        const int sizeAt = huge.size() - 4;
        huge[sizeAt] = '\xff';
        huge[sizeAt + 1] = '\xff';
        huge[sizeAt + 2] = '\xff';
        QVERIFY(!chart.restoreState(huge));
    }

    void customizeDialog()
    {
        Chart c;
        c.setSubsets(2);
        c.look().subsetColors = {Qt::black, Qt::red};
        QSignalSpy ended(&c, &Chart::customizeDialogEnded);
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->edtMainTitle->setText(QStringLiteral("Kiln"));
            d->cmbPlotting->setCurrentIndex(int(PlottingMethod::Points));
            d->cmbGrid->setCurrentIndex(int(GridStyle::None));
            d->lineTypes[1]->setCurrentIndex(4);
            d->accept();
        });
        QVERIFY(c.customize());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), true);
        QCOMPARE(c.look().mainTitle, QStringLiteral("Kiln"));
        QCOMPARE(c.look().plotting, PlottingMethod::Points);
        QCOMPARE(c.look().grid, GridStyle::None);
        QCOMPARE(c.look().subsetLineTypes.at(1), 4);

        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            d->edtMainTitle->setText(QStringLiteral("lost"));
            d->reject();
        });
        QVERIFY(!c.customize());
        QCOMPARE(c.look().mainTitle, QStringLiteral("Kiln"));
        QCOMPARE(ended.at(1).at(0).toBool(), false);
    }

    void printsOntoAPage()
    {
        QTemporaryDir dir;
        Chart c;
        c.setSubsets(2);
        c.setPoints(100);
        for (int p = 0; p < 100; ++p) {
            c.setXData(0, p, 46000.5 + p / 8640.0);
            c.setYData(0, p, float(20 + std::sin(p / 10.0) * 5));
            c.setXData(1, p, 46000.5 + p / 8640.0);
            c.setYData(1, p, float(15 + std::cos(p / 10.0) * 5));
        }
        c.resetImage();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setOutputFileName(dir.filePath(QStringLiteral("chart.pdf")));
        c.printTo(printer);
        QFile pdf(dir.filePath(QStringLiteral("chart.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().startsWith("%PDF"));
        if (!qEnvironmentVariableIsEmpty("KV_KEEP_PDF"))
            QFile::copy(pdf.fileName(), qEnvironmentVariable("KV_KEEP_PDF"));
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
