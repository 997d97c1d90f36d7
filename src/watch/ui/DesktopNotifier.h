#pragma once
// Desktop notifications through the freedesktop notification service on
// the session bus. Each alarm has one notification, known by a key of the
// caller's ("T1 high", "link"): a later word on the same alarm replaces it
// rather than stacking a new one, and a cleared alarm's notification goes
// away by itself a few seconds after it said so. Where there is no bus or
// no service, nothing happens and nothing is said.

#include <QHash>
#include <QObject>
#include <QString>

namespace kv {

class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    enum class Urgency { Low = 0, Normal = 1, Critical = 2 };
    static constexpr int kWithdrawMs = 6000;

    explicit DesktopNotifier(QObject *parent = nullptr);

    // Whether the service is there to ask.
    static bool available();

    // Shows the key's notification, replacing the one it has. False when
    // it could not be sent.
    bool show(const QString &key, const QString &summary, const QString &body, Urgency urgency);
    // Replaces the key's notification with this last word and withdraws it
    // after withdrawMs(); nothing when the key has none.
    bool settle(const QString &key, const QString &summary, const QString &body);
    bool has(const QString &key) const { return m_notes.contains(key); }

    void setWithdrawMs(int ms) { m_withdrawMs = ms; }
    int withdrawMs() const { return m_withdrawMs; }

private:
    struct Note
    {
        uint id = 0;            // the service's, 0 until it answered
        bool waiting = false;   // a Notify not yet answered
        bool queued = false;    // a newer text to send once it is
        QString summary, body;
        Urgency urgency = Urgency::Normal;
        bool settling = false;  // withdrawn after m_withdrawMs
        quint64 generation = 0; // a withdrawal is for one generation only
    };
    bool send(const QString &key);
    void answered(const QString &key, uint id);
    void withdraw(const QString &key, quint64 generation);

    QHash<QString, Note> m_notes;
    quint64 m_generations = 0;
    int m_withdrawMs = kWithdrawMs;
};

} // namespace kv
