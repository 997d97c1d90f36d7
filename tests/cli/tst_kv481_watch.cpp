// kv481 watch as a shell runs it, against the meter emulator: alarm events
// in each format, the command run for each event and its environment, the
// lost meter, the rate of rise on a known ramp, and mistakes in alarms.

#include "support/ShellRun.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv::test;

namespace {

// An event line as fields: event, time, channel, cause, value, limit, unit.
QStringList eventFields(const QByteArray &line, const QString &format)
{
    if (format == QLatin1String("jsonl")) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.contains(QStringLiteral("event")))
            return {};
        auto text = [&](const char *k) {
            const QJsonValue v = o.value(QLatin1String(k));
            return v.isNull() ? QString() : v.isDouble() ? QString::number(v.toDouble(), 'f', 1) : v.toString();
        };
        return {text("event"), text("time"), text("channel"), text("cause"), text("value"), text("limit"), text("unit")};
    }
    if (!line.startsWith("# ") || line.startsWith("# kv481") || line.startsWith("# model") || line.startsWith("# port"))
        return {};
    return QString::fromUtf8(line.mid(2)).split(format == QLatin1String("csv") ? QLatin1Char(',') : QLatin1Char('\t'));
}

QList<QStringList> events(const QByteArray &out, const QString &format)
{
    QList<QStringList> e;
    for (const QByteArray &l : outputLines(out))
        if (const QStringList f = eventFields(l, format); !f.isEmpty())
            e << f;
    return e;
}

} // namespace

class TestKv481Watch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void eventsInEachFormatWithTheCommandsEnvironment_data() { addFormatRows(); }
    void eventsInEachFormatWithTheCommandsEnvironment()
    {
        QFETCH(QString, format);
        // T1 past its high limit from the start, T2 below its low limit,
        // the difference inside: one alarm each for T1 and T2, however many
        // readings follow.
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--steady"),
                        QStringLiteral("85.3,-20.5")});
        const QString log = m_dir.filePath(format + QStringLiteral(".log"));
        const Run r = kv481({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                             QStringLiteral("2"), QStringLiteral("--format"), format, QStringLiteral("--alarm"),
                             QStringLiteral("T1>80"), QStringLiteral("--alarm"), QStringLiteral("T2<-18"),
                             QStringLiteral("--alarm"), QStringLiteral("T1-T2<50"), QStringLiteral("--on-alarm"),
                             QStringLiteral("echo \"$KV481_EVENT|$KV481_CHANNEL|$KV481_VALUE|$KV481_LIMIT|$KV481_TIME\" >> '%1'; echo ran")
                                 .arg(log)});
        QCOMPARE(r.exitCode, 0);
        // The command's own output goes to the standard error, never among the records.
        QCOMPARE(r.err.count(QStringLiteral("ran\n")), 2);
        QVERIFY(!r.out.contains("ran"));
        const QList<QStringList> e = events(r.out, format);
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].mid(2), (QStringList{"T1", "high", "85.3", "80.0", "C"}));
        QCOMPARE(e[1].mid(2), (QStringList{"T2", "low", "-20.5", "-18.0", "C"}));
        for (const QStringList &f : e) {
            QCOMPARE(f[0], QStringLiteral("alarm"));
            QVERIFY2(QDateTime::fromString(f[1], Qt::ISODateWithMs).isValid(), qPrintable(f[1]));
        }
        // The events come before the record of the reading that caused them.
        const QList<QByteArray> all = outputLines(r.out);
        const int firstEvent = all.indexOf(all.value(format == QLatin1String("jsonl") ? 0 : 4));
        QVERIFY(!eventFields(all.value(firstEvent), format).isEmpty());

        const QList<QByteArray> ran = outputLines(fileBytes(log));
        QCOMPARE(ran.size(), 2);
        QCOMPARE(ran[0].left(ran[0].lastIndexOf('|')), QByteArray("alarm|T1|85.3|80.0"));
        QCOMPARE(ran[1].left(ran[1].lastIndexOf('|')), QByteArray("alarm|T2|-20.5|-18.0"));
        QCOMPARE(QString::fromUtf8(ran[0].mid(ran[0].lastIndexOf('|') + 1)), e[0][1]);
    }

    void crossingClearsOnceByTheHysteresis()
    {
        // Falling 0.83 degrees a second from 81.2: the alarm at the first
        // reading, cleared at 79.0 or below (hysteresis 1), and only then.
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--steady"),
                        QStringLiteral("81.2"), QStringLiteral("--ramp"), QStringLiteral("-50")});
        const Run r = kv481({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                             QStringLiteral("5"), QStringLiteral("--format"), QStringLiteral("jsonl"),
                             QStringLiteral("--alarm"), QStringLiteral("T1>80")});
        QCOMPARE(r.exitCode, 0);
        const QList<QStringList> e = events(r.out, QStringLiteral("jsonl"));
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0][0], QStringLiteral("alarm"));
        QVERIFY(e[0][4].toDouble() > 80.0);
        QCOMPARE(e[1][0], QStringLiteral("cleared"));
        QVERIFY2(e[1][4].toDouble() <= 79.0 && e[1][4].toDouble() > 78.0, qPrintable(e[1][4]));
    }

    void overloadAndHysteresisInFahrenheitLimits()
    {
        // An open probe: the high alarm names the overload, with no value
        // and no limit; the command sees "OL".
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--steady"),
                        QStringLiteral("2600,20")});
        const QString log = m_dir.filePath(QStringLiteral("ol.log"));
        const Run r = kv481({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                             QStringLiteral("3"), QStringLiteral("--alarm"), QStringLiteral("T1>1000F"),
                             QStringLiteral("--on-alarm"),
                             QStringLiteral("echo \"$KV481_CHANNEL $KV481_VALUE $KV481_LIMIT\" > '%1'").arg(log)});
        QCOMPARE(r.exitCode, 0);
        const QList<QStringList> e = events(r.out, QStringLiteral("csv"));
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].mid(2), (QStringList{"T1", "overload", "", "", "F"}));
        QCOMPARE(fileBytes(log), QByteArray("T1 OL \n"));
    }

    void lostMeterIsAnEventOnLink()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--steady"),
                        QStringLiteral("20")});
        Kv481Process p({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--format"),
                        QStringLiteral("jsonl")});
        QVERIFY(p.started());
        QTRY_VERIFY_WITH_TIMEOUT(p.out().contains("\"t1\""), 10000); // the meter answers
        meter.signal(SIGSTOP); // the meter answers nothing
        QVERIFY2(p.says(QStringLiteral("stopped answering")), qPrintable(p.err()));
        meter.signal(SIGCONT);
        QVERIFY2(p.says(QStringLiteral("answers again")), qPrintable(p.err()));
        p.signal(SIGINT);
        QVERIFY(p.finished(5000));
        QCOMPARE(p.exitCode(), 130);
        const QList<QStringList> e = events(p.out(), QStringLiteral("jsonl"));
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0], (QStringList{"alarm", e[0][1], "link", "lost", "", "", ""}));
        QCOMPARE(e[1], (QStringList{"cleared", e[1][1], "link", "lost", "", "", ""}));
    }

    void rateOfRiseOnAKnownRamp()
    {
        // T1 rises 12 degrees a minute, T2 falls 6. Each record's rate is
        // the least-squares slope of the records of the last 3.5 s (well
        // clear of the second marks), worked out here from what was printed;
        // none until the records span half the window. The rate limits on
        // it fire once each.
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--steady"),
                        QStringLiteral("20,30"), QStringLiteral("--ramp"), QStringLiteral("12,-6")});
        const Run r = kv481({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                             QStringLiteral("7"), QStringLiteral("--rate-window"), QStringLiteral("3.5"),
                             QStringLiteral("--alarm"), QStringLiteral("rate(T1)>8"), QStringLiteral("--alarm"),
                             QStringLiteral("rate(T2)<-3")});
        QCOMPARE(r.exitCode, 0);
        QList<QStringList> e = events(r.out, QStringLiteral("csv"));
        QCOMPARE(e.size(), 2);
        std::sort(e.begin(), e.end(), [](const QStringList &a, const QStringList &b) { return a[2] < b[2]; });
        QCOMPARE(QStringList({e[0][2], e[0][3], e[0][5], e[1][2], e[1][3], e[1][5]}),
                 (QStringList{"T1", "rise", "8.0", "T2", "fall", "-3.0"}));
        QList<QByteArray> rows = dataLines(r.out);
        QCOMPARE(rows.takeFirst(), QByteArray("time,T1,T1 flag,T2,T2 flag,unit,annunciators,T1 rate,T2 rate"));
        QCOMPARE(rows.size(), 7);
        QVector<double> xs, t1s, t2s;
        const QDateTime start = QDateTime::fromString(QString::fromLatin1(rows[0].split(',')[0]), Qt::ISODateWithMs);
        for (const QByteArray &row : rows) {
            const QList<QByteArray> f = row.split(',');
            QCOMPARE(f.size(), 9);
            xs << start.msecsTo(QDateTime::fromString(QString::fromLatin1(f[0]), Qt::ISODateWithMs)) / 1000.0;
            t1s << f[1].toDouble();
            t2s << f[3].toDouble();
            int first = 0;
            while (xs.last() - xs[first] > 3.5)
                ++first;
            // The printed times are whole milliseconds: each may be up to
            // 1 ms off the time the rate was worked out from, which moves
            // the slope by that much times its sensitivity to that time.
            // With the rate printed to a thousandth, that is how far apart
            // the two may be.
            double apart = 0;
            auto slope = [&](const QVector<double> &ys) {
                const int n = xs.size() - first;
                double mx = 0, my = 0;
                for (int i = first; i < xs.size(); ++i) {
                    mx += xs[i] / n;
                    my += ys[i] / n;
                }
                double sxy = 0, sxx = 0;
                for (int i = first; i < xs.size(); ++i) {
                    sxy += (xs[i] - mx) * (ys[i] - my);
                    sxx += (xs[i] - mx) * (xs[i] - mx);
                }
                const double b = sxy / sxx;
                apart = 0.0006;
                for (int i = first; i < xs.size(); ++i)
                    apart += qAbs((ys[i] - my) - 2 * b * (xs[i] - mx)) / sxx * 0.001 * 60.0;
                return b * 60.0;
            };
            // Under half the window is too little for a slope.
            if (xs.last() - xs[first] < 1.75) {
                QVERIFY(f[7].isEmpty());
                continue;
            }
            const double rate1 = slope(t1s);
            QVERIFY2(qAbs(f[7].toDouble() - rate1) < apart, row.constData());
            const double rate2 = slope(t2s);
            QVERIFY2(qAbs(f[8].toDouble() - rate2) < apart, row.constData());
        }
        // And the ramp itself, within what the display's rounding to a tenth
        // of a degree can make of a few seconds: each reading off by up to
        // half a tenth moves the slope by at most that much weighted by its
        // distance from the middle of the window (plus a little for when
        // each reading was taken).
        int first = 0;
        while (xs.last() - xs[first] > 3.5)
            ++first;
        const int n = xs.size() - first;
        double mx = 0;
        for (int i = first; i < xs.size(); ++i)
            mx += xs[i] / n;
        double spread = 0, sxx = 0;
        for (int i = first; i < xs.size(); ++i) {
            spread += qAbs(xs[i] - mx);
            sxx += (xs[i] - mx) * (xs[i] - mx);
        }
        const double rounding = 0.05 * spread / sxx * 60.0 + 0.3;
        QVERIFY2(qAbs(rows.last().split(',')[7].toDouble() - 12.0) < rounding, rows.last().constData());
        QVERIFY2(qAbs(rows.last().split(',')[8].toDouble() + 6.0) < rounding, rows.last().constData());
    }

    void hangingCommandIsStoppedAndTheNextStillRuns()
    {
        // The alarm's command hangs; it is stopped after its time, and the
        // command of the cleared event still runs, after it. The readings go
        // on meanwhile. A command that reads its input finds it empty.
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--steady"),
                        QStringLiteral("84"), QStringLiteral("--ramp"), QStringLiteral("-120")});
        const QString log = m_dir.filePath(QStringLiteral("hang.log"));
        QFile::remove(log);
        const Run r = kv481(
            {QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
             QStringLiteral("4"), QStringLiteral("--format"), QStringLiteral("jsonl"), QStringLiteral("--alarm"),
             QStringLiteral("T1>80"), QStringLiteral("--on-alarm-timeout"), QStringLiteral("1"),
             QStringLiteral("--on-alarm"),
             QStringLiteral("echo \"start $KV481_EVENT\" >> '%1'; [ \"$KV481_EVENT\" = alarm ] && sleep 600; "
                            "cat; echo \"end $KV481_EVENT\" >> '%1'")
                 .arg(log)});
        QCOMPARE(r.exitCode, 0);
        const QList<QStringList> e = events(r.out, QStringLiteral("jsonl"));
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[1][0], QStringLiteral("cleared"));
        QVERIFY2(r.err.contains(QLatin1String("--on-alarm: the command still ran after 1 s; stopped")), qPrintable(r.err));
        QCOMPARE(outputLines(fileBytes(log)), (QList<QByteArray>{"start alarm", "start cleared", "end cleared"}));
    }

    void signalEndsAHangingCommandAndAllItStarted_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<int>("code");
        QTest::newRow("SIGINT") << int(SIGINT) << 130;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    }
    void signalEndsAHangingCommandAndAllItStarted()
    {
        // Two alarms at the first reading: the first one's command starts a
        // child and hangs, the second waits for it. A signal ends both at
        // once, runs nothing more and says so in the status.
        QFETCH(int, sig);
        QFETCH(int, code);
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--steady"),
                        QStringLiteral("85.3,-20.5")});
        const QString pids = m_dir.filePath(QStringLiteral("pids%1").arg(sig));
        Kv481Process p({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--alarm"),
                        QStringLiteral("T1>80"), QStringLiteral("--alarm"), QStringLiteral("T2<-18"),
                        QStringLiteral("--on-alarm"), QStringLiteral("sleep 600 & echo $! >> '%1'; wait").arg(pids)});
        QVERIFY(p.started());
        QTRY_VERIFY_WITH_TIMEOUT(fileBytes(pids).endsWith('\n'), 20000);
        QElapsedTimer took;
        took.start();
        p.signal(sig);
        QVERIFY(p.finished(5000));
        QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(p.exitCode(), code);
        const QList<QByteArray> started = outputLines(fileBytes(pids));
        QCOMPARE(started.size(), 1);
        const QString stat = QStringLiteral("/proc/%1/stat").arg(started[0].toInt());
        // Gone, or dead and waiting for whoever adopted it to reap it.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(stat) || fileBytes(stat).contains(") Z "), 2000);
    }

    void mistakesGiveOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QStringList &a, const char *text) {
            QTest::newRow(name) << a << QString::fromLatin1(text);
        };
        row("no such channel", {"--alarm", "T3>80"}, "\"T3>80\" is no alarm");
        row("no comparison", {"--alarm", "T1=80"}, "\"T1=80\" is no alarm");
        row("no number", {"--alarm", "T1>hot"}, "is no alarm");
        row("doubled comparison", {"--alarm", "T1>>5"}, "\"T1>>5\" is no alarm");
        row("no limit", {"--alarm", "T1>"}, "\"T1>\" is no alarm");
        row("empty", {"--alarm", ""}, "\"\" is no alarm");
        row("line break", {"--alarm", "T1>5\nT2<0"}, "is no alarm");
        row("command time zero", {"--alarm", "T1>80", "--on-alarm-timeout", "0"}, "--on-alarm-timeout");
        row("two high limits", {"--alarm", "T1>80", "--alarm", "T1>90"}, "T1 has two high limits");
        row("low above high", {"--alarm", "T1>80", "--alarm", "T1<90"}, "above the low limit");
        row("units mixed", {"--alarm", "T1>80C", "--alarm", "T2<0F"}, "same unit");
        row("negative hysteresis", {"--alarm", "T1>80", "--hysteresis", "-1"}, "--hysteresis");
        row("delay not a number", {"--alarm", "T1>80", "--delay", "soon"}, "--delay");
        row("rate window zero", {"--rate-window", "0"}, "--rate-window");
        row("empty command", {"--alarm", "T1>80", "--on-alarm", ""}, "--on-alarm");
        row("beyond the meter", {"--alarm", "T1>5000C"}, "-200 to 1370 ");
        row("beyond the meter in F", {"--alarm", "T2<-400F"}, "-328 to 2498 ");
        row("rate falling above 0", {"--alarm", "rate(T1)<10"}, "below 0");
    }
    void mistakesGiveOneLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        // Found before any port is opened: the port named does not exist.
        const Run r = kv481(QStringList{QStringLiteral("watch"), QStringLiteral("--port"),
                                        QStringLiteral("/dev/kv481-absent")}
                            + args);
        verifyOneErrorLine(r, expected);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith(QLatin1String("kv481: watch: ")), qPrintable(r.err));
    }

    void limitsTheMeterCannotWatchRefused()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481")});
        const Run r = kv481({QStringLiteral("watch"), QStringLiteral("--port"), meter.device, QStringLiteral("--alarm"),
                             QStringLiteral("T2<0")});
        verifyOneErrorLine(r, QStringLiteral("481 with T1 only"));
        QCOMPARE(r.exitCode, 2);
        // A limit without a unit that only °F holds, refused once at the first reading.
        Emulator two({QStringLiteral("--steady"), QStringLiteral("20")});
        const Run t = kv481({QStringLiteral("watch"), QStringLiteral("--port"), two.device, QStringLiteral("--alarm"),
                             QStringLiteral("T1>2000")});
        QCOMPARE(t.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(t.err.contains(QStringLiteral("(the meter shows \u00B0C)")), qPrintable(t.err));
    }
};

QTEST_GUILESS_MAIN(TestKv481Watch)
#include "tst_kv481_watch.moc"
