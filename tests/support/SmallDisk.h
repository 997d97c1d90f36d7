#pragma once
// A real, small file system for the length of a test: a tmpfs mounted on a
// temporary folder, which the test fills to the last byte so that writers
// meet a full disk as the system reports it. Mounting needs root (as CI
// runs); elsewhere isMounted() is false and skipReason() says why, for
// QSKIP. It is unmounted when it goes out of scope, on every path out of
// the test.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace kv::test {

class SmallDisk
{
public:
    // bytes: the size of the file system (whole pages).
    explicit SmallDisk(qint64 bytes = 256 * 1024)
    {
#ifdef Q_OS_LINUX
        if (!m_dir.isValid()) {
            m_reason = QStringLiteral("no temporary folder to mount on");
            return;
        }
        if (::geteuid() != 0) {
            m_reason = QStringLiteral("mounting a small tmpfs to fill needs root (CI runs the tests as root)");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData())
            != 0) {
            m_reason = QStringLiteral("a tmpfs could not be mounted: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
#else
        Q_UNUSED(bytes);
        m_reason = QStringLiteral("a small tmpfs is mounted on Linux only");
#endif
    }
    ~SmallDisk()
    {
#ifdef Q_OS_LINUX
        // Detached even while a file on it is still open, so that the
        // folder can go.
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
#endif
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    const QString &skipReason() const { return m_reason; }
    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    QString path(const char *name) const { return path(QString::fromUtf8(name)); }
    QString folder() const { return m_dir.path(); }

    // Fills the file system until the system refuses, then gives back
    // `room` bytes (rounded down to whole pages), so a write of more than
    // that fails part way. True when the disk is full as asked.
    bool fill(qint64 room = 0)
    {
        QFile f(path(".filler"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        while (f.write(block) > 0) {
        }
        qint64 size = f.size();
        f.close();
        room = room / 4096 * 4096;
        return room == 0 || QFile::resize(path(".filler"), qMax<qint64>(0, size / 4096 * 4096 - room));
    }
    // Takes the filler away again.
    void empty() { QFile::remove(path(".filler")); }
    // The names in the folder besides the filler: a failed save leaves no
    // file of its own behind.
    QStringList names() const
    {
        QStringList n = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        n.removeAll(QStringLiteral(".filler"));
        return n;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_reason;
};

} // namespace kv::test

// Skips the test with the reason when no small disk could be mounted.
#define KV_REQUIRE_SMALL_DISK(disk)                                                                                    \
    do {                                                                                                               \
        if (!(disk).isMounted())                                                                                       \
            QSKIP(qPrintable((disk).skipReason()));                                                                    \
    } while (false)
