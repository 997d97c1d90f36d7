#pragma once
// The live recording as the windows see it: each sample the live run takes
// drawn in the real-time graph and added to the real-time list while they
// are open, and Run, Stop and clear of the views. The run itself (its gate,
// rows and journal) belongs to LiveRun and goes on whatever is open.

#include "views/Chart.h"
#include "views/GraphSetup.h"
#include "views/RealTimeGraph.h"
#include "views/TfrmList.h"
#include "session/LiveRun.h"

#include <QObject>
#include <QPointer>

namespace kv {

class Clock;
class Prompt;
struct Reading;

class RealTimeRecorder : public QObject
{
    Q_OBJECT
public:
    RealTimeRecorder(LiveRun &run, Clock &clock, QObject *parent = nullptr);

    bool recording() const { return m_run.recording(); }
    // Seconds between recorded samples; a change takes effect at the next tick.
    int samplingRate() const { return m_run.samplingRate(); }
    void setSamplingRate(int seconds) { m_run.setSamplingRate(seconds); }
    int sampleTickCount() const { return m_run.sampleTickCount(); }
    const RealTimeState &state() const { return m_state; }

    // Sets up a chart as the real-time graph for the current model and
    // interval, starting now, and records into it from then on.
    bool setupGraph(Chart &chart, double minScale, double maxScale, const GraphTemplate &tmpl, Prompt &prompt);
    // The real-time list, while it is open.
    void setList(TfrmList *list);
    Chart *graph() const { return m_graph; }
    // The unit the graph's values are in ("C" or "F"): that of its first
    // sample; empty until it has one.
    QString graphUnit() const { return m_graphUnit; }

    void run() { m_run.run(); }
    void stop() { m_run.stop(); }
    // Empties the run and the views; the recording goes on into them.
    void clear() { m_run.clear(); }

Q_SIGNALS:
    // What Run and Stop (buttons and menu items) allow now.
    void controlsChanged(bool runEnabled, bool stopEnabled);

public Q_SLOTS:
    // Lost or found, the controls keep showing whether it records: a
    // recording waits for the meter and can be stopped meanwhile.
    void onConnectionChanged(bool connected);
    // A meter of another kind answered before anything was recorded into
    // the graph: the graph is set up again with that meter's channels.
    void onModelRecognised(int model);

private:
    void emitControls();
    // The run took a sample: into the graph and the list while open.
    void onSampleTaken(const LiveSample &s);
    // The run was emptied (Clear, a new run for another meter).
    void onRunCleared(bool anotherMeter);
    // Puts one sample into the graph, in the graph's unit, after a break in
    // the line when no reading was taken for more than two intervals.
    void addGraphSample(double dateTime, const Reading &r, int model);
    void forgetGraphSamples();
    // The run's notes into the graph and the list.
    void showNotes();

    LiveRun &m_run;
    Clock &m_clock;
    RealTimeState m_state;

    QPointer<Chart> m_graph;
    bool m_graphHasSamples = false;
    QString m_graphUnit;
    double m_lastSampleTime = 0.0; // 0: none since the graph was set up or cleared
    int m_lastSampleRate = 0;      // the interval in force then
    GraphTemplate m_template;
    Prompt *m_prompt = nullptr;
    QPointer<TfrmList> m_list;
};

} // namespace kv
