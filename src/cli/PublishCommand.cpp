#include "cli/PublishCommand.h"

#include "cli/MeterSearch.h"
#include "common/Clock.h"
#include "link/MeterLink.h"
#include "link/PortList.h"
#include "link/QtSerialPort.h"
#include "session/LiveRun.h"
#include "publish/MqttPublisher.h"
#include "publish/PublishMessages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

using cli::fail;
using cli::kFailed;
using cli::kMaxInterval;
using cli::kUsage;
using cli::say;

} // namespace

int publishCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends live readings to an MQTT broker until interrupted: each reading as JSON on "
                       "PREFIX/NAME/state (QoS 1), the meter's availability on PREFIX/NAME/availability (retained, "
                       "\"offline\" also when the program dies), and Home Assistant discovery configurations. "
                       "Each reading is kept in an outbox on disk (one per broker and meter name, in the "
                       "program's data folder) until the broker acknowledges it: readings taken while the broker "
                       "cannot be reached, or left when the program was stopped or killed, go out first, in order, "
                       "at the next connection. The password comes from --password-file or the environment "
                       "variable KV481_MQTT_PASSWORD (with --user). State changes go to the standard error; a "
                       "refused login or certificate ends the program with status 1."));
    parser.addHelpOption();
    const auto opt = [&parser](const QString &name, const QString &text, const QString &value = QString()) {
        QCommandLineOption o(name, text, value);
        parser.addOption(o);
        return o;
    };
    const auto broker = opt(QStringLiteral("broker"), QStringLiteral("mqtt://HOST[:PORT] or mqtts://HOST[:PORT]."),
                            QStringLiteral("URL"));
    const auto prefix = opt(QStringLiteral("topic-prefix"), QStringLiteral("The topics' first level (default kv481)."),
                            QStringLiteral("P"));
    const auto name = opt(QStringLiteral("name"),
                          QStringLiteral("The meter's name in the topics (default: the port's USB serial number, "
                                         "else its device name)."),
                          QStringLiteral("NAME"));
    const auto interval = opt(QStringLiteral("interval"),
                              QStringLiteral("Seconds between readings, 1 to 3660 (default 1)."), QStringLiteral("S"));
    const auto port = opt(QStringLiteral("port"), QStringLiteral("Ask only DEVICE."), QStringLiteral("DEVICE"));
    const auto ca = opt(QStringLiteral("ca"), QStringLiteral("mqtts: the CA certificate that signed the broker's."),
                        QStringLiteral("FILE"));
    const auto cert = opt(QStringLiteral("cert"), QStringLiteral("mqtts: a client certificate."), QStringLiteral("FILE"));
    const auto key = opt(QStringLiteral("key"), QStringLiteral("mqtts: the client certificate's key."),
                         QStringLiteral("FILE"));
    const auto user = opt(QStringLiteral("user"), QStringLiteral("The user name at the broker."), QStringLiteral("U"));
    const auto passwordFile = opt(QStringLiteral("password-file"),
                                  QStringLiteral("Read the password from the first line of FILE."),
                                  QStringLiteral("FILE"));
    const auto retainState = opt(QStringLiteral("retain-state"),
                                 QStringLiteral("The broker keeps the last reading for whoever subscribes later (Home "
                                                "Assistant shows it after its own restart)."));
    if (!parser.parse(args))
        return fail(QStringLiteral("publish: %1").arg(parser.errorText()), kUsage);
    if (parser.isSet(QStringLiteral("help"))) {
        QString help = parser.helpText();
        help.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: kv481 publish"));
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("publish: unexpected argument \"%1\"").arg(parser.positionalArguments().first()),
                    kUsage);
    if (!parser.isSet(broker))
        return fail(QStringLiteral("publish needs --broker mqtt://HOST[:PORT]"), kUsage);
    bool ok = true;
    const int seconds = parser.isSet(interval) ? parser.value(interval).toInt(&ok) : 1;
    if (!ok || seconds < 1 || seconds > kMaxInterval)
        return fail(QStringLiteral("publish: --interval takes whole seconds from 1 to %1").arg(kMaxInterval), kUsage);

    PublishOptions options;
    options.enabled = true;
    options.broker = parser.value(broker);
    if (parser.isSet(prefix))
        options.topicPrefix = parser.value(prefix);
    options.meterName = parser.value(name);
    options.caFile = parser.value(ca);
    options.certFile = parser.value(cert);
    options.keyFile = parser.value(key);
    options.user = parser.value(user);
    options.passwordFile = parser.value(passwordFile);
    options.retainState = parser.isSet(retainState);
    PublisherConfig config;
    QString error;
    // Everything the options say is checked before the meter is looked for.
    if (!makePublisherConfig(options, QStringLiteral("meter"), QCoreApplication::applicationVersion(), config, &error))
        return fail(QStringLiteral("publish: ") + error, kUsage);
    if (parser.isSet(passwordFile) && !parser.isSet(user))
        return fail(QStringLiteral("publish: --password-file needs --user"), kUsage);
    if (!config.warning.isEmpty())
        say(QStringLiteral("publish: warning: ") + config.warning);

    // The meter, found as `read` finds it.
    MeterSearch search;
    {
        QString why;
        if (!search.search(parser.value(port), {}, &why))
            return fail(why);
    }
    MeterLink &m = search.link;
    QtSerialPort &serial = search.port;
    const QString device = serial.deviceName();
    if (!makePublisherConfig(options, device, QCoreApplication::applicationVersion(), config, &error))
        return fail(QStringLiteral("publish: ") + error, kUsage);

    MqttPublisher publisher;
    int code = 0;
    PublisherState last = PublisherState::Off;
    // On a terminal the wait counts down on one line; in a log only the
    // first line of each wait is written.
#ifdef Q_OS_UNIX
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
#else
    const bool terminal = false;
#endif
    bool lineOpen = false;
    const auto sayLine = [&](const QString &text) {
        if (lineOpen)
            std::fputc('\n', stderr);
        lineOpen = false;
        say(text);
    };
    QObject::connect(&publisher, &MqttPublisher::statusChanged, [&](PublisherState state, const QString &text) {
        // Each attempt after a wait is the wait's own end, not news.
        const bool retry = state == PublisherState::Connecting && last == PublisherState::Waiting;
        const bool countdown = state == PublisherState::Waiting && last == PublisherState::Waiting;
        last = state;
        if (state == PublisherState::Off || retry)
            return;
        if (countdown) {
            if (terminal) {
                std::fprintf(stderr, "\rkv481: %s\033[K", text.toLocal8Bit().constData());
                std::fflush(stderr);
                lineOpen = true;
            }
            return;
        }
        if (state == PublisherState::Failed) {
            sayLine(text);
            code = kFailed;
            QCoreApplication::exit(kFailed);
            return;
        }
        if (state == PublisherState::NotAuthorised) {
            sayLine(options.user.isEmpty()
                    ? QStringLiteral("%1: the broker wants a user and password (--user, --password-file)").arg(text)
                    : QStringLiteral("%1: the broker refused user \"%2\" and its password").arg(text, options.user));
            code = kFailed;
            QCoreApplication::exit(kFailed);
            return;
        }
        sayLine(text);
    });
    say(QStringLiteral("publishing the %1 on %2 as %3/%4").arg(m.model()).arg(device, config.prefix, config.meter));

    LiveRun run(m, SystemClock::instance());
    QObject::connect(&m, &MeterLink::connectionChanged, [&](bool connected) {
        say(connected ? QStringLiteral("the meter on %1 answers again").arg(device)
                      : QStringLiteral("the meter on %1 stopped answering; waiting for it").arg(device));
        publisher.setMeterOnline(connected);
    });
    QObject::connect(&serial, &QtSerialPort::lost, [&] {
        say(QStringLiteral("%1 has gone; waiting for it to come back").arg(device));
        publisher.setMeterOnline(false);
    });
    // A reading every `seconds` ticks, the first at once; the meter's clock
    // shown on T2 leaves T1 to publish.
    SampleGate gate(seconds);
    gate.setTakesClockReadings(true);
    QObject::connect(&run, &LiveRun::ticked, [&](const LiveSample &s) {
        if (gate.due(s))
            publisher.publishReading(s.reading, s.model(), readingTime(s.dateTime));
    });

    StopOnSignal stop;
    publisher.start(config);
    if (code)
        return code; // the outbox is another program's, or cannot be opened
    m.requestFrame();
    run.startPolling();
    const int r = QCoreApplication::exec();
    run.stopPolling();
    // "offline" on the availability topic, and a clean goodbye.
    publisher.stop();
    serial.close();
    // Interrupted: what the outbox still holds is not lost, and the user
    // hears so. (A refusal ends with its reason as the last line.)
    if (!code && publisher.waiting() > 0)
        sayLine(QStringLiteral("%1 readings not yet taken by the broker wait in the outbox %2 for the next start")
                    .arg(publisher.waiting())
                    .arg(config.outboxPath));
    if (publisher.lost() > 0)
        sayLine(QStringLiteral("%1 readings the outbox refused (its disk full or failing) are lost").arg(publisher.lost()));
    return code ? code : r;
}

} // namespace kv
