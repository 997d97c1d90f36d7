#include "journal/RecordingJournal.h"

#include "common/DateTime.h"
#include "files/TextDataSet.h"
#include "journal/JournalSyncer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

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

int openForAppend(const QString &path)
{
#ifdef Q_OS_WIN
    int fd = -1;
    _wsopen_s(&fd, reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
              _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
#else
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
#endif
}

bool writeAll(int fd, const char *data, qint64 size)
{
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
    }
    return true;
}

} // namespace

RecordingJournal::RecordingJournal(QString folder, std::chrono::milliseconds syncInterval)
    : m_folder(std::move(folder))
    , m_syncer(std::make_unique<JournalSyncer>(syncInterval))
{
    m_line.reserve(256);
}

RecordingJournal::~RecordingJournal()
{
    // The marker stays: an end that is not finish() is not a normal one.
    m_syncer->retire(m_fd);
    m_fd = -1;
    if (!m_path.isEmpty())
        JournalFolder::releaseMarker(m_path);
}

void RecordingJournal::setEnabled(bool on)
{
    if (!on)
        finish();
    m_enabled = on;
}

bool RecordingJournal::open(double dateTime)
{
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("The folder %1 could not be created.").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    const QString path = JournalFolder::newJournalPath(m_folder, fromDateTimeDouble(dateTime));
    const int fd = openForAppend(path);
    if (fd < 0) {
        m_error = QStringLiteral("The journal %1 could not be opened: %2.")
                      .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    JournalFolder::writeMarker(path);
    m_fd = fd;
    m_path = path;
    m_rows = 0;
    m_syncer->setCurrent(fd);
    // Making room takes a look at every journal: not on this thread.
    const QString folder = m_folder;
    m_syncer->post([folder, path] { JournalFolder::prune(folder, path); });
    return true;
}

bool RecordingJournal::appendRow(const GridSource &grid, int row, double dateTime)
{
    if (!m_enabled || m_failed)
        return false;
    // The very bytes a TXT save of this row writes.
    m_line.truncate(0);
    QBuffer buffer(&m_line);
    buffer.open(QIODevice::WriteOnly);
    if (!TextDataSet::writeGrid(buffer, grid, row, row, TextDataSet::Tab).ok)
        return false;
    return appendBytes(m_line, dateTime);
}

bool RecordingJournal::appendBytes(const QByteArray &bytes, double dateTime)
{
    if (!m_enabled || m_failed)
        return false;
    if (m_fd < 0 && !open(dateTime)) {
        m_failed = true;
        return false;
    }
    if (!writeAll(m_fd, bytes.constData(), bytes.size())) {
        m_error = QStringLiteral("The journal %1 could not be written: %2.")
                      .arg(QDir::toNativeSeparators(m_path), QString::fromLocal8Bit(std::strerror(errno)));
        m_failed = true;
        return false;
    }
    m_syncer->markDirty();
    ++m_rows;
    return true;
}

void RecordingJournal::startNew()
{
    if (m_fd >= 0) {
        m_syncer->retire(m_fd);
        JournalFolder::removeMarker(m_path);
    }
    m_fd = -1;
    m_failed = false;
    m_path.clear();
    m_rows = 0;
}

void RecordingJournal::flush()
{
    m_syncer->flush();
}

} // namespace kv
