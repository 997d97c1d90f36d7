// ISO 8601 times with their UTC offset, as the CSV for analysis writes
// them, on the nights the clock changes.

#include "common/DateTime.h"
#include "files/AnalysisCsv.h"

#include <QtTest>

#include <ctime>

using namespace kv;

class TestIsoTimes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    // Readings counted by a clock that did not jump (a logger's set) go
    // through the hour the clock skips in spring and the hour it repeats in
    // autumn; each keeps a real offset, and both writers agree.
    void offsetsAcrossTheClockChanges_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        const QDate spring(2026, 3, 29), autumn(2026, 10, 25);
        QTest::newRow("before spring") << spring << QTime(1, 59, 59) << "2026-03-29T01:59:59+01:00";
        QTest::newRow("skipped hour") << spring << QTime(2, 30, 0) << "2026-03-29T02:30:00+01:00";
        QTest::newRow("after spring") << spring << QTime(3, 0, 0) << "2026-03-29T03:00:00+02:00";
        QTest::newRow("before autumn") << autumn << QTime(1, 30, 0) << "2026-10-25T01:30:00+02:00";
        QTest::newRow("after autumn") << autumn << QTime(3, 0, 0) << "2026-10-25T03:00:00+01:00";
        QTest::newRow("winter") << QDate(2026, 12, 9) << QTime(14, 3, 10) << "2026-12-09T14:03:10+01:00";
    }
    void offsetsAcrossTheClockChanges()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QString, text);
        const double t = toDateTimeDouble(date, time);
        QCOMPARE(isoText(t), text);
        IsoTimes iso;
        iso(toDateTimeDouble(date.addDays(-1), QTime(23, 0))); // an hour worked out before
        QCOMPARE(QString::fromLatin1(iso(t)), text);
    }
};

QTEST_GUILESS_MAIN(TestIsoTimes)
#include "tst_isotimes.moc"
