#pragma once
// The live run: the one owner of the poll timer and of what the program
// takes from the meter. Every tick while a meter answers, it hands the
// reading, its time, whether a frame confirmed it and which meter gave it
// to whoever listens (the graph, the list, the alarms, the publisher,
// kv481's commands); none of them asks the link for the reading. It holds
// the recording: Run and Stop, the sampling interval and its gate, the rows
// taken, their journal, and the meter they belong to.

#include "session/LiveSample.h"
#include "common/RunNote.h"
#include "session/RunRows.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace kv {

class Clock;
class MeterLink;
class RecordingJournal;

class LiveRun : public QObject
{
    Q_OBJECT
public:
    LiveRun(MeterLink &link, Clock &clock, QObject *parent = nullptr);
    ~LiveRun() override;

    MeterLink &link() const { return m_link; }

    // The poll timer: each timeout is one tick of the link, at the interval
    // the link asks for.
    QTimer &timer() { return m_timer; }
    void startPolling();
    void stopPolling();
    bool polling() const { return m_timer.isActive(); }
    // The polling stops for a while that the program owns up to (a logger
    // download): why, in a word ("downloading"); resumed by resumePolling(),
    // whose first tick only notes its time.
    void pausePolling(const QString &why);
    void resumePolling();

    // The meter of the link now: its model, port and adapter.
    MeterIdentity meter() const;
    // The newest tick's sample (empty before the first).
    const LiveSample &latest() const { return m_latest; }

    // The recording.
    bool recording() const { return m_recording; }
    // Seconds between recorded samples; a change takes effect at the next tick.
    int samplingRate() const { return m_gate.every(); }
    void setSamplingRate(int seconds) { m_gate.setEvery(seconds); }
    int sampleTickCount() const { return m_gate.ticks(); }
    // Whether the next due tick is taken at once whatever the interval (the
    // real-time graph holds no points yet).
    void setTakeAtOnce(std::function<bool()> atOnce) { m_atOnce = std::move(atOnce); }
    // Starts recording. A run that holds rows of another meter than the one
    // answering now ends first (runCleared(true)), and a new one starts for it.
    void run();
    void stop();
    // Empties the rows (runCleared(false)); the journal ends normally and the next row starts a
    // new one. Recording and the tick count go on, for the same meter.
    void clear();
    const RunRows &rows() const { return m_rows; }
    // The most rows the run keeps in memory (tests make it small).
    void setRowCap(int rows) { m_rows.setCap(rows); }
    // The meter whose readings the rows are (or were, before a clear); empty
    // before the first row of a run.
    MeterIdentity runMeter() const { return m_runMeter; }

    // Every recorded row goes to this journal as well (none: no journal).
    void setJournal(RecordingJournal *journal) { m_journal = journal; }

    // Notes on the run's time line, in time order. Each change is kept
    // beside the journal at once (the notes wait for the journal's first
    // row); the run's clear empties them. Texts are taken as noteText()
    // makes them; false with the reason (noteProblem(), or the file that
    // could not be written, the note then kept in the run all the same).
    const RunNotes &notes() const { return m_notes; }
    // The run's clock now: the time a note made now marks.
    double now() const;
    bool addNote(const QString &text, QString *why = nullptr);
    bool addNoteAt(double at, const QString &text, QString *why = nullptr);
    bool editNote(int index, const QString &text, QString *why = nullptr);
    bool removeNote(int index, QString *why = nullptr);
    // Where the notes are kept now; empty while the run has no journal.
    QString notesPath() const;

Q_SIGNALS:
    // Every tick while a meter answers, after its frame request.
    void ticked(const kv::LiveSample &s);
    // A changed frame was decoded (in the middle of a tick).
    void frameDecoded(const kv::LiveSample &s);
    // The recording took a sample: the newest row of rows().
    void sampleTaken(const kv::LiveSample &s);
    void recordingChanged(bool recording);
    // The rows were emptied: by Clear, or for a new run of another meter.
    void runCleared(bool anotherMeter);
    // The recording stopped on its own; why, naming both meters.
    void runStopped(const QString &why);
    // The journal could not go on (once per journal); the recording goes on.
    void journalFailed(const QString &why);
    void pollingPaused(const QString &why);
    void pollingResumed();
    // A note was added, edited or removed, or the notes went with a clear.
    void notesChanged();
    // Notes waiting for the journal's file could not be written beside it.
    void notesNotKept(const QString &why);

public Q_SLOTS:
    // The link's tick while connected: the tick's date-time, and whether a
    // frame confirmed the reading in this tick or the one before.
    void onLiveTick(double dateTime, bool fresh);

private:
    LiveSample sampleNow(double dateTime, bool fresh) const;
    void record(const LiveSample &s);
    // The newest row into the journal.
    void journal(double dateTime);
    void emptyRows(bool anotherMeter);
    bool keepNotes(QString *why);

    MeterLink &m_link;
    Clock &m_clock;
    QTimer m_timer;
    QString m_pausedFor;
    LiveSample m_latest;

    bool m_recording = false;
    SampleGate m_gate{2};
    std::function<bool()> m_atOnce;
    RunRows m_rows;
    MeterIdentity m_runMeter;
    RecordingJournal *m_journal = nullptr;
    RunNotes m_notes;
    bool m_notesWaiting = false; // made before the journal had a file
    int m_lastRate = 0; // the interval in force at the last row
    QString m_journalPath;
    qint64 m_journalBytes = 0; // bytes of rows in the journal file
};

} // namespace kv
