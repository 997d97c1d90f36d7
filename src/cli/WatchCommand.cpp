#include "cli/WatchCommand.h"

#include "cli/MeterSearch.h"

#include "cli/LiveRecord.h"
#include "cli/WatchRecord.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/Prompt.h"
#include "link/MeterLink.h"
#include "link/PortList.h"
#include "link/QtSerialPort.h"
#include "session/LiveRun.h"
#include "watch/AlarmCommand.h"
#include "watch/AlarmWatch.h"
#include "watch/RateOfRise.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>

namespace kv {

namespace {

using cli::fail;
using cli::kFailed;
using cli::kMaxInterval;
using cli::kUsage;
using cli::say;

// A number of seconds or degrees from an option; false when it is not one
// or below the least allowed.
bool numberOption(const QString &text, double least, bool leastAllowed, double &out)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || std::isnan(v) || std::isinf(v) || v < least || (!leastAllowed && v == least))
        return false;
    out = v;
    return true;
}

} // namespace

int watchCommand(const QStringList &args)
{
    const QString name = QStringLiteral("watch");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints live readings as read does, and watches them: each alarm limit fires once when a reading crosses "
        "it and clears when the reading is back inside by the hysteresis. An overload (OL) fires the channel's "
        "high alarm. A meter that stops answering is an alarm on channel link. Each event is a line of its own "
        "(a \"#\" comment in csv and tsv, a record with \"event\" in jsonl)."));
    parser.addHelpOption();
    auto add = [&](const QString &option, const QString &text, const QString &value = QString()) {
        QCommandLineOption o(option, text, value);
        parser.addOption(o);
        return o;
    };
    const auto port = add(QStringLiteral("port"), QStringLiteral("Ask only DEVICE."), QStringLiteral("DEVICE"));
    const auto interval = add(QStringLiteral("interval"), QStringLiteral("Seconds between records, 1 to 3660 (default 1)."),
                              QStringLiteral("S"));
    const auto count = add(QStringLiteral("count"), QStringLiteral("Stop after N records."), QStringLiteral("N"));
    const auto format = add(QStringLiteral("format"), QStringLiteral("csv (default), tsv or jsonl."), QStringLiteral("FORMAT"));
    const auto alarm = add(QStringLiteral("alarm"),
                           QStringLiteral("A limit: T1, T2 or T1-T2, then > or <, then the limit in the meter's unit "
                                          "(or with C or F after it), e.g. 'T1>80' or 'T2<-18'; T1 and T2 take "
                                          "-200 to 1370 C (-328 to 2498 F), T1-T2 -1570 to 1570 C (-2826 to 2826 F). "
                                          "Or a rate of rise in degrees a minute: 'rate(T1)>10' fires when T1 rises "
                                          "faster than 10 a minute, 'rate(T1)<-10' when it falls faster (the rate "
                                          "over --rate-window, 30 s unless given). May be repeated."),
                           QStringLiteral("EXPR"));
    const auto hysteresis = add(QStringLiteral("hysteresis"),
                                QStringLiteral("Degrees a reading must come back inside a limit to clear it (default 1)."),
                                QStringLiteral("D"));
    const auto delay = add(QStringLiteral("delay"),
                           QStringLiteral("Seconds a reading must stay past a limit before the alarm fires (default 0)."),
                           QStringLiteral("S"));
    const auto onAlarm = add(QStringLiteral("on-alarm"),
                             QStringLiteral("Run CMD through /bin/sh for each event, one at a time, with no input and "
                                            "its output on the standard error. The event is in the environment, "
                                            "never in CMD's text: KV481_EVENT (alarm or cleared), KV481_CHANNEL (T1, "
                                            "T2, T1-T2 or link), KV481_CAUSE (high, low, overload, rise, fall or "
                                            "lost), KV481_VALUE (the reading, or the rate in degrees a minute; OL for "
                                            "an overload, empty for link), KV481_LIMIT (empty when none), KV481_UNIT "
                                            "(C or F, empty for link) and KV481_TIME (ISO 8601 with the UTC offset). "
                                            "On Ctrl+C or SIGTERM the running CMD and all it started are killed, "
                                            "waiting ones are dropped, and kv481 exits with 130 or 143."),
                             QStringLiteral("CMD"));
    const auto onAlarmTime = add(QStringLiteral("on-alarm-timeout"),
                                 QStringLiteral("Seconds each CMD may run before it is stopped (default 60)."),
                                 QStringLiteral("S"));
    const auto rateWindow = add(QStringLiteral("rate-window"),
                                QStringLiteral("Add each channel's rate of rise (degrees a minute, the least-squares "
                                               "slope over the last S seconds) to every record."),
                                QStringLiteral("S"));

    if (!parser.parse(args))
        return fail(QStringLiteral("%1: %2").arg(name, parser.errorText()), kUsage);
    if (parser.isSet(QStringLiteral("help"))) {
        QString help = parser.helpText();
        help.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: kv481 watch"));
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("%1: unexpected argument \"%2\"").arg(name, parser.positionalArguments().first()),
                    kUsage);

    bool ok = true;
    const int seconds = parser.isSet(interval) ? parser.value(interval).toInt(&ok) : 1;
    if (!ok || seconds < 1 || seconds > kMaxInterval)
        return fail(QStringLiteral("watch: --interval takes whole seconds from 1 to %1").arg(kMaxInterval), kUsage);
    const int wanted = parser.isSet(count) ? parser.value(count).toInt(&ok) : 0;
    if (!ok || wanted < 0 || (parser.isSet(count) && wanted == 0))
        return fail(QStringLiteral("watch: --count takes a whole number above 0"), kUsage);
    LiveFormat fmt = LiveFormat::Csv;
    if (parser.isSet(format) && !parseLiveFormat(parser.value(format), fmt))
        return fail(QStringLiteral("watch: --format takes csv, tsv or jsonl"), kUsage);

    AlarmSettings settings;
    QString limitUnit;
    for (const QString &text : parser.values(alarm)) {
        QString error;
        QString unit;
        if (!parseAlarmExpression(text, settings, &unit, &error))
            return fail(QStringLiteral("watch: --alarm: %1").arg(error), kUsage);
        if (!unit.isEmpty() && !limitUnit.isEmpty() && unit != limitUnit)
            return fail(QStringLiteral("watch: --alarm: give every limit in the same unit"), kUsage);
        if (!unit.isEmpty())
            limitUnit = unit;
    }
    // Without a unit a limit is in the meter's, known at its first reading:
    // until then it must fit the wider of the two.
    {
        AlarmSettings check = settings;
        check.unit = limitUnit.isEmpty() ? QStringLiteral("F") : limitUnit;
        if (!check.outOfRange().isEmpty()) {
            check.unit = limitUnit.isEmpty() ? QStringLiteral("C") : limitUnit;
            return fail(QStringLiteral("watch: --alarm: ") + check.outOfRange(), kUsage);
        }
    }
    if (parser.isSet(hysteresis) && !numberOption(parser.value(hysteresis), 0, true, settings.hysteresis))
        return fail(QStringLiteral("watch: --hysteresis takes degrees, 0 or more"), kUsage);
    if (parser.isSet(delay) && !numberOption(parser.value(delay), 0, true, settings.delaySeconds))
        return fail(QStringLiteral("watch: --delay takes seconds, 0 or more"), kUsage);
    double windowSeconds = 0;
    if (parser.isSet(rateWindow) && !numberOption(parser.value(rateWindow), 0, false, windowSeconds))
        return fail(QStringLiteral("watch: --rate-window takes seconds above 0"), kUsage);
    double commandSeconds = 60;
    if (parser.isSet(onAlarmTime)
        && (!numberOption(parser.value(onAlarmTime), 0, false, commandSeconds) || commandSeconds > 24 * 3600))
        return fail(QStringLiteral("watch: --on-alarm-timeout takes seconds above 0, up to a day"), kUsage);
    if (parser.isSet(onAlarm) && parser.value(onAlarm).trimmed().isEmpty())
        return fail(QStringLiteral("watch: --on-alarm needs a command"), kUsage);

    // The meter, found as `read` finds it.
    MeterSearch search;
    {
        QString why;
        if (!search.search(parser.value(port), {}, &why))
            return fail(why);
    }
    MeterLink &m = search.link;
    QtSerialPort &serial = search.port;
    const int model = m.model();
    const QString device = serial.deviceName();
    if (model == 481
        && (settings[AlarmChannel::T2].anyOn() || settings[AlarmChannel::Difference].anyOn()
            || settings.rate(AlarmChannel::T2).anyOn()))
        return fail(QStringLiteral("watch: --alarm: the meter on %1 is a 481 with T1 only").arg(device), kUsage);

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return fail(QStringLiteral("the standard output cannot be written"));
    int code = 0;
    auto write = [&](const QByteArray &bytes) {
        if (out.write(bytes) != bytes.size() || !out.flush()) {
            if (code == 0)
                fail(QStringLiteral("the standard output cannot be written: %1").arg(out.errorString()));
            code = kFailed;
            QCoreApplication::exit(kFailed);
            return false;
        }
        return true;
    };
    QByteArray header = liveHeader(fmt, model, device, QCoreApplication::applicationVersion());
    if (windowSeconds > 0)
        header = headerWithRates(fmt, header, model);
    if (!write(header))
        return code;

    AlarmWatch watch(SystemClock::instance());
    // Without a unit on the limits they are in the meter's unit, as it
    // shows when the first reading comes.
    bool limitsReady = !limitUnit.isEmpty();
    if (limitsReady)
        settings.unit = limitUnit;
    // Watching is what this command is for: a lost meter is always an event.
    watch.setWatchdogWithoutLimits(true);
    watch.setSettings(settings);
    watch.setRateWindow(windowSeconds > 0 ? windowSeconds : RateOfRise::kDefaultWindowSeconds);
    AlarmCommand commands;
    commands.setCommand(parser.value(onAlarm));
    commands.setLimitMs(static_cast<int>(std::lround(commandSeconds * 1000.0)));
    // The command's own output goes to the standard error: the records on
    // the standard output stay clean.
    QObject::connect(&commands, &AlarmCommand::output, [](const QByteArray &b) {
        std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stderr);
        std::fflush(stderr);
    });
    QObject::connect(&commands, &AlarmCommand::failed,
                     [](const AlarmEvent &, const QString &why) { say(QStringLiteral("--on-alarm: ") + why); });
    auto report = [&](const QVector<AlarmEvent> &events) {
        for (const AlarmEvent &e : events) {
            write(alarmEventLine(fmt, e));
            commands.run(e);
        }
    };
    auto feed = [&](const Reading &r) {
        if (model == 482 && r.clockMode)
            return; // T2 shows the time of day
        if (code != 0)
            return; // ending already: a reading still on its way says nothing twice
        if (!limitsReady) {
            settings.unit = r.unit1;
            if (const QString why = settings.outOfRange(); !why.isEmpty()) {
                fail(QStringLiteral("watch: --alarm: %1 (the meter shows \u00B0%2)").arg(why, r.unit1));
                code = kUsage;
                QCoreApplication::exit(kUsage);
                return;
            }
            watch.setSettings(settings);
            limitsReady = true;
        }
        report(watch.feed(watchSample(r, model)));
    };

    LiveRun run(m, SystemClock::instance());
    // A crossing is seen as soon as its frame is decoded.
    QObject::connect(&run, &LiveRun::frameDecoded, [&](const LiveSample &s) { feed(s.reading); });
    QObject::connect(&m, &MeterLink::connectionChanged, [&](bool connected) {
        say(connected ? QStringLiteral("the meter on %1 answers again").arg(device)
                      : QStringLiteral("the meter on %1 stopped answering; waiting for it").arg(device));
        report(connected ? watch.linkFound() : watch.linkLost());
    });
    QObject::connect(&serial, &QtSerialPort::lost, [&] {
        say(QStringLiteral("%1 has gone; waiting for it to come back").arg(device));
        report(watch.linkLost());
    });

    RateOfRise rate1(windowSeconds > 0 ? windowSeconds : RateOfRise::kDefaultWindowSeconds);
    RateOfRise rate2(rate1.windowSeconds());
    rate1.setSampleInterval(seconds); // a lost meter restarts the slope
    rate2.setSampleInterval(seconds);
    QString rateUnit;
    int written = 0;
    SampleGate gate(seconds);
    QObject::connect(&run, &LiveRun::ticked, [&](const LiveSample &s) {
        if (s.fresh)
            feed(s.reading); // a reading that stays past a limit fires once the delay is over
        if (!gate.due(s))
            return;
        const Reading &r = s.reading;
        const double dateTime = s.dateTime;
        QByteArray record = liveRecord(fmt, model, r, fromDateTimeDouble(dateTime));
        if (windowSeconds > 0) {
            if (r.unit1 != rateUnit) { // a slope across a unit change means nothing
                rate1.clear();
                rate2.clear();
                rateUnit = r.unit1;
            }
            const double at = dateTime * 86400.0;
            rate1.add(at, r.t1Overload ? NAN : r.t1);
            rate2.add(at, r.t2Overload ? NAN : r.t2);
            record = recordWithRates(fmt, record, model, r.t1Overload ? NAN : rate1.perMinute(),
                                     r.t2Overload ? NAN : rate2.perMinute());
        }
        if (!write(record))
            return;
        if (++written == wanted)
            QCoreApplication::exit(0);
    });

    StopOnSignal stop;
    m.requestFrame();
    run.startPolling();
    const int r = QCoreApplication::exec();
    run.stopPolling();
    // Stopped by a signal: the command running now goes with all it
    // started, the events waiting get none, and the status says so.
    commands.finish([] { return StopOnSignal::caught() != 0; });
    if (const int sig = StopOnSignal::caught())
        return 128 + sig;
    return code != 0 ? code : r;
}

} // namespace kv
