#include "publish/MqttPublisher.h"

#include "publish/MqttSession.h"
#include "publish/Outbox.h"

#include <QFileInfo>
#include <QNetworkInformation>
#include <QThread>

#include <mosquitto.h>

#include <mutex>

namespace kv {

namespace {
bool readable(const QString &path, const QString &what, QString *error)
{
    if (path.isEmpty() || (QFileInfo(path).isFile() && QFileInfo(path).isReadable()))
        return true;
    if (error)
        *error = QStringLiteral("the %1 %2 cannot be read").arg(what, path);
    return false;
}
} // namespace

bool makePublisherConfig(const PublishOptions &options, const QString &device, const QString &version,
                         PublisherConfig &config, QString *error)
{
    if (options.broker.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("no broker is given (mqtt://HOST[:PORT] or mqtts://HOST[:PORT])");
        return false;
    }
    if (!BrokerAddress::parse(options.broker, config.broker, error))
        return false;
    const QString prefix = options.topicPrefix.trimmed();
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')) || prefix.startsWith(QLatin1Char('/'))
        || prefix.endsWith(QLatin1Char('/'))) {
        if (error)
            *error = QStringLiteral("the topic prefix \"%1\" may not hold '+' or '#' nor start or end with '/'")
                         .arg(prefix);
        return false;
    }
    config.prefix = prefix.isEmpty() ? QStringLiteral("kv481") : prefix;
    config.meter = options.meterName.trimmed().isEmpty() ? meterNameForPort(device) : topicLevel(options.meterName);
    if (const QString problem = topicProblem(config.prefix, config.meter); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    config.outboxPath = Outbox::defaultPath(config.broker.text(), config.meter);
    config.retainState = options.retainState;
    if (!readable(options.caFile, QStringLiteral("CA file"), error)
        || !readable(options.certFile, QStringLiteral("certificate file"), error)
        || !readable(options.keyFile, QStringLiteral("key file"), error))
        return false;
    if (!options.certFile.isEmpty() && options.keyFile.isEmpty()) {
        if (error)
            *error = QStringLiteral("a client certificate needs its key file too");
        return false;
    }
    config.caFile = options.caFile;
    config.certFile = options.certFile;
    config.keyFile = options.keyFile;
    config.user = options.user;
    config.version = version;
    if (!readBrokerPassword(options.passwordFile, config.password, error, &config.warning))
        return false;
    // MQTT sends a password only with a user name: one from the environment
    // without a user would be dropped without a word.
    if (options.user.isEmpty() && options.passwordFile.isEmpty() && !config.password.isEmpty()) {
        if (error)
            *error = QStringLiteral("KV481_MQTT_PASSWORD is set but no user is given: the broker takes a password "
                                    "only with a user name");
        return false;
    }
    return true;
}

MqttPublisher::MqttPublisher(QObject *parent)
    : QObject(parent)
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
    qRegisterMetaType<kv::PublisherState>();
    // Where the system tells when the network comes back (NetworkManager on
    // Linux), the next attempt is made then instead of after its wait.
    static std::once_flag network;
    std::call_once(network, [] { QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability); });
    if (QNetworkInformation::instance())
        connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
                &MqttPublisher::onReachability);
}

void MqttPublisher::onReachability()
{
    const auto r = QNetworkInformation::instance()->reachability();
    if (m_state == PublisherState::Waiting
        && (r == QNetworkInformation::Reachability::Online || r == QNetworkInformation::Reachability::Site
            || r == QNetworkInformation::Reachability::Local))
        post([](MqttSession &s) { s.retryNow(); });
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

void MqttPublisher::post(std::function<void(MqttSession &)> call)
{
    if (!m_session)
        return;
    MqttSession *s = m_session;
    QMetaObject::invokeMethod(s, [s, call = std::move(call)] { call(*s); }, Qt::QueuedConnection);
}

void MqttPublisher::start(const PublisherConfig &config)
{
    stop();
    m_config = config;
    m_discoveryModel = 0;
    m_discoveryUnit.clear();
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("mqtt"));
    m_session = new MqttSession(config);
    m_session->moveToThread(m_thread);
    connect(m_session, &MqttSession::status, this, &MqttPublisher::onStatus, Qt::QueuedConnection);
    m_thread->start();
    // The outbox is the connection thread's (a database connection stays on
    // its thread), but whether it can be had is known before anything runs.
    QString error;
    bool opened = true;
    MqttSession *s = m_session;
    QMetaObject::invokeMethod(s, [s, &opened, &error] { opened = s->openOutbox(&error); },
                              Qt::BlockingQueuedConnection);
    if (!opened) {
        stop();
        onStatus(static_cast<int>(PublisherState::Failed), QStringLiteral("MQTT: ") + error);
        return;
    }
    const bool online = m_online;
    const QByteArray topic = availabilityTopic(config.prefix, config.meter);
    post([online, topic](MqttSession &s) {
        s.setRetained({{topic, online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"), true}});
        s.begin();
    });
}

void MqttPublisher::stop(int waitMs)
{
    if (!m_session)
        return;
    MqttSession *s = m_session;
    QMetaObject::invokeMethod(s, [s, waitMs] { s->finish(waitMs); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    // Its thread has ended: nothing runs in it any more.
    disconnect(s, nullptr, this, nullptr);
    const int left = s->left();
    m_lost = s->lost();
    delete s;
    delete m_thread;
    m_session = nullptr;
    m_thread = nullptr;
    onStatus(static_cast<int>(PublisherState::Off), QStringLiteral("MQTT: off"), left);
}

void MqttPublisher::publishReading(const Reading &reading, int model, const QDateTime &when)
{
    if (!m_session)
        return;
    const QString unit = reading.celsius ? QStringLiteral("C") : QStringLiteral("F");
    if (model != m_discoveryModel || unit != m_discoveryUnit) {
        m_discoveryModel = model;
        m_discoveryUnit = unit;
        const QList<MqttMessage> configs = discoveryMessages(m_config.prefix, m_config.meter, model, unit,
                                                             m_config.version);
        post([configs](MqttSession &s) { s.setRetained(configs); });
    }
    MqttMessage message{stateTopic(m_config.prefix, m_config.meter), stateMessage(reading, model, when),
                        m_config.retainState};
    post([message](MqttSession &s) { s.enqueue(message); });
}

void MqttPublisher::setMeterOnline(bool online)
{
    if (online == m_online)
        return;
    m_online = online;
    const QByteArray topic = availabilityTopic(m_config.prefix, m_config.meter);
    post([online, topic](MqttSession &s) {
        s.setRetained({{topic, online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"), true}});
    });
}

void MqttPublisher::onStatus(int state, const QString &text, int waiting)
{
    const auto s = static_cast<PublisherState>(state);
    m_waiting = waiting;
    if (s == m_state && text == m_text)
        return;
    m_state = s;
    m_text = text;
    Q_EMIT statusChanged(s, text);
}

} // namespace kv
