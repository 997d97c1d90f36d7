#include "publish/PublishQueue.h"

#include <algorithm>

namespace kv {

PublishQueue::PublishQueue(int capacity)
    : m_capacity(std::max(1, capacity))
{
}

void PublishQueue::push(MqttMessage message)
{
    m_entries.push_back({std::move(message), -1, false});
    // What the connection holds cannot be taken back; the oldest waiting
    // reading gives way.
    if (size() > m_capacity && hasWaiting()) {
        m_entries.erase(m_entries.begin() + m_handed);
        ++m_dropped;
    }
}

void PublishQueue::markHanded(int mid)
{
    if (!hasWaiting())
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
    const auto kept = std::remove_if(m_entries.begin(), end, [](const Entry &e) { return e.acked; });
    m_entries.erase(kept, end);
    for (Entry &e : m_entries)
        e.mid = -1;
    m_handed = 0;
}

} // namespace kv
