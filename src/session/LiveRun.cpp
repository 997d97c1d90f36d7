#include "session/LiveRun.h"

#include "common/Clock.h"
#include "files/NotesFile.h"
#include "journal/RecordingJournal.h"
#include "link/MeterLink.h"
#include "link/PortInfo.h"
#include "link/SerialPort.h"

namespace kv {

LiveRun::LiveRun(MeterLink &link, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    qRegisterMetaType<kv::LiveSample>();
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
    }
    m_rows.append(s);
    if (m_journal && !m_journal->appendRow(m_rows, m_rows.count(), s.dateTime)) {
        const QString why = m_journal->takeNewError();
        if (!why.isEmpty())
            Q_EMIT journalFailed(why);
    }
    // Notes made before the journal had its file follow it now; a failure
    // is told, as it would have been when the note was made.
    if (QString why; m_notesWaiting && !keepNotes(&why))
        Q_EMIT notesNotKept(why);
    Q_EMIT sampleTaken(s);
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
    if (m_journal)
        m_journal->startNew();
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
