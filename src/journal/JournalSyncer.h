#pragma once
// The journal's second thread: it pushes what was written to the disk at
// a fixed interval, closes the files the journal is done with, and runs the
// slower housekeeping (pruning), so the window never waits on the disk.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include <atomic>

namespace kv {

class JournalSyncer
{
public:
    explicit JournalSyncer(std::chrono::milliseconds interval);
    // Syncs and closes every file it still holds.
    ~JournalSyncer();
    JournalSyncer(const JournalSyncer &) = delete;
    JournalSyncer &operator=(const JournalSyncer &) = delete;

    // The file being appended to (-1: none). It stays the caller's until
    // handed back with retire().
    void setCurrent(int fd);
    // Something was written to the current file since its last sync.
    void markDirty() { m_dirty.store(true, std::memory_order_relaxed); }
    // Takes over fd: synced and closed on the thread. If it is the current
    // file, there is no current file afterwards.
    void retire(int fd);
    // Runs job on the thread, after what was handed over before it.
    void post(std::function<void()> job);
    // Syncs now and waits until it is done (and every job posted before).
    void flush();
    // Syncs done so far, for tests and figures.
    long syncCount() const { return m_syncs.load(); }

    // Pushes a file's written bytes to the disk.
    static bool syncFile(int fd);
    static void closeFile(int fd);

private:
    void run();

    const std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    int m_current = -1;
    std::vector<int> m_retired;
    std::vector<std::function<void()>> m_jobs;
    long m_flushRequested = 0;
    long m_flushDone = 0;
    bool m_stop = false;
    std::atomic<bool> m_dirty{false};
    std::atomic<long> m_syncs{0};
    std::thread m_thread;
};

} // namespace kv
