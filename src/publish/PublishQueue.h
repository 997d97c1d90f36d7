#pragma once
// The readings on their way to the broker, oldest first. Messages are handed
// to the connection a few at a time; each stays here until the broker has
// acknowledged it, so a connection that breaks loses nothing: its
// unacknowledged messages go out again, in order, on the next one. While no
// broker can be reached the queue fills up to its capacity, then gives up
// the oldest readings that were not handed out yet.

#include "publish/PublishMessages.h"

#include <deque>

namespace kv {

class PublishQueue
{
public:
    // A day of readings at one a second.
    static constexpr int kDefaultCapacity = 24 * 60 * 60;

    explicit PublishQueue(int capacity = kDefaultCapacity);

    void push(MqttMessage message);

    int size() const { return static_cast<int>(m_entries.size()); }
    int capacity() const { return m_capacity; }
    int handedOut() const { return m_handed; }
    bool hasWaiting() const { return m_handed < size(); }
    // Readings given up because the queue was full.
    qint64 dropped() const { return m_dropped; }

    // The oldest message not handed out yet (only while hasWaiting()).
    const MqttMessage &nextWaiting() const { return m_entries[static_cast<size_t>(m_handed)].message; }
    // nextWaiting() went to the connection as message id mid.
    void markHanded(int mid);
    // The broker acknowledged message id mid. Acknowledged messages leave
    // the queue from its front, so the order is kept even when the broker
    // acknowledges out of turn. False for an id the queue never handed out.
    bool acknowledge(int mid);
    // The connection is gone: whatever it held unacknowledged waits again.
    void connectionLost();

private:
    struct Entry
    {
        MqttMessage message;
        int mid = -1;
        bool acked = false;
    };
    std::deque<Entry> m_entries;
    int m_capacity;
    int m_handed = 0;
    qint64 m_dropped = 0;
};

} // namespace kv
