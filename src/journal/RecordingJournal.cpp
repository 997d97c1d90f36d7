#include "journal/RecordingJournal.h"

#include "common/DateTime.h"
#include "files/TextDataSet.h"
#include "journal/JournalSyncer.h"

#include <QDir>

namespace kv {

RecordingJournal::RecordingJournal(QString folder, std::chrono::milliseconds syncInterval)
    : m_folder(std::move(folder))
    , m_syncer(std::make_unique<JournalSyncer>(syncInterval))
{
}

RecordingJournal::~RecordingJournal()
{
    // The marker stays: an end that is not finish() is not a normal one.
    if (!m_path.isEmpty())
        m_syncer->close(false);
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
    // The thread creates the file a moment later, so a journal named here
    // may not be on the disk yet: within the same second, numbering goes
    // on from the newest one named.
    const QDateTime start = fromDateTimeDouble(dateTime);
    const QString stamp = JournalFolder::stampOf(start);
    const int first = stamp == m_lastStamp ? m_lastNumber + 1 : 1;
    m_path = JournalFolder::newJournalPath(m_folder, start, first);
    m_lastStamp = stamp;
    m_lastNumber = JournalFolder::journalNumber(m_path);
    m_rows = 0;
    m_errorTaken = false;
    m_syncer->open(m_path, ++m_generation);
    // Making room takes a look at every journal: not on this thread.
    const QString folder = m_folder;
    const QStringList keep = QStringList(m_keep) << m_path;
    m_syncer->post([folder, keep] { JournalFolder::prune(folder, keep); });
    return true;
}

bool RecordingJournal::failed()
{
    if (!m_failed && !m_path.isEmpty() && m_syncer->failedGeneration() == m_generation) {
        m_error = m_syncer->error();
        m_failed = true;
    }
    return m_failed;
}

bool RecordingJournal::appendRow(const GridSource &grid, int row, double dateTime)
{
    if (!m_enabled || failed())
        return false;
    // The very bytes a TXT save of this row writes.
    return appendBytes(TextDataSet::tableRowBytes(grid, row, TextDataSet::Tab), dateTime);
}

bool RecordingJournal::appendBytes(const QByteArray &bytes, double dateTime)
{
    if (!m_enabled || failed())
        return false;
    if (m_path.isEmpty() && !open(dateTime)) {
        m_failed = true;
        return false;
    }
    m_syncer->write(bytes);
    ++m_rows;
    return true;
}

QString RecordingJournal::currentPath() const
{
    if (m_path.isEmpty())
        return m_path;
    // Another program may have taken the name first.
    const QString made = m_syncer->openedPath(m_generation);
    return made.isEmpty() ? m_path : made;
}

QString RecordingJournal::takeNewError()
{
    if (!failed() || m_errorTaken)
        return QString();
    m_errorTaken = true;
    return m_error;
}

void RecordingJournal::startNew()
{
    if (!m_path.isEmpty())
        m_syncer->close(true);
    // The next journal's trouble is told anew, even a folder that still
    // cannot be made.
    m_failed = false;
    m_errorTaken = false;
    m_path.clear();
    m_rows = 0;
}

void RecordingJournal::flush()
{
    m_syncer->flush(true);
}

void RecordingJournal::waitWritten()
{
    m_syncer->flush(false);
}

} // namespace kv
