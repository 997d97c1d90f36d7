#pragma once
// The live recording: Run, Stop and clear, the sampling interval, and each
// due sample routed into the real-time graph and the real-time list.

#include "views/Chart.h"
#include "views/GraphSetup.h"
#include "views/RealTimeGraph.h"
#include "views/TfrmList.h"

#include <QObject>
#include <QPointer>

namespace kv {

class Clock;
class MeterLink;
class Prompt;
struct Reading;

class RealTimeRecorder : public QObject
{
    Q_OBJECT
public:
    RealTimeRecorder(MeterLink &link, Clock &clock, QObject *parent = nullptr);

    bool recording() const { return m_recording; }
    // Seconds between recorded samples; a change takes effect at the next tick.
    int samplingRate() const { return m_samplingRate; }
    void setSamplingRate(int seconds) { m_samplingRate = seconds; }
    int sampleTickCount() const { return m_sampleTickCount; }
    const RealTimeState &state() const { return m_state; }

    // Sets up a chart as the real-time graph for the current model and
    // interval, starting now, and records into it from then on.
    bool setupGraph(Chart &chart, double minScale, double maxScale, const GraphTemplate &tmpl, Prompt &prompt);
    // The real-time list, while it is open.
    void setList(TfrmList *list) { m_list = list; }
    Chart *graph() const { return m_graph; }
    // The unit the graph's values are in ("C" or "F"): that of its first
    // sample; empty until it has one.
    QString graphUnit() const { return m_graphUnit; }

    void run();
    void stop();
    void clear();

Q_SIGNALS:
    // What Run and Stop (buttons and menu items) allow now.
    void controlsChanged(bool runEnabled, bool stopEnabled);
    // A sample went to the graph and the list.
    void sampleTaken(double dateTime);

public Q_SLOTS:
    // The link's tick while connected.
    void onLiveTick(double dateTime, bool readingFresh);
    // Lost or found, the controls keep showing whether it records: a
    // recording waits for the meter and can be stopped meanwhile.
    void onConnectionChanged(bool connected);
    // A meter of another kind answered before anything was recorded into
    // the graph: the graph is set up again with that meter's channels.
    void onModelRecognised(int model);

private:
    void emitControls();
    // Puts one sample into the graph, in the graph's unit, after a break in
    // the line when no reading was taken for more than two intervals.
    void addGraphSample(double dateTime, const Reading &r);
    void forgetGraphSamples();

    MeterLink &m_link;
    Clock &m_clock;
    RealTimeState m_state;
    bool m_recording = false;
    int m_samplingRate = 2;
    int m_sampleTickCount = 0;

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
