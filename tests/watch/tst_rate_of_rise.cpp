// The rate of rise against slopes worked out by hand, and its running sums
// against a fresh least-squares fit after hours of samples.

#include "watch/RateOfRise.h"

#include <QtTest>

#include <cmath>

using namespace kv;

namespace {

// The least-squares slope in degrees per minute, the long way.
double fit(const QVector<double> &x, const QVector<double> &y)
{
    double mx = 0, my = 0;
    for (int i = 0; i < x.size(); ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= x.size();
    my /= y.size();
    double sxy = 0, sxx = 0;
    for (int i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    return sxy / sxx * 60.0;
}

} // namespace

class TestRateOfRise : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handWorkedSlope()
    {
        RateOfRise r(30);
        QVERIFY(std::isnan(r.perMinute()));
        r.add(100, 20.0);
        QVERIFY(std::isnan(r.perMinute()));
        // 10 s of a 30 s window is too little to call a slope.
        r.add(110, 20.5);
        QVERIFY(std::isnan(r.perMinute()));
        // 20.0, 20.5, 21.5 at 0, 10, 20 s: dx -10, 0, 10; dy -2/3, -1/6, 5/6:
        // 15 / 200 = 0.075 degrees a second, 4.5 a minute.
        r.add(120, 21.5);
        QVERIFY(qAbs(r.perMinute() - 4.5) < 1e-12);
        // 20.0, 20.5, 21.5, 22.0 at 0, 10, 20, 30 s: mean time 15, mean 21;
        // sum of dx*dy = (-15)(-1) + (-5)(-0.5) + 5(0.5) + 15(1) = 35,
        // sum of dx^2 = 500: 0.07 degrees a second, 4.2 a minute.
        r.add(130, 22.0);
        QCOMPARE(r.count(), 4);
        QVERIFY(qAbs(r.perMinute() - 4.2) < 1e-12);
        // 40 s: the sample at 0 s leaves the window; 20.5, 21.5, 22.0, 21.0
        // at 10..40: dx -15,-5,5,15, dy -0.75,0.25,0.75,-0.25 -> 10/500.
        r.add(140, 21.0);
        QCOMPARE(r.count(), 4);
        QVERIFY(qAbs(r.perMinute() - 1.2) < 1e-12);
    }

    void fallingAndSteady()
    {
        RateOfRise r(30);
        for (int s = 0; s <= 60; ++s)
            r.add(s, -18.0 - s * 0.05); // 3 degrees a minute down
        QVERIFY(qAbs(r.perMinute() + 3.0) < 1e-9);
        QCOMPARE(r.count(), 31); // both ends of the window
        RateOfRise steady;
        for (int s = 0; s < 40; ++s)
            steady.add(s, 55.5);
        QCOMPARE(steady.perMinute(), 0.0);
    }

    void overloadsAreGapsAndTheWindowStillMoves()
    {
        RateOfRise r(10);
        for (int s = 0; s <= 10; ++s)
            r.add(s, s * 0.1);
        for (int s = 11; s <= 19; ++s)
            r.add(s, NAN);
        QCOMPARE(r.count(), 2); // 9 and 10 s are still within 10 s of 19,
        QVERIFY(std::isnan(r.perMinute())); // but one second is no slope over ten
        r.add(25, NAN);
        QCOMPARE(r.count(), 0);
        QVERIFY(std::isnan(r.perMinute()));
        for (int s = 26; s <= 31; ++s)
            r.add(s, 50.0 - (s - 26));
        QVERIFY(qAbs(r.perMinute() + 60.0) < 1e-9);

        const QVector<double> series = rateOfRiseSeries({0, 1, 2, 3}, {10.0, 10.5, NAN, 11.5}, 4);
        QVERIFY(std::isnan(series[0]));
        QVERIFY(std::isnan(series[1]));
        QVERIFY(std::isnan(series[2]));
        QVERIFY(qAbs(series[3] - fit({0, 1, 3}, {10.0, 10.5, 11.5})) < 1e-9);
    }

    void restartsAfterAGapAndGrowsItsWindowForLongIntervals()
    {
        // Every 2 s up 3 degrees a minute; a reading two intervals late is
        // no gap, but 10 s without one is: the meter back at 10 degrees
        // starts a slope of its own.
        RateOfRise r(30);
        r.setSampleInterval(2);
        for (int s = 0; s <= 44; s += (s < 40 ? 2 : 4))
            r.add(s, 20.0 + s * 0.05);
        QCOMPARE(r.count(), 15);
        r.add(54, 10.0);
        QCOMPARE(r.count(), 1);
        for (int s = 56; s <= 70; s += 2)
            r.add(s, 10.0);
        QCOMPARE(r.perMinute(), 0.0);
        // A minute between samples, a 30 s window: three samples over two
        // minutes, even with the samples a little late or early.
        RateOfRise slow(30);
        slow.setSampleInterval(60);
        QCOMPARE(slow.effectiveWindowSeconds(), 120.0);
        for (double at : {0.0, 60.4, 119.8, 180.9, 240.2})
            slow.add(at, 20.0 + at / 60.0);
        QCOMPARE(slow.count(), 3);
        QVERIFY(qAbs(slow.perMinute() - 1.0) < 1e-9);
    }

    void runningSumsStayTrueOverHours()
    {
        // A day of samples a second apart, times as large as a date-time in
        // seconds, values with a wobble: the running result matches a fresh
        // fit of the same window all along.
        RateOfRise r(30);
        const double start = 45000.5 * 86400.0;
        QVector<double> xs, ys;
        double worst = 0;
        for (int i = 0; i < 86400; ++i) {
            const double x = start + i + (i % 7) * 0.013;
            const double y = 200.0 + 150.0 * std::sin(i / 900.0) + (i % 5) * 0.1;
            r.add(x, y);
            xs << x - start;
            ys << y;
            while (xs.first() < xs.last() - 30.0) {
                xs.removeFirst();
                ys.removeFirst();
            }
            if (i % 997 == 0 && xs.size() >= 2) {
                QCOMPARE(r.count(), xs.size());
                worst = std::max(worst, qAbs(r.perMinute() - fit(xs, ys)));
            }
        }
        QVERIFY2(worst < 1e-6, qPrintable(QString::number(worst)));
    }
};

QTEST_GUILESS_MAIN(TestRateOfRise)
#include "tst_rate_of_rise.moc"
