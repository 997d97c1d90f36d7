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

void JournalSyncer::hand(Step step)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Rows that pile up while the thread is busy go out in one write.
        if (step.kind == Step::Write && !m_steps.empty() && m_steps.back().kind == Step::Write)
            m_steps.back().bytes.append(step.bytes);
        else
            m_steps.push_back(std::move(step));
    }
    m_wake.notify_one();
}

void JournalSyncer::open(const QString &path, long generation)
{
    Step s;
    s.kind = Step::Open;
    s.path = path;
    s.generation = generation;
    hand(std::move(s));
}

void JournalSyncer::write(const QByteArray &bytes)
{
    Step s;
    s.kind = Step::Write;
    // A copy of its own: the caller's array is reused for the next row.
    s.bytes = QByteArray(bytes.constData(), bytes.size());
    hand(std::move(s));
}

void JournalSyncer::close(bool normalEnd)
{
    Step s;
    s.kind = Step::Close;
    s.normalEnd = normalEnd;
    hand(std::move(s));
}

void JournalSyncer::post(std::function<void()> job)
{
    Step s;
    s.kind = Step::Job;
    s.job = std::move(job);
    hand(std::move(s));
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

void JournalSyncer::run()
{
    std::vector<Step> taken;
    std::unique_lock<std::mutex> lock(m_mutex);
    auto nextSync = std::chrono::steady_clock::now() + m_interval;
    for (;;) {
        m_wake.wait_until(lock, nextSync,
                          [&] { return m_stop || !m_steps.empty() || m_flushRequested > m_flushDone; });
        const bool stopping = m_stop;
        const long flushTicket = m_flushRequested;
        const bool syncAsked = m_syncRequested;
        m_syncRequested = false;
        taken.swap(m_steps);
        lock.unlock();

        for (Step &step : taken)
            perform(step);
        taken.clear();

        const bool due = std::chrono::steady_clock::now() >= nextSync || syncAsked || stopping;
        if (due) {
            if (m_fd >= 0 && m_dirty) {
                syncFile(m_fd);
                ++m_syncs;
                m_dirty = false;
            }
            nextSync = std::chrono::steady_clock::now() + m_interval;
        }

        lock.lock();
        if (flushTicket > m_flushDone)
            m_flushDone = flushTicket;
        m_done.notify_all();
        if (stopping && m_steps.empty())
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
