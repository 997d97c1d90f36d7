#include "publish/PublishQueue.h"

#include "publish/Outbox.h"

#include <algorithm>

namespace kv {

PublishQueue::PublishQueue(int capacity)
    : m_capacity(std::max(1, capacity))
{
}

void PublishQueue::attach(Outbox *outbox)
{
    m_outbox = outbox;
    m_onDisk = outbox ? static_cast<int>(outbox->count()) : 0;
    m_lastLoaded = 0;
    // The readings an earlier run left go out before any of this run.
    if (m_onDisk && !m_entries.empty()) {
        std::deque<Entry> mine;
        mine.swap(m_entries);
        m_handed = 0;
        for (Entry &e : mine)
            push(std::move(e.message));
    }
}

void PublishQueue::push(MqttMessage message)
{
    // Readings the disk refused wait in memory, in turn, and are offered to
    // it again before each new one, which therefore waits behind them.
    m_unsaved.push_back(std::move(message));
    store();
    if (size() > m_capacity)
        dropOldestWaiting();
}

void PublishQueue::store()
{
    while (!m_unsaved.empty()) {
        const qint64 seq = m_outbox ? m_outbox->append(m_unsaved.front()) : 0;
        m_storeFailing = m_outbox && !seq;
        if (m_storeFailing)
            return;
        // In memory only what goes out soon; the rest waits on disk its turn.
        const int waitingHere = static_cast<int>(m_entries.size()) - m_handed;
        if (seq && (m_onDisk > 0 || waitingHere >= kLoadBatch)) {
            ++m_onDisk;
        } else {
            m_entries.push_back({std::move(m_unsaved.front()), seq, -1, false});
            if (seq)
                m_lastLoaded = seq;
        }
        m_unsaved.pop_front();
    }
}

int PublishQueue::unstored() const
{
    if (!m_outbox)
        return 0;
    const auto inMemory = std::count_if(m_entries.begin(), m_entries.end(), [](const Entry &e) { return !e.seq; });
    return static_cast<int>(m_unsaved.size() + static_cast<size_t>(inMemory));
}

void PublishQueue::dropOldestWaiting()
{
    // What the connection holds cannot be taken back; the oldest waiting
    // reading gives way.
    if (m_handed < static_cast<int>(m_entries.size())) {
        const qint64 seq = m_entries[static_cast<size_t>(m_handed)].seq;
        m_entries.erase(m_entries.begin() + m_handed);
        if (seq)
            m_outbox->remove({seq});
    } else if (m_onDisk > 0) {
        const qint64 seq = m_outbox->firstAfter(m_lastLoaded);
        if (!seq || !m_outbox->remove({seq}))
            return;
        --m_onDisk;
    } else if (!m_unsaved.empty()) {
        m_unsaved.pop_front();
    } else {
        return;
    }
    ++m_dropped;
}

void PublishQueue::load()
{
    if (m_handed < static_cast<int>(m_entries.size()))
        return;
    store();
    if (m_outbox && m_onDisk > 0) {
        const QList<Outbox::Row> rows = m_outbox->read(m_lastLoaded, kLoadBatch);
        for (const Outbox::Row &r : rows) {
            m_entries.push_back({r.message, r.seq, -1, false});
            m_lastLoaded = r.seq;
        }
        // The outbox holds fewer than counted only when a row could not be
        // read; those stay on disk for the next start.
        m_onDisk = rows.isEmpty() ? 0 : std::max(0, m_onDisk - static_cast<int>(rows.size()));
    }
    // Those the disk still refuses go out from memory, after all it holds.
    if (m_handed == static_cast<int>(m_entries.size()) && m_onDisk == 0)
        while (!m_unsaved.empty()) {
            m_entries.push_back({std::move(m_unsaved.front()), 0, -1, false});
            m_unsaved.pop_front();
        }
}

bool PublishQueue::hasWaiting()
{
    load();
    return m_handed < static_cast<int>(m_entries.size());
}

const MqttMessage &PublishQueue::nextWaiting()
{
    return m_entries[static_cast<size_t>(m_handed)].message;
}

void PublishQueue::markHanded(int mid)
{
    if (m_handed >= static_cast<int>(m_entries.size()))
        return;
    m_entries[static_cast<size_t>(m_handed)].mid = mid;
    ++m_handed;
}

bool PublishQueue::acknowledge(int mid)
{
    const auto end = m_entries.begin() + m_handed;
    const auto it = std::find_if(m_entries.begin(), end, [mid](const Entry &e) { return e.mid == mid && !e.acked; });
    if (it == end)
        return false;
    it->acked = true;
    while (!m_entries.empty() && m_entries.front().acked) {
        if (m_entries.front().seq)
            m_done << m_entries.front().seq;
        m_entries.pop_front();
        --m_handed;
    }
    return true;
}

void PublishQueue::connectionLost()
{
    // The broker has what it acknowledged out of turn; only the rest goes
    // out again.
    const auto end = m_entries.begin() + m_handed;
    for (auto it = m_entries.begin(); it != end; ++it)
        if (it->acked && it->seq)
            m_done << it->seq;
    const auto kept = std::remove_if(m_entries.begin(), end, [](const Entry &e) { return e.acked; });
    m_entries.erase(kept, end);
    for (Entry &e : m_entries)
        e.mid = -1;
    m_handed = 0;
    flush();
}

void PublishQueue::flush()
{
    if (m_done.isEmpty() || !m_outbox)
        return;
    // A removal the disk refuses (full) is tried again with the next ones;
    // left at the end, it sends the reading once more at the next start,
    // which QoS 1 allows. Nothing is lost.
    if (m_outbox->remove(m_done))
        m_done.clear();
}

} // namespace kv
