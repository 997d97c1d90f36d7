#pragma once
// The readings on their way to the broker, oldest first. Messages are handed
// to the connection a few at a time; each stays here until the broker has
// acknowledged it, so a connection that breaks loses nothing: its
// unacknowledged messages go out again, in order, on the next one. While no
// broker can be reached the queue fills up to its capacity, then gives up
// the oldest readings that were not handed out yet, and counts them.
//
// With an outbox every reading is stored on disk before it is queued and
// removed from there once acknowledged; only the next readings due are
// kept in memory, and what an earlier run left in the outbox goes first.

#include "publish/PublishMessages.h"

#include <QList>

#include <deque>

namespace kv {

class Outbox;

class PublishQueue
{
public:
    // A week of readings at one a second.
    static constexpr int kDefaultCapacity = 7 * 24 * 60 * 60;
    // Readings read from the outbox into memory at a time.
    static constexpr int kLoadBatch = 500;

    explicit PublishQueue(int capacity = kDefaultCapacity);

    // Keeps the readings in outbox from now on, after those it already holds.
    void attach(Outbox *outbox);

    void push(MqttMessage message);

    int size() const { return static_cast<int>(m_entries.size() + m_unsaved.size()) + m_onDisk; }
    int capacity() const { return m_capacity; }
    int handedOut() const { return m_handed; }
    // Whether a reading waits to be handed out; brings the next ones from
    // the outbox into memory.
    bool hasWaiting();
    // Readings given up because the queue was full.
    qint64 dropped() const { return m_dropped; }
    // Readings waiting in memory only, as the outbox refused them (a full
    // or failing disk); each new reading offers them to it again.
    int unstored() const;
    // Whether the outbox refused the last reading offered to it.
    bool storeFailing() const { return m_storeFailing; }

    // The oldest message not handed out yet (only after hasWaiting() said so).
    const MqttMessage &nextWaiting();
    // nextWaiting() went to the connection as message id mid.
    void markHanded(int mid);
    // The broker acknowledged message id mid. Acknowledged messages leave
    // the queue from its front, so the order is kept even when the broker
    // acknowledges out of turn. False for an id the queue never handed out.
    bool acknowledge(int mid);
    // The connection is gone: whatever it held unacknowledged waits again.
    void connectionLost();
    // Takes the acknowledged readings out of the outbox, in one go.
    void flush();

private:
    struct Entry
    {
        MqttMessage message;
        qint64 seq = 0; // in the outbox; 0 when only here
        int mid = -1;
        bool acked = false;
    };
    void load();
    void store();
    void dropOldestWaiting();

    std::deque<Entry> m_entries;
    int m_capacity;
    int m_handed = 0;
    qint64 m_dropped = 0;
    Outbox *m_outbox = nullptr;
    int m_onDisk = 0;        // readings in the outbox after those in memory
    qint64 m_lastLoaded = 0; // the outbox number of the last of them in memory
    QList<qint64> m_done;    // acknowledged, still in the outbox
    std::deque<MqttMessage> m_unsaved; // refused by the outbox, after all the above
    bool m_storeFailing = false;
};

} // namespace kv
