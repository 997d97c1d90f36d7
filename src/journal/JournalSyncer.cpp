#include "journal/JournalSyncer.h"

#include "journal/JournalFolder.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

#ifdef Q_OS_WIN
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace kv {

namespace {

// Creates the journal: never an existing file, which another program
// starting a recording in the same second may be writing.
int createForAppend(const QString &path)
{
#ifdef Q_OS_WIN
    int fd = -1;
    _wsopen_s(&fd, reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
              _O_WRONLY | _O_CREAT | _O_EXCL | _O_APPEND | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
#else
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
#endif
}

// Writes all of data; done tells how much of it reached the file.
bool writeAll(int fd, const char *data, qint64 size, qint64 &done)
{
    done = 0;
    while (size > 0) {
#ifdef Q_OS_WIN
        const int n = ::_write(fd, data, static_cast<unsigned>(std::min<qint64>(size, 1 << 30)));
#else
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
#endif
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
        done += n;
    }
    return true;
}

bool cutTo(int fd, qint64 size)
{
#ifdef Q_OS_WIN
    return ::_chsize_s(fd, size) == 0;
#else
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
#endif
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

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

void JournalSyncer::hand(Step step, bool wake)
{
    auto *node = new Node{std::move(step), nullptr};
    Node *head = m_incoming.load(std::memory_order_relaxed);
    do
        node->next = head;
    while (!m_incoming.compare_exchange_weak(head, node));
    // A row is picked up by the thread's own round within a few
    // milliseconds while rows are coming; waking the thread for each would
    // cost the window a system call that a busy machine can stretch to
    // milliseconds. Anything else, and the first row after a quiet spell,
    // wakes it.
    if (wake || m_idle.load()) {
        m_urgent.store(true);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
        }
        m_wake.notify_one();
    }
}

void JournalSyncer::open(const QString &path, long generation)
{
    Step s;
    s.kind = Step::Open;
    s.path = path;
    s.generation = generation;
    hand(std::move(s), true);
}

void JournalSyncer::write(const QByteArray &bytes)
{
    Step s;
    s.kind = Step::Write;
    // A copy of its own, shared with nothing the caller may change.
    s.bytes = QByteArray(bytes.constData(), bytes.size());
    hand(std::move(s), false);
}

void JournalSyncer::close(bool normalEnd)
{
    Step s;
    s.kind = Step::Close;
    s.normalEnd = normalEnd;
    hand(std::move(s), true);
}

void JournalSyncer::post(std::function<void()> job)
{
    Step s;
    s.kind = Step::Job;
    s.job = std::move(job);
    hand(std::move(s), true);
}

void JournalSyncer::flush(bool sync)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const long ticket = ++m_flushRequested;
    if (sync)
        m_syncRequested = true;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_flushDone >= ticket; });
}

QString JournalSyncer::openedPath(long generation) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openedGeneration == generation ? m_openedPath : QString();
}

QString JournalSyncer::error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void JournalSyncer::fail(const QString &why)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = why;
    }
    m_failedGeneration.store(m_generation);
}

void JournalSyncer::perform(Step &step)
{
    switch (step.kind) {
    case Step::Open: {
        m_generation = step.generation;
        QString path = step.path;
        int fd = createForAppend(path);
        // Taken since it was named: the next number of the same second.
        for (int tries = 0; fd < 0 && errno == EEXIST && tries < 100; ++tries) {
            path = JournalFolder::nextJournalPath(path);
            fd = createForAppend(path);
        }
        if (fd < 0) {
            fail(QStringLiteral("The journal %1 could not be opened: %2.")
                     .arg(QDir::toNativeSeparators(path), systemError()));
            return;
        }
        m_fd = fd;
        m_path = path;
        m_dirty = false;
        m_written = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_openedPath = path;
            m_openedGeneration = m_generation;
        }
        JournalFolder::writeMarker(m_path);
        return;
    }
    case Step::Write: {
        if (m_fd < 0)
            return; // the file failed: its rows are dropped
        qint64 done = 0;
        if (!writeAll(m_fd, step.bytes.constData(), step.bytes.size(), done)) {
            fail(QStringLiteral("The journal %1 could not be written: %2.")
                     .arg(QDir::toNativeSeparators(m_path), systemError()));
            // Whatever is in it so far stays, up to its last whole row (a
            // full disk may take part of one), and nothing is added after
            // the gap.
            const qint64 whole = step.bytes.left(done).lastIndexOf('\n') + 1;
            cutTo(m_fd, m_written + whole);
            syncFile(m_fd);
            closeFile(m_fd);
            m_fd = -1;
            return;
        }
        m_written += done;
        m_dirty = true;
        return;
    }
    case Step::Close:
        if (m_fd >= 0) {
            syncFile(m_fd);
            closeFile(m_fd);
            ++m_syncs;
            m_fd = -1;
        }
        if (!m_path.isEmpty()) {
            if (step.normalEnd)
                JournalFolder::removeMarker(m_path);
            else
                JournalFolder::releaseMarker(m_path);
        }
        m_path.clear();
        m_dirty = false;
        return;
    case Step::Job:
        step.job();
        return;
    }
}

JournalSyncer::Node *JournalSyncer::takeIncoming()
{
    // Handed over newest first: turned round into the order handed over.
    Node *node = m_incoming.exchange(nullptr);
    Node *ordered = nullptr;
    while (node) {
        Node *next = node->next;
        node->next = ordered;
        ordered = node;
        node = next;
    }
    return ordered;
}

bool JournalSyncer::performAll(Node *node)
{
    bool rows = false;
    while (node) {
        if (node->step.kind == Step::Write) {
            // Rows taken together go out in one write.
            rows = true;
            Step write;
            write.kind = Step::Write;
            while (node && node->step.kind == Step::Write) {
                write.bytes.append(node->step.bytes);
                Node *done = node;
                node = node->next;
                delete done;
            }
            perform(write);
            continue;
        }
        perform(node->step);
        Node *done = node;
        node = node->next;
        delete done;
    }
    return rows;
}

void JournalSyncer::run()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(m_mutex);
    auto nextSync = Clock::now() + m_interval;
    auto lastRows = Clock::now() - kQuietAfter;
    for (;;) {
        // While rows are coming the thread looks for them every few
        // milliseconds; after a quiet spell it sleeps until woken.
        const auto now = Clock::now();
        const bool rowsComing = now - lastRows < kQuietAfter;
        m_idle.store(!rowsComing);
        m_wake.wait_until(lock, rowsComing ? std::min(nextSync, now + kRowRound) : nextSync, [&] {
            return m_stop || m_urgent.load() || m_flushRequested > m_flushDone
                || (!rowsComing && m_incoming.load() != nullptr);
        });
        m_idle.store(false);
        m_urgent.store(false);
        const bool stopping = m_stop;
        const long flushTicket = m_flushRequested;
        const bool syncAsked = m_syncRequested;
        m_syncRequested = false;
        lock.unlock();

        if (performAll(takeIncoming()))
            lastRows = Clock::now();

        const bool due = Clock::now() >= nextSync || syncAsked || stopping;
        if (due) {
            if (m_fd >= 0 && m_dirty) {
                syncFile(m_fd);
                ++m_syncs;
                m_dirty = false;
            }
            nextSync = Clock::now() + m_interval;
        }

        lock.lock();
        if (flushTicket > m_flushDone)
            m_flushDone = flushTicket;
        m_done.notify_all();
        if (stopping && m_incoming.load() == nullptr)
            break;
    }
    lock.unlock();
    // A file still open at the end is synced and closed; its marker stays.
    if (m_fd >= 0) {
        syncFile(m_fd);
        closeFile(m_fd);
        ++m_syncs;
        m_fd = -1;
    }
    if (!m_path.isEmpty())
        JournalFolder::releaseMarker(m_path);
}

} // namespace kv
