#include "journal/JournalSyncer.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kv {

JournalSyncer::JournalSyncer(std::chrono::milliseconds interval)
    : m_interval(interval)
    , m_thread([this] { run(); })
{
}

JournalSyncer::~JournalSyncer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool JournalSyncer::syncFile(int fd)
{
#ifdef Q_OS_WIN
    return ::_commit(fd) == 0;
#elif defined(Q_OS_LINUX)
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

void JournalSyncer::closeFile(int fd)
{
#ifdef Q_OS_WIN
    ::_close(fd);
#else
    ::close(fd);
#endif
}

void JournalSyncer::setCurrent(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_current = fd;
}

void JournalSyncer::retire(int fd)
{
    if (fd < 0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current == fd)
            m_current = -1;
        m_retired.push_back(fd);
    }
    m_wake.notify_all();
}

void JournalSyncer::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void JournalSyncer::flush()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const long ticket = ++m_flushRequested;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_flushDone >= ticket; });
}

void JournalSyncer::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto nextSync = std::chrono::steady_clock::now() + m_interval;
    for (;;) {
        m_wake.wait_until(lock, nextSync, [&] {
            return m_stop || !m_retired.empty() || !m_jobs.empty() || m_flushRequested > m_flushDone;
        });
        const bool stopping = m_stop;
        const long flushTicket = m_flushRequested;
        const bool due = std::chrono::steady_clock::now() >= nextSync || flushTicket > m_flushDone || stopping;
        const int current = m_current;
        std::vector<int> retired;
        retired.swap(m_retired);
        std::vector<std::function<void()>> jobs;
        jobs.swap(m_jobs);
        lock.unlock();

        // The current file stays open while it is synced: the writer only
        // hands it back through retire(), which this thread closes.
        if (due) {
            if (current >= 0 && m_dirty.exchange(false, std::memory_order_relaxed)) {
                syncFile(current);
                ++m_syncs;
            }
            nextSync = std::chrono::steady_clock::now() + m_interval;
        }
        for (const int fd : retired) {
            syncFile(fd);
            closeFile(fd);
            ++m_syncs;
        }
        for (auto &job : jobs)
            job();

        lock.lock();
        if (flushTicket > m_flushDone)
            m_flushDone = flushTicket;
        m_done.notify_all();
        if (stopping && m_retired.empty() && m_jobs.empty())
            break;
    }
}

} // namespace kv
