#include "publish/MqttSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace kv {

namespace {
constexpr int kPollMs = 200;

const char *payloadOf(const MqttMessage &m)
{
    return m.payload.isEmpty() ? nullptr : m.payload.constData();
}

QByteArray fileArg(const QString &path)
{
    return path.isEmpty() ? QByteArray() : path.toLocal8Bit();
}
} // namespace

MqttSession::MqttSession(const PublisherConfig &config)
    : m_config(config)
    , m_availabilityTopic(availabilityTopic(config.prefix, config.meter))
    , m_queue(config.queueCapacity)
{
    // Unique per process, so two programs publishing one meter do not throw
    // each other off the broker.
    m_clientId = QStringLiteral("kv481-%1-%2").arg(config.meter).arg(QCoreApplication::applicationPid()).toUtf8();
}

MqttSession::~MqttSession()
{
    teardown();
}

int MqttSession::nextDelay(int delay)
{
    return qMin(delay * 2, kLastRetrySeconds);
}

void MqttSession::begin()
{
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &MqttSession::service);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &MqttSession::connectNow);
    m_connectTimeout = new QTimer(this);
    m_connectTimeout->setSingleShot(true);
    connect(m_connectTimeout, &QTimer::timeout, this, [this] {
        retryLater(QStringLiteral("no answer from %1").arg(m_config.broker.text()));
    });
    connectNow();
}

void MqttSession::say(PublisherState state, const QString &text)
{
    Q_EMIT status(static_cast<int>(state), text);
}

QString MqttSession::mosquittoError(int rc, int savedErrno) const
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    if (rc == MOSQ_ERR_EAI)
        return QStringLiteral("the name %1 cannot be looked up").arg(m_config.broker.host);
    if (rc == MOSQ_ERR_TLS)
        return QStringLiteral("the secure connection failed (check the CA file and the broker's certificate)");
    QString text = QString::fromUtf8(mosquitto_strerror(rc));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

void MqttSession::connectNow()
{
    teardown();
    m_mosq = mosquitto_new(m_clientId.constData(), true, this);
    if (!m_mosq) {
        retryLater(QStringLiteral("the MQTT client cannot be created"));
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttSession::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttSession::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttSession::onPublish);
    mosquitto_max_inflight_messages_set(m_mosq, kWindow);
    static const char offline[] = "offline";
    mosquitto_will_set(m_mosq, m_availabilityTopic.constData(), 7, offline, 1, true);
    if (!m_config.user.isEmpty())
        mosquitto_username_pw_set(m_mosq, m_config.user.toUtf8().constData(),
                                  m_config.password.isEmpty() ? nullptr : m_config.password.constData());
    if (m_config.broker.tls) {
        const QByteArray ca = fileArg(m_config.caFile), cert = fileArg(m_config.certFile),
                         key = fileArg(m_config.keyFile);
        int rc = MOSQ_ERR_SUCCESS;
        if (ca.isEmpty())
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_tls_set(m_mosq, ca.isEmpty() ? nullptr : ca.constData(), ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                   cert.isEmpty() ? nullptr : cert.constData(), key.isEmpty() ? nullptr : key.constData(),
                                   nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            retryLater(QStringLiteral("the TLS files cannot be used: %1").arg(mosquittoError(rc, errno)));
            return;
        }
    }
    say(PublisherState::Connecting, QStringLiteral("MQTT: connecting to %1").arg(m_config.broker.text()));
    errno = 0;
    const int rc = mosquitto_connect_async(m_mosq, m_config.broker.host.toUtf8().constData(), m_config.broker.port,
                                           m_config.keepAliveSeconds);
    const int savedErrno = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        retryLater(QStringLiteral("cannot reach %1: %2").arg(m_config.broker.text(), mosquittoError(rc, savedErrno)));
        return;
    }
    const int sock = mosquitto_socket(m_mosq);
    m_read = new QSocketNotifier(sock, QSocketNotifier::Read, this);
    m_write = new QSocketNotifier(sock, QSocketNotifier::Write, this);
    connect(m_read, &QSocketNotifier::activated, this, &MqttSession::service);
    connect(m_write, &QSocketNotifier::activated, this, &MqttSession::service);
    m_connectTimeout->start(kConnectTimeoutMs);
    m_poll->start();
    updateNotifiers();
}

void MqttSession::teardown()
{
    delete m_read;
    delete m_write;
    m_read = m_write = nullptr;
    if (m_connectTimeout)
        m_connectTimeout->stop();
    if (m_poll)
        m_poll->stop();
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_connected = false;
    m_connackSeen = false;
    m_queue.connectionLost();
}

void MqttSession::updateNotifiers()
{
    if (m_write && m_mosq)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttSession::service()
{
    if (!m_mosq || m_servicing)
        return;
    m_servicing = true;
    errno = 0;
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    const int savedErrno = errno;
    m_servicing = false;
    if (m_connackSeen && !m_connected) {
        if (m_connackRc != 0) {
            refused(m_connackRc);
            return;
        }
        connected();
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        const bool wasConnected = m_connected;
        retryLater(wasConnected ? QStringLiteral("connection lost")
                                : QStringLiteral("cannot reach %1: %2")
                                      .arg(m_config.broker.text(), mosquittoError(rc, savedErrno)));
        return;
    }
    if (m_connected)
        handOut();
    updateNotifiers();
}

void MqttSession::connected()
{
    m_connected = true;
    m_connectTimeout->stop();
    m_delay = kFirstRetrySeconds;
    for (const MqttMessage &m : std::as_const(m_retained))
        if (!send(m, nullptr))
            return;
    say(PublisherState::Connected, QStringLiteral("MQTT: connected"));
    handOut();
}

bool MqttSession::send(const MqttMessage &m, int *mid)
{
    const int rc = mosquitto_publish(m_mosq, mid, m.topic.constData(), m.payload.size(), payloadOf(m), 1, m.retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        retryLater(QStringLiteral("connection lost"));
        return false;
    }
    return true;
}

void MqttSession::handOut()
{
    while (m_mosq && m_connected && m_queue.hasWaiting() && m_queue.handedOut() < kWindow) {
        int mid = 0;
        if (!send(m_queue.nextWaiting(), &mid))
            return;
        m_queue.markHanded(mid);
    }
    updateNotifiers();
}

void MqttSession::enqueue(const MqttMessage &message)
{
    m_queue.push(message);
    if (m_connected)
        handOut();
}

void MqttSession::setRetained(const QList<MqttMessage> &messages)
{
    for (const MqttMessage &m : messages) {
        if (m_retained.value(m.topic) == m)
            continue;
        m_retained.insert(m.topic, m);
        if (m_connected && !send(m, nullptr))
            return;
    }
    updateNotifiers();
}

void MqttSession::retryLater(const QString &why)
{
    teardown();
    const int delay = m_delay;
    m_delay = nextDelay(m_delay);
    say(PublisherState::Waiting, QStringLiteral("MQTT: reconnecting in %1 s (%2)").arg(delay).arg(why));
    m_retry->start(delay * 1000);
}

void MqttSession::refused(int rc)
{
    teardown();
    if (rc == 4 || rc == 5) {
        // Trying the same user and password again only fills the broker's
        // log; the user has to change them first.
        say(PublisherState::NotAuthorised, QStringLiteral("MQTT: not authorised"));
        return;
    }
    retryLater(QStringLiteral("the broker refused the connection: %1")
                   .arg(QString::fromUtf8(mosquitto_connack_string(rc))));
}

void MqttSession::finish(int waitMs)
{
    if (m_retry)
        m_retry->stop();
    if (m_mosq && m_connected) {
        const MqttMessage offline{m_availabilityTopic, QByteArrayLiteral("offline"), true};
        m_waitedAcked = false;
        if (send(offline, &m_waitedMid)) {
            QDeadlineTimer deadline(waitMs);
            while (m_mosq && !m_waitedAcked && !deadline.hasExpired())
                if (mosquitto_loop(m_mosq, 50, 1) != MOSQ_ERR_SUCCESS)
                    break;
        }
        if (m_mosq) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop(m_mosq, 50, 1);
        }
    }
    teardown();
    delete m_poll;
    delete m_retry;
    delete m_connectTimeout;
    m_poll = m_retry = m_connectTimeout = nullptr;
    say(PublisherState::Off, QStringLiteral("MQTT: off"));
}

void MqttSession::onConnect(mosquitto *, void *self, int rc)
{
    auto *s = static_cast<MqttSession *>(self);
    s->m_connackSeen = true;
    s->m_connackRc = rc;
}

void MqttSession::onDisconnect(mosquitto *, void *, int)
{
    // The loop's return code says the same; it is handled there.
}

void MqttSession::onPublish(mosquitto *, void *self, int mid)
{
    auto *s = static_cast<MqttSession *>(self);
    if (mid == s->m_waitedMid)
        s->m_waitedAcked = true;
    else
        s->m_queue.acknowledge(mid);
}

} // namespace kv
