#include "publish/ui/PublishCommand.h"

#include "common/Prompt.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "session/LiveRun.h"
#include "publish/ui/TfrmPublish.h"

#include <QCoreApplication>

namespace kv {

PublishCommand::PublishCommand(LiveRun &run, Prompt &prompt, std::function<int()> samplingRate, QObject *parent)
    : QObject(parent)
    , m_link(run.link())
    , m_prompt(prompt)
    , m_samplingRate(std::move(samplingRate))
{
    connect(&m_publisher, &MqttPublisher::statusChanged, this, [this] { Q_EMIT statusChanged(statusText()); });
    // The meter's clock shown on T2 leaves T1 to publish.
    m_gate.setTakesClockReadings(true);
    connect(&run, &LiveRun::ticked, this, &PublishCommand::onTick);
    connect(&m_link, &MeterLink::connectionChanged, this, [this](bool connected) {
        m_publisher.setMeterOnline(connected);
        apply();
    });
}

PublishCommand::~PublishCommand()
{
    stop();
}

void PublishCommand::setOptions(const PublishOptions &options)
{
    m_options = options;
    m_device.clear();
    m_publisher.stop();
    apply();
}

QString PublishCommand::statusText() const
{
    if (!m_problem.isEmpty())
        return QStringLiteral("MQTT: ") + m_problem;
    if (!m_options.enabled)
        return QString();
    if (!m_publisher.running())
        return QStringLiteral("MQTT: waiting for the meter");
    if (!m_warning.isEmpty())
        return m_publisher.statusText() + QStringLiteral(" (warning: %1)").arg(m_warning);
    return m_publisher.statusText();
}

void PublishCommand::apply()
{
    const QString before = statusText();
    m_problem.clear();
    m_warning.clear();
    if (!m_options.enabled) {
        m_publisher.stop();
    } else if (m_link.connected()) {
        // The meter is named after its port unless the user named it: a
        // meter found on another port under another name is another meter.
        // The same meter followed to a new port name (a name the user gave,
        // or its adapter's serial number) keeps its connection, and with it
        // the readings still waiting for the broker.
        const QString device = m_link.port().deviceName();
        if (!m_publisher.running() || device != m_device) {
            PublisherConfig config;
            QString error;
            if (!makePublisherConfig(m_options, device, QCoreApplication::applicationVersion(), config, &error)) {
                m_publisher.stop();
                m_problem = error;
            } else if (m_publisher.running() && config.meter == m_publisher.config().meter) {
                m_device = device;
                m_warning = config.warning;
            } else {
                m_device = device;
                m_warning = config.warning;
                m_publisher.setMeterOnline(true);
                m_gate.takeNextAtOnce();
                m_publisher.start(config);
                // The outbox is another program's, or cannot be opened.
                if (m_publisher.state() == PublisherState::Failed && !m_publisher.running())
                    m_problem = m_publisher.statusText().mid(6);
            }
        }
    }
    if (statusText() != before)
        Q_EMIT statusChanged(statusText());
}

void PublishCommand::onTick(const LiveSample &s)
{
    // The first tick after the search found the meter starts publishing.
    if (!m_publisher.running() && m_options.enabled && m_problem.isEmpty())
        apply();
    if (!m_publisher.running())
        return;
    // One reading every sampling interval, from a frame of this tick or the
    // one before, never a stale one.
    m_gate.setEvery(m_samplingRate());
    if (m_gate.due(s))
        m_publisher.publishReading(s.reading, s.model(), readingTime(s.dateTime));
}

void PublishCommand::PublishReadings1Click()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new TfrmPublish(
        m_options,
        [this](const QString &what) {
            return m_prompt.openFileName(what, QStringLiteral("All files (*)"), QString());
        },
        m_dialogParent);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::accepted, this, [this] {
        // OK also tries again what did not work, such as a password file
        // that now holds the right password.
        const PublishOptions chosen = m_dialog->options();
        if (chosen != m_options || m_publisher.state() != PublisherState::Connected)
            setOptions(chosen);
    });
    m_dialog->open();
}

void PublishCommand::stop()
{
    m_publisher.stop();
}

} // namespace kv
