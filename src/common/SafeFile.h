#pragma once
// The one way the programs write a file. Every write is checked (a short
// write is carried on until the system refuses, so the refusal gives its
// reason), and before the file counts as written its data is flushed,
// pushed to the disk and the error state looked at. Any failure cancels.
//
// A file is normally written beside its target and takes the target's
// place only when all of it is there, so a failed or cancelled save leaves
// the earlier file byte for byte. (QSaveFile alone is not enough: Qt 6.4's
// commit() reports success when the last flush of a small file fails on a
// full disk, and puts the empty or cut file in place of the earlier one.)
//
// A pipe or a device (a terminal, /dev/stdout) is written into as it is,
// never replaced.
//
// The reason of a failure is the system's own text ("No space left on
// device"), never an empty or "Unknown error" one.
//
// SafeFile is a QIODevice, so writers that take a device (text layouts,
// QPdfWriter) write into it directly; what they do not check, it does.

#include <QIODevice>
#include <QString>

#include <memory>

class QFileDevice;

namespace kv {

class SafeFile final : public QIODevice
{
public:
    enum Mode {
        // Written beside the target, which it replaces on commit().
        Replace,
        // Written into the target as it comes, for a live record that
        // someone may read while it grows: the target is emptied on open,
        // and whatever was written stays, even after a failure.
        Stream,
    };

    explicit SafeFile(const QString &path, Mode mode = Replace);
    // A file not committed is cancelled.
    ~SafeFile() override;

    // Opens for writing; mode must be WriteOnly. False with the reason set
    // when the file (or the one beside it) cannot be made.
    bool open(OpenMode mode = WriteOnly) override;
    // Flushes, syncs and checks, then puts the file in place; false (and
    // the earlier file untouched) on any failure along the way, or on an
    // earlier failed write.
    bool commit();
    // Gives up the file: the earlier one stays as it was (a stream keeps
    // what it wrote).
    void cancel();
    // Closing without commit() is cancelling.
    void close() override;

    const QString &path() const { return m_path; }
    bool failed() const { return !m_reason.isEmpty(); }
    // The system's reason for the first failure; empty when none.
    const QString &reason() const { return m_reason; }
    // The failure as one sentence naming the file: "The file F could not
    // be opened for writing: R." or "The file F could not be written: R.".
    // Empty when nothing failed.
    QString message() const;

    bool isSequential() const override { return true; }

    // Writes bytes as the whole file; on failure message (when given)
    // receives message().
    static bool writeWhole(const QString &path, const QByteArray &bytes, QString *message = nullptr);

    // The system's text for an error number, as strerror gives it.
    static QString systemText(int errorNumber);

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    void fail(int savedErrno);
    void drop();

    QString m_path;
    Mode m_mode;
    std::unique_ptr<QFileDevice> m_file;
    QString m_reason;
    bool m_opening = false; // the failure came while opening
};

} // namespace kv
