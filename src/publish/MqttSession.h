#pragma once
// The broker connection behind MqttPublisher. It lives on the publisher's
// own thread and is only ever called there: libmosquitto's loop is driven
// by socket notifiers and a short poll timer of that thread, and the
// library's callbacks run inside that loop, so nothing here is shared.

#include "publish/MqttPublisher.h"
#include "publish/Outbox.h"
#include "publish/TlsContext.h"

#include <QMap>

#include <memory>

class QSocketNotifier;
class QTimer;
struct mosquitto;

namespace kv {

class MqttSession : public QObject
{
    Q_OBJECT
public:
    // Messages given to libmosquitto at a time, awaiting their acknowledgement.
    static constexpr int kWindow = 100;
    static constexpr int kFirstRetrySeconds = 1;
    static constexpr int kLastRetrySeconds = 30;
    static constexpr int kConnectTimeoutMs = 15000;

    explicit MqttSession(const PublisherConfig &config);
    ~MqttSession() override;

    // The outbox of the configuration, locked for this program; false with
    // the reason when it cannot be had. Before begin().
    bool openOutbox(QString *error);
    void begin();
    // The network is back: the next attempt at once.
    void retryNow();
    void enqueue(const MqttMessage &message);
    // Retained messages, sent at every connection and at once when they
    // change; one per topic.
    void setRetained(const QList<MqttMessage> &messages);
    // Availability "offline", then a clean disconnect.
    void finish(int waitMs);
    // Readings not acknowledged when finish() ended.
    int left() const { return m_left; }
    // Readings the outbox refused, held in memory only and so lost then.
    int lost() const { return m_lost; }

    // The delay after delay seconds: doubled, at most kLastRetrySeconds.
    static int nextDelay(int delay);
    // The wait for a delay of delay seconds: a quarter of it at random
    // taken off, so that many clients a broker lost do not all come back
    // in the same second.
    static int jitteredMs(int delay);

Q_SIGNALS:
    void status(int state, const QString &text, int waiting);

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    void connectNow();
    void service();
    void connected();
    void handOut();
    bool send(const MqttMessage &message, int *mid);
    // The attempt or the connection failed: try again after the backoff.
    void retryLater(const QString &why);
    void refused(int rc);
    // A fault that trying again cannot mend: said, and no more attempts.
    void giveUp(const QString &why);
    void sayWaiting();
    void sayConnected();
    QString storeNote() const;
    QString tlsFailure() const;
    void teardown();
    void updateNotifiers();
    void say(PublisherState state, const QString &text);
    QString mosquittoError(int rc, int savedErrno) const;

    PublisherConfig m_config;
    QByteArray m_clientId;
    QByteArray m_availabilityTopic;
    mosquitto *m_mosq = nullptr;
    QSocketNotifier *m_read = nullptr;
    QSocketNotifier *m_write = nullptr;
    QTimer *m_poll = nullptr;
    QTimer *m_retry = nullptr;
    QTimer *m_connectTimeout = nullptr;
    QTimer *m_countdown = nullptr;
    QString m_waitReason;
    std::unique_ptr<Outbox> m_outbox;
    std::unique_ptr<TlsContext> m_tls;
    QString m_tlsLog; // the last TLS error libmosquitto logged
    PublishQueue m_queue;
    QMap<QByteArray, MqttMessage> m_retained;
    int m_delay = kFirstRetrySeconds;
    bool m_connected = false;
    bool m_connackSeen = false;
    int m_connackRc = 0;
    int m_waitedMid = -1;
    bool m_waitedAcked = false;
    bool m_servicing = false;
    int m_left = 0;
    int m_lost = 0;
    bool m_saidStoreFailing = false;
};

} // namespace kv
