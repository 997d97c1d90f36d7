#include "session/LiveRun.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "files/NotesFile.h"
#include "files/TextDataSet.h"
#include "journal/RecordingJournal.h"
#include "link/MeterLink.h"
#include "link/PortInfo.h"
#include "link/SerialPort.h"

#include <algorithm>

namespace kv {

LiveRun::LiveRun(MeterLink &link, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    qRegisterMetaType<kv::LiveSample>();
    m_rows.setWaitWritten([this] {
        if (m_journal)
            m_journal->waitWritten();
    });
    m_timer.setObjectName(QStringLiteral("ThTimer1"));
    m_timer.setInterval(MeterLink::kStartInterval);
    // The tick places itself in the second of the clock; a coarse timer
    // would pull it 5 % either way onto its own boundaries.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, &link, &MeterLink::ThTimer1Timer);
    connect(&link, &MeterLink::intervalChanged, &m_timer, qOverload<int>(&QTimer::setInterval));
    connect(&link, &MeterLink::liveTick, this, &LiveRun::onLiveTick);
    connect(&link, &MeterLink::frameDecoded, this, [this] { Q_EMIT frameDecoded(sampleNow(m_clock.now(), true)); });
    m_rows.clear(link.model());
}

LiveRun::~LiveRun()
{
    m_timer.stop();
}

void LiveRun::startPolling()
{
    m_timer.setInterval(m_link.interval());
    m_timer.start();
}

void LiveRun::stopPolling()
{
    m_timer.stop();
}

void LiveRun::pausePolling(const QString &why)
{
    const bool was = m_timer.isActive();
    m_timer.stop();
    if (was && m_pausedFor.isEmpty()) {
        m_pausedFor = why;
        Q_EMIT pollingPaused(why);
    }
}

void LiveRun::resumePolling()
{
    m_link.pollingResumed();
    m_timer.start();
    if (!m_pausedFor.isEmpty()) {
        m_pausedFor.clear();
        Q_EMIT pollingResumed();
    }
}

MeterIdentity LiveRun::meter() const
{
    MeterIdentity id;
    id.model = m_link.model();
    id.port = m_link.port().deviceName();
    const PortInfo info = m_link.currentPortInfo();
    id.usb = info.identity();
    id.serial = info.serialNumber.isEmpty() ? serialFromById(info.byId) : info.serialNumber;
    // A port pulled out is no longer listed with what told it apart, yet
    // the meter on it is the one it was until the link finds another.
    if (id.usb.isEmpty() && id.port == m_latest.meter.port) {
        id.usb = m_latest.meter.usb;
        id.serial = m_latest.meter.serial;
    }
    return id;
}

LiveSample LiveRun::sampleNow(double dateTime, bool fresh) const
{
    LiveSample s;
    s.dateTime = dateTime;
    s.reading = m_link.reading();
    s.fresh = fresh;
    s.meter = meter();
    return s;
}

void LiveRun::onLiveTick(double dateTime, bool fresh)
{
    m_latest = sampleNow(dateTime, fresh);
    if (m_recording) {
        // The run belongs to one meter: another one that answers on the
        // port it was followed to (another adapter plugged in, another model
        // on the same port) does not add its readings to it.
        if (!m_runMeter.isEmpty() && !m_latest.meter.sameMeter(m_runMeter)) {
            stop();
            Q_EMIT runStopped(QStringLiteral("Recording stopped: %1 answers, not %2.")
                                  .arg(m_latest.meter.text(), m_runMeter.text()));
        } else if (m_gate.due(m_latest, m_atOnce && m_atOnce())) {
            record(m_latest);
        }
    }
    Q_EMIT ticked(m_latest);
}

void LiveRun::record(const LiveSample &s)
{
    if (m_rows.isEmpty()) {
        m_runMeter = s.meter;
        m_rows.clear(s.model());
        m_lastRate = 0;
    }
    // The line is broken where no reading was taken for more than two
    // sampling intervals; the longer of the intervals before and now
    // counts, so that a changed interval alone breaks nothing.
    const int rate = std::max(m_lastRate, samplingRate());
    const bool gap = !m_rows.isEmpty() && s.dateTime - m_rows.lastTime() > 2.0 * rate / kSecondsPerDay;
    m_lastRate = samplingRate();
    m_rows.append(s, gap);
    if (m_journal && m_journal->enabled())
        journal(s.dateTime);
    Q_EMIT sampleTaken(s);
}

void LiveRun::journal(double dateTime)
{
    // The very bytes a TXT save of this row writes; the run notes where
    // they went, so that the row can leave memory and be read back.
    const int row = m_rows.count();
    const QByteArray bytes = TextDataSet::tableRowBytes(m_rows, row, TextDataSet::Tab);
    if (!m_journal->appendBytes(bytes, dateTime)) {
        m_rows.journalStopped();
        const QString why = m_journal->takeNewError();
        if (!why.isEmpty())
            Q_EMIT journalFailed(why);
        return;
    }
    const qint64 written = m_journal->rowsWritten();
    bool named = false;
    if (written == 1) {
        m_journalBytes = 0;
        m_journalPath = m_journal->currentPath();
        named = true;
    } else if (written % 1024 == 0) {
        // The journal's thread may have given the file another name.
        const QString path = m_journal->currentPath();
        if (path != m_journalPath) {
            m_journalPath = path;
            m_rows.renameJournal(path);
            named = true;
        }
    }
    m_rows.noteJournaled(row - 1, m_journalPath, m_journalBytes, bytes.size());
    m_journalBytes += bytes.size();
    // A run that outlives its journal (turned off and on again) reads its
    // older rows from the earlier file: the next journal must not prune it.
    if (named)
        m_journal->keepFiles(m_rows.journalFiles());
    // Notes made before the journal had its file follow it now; a failure
    // is told, as it would have been when the note was made.
    if (QString why; m_notesWaiting && !keepNotes(&why))
        Q_EMIT notesNotKept(why);
}

void LiveRun::run()
{
    const MeterIdentity now = meter();
    if (!m_runMeter.isEmpty() && !now.isEmpty() && !now.sameMeter(m_runMeter))
        emptyRows(true);
    m_recording = true;
    Q_EMIT recordingChanged(true);
}

void LiveRun::stop()
{
    m_recording = false;
    Q_EMIT recordingChanged(false);
}

void LiveRun::clear()
{
    emptyRows(false);
}

void LiveRun::emptyRows(bool anotherMeter)
{
    m_rows.clear(m_link.model());
    // Cleared, the run is still its meter's: the views stay set up for it.
    if (anotherMeter)
        m_runMeter = MeterIdentity();
    if (m_journal) {
        m_journal->startNew();
        m_journal->keepFiles({});
    }
    const bool hadNotes = !m_notes.isEmpty();
    m_notes.clear();
    m_notesWaiting = false;
    Q_EMIT runCleared(anotherMeter);
    if (hadNotes)
        Q_EMIT notesChanged();
}

QString LiveRun::notesPath() const
{
    const QString journal = m_journal ? m_journal->currentPath() : QString();
    return journal.isEmpty() ? journal : NotesFile::pathBeside(journal);
}

bool LiveRun::keepNotes(QString *why)
{
    const QString path = notesPath();
    m_notesWaiting = path.isEmpty() && m_journal && m_journal->enabled();
    if (path.isEmpty())
        return true;
    return NotesFile::write(path, m_notes, why);
}

double LiveRun::now() const
{
    return m_clock.now();
}

bool LiveRun::addNote(const QString &text, QString *why)
{
    return addNoteAt(now(), text, why);
}

bool LiveRun::addNoteAt(double at, const QString &text, QString *why)
{
    if (const QString problem = noteProblem(text); !problem.isEmpty()) {
        if (why)
            *why = problem;
        return false;
    }
    insertNote(m_notes, {at, noteText(text)});
    Q_EMIT notesChanged();
    return keepNotes(why);
}

bool LiveRun::editNote(int index, const QString &text, QString *why)
{
    const QString problem = index < 0 || index >= m_notes.size() ? QStringLiteral("There is no such note.")
                                                                   : noteProblem(text);
    if (!problem.isEmpty()) {
        if (why)
            *why = problem;
        return false;
    }
    m_notes[index].text = noteText(text);
    Q_EMIT notesChanged();
    return keepNotes(why);
}

bool LiveRun::removeNote(int index, QString *why)
{
    if (index < 0 || index >= m_notes.size()) {
        if (why)
            *why = QStringLiteral("There is no such note.");
        return false;
    }
    m_notes.removeAt(index);
    Q_EMIT notesChanged();
    return keepNotes(why);
}

} // namespace kv
