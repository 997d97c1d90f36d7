#pragma once
// Publishes live readings to an MQTT broker. The connection lives on a
// thread of its own, so neither the window nor the reading ever waits for
// the network: readings are handed over and stored there in the outbox on
// disk, go out with QoS 1 in order, and wait there while the broker cannot
// be reached, through a stop or a crash of the program; the connection is
// tried again after about 1, 2, 4 … up to 30 seconds, and at once when the
// system says the network is back. The broker is told the meter's
// availability (retained, with a last will of "offline") and Home
// Assistant's discovery configurations (retained).

#include "publish/PublishOptions.h"
#include "publish/PublishQueue.h"

#include <QObject>

#include <functional>

class QThread;

namespace kv {

class MqttSession;

struct PublisherConfig
{
    BrokerAddress broker;
    QString prefix = QStringLiteral("kv481");
    QString meter;
    QString caFile, certFile, keyFile;
    QString user;
    QByteArray password;
    QString version;
    int queueCapacity = PublishQueue::kDefaultCapacity;
    int keepAliveSeconds = 30;
    bool retainState = false;
    // The outbox on disk; empty: readings wait in memory only.
    QString outboxPath;
    // What the user should hear about the options that still work.
    QString warning;
};

// The configuration for options, naming the meter after device when the
// options give no name. False with a line for the user when the options
// cannot work (no broker, a file that cannot be read).
bool makePublisherConfig(const PublishOptions &options, const QString &device, const QString &version,
                         PublisherConfig &config, QString *error);

enum class PublisherState {
    Off,
    Connecting,
    Connected,
    Waiting,       // for the next attempt
    NotAuthorised, // the broker refused the user or password; no more attempts
    Failed,        // a fault only the user can mend (certificate, outbox); no more attempts
};

class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    explicit MqttPublisher(QObject *parent = nullptr);
    ~MqttPublisher() override;

    // Starts connecting (after stopping a running connection).
    void start(const PublisherConfig &config);
    // Says "offline" on the availability topic, waits for the broker to take
    // it (at most waitMs) and disconnects. Readings still queued stay in the
    // outbox for the next start.
    void stop(int waitMs = 2000);
    bool running() const { return m_session != nullptr; }
    const PublisherConfig &config() const { return m_config; }

    // Queues one reading of a meter of model, taken at when. The discovery
    // configurations follow the model and unit of the readings.
    void publishReading(const Reading &reading, int model, const QDateTime &when);
    // The meter answers (true) or stopped answering: its availability.
    void setMeterOnline(bool online);

    PublisherState state() const { return m_state; }
    // The state in words, e.g. "MQTT: connected", "MQTT: reconnecting in 8 s,
    // 340 waiting (connection lost)", counting down each second.
    QString statusText() const { return m_text; }
    // Readings not acknowledged by the broker yet (as of the last status).
    int waiting() const { return m_waiting; }
    // After stop(): readings the outbox had refused, lost with the memory.
    int lost() const { return m_lost; }

Q_SIGNALS:
    void statusChanged(kv::PublisherState state, const QString &text);

private:
    void onStatus(int state, const QString &text, int waiting = 0);
    void onReachability();
    void post(std::function<void(MqttSession &)> call);

    PublisherConfig m_config;
    QThread *m_thread = nullptr;
    MqttSession *m_session = nullptr;
    PublisherState m_state = PublisherState::Off;
    QString m_text;
    int m_waiting = 0;
    int m_lost = 0;
    bool m_online = true;
    int m_discoveryModel = 0;
    QString m_discoveryUnit;
};

} // namespace kv

Q_DECLARE_METATYPE(kv::PublisherState)
