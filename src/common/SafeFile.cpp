#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kv {

namespace {

// Qt leaves some failures without a text of the system's, or with its own
// placeholder.
bool isSystemText(const QString &text)
{
    return !text.trimmed().isEmpty() && text != QLatin1String("Unknown error");
}

int errorNumberOf(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::ResourceError:
        return ENOSPC;
    case QFileDevice::PermissionsError:
        return EACCES;
    default:
        return EIO;
    }
}

// Why a file that exists cannot be written, as the system says it.
int writeAccessError(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return EACCES;
#else
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0 && errno != 0)
        return errno;
    return EACCES;
#endif
}

// Pushes the file's data to the disk; a file that cannot be synced (a
// pipe, a terminal) is not a failure.
bool syncToDisk(int fd, int &errorNumber)
{
    if (fd < 0)
        return true;
#ifdef Q_OS_WIN
    if (::_commit(fd) == 0)
        return true;
    errorNumber = errno;
    return errorNumber == EBADF || errorNumber == EINVAL;
#else
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    if (r == 0)
        return true;
    errorNumber = errno;
    return errorNumber == EINVAL || errorNumber == ENOTSUP || errorNumber == EROFS;
#endif
}

} // namespace

SafeFile::SafeFile(const QString &path, Mode mode) : m_path(path), m_mode(mode) {}

SafeFile::~SafeFile()
{
    cancel();
}

QString SafeFile::systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

bool SafeFile::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadOnly) || (mode & Append) || !(mode & WriteOnly))
        return false;
    m_reason.clear();
    m_opening = true;
    // A pipe or a device (kv481 --output /dev/stdout) holds no earlier file
    // to keep, and a file put in its place would take its name: it is
    // written into as it is.
    const QFileInfo target(m_path);
    const bool special = !m_path.isEmpty() && target.exists() && !target.isFile() && !target.isDir();
    const bool direct = m_mode == Stream || special;
    if (direct)
        m_file = std::make_unique<QFile>(m_path);
    else
        m_file = std::make_unique<QSaveFile>(m_path);
    // Unbuffered: each write reaches the system at once and is answered
    // there, so no failure is left for a final flush to hide.
    const OpenMode fileMode = WriteOnly | Unbuffered | (direct ? Truncate : NotOpen);
    errno = 0;
    if (m_path.isEmpty() || !m_file->open(fileMode)) {
        fail(errno);
        m_file.reset();
        return false;
    }
    m_opening = false;
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 SafeFile::writeData(const char *data, qint64 size)
{
    if (!m_file || failed())
        return -1;
    // A full disk may take part of a write; the rest is offered again, so
    // that the refusal comes with the system's reason.
    qint64 done = 0;
    while (done < size) {
        errno = 0;
        const qint64 n = m_file->write(data + done, size - done);
        if (n <= 0) {
            fail(errno);
            return -1;
        }
        done += n;
    }
    return size;
}

bool SafeFile::commit()
{
    if (!isOpen() || !m_file)
        return false;
    if (!failed()) {
        errno = 0;
        if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
            fail(errno);
    }
    int syncError = 0;
    if (!failed() && !syncToDisk(m_file->handle(), syncError))
        fail(syncError);
    if (!failed()) {
        errno = 0;
        if (auto *save = dynamic_cast<QSaveFile *>(m_file.get())) {
            if (!save->commit())
                fail(errno);
        } else {
            m_file->close();
            if (m_file->error() != QFileDevice::NoError)
                fail(errno);
        }
    }
    drop();
    QIODevice::close();
    return !failed();
}

void SafeFile::cancel()
{
    if (!isOpen())
        return;
    drop();
    QIODevice::close();
}

void SafeFile::close()
{
    cancel();
}

void SafeFile::drop()
{
    // A save file not committed takes its temporary file with it; the
    // target was never touched.
    m_file.reset();
}

void SafeFile::fail(int savedErrno)
{
    if (failed())
        return;
    QString why;
    if (m_opening) {
        // Cases where Qt gives a text of its own instead of the system's.
        const QFileInfo info(m_path);
        if (m_path.isEmpty())
            why = systemText(ENOENT);
        else if (info.isDir())
            why = systemText(EISDIR);
        else if (info.exists() && !info.isWritable())
            why = systemText(writeAccessError(m_path));
    }
    if (why.isEmpty() && m_file && m_file->error() != QFileDevice::NoError && isSystemText(m_file->errorString()))
        why = m_file->errorString();
    if (why.isEmpty() && savedErrno != 0)
        why = systemText(savedErrno);
    if (why.isEmpty())
        why = systemText(errorNumberOf(m_file ? m_file->error() : QFileDevice::OpenError));
    m_reason = why;
    setErrorString(why);
}

QString SafeFile::message() const
{
    if (!failed())
        return QString();
    const QString shown = QDir::toNativeSeparators(m_path);
    return m_opening ? QStringLiteral("The file %1 could not be opened for writing: %2.").arg(shown, m_reason)
                     : QStringLiteral("The file %1 could not be written: %2.").arg(shown, m_reason);
}

bool SafeFile::writeWhole(const QString &path, const QByteArray &bytes, QString *message)
{
    SafeFile file(path);
    if (file.open() && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (message)
        *message = file.message();
    return false;
}

} // namespace kv
