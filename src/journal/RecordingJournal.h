#pragma once
// The journal of the live recording: every row the real-time list
// receives is appended to a file in the recordings folder, in the bytes
// that saving the list as a TXT file writes for that row. A thread of the
// journal's own writes each row to the operating system as it comes and
// pushes it to the disk within the sync interval, so the window never
// waits on the disk. Clearing the recording ends a journal; the next row
// starts a new one named after its own date and time.

#include "journal/JournalFolder.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

namespace kv {

class GridSource;
class JournalSyncer;

class RecordingJournal
{
public:
    static constexpr std::chrono::milliseconds kSyncInterval{10000};

    explicit RecordingJournal(QString folder, std::chrono::milliseconds syncInterval = kSyncInterval);
    // Syncs and closes the journal but leaves it unfinished: only finish()
    // is a normal end.
    ~RecordingJournal();
    RecordingJournal(const RecordingJournal &) = delete;
    RecordingJournal &operator=(const RecordingJournal &) = delete;

    const QString &folder() const { return m_folder; }
    bool enabled() const { return m_enabled; }
    // Off: rows are not written, and a journal being written is finished.
    void setEnabled(bool on);

    // Appends data row `row` of the grid as the table layout of a TXT file
    // writes it. The first row of a recording opens its journal, named
    // after dateTime. False once the journal could not be opened or
    // written (the thread finds that out a row later at most); the error
    // is kept, and the recording goes on without its journal until the
    // next one starts.
    bool appendRow(const GridSource &grid, int row, double dateTime);
    // The same for a line already in the file's bytes (CR LF included).
    bool appendBytes(const QByteArray &bytes, double dateTime);

    // The recording was cleared: this journal ends normally, and the next
    // row starts another.
    void startNew();
    // The recording ends normally (the main window closes).
    void finish() { startNew(); }
    // Earlier journals the recording still reads its rows back from: making
    // room never removes them.
    void keepFiles(const QStringList &paths) { m_keep = paths; }

    // A journal is open and its rows go on reaching the disk.
    bool writing() { return !m_path.isEmpty() && !failed(); }
    // The journal being written; empty between recordings.
    QString currentPath() const;
    qint64 rowsWritten() const { return m_rows; }
    QString lastError() const { return m_error; }
    // The error of a journal that just failed, once; empty otherwise.
    QString takeNewError();

    // Syncs what was written and waits for it (and for pruning under way).
    void flush();
    // Waits until every row appended so far has reached the system.
    void waitWritten();
    const JournalSyncer &syncer() const { return *m_syncer; }

private:
    bool open(double dateTime);
    bool failed();

    QString m_folder;
    bool m_enabled = true;
    bool m_failed = false; // the current recording's journal could not be written
    bool m_errorTaken = false;
    long m_generation = 0; // counts the journals opened
    QString m_lastStamp;   // the start second of the newest journal named,
    int m_lastNumber = 0;  // and the number it was given there
    QString m_path;
    QStringList m_keep;
    qint64 m_rows = 0;
    QString m_error;
    std::unique_ptr<JournalSyncer> m_syncer;
};

} // namespace kv
