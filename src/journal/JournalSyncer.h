#pragma once
// The journal's second thread. It owns the journal file: it opens it (and
// its "in use" marker), writes each row handed over the moment it arrives,
// pushes what was written to the disk at a fixed interval, closes the file
// when the journal is done with it, and runs the slower housekeeping
// (pruning). The window only puts a copy of the row on a list that takes no
// lock, so it never waits on the disk, nor on this thread, not even while a
// sync holds the file system up. While rows are coming the thread takes
// them every few milliseconds; a row that arrives during a sync is written
// right after it.
//
// Everything handed over is done in the order it was handed over.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {

class JournalSyncer
{
public:
    explicit JournalSyncer(std::chrono::milliseconds interval);
    // Writes out what was handed over, then syncs and closes the file.
    ~JournalSyncer();
    JournalSyncer(const JournalSyncer &) = delete;
    JournalSyncer &operator=(const JournalSyncer &) = delete;

    // Opens path for appending, with its marker, as the file written to
    // from now on. A file that cannot be opened or written marks its
    // generation as failed; its rows are dropped from then on.
    void open(const QString &path, long generation);
    // Bytes for the current file.
    void write(const QByteArray &bytes);
    // The current file is done: synced and closed. A normal end removes
    // its marker; otherwise the marker stays and the journal counts as
    // unfinished.
    void close(bool normalEnd);
    // Runs job on the thread, after what was handed over before it.
    void post(std::function<void()> job);
    // Waits until everything handed over so far has been written to the
    // system, and with sync, pushed to the disk as well.
    void flush(bool sync = true);

    // The file the thread made for a generation's journal, once made: the
    // name it was given, or the next free one of its second.
    QString openedPath(long generation) const;
    // The newest generation that failed (0: none), and why.
    long failedGeneration() const { return m_failedGeneration.load(); }
    QString error() const;

    // Syncs done so far, for tests and figures.
    long syncCount() const { return m_syncs.load(); }

    // Pushes a file's written bytes to the disk.
    static bool syncFile(int fd);
    static void closeFile(int fd);

private:
    struct Step
    {
        enum Kind { Open, Write, Close, Job } kind = Write;
        QByteArray bytes;             // Write
        QString path;                 // Open
        long generation = 0;          // Open
        bool normalEnd = false;       // Close
        std::function<void()> job;    // Job
    };
    struct Node
    {
        Step step;
        Node *next;
    };
    // How often the thread looks for rows while they are coming, and how
    // long after the last one it goes on looking.
    static constexpr std::chrono::milliseconds kRowRound{20};
    static constexpr std::chrono::seconds kQuietAfter{15};

    void hand(Step step, bool wake);
    Node *takeIncoming();
    // Performs the steps in order; true when there were rows among them.
    bool performAll(Node *steps);
    void run();
    void perform(Step &step);
    void fail(const QString &why);

    const std::chrono::milliseconds m_interval;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    // Handed over, not yet taken by the thread, newest first. Handing over
    // never waits for a lock.
    std::atomic<Node *> m_incoming{nullptr};
    std::atomic<bool> m_idle{false};   // the thread sleeps until woken
    std::atomic<bool> m_urgent{false}; // a step that must not wait for the next round
    long m_flushRequested = 0;
    bool m_syncRequested = false;
    long m_flushDone = 0;
    bool m_stop = false;
    QString m_error;
    QString m_openedPath;
    long m_openedGeneration = 0;
    std::atomic<long> m_failedGeneration{0};
    std::atomic<long> m_syncs{0};

    // The thread's own.
    int m_fd = -1;
    QString m_path;
    long m_generation = 0;
    bool m_dirty = false;
    qint64 m_written = 0; // bytes in the file

    std::thread m_thread;
};

} // namespace kv
