#include "publish/MqttSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRandomGenerator>
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
} // namespace

MqttSession::MqttSession(const PublisherConfig &config)
    : m_config(config)
    , m_availabilityTopic(availabilityTopic(config.prefix, config.meter))
    , m_queue(config.queueCapacity)
{
    // Unique per process, so two programs publishing one meter do not throw
    // each other off the broker; a long meter name is cut, as brokers limit
    // the length of client ids.
    m_clientId = QStringLiteral("kv481-%1-%2")
                     .arg(config.meter.left(40))
                     .arg(QCoreApplication::applicationPid())
                     .toUtf8();
}

bool MqttSession::openOutbox(QString *error)
{
    if (m_config.outboxPath.isEmpty())
        return true;
    m_outbox = std::make_unique<Outbox>();
    if (!m_outbox->open(m_config.outboxPath, error)) {
        m_outbox.reset();
        return false;
    }
    m_queue.attach(m_outbox.get());
    return true;
}

MqttSession::~MqttSession()
{
    teardown();
}

int MqttSession::nextDelay(int delay)
{
    return qMin(delay * 2, kLastRetrySeconds);
}

int MqttSession::jitteredMs(int delay)
{
    return delay * 1000 - static_cast<int>(QRandomGenerator::global()->bounded(delay * 250 + 1));
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
    m_countdown = new QTimer(this);
    m_countdown->setInterval(1000);
    // Whole seconds on the status: a coarse timer may run past them.
    m_countdown->setTimerType(Qt::PreciseTimer);
    m_retry->setTimerType(Qt::PreciseTimer);
    connect(m_countdown, &QTimer::timeout, this, &MqttSession::sayWaiting);
    connectNow();
}

void MqttSession::retryNow()
{
    if (m_retry && m_retry->isActive()) {
        m_retry->stop();
        connectNow();
    }
}

void MqttSession::say(PublisherState state, const QString &text)
{
    Q_EMIT status(static_cast<int>(state), text, m_queue.size());
}

void MqttSession::sayWaiting()
{
    if (!m_retry || !m_retry->isActive()) {
        m_countdown->stop();
        return;
    }
    const int seconds = qMax(1, (m_retry->remainingTime() + 999) / 1000);
    QString text = QStringLiteral("MQTT: reconnecting in %1 s").arg(seconds);
    if (m_queue.size() > 0)
        text += QStringLiteral(", %1 waiting").arg(m_queue.size());
    if (m_queue.dropped() > 0)
        text += QStringLiteral(", %1 oldest dropped").arg(m_queue.dropped());
    text += QStringLiteral(" (%1)").arg(m_waitReason);
    if (const int n = m_queue.unstored())
        text += QStringLiteral("; %1 of them in memory only, lost if the program ends").arg(n);
    say(PublisherState::Waiting, text + storeNote());
}

QString MqttSession::storeNote() const
{
    if (!m_outbox || !m_queue.storeFailing())
        return QString();
    return QStringLiteral("; the outbox on disk refuses readings: %1").arg(m_outbox->lastError());
}

void MqttSession::sayConnected()
{
    m_saidStoreFailing = m_queue.storeFailing();
    say(PublisherState::Connected, QStringLiteral("MQTT: connected") + storeNote());
}

QString MqttSession::tlsFailure() const
{
    if (m_tls && !m_tls->verifyError().isEmpty())
        return QStringLiteral("the broker's certificate is refused: %1").arg(m_tls->verifyError());
    if (!m_tlsLog.isEmpty())
        return QStringLiteral("the secure connection failed: %1").arg(m_tlsLog);
    return QStringLiteral("the secure connection failed");
}

QString MqttSession::mosquittoError(int rc, int savedErrno) const
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    if (rc == MOSQ_ERR_EAI)
        return QStringLiteral("the name %1 cannot be looked up").arg(m_config.broker.host);
    if (rc == MOSQ_ERR_TLS)
        return tlsFailure();
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
    mosquitto_log_callback_set(m_mosq, &MqttSession::onLog);
    mosquitto_max_inflight_messages_set(m_mosq, kWindow);
    static const char offline[] = "offline";
    mosquitto_will_set(m_mosq, m_availabilityTopic.constData(), 7, offline, 1, true);
    if (!m_config.user.isEmpty())
        mosquitto_username_pw_set(m_mosq, m_config.user.toUtf8().constData(),
                                  m_config.password.isEmpty() ? nullptr : m_config.password.constData());
    if (m_config.broker.tls) {
        if (!m_tls) {
            m_tls = std::make_unique<TlsContext>();
            QString error;
            if (!m_tls->setUp(m_config.caFile, m_config.certFile, m_config.keyFile, m_config.broker.host, &error)) {
                m_tls.reset();
                giveUp(error);
                return;
            }
        }
        m_tls->clearVerifyError();
        m_tlsLog.clear();
        // Our context as it is: libmosquitto would otherwise set its own
        // verification over it.
        int rc = mosquitto_int_option(m_mosq, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_void_option(m_mosq, MOSQ_OPT_SSL_CTX, m_tls->handle());
        if (rc != MOSQ_ERR_SUCCESS) {
            giveUp(QStringLiteral("TLS cannot be set up: %1").arg(mosquittoError(rc, errno)));
            return;
        }
    }
    say(PublisherState::Connecting, QStringLiteral("MQTT: connecting to %1").arg(m_config.broker.text()));
    errno = 0;
    const int rc = mosquitto_connect_async(m_mosq, m_config.broker.host.toUtf8().constData(), m_config.broker.port,
                                           m_config.keepAliveSeconds);
    const int savedErrno = errno;
    if (rc == MOSQ_ERR_TLS && m_tls && !m_tls->verifyError().isEmpty()) {
        giveUp(tlsFailure());
        return;
    }
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

void MqttSession::giveUp(const QString &why)
{
    teardown();
    if (m_countdown)
        m_countdown->stop();
    say(PublisherState::Failed, QStringLiteral("MQTT: ") + why);
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
    m_queue.flush();
    if (rc != MOSQ_ERR_SUCCESS) {
        // A certificate that does not verify stays so however often it is
        // tried: like a wrong password, only the user can mend it.
        if (rc == MOSQ_ERR_TLS && m_tls && !m_tls->verifyError().isEmpty()) {
            giveUp(tlsFailure());
            return;
        }
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
    sayConnected();
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
    if (m_connected) {
        handOut();
        // A disk that fills up, or has room again, is news.
        if (m_queue.storeFailing() != m_saidStoreFailing)
            sayConnected();
    }
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
    m_waitReason = why;
    m_retry->start(jitteredMs(delay));
    m_countdown->start();
    sayWaiting();
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
    delete m_countdown;
    m_poll = m_retry = m_connectTimeout = m_countdown = nullptr;
    // The outbox keeps what is still waiting for the next start; its
    // database is closed on the thread that used it.
    m_lost = m_queue.unstored();
    m_left = m_queue.size() - m_lost;
    m_queue.attach(nullptr);
    m_outbox.reset();
    m_tls.reset();
    say(PublisherState::Off, QStringLiteral("MQTT: off"));
}

void MqttSession::onConnect(mosquitto *, void *self, int rc)
{
    auto *s = static_cast<MqttSession *>(self);
    s->m_connackSeen = true;
    s->m_connackRc = rc;
}

void MqttSession::onLog(mosquitto *, void *self, int level, const char *text)
{
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
    if (level != MOSQ_LOG_ERR || !text || std::strncmp(text, "OpenSSL Error", 13) != 0)
        return;
    const QString line = QString::fromUtf8(text);
    static_cast<MqttSession *>(self)->m_tlsLog = line.mid(line.lastIndexOf(QLatin1Char(':')) + 1).trimmed();
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
