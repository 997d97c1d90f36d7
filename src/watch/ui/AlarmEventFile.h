#pragma once
// The alarm events of a recording, written beside its journal: the
// journal "2026-12-09_10-00-00.txt" gets "2026-12-09_10-00-00.alarms.csv",
// one line per event (time, event, channel, cause, value, limit, unit),
// each line on the disk's way as it comes. Events before the recording's
// first row wait for its journal.

#include "watch/AlarmWatch.h"

#include <QString>
#include <QVector>

#include <memory>

namespace kv {

class SafeFile;

class AlarmEventFile
{
public:
    AlarmEventFile();
    ~AlarmEventFile();

    // The file beside a journal.
    static QString pathBeside(const QString &journalPath);

    // journalPath: the journal being written now (empty between recordings).
    // False when the file could not be written; error() says why.
    bool write(const AlarmEvent &event, const QString &journalPath);
    // Writes the events that waited for a journal, now that there is one.
    bool flush(const QString &journalPath);
    QString path() const { return m_path; }
    QString error() const { return m_error; }
    static QByteArray line(const AlarmEvent &event);

private:
    bool openFor(const QString &journalPath);

    std::unique_ptr<SafeFile> m_file;
    QString m_path;
    QString m_error;
    QVector<AlarmEvent> m_waiting;
};

} // namespace kv
