#pragma once
// A subscriber for tests, written with libmosquitto: QoS 1, optionally a
// persistent session (clean session off), reconnecting by itself; it keeps
// every message it receives, in order.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtTest>

#include <mosquitto.h>

#include <mutex>

namespace kv::test {

struct Received
{
    QByteArray topic;
    QByteArray payload;
    bool retained = false;
};

class MqttSubscriber
{
public:
    MqttSubscriber(int port, const QString &clientId, const QStringList &topics, bool persistentSession = false,
                   const QString &caFile = QString(), const QString &user = QString(), const QString &password = QString())
        : m_topics(topics)
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(clientId.toUtf8().constData(), !persistentSession, this);
        if (!user.isEmpty())
            mosquitto_username_pw_set(m_mosq, user.toUtf8().constData(), password.toUtf8().constData());
        mosquitto_connect_callback_set(m_mosq, [](mosquitto *m, void *self, int rc) {
            auto *s = static_cast<MqttSubscriber *>(self);
            if (rc != 0)
                return;
            for (const QString &t : s->m_topics)
                mosquitto_subscribe(m, nullptr, t.toUtf8().constData(), 1);
        });
        mosquitto_subscribe_callback_set(m_mosq, [](mosquitto *, void *self, int, int, const int *) {
            auto *s = static_cast<MqttSubscriber *>(self);
            std::lock_guard<std::mutex> lock(s->m_mutex);
            ++s->m_subscribed;
        });
        mosquitto_message_callback_set(m_mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
            auto *s = static_cast<MqttSubscriber *>(self);
            std::lock_guard<std::mutex> lock(s->m_mutex);
            s->m_messages.append({QByteArray(m->topic),
                                  QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
        if (!caFile.isEmpty())
            mosquitto_tls_set(m_mosq, caFile.toLocal8Bit().constData(), nullptr, nullptr, nullptr, nullptr);
        m_connectRc = mosquitto_connect(m_mosq, "127.0.0.1", port, 10);
        mosquitto_loop_start(m_mosq);
    }
    ~MqttSubscriber()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        mosquitto_destroy(m_mosq);
    }

    // Connected and subscribed to every topic (the first time).
    bool ready()
    {
        return m_connectRc == MOSQ_ERR_SUCCESS && QTest::qWaitFor([this] {
                   std::lock_guard<std::mutex> lock(m_mutex);
                   return m_subscribed >= m_topics.size();
               }, 10000);
    }
    QList<Received> messages(const QByteArray &topic = QByteArray()) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (topic.isEmpty())
            return m_messages;
        QList<Received> out;
        for (const Received &r : m_messages)
            if (r.topic == topic)
                out << r;
        return out;
    }
    // Waits (at most ms) until count messages on topic have come.
    bool waitFor(const QByteArray &topic, int count, int ms = 20000) const
    {
        return QTest::qWaitFor([&] { return messages(topic).size() >= count; }, ms);
    }
    QByteArray last(const QByteArray &topic) const
    {
        const QList<Received> m = messages(topic);
        return m.isEmpty() ? QByteArray() : m.last().payload;
    }

private:
    mosquitto *m_mosq = nullptr;
    QStringList m_topics;
    mutable std::mutex m_mutex;
    QList<Received> m_messages;
    int m_subscribed = 0;
    int m_connectRc = MOSQ_ERR_UNKNOWN;
};

} // namespace kv::test
