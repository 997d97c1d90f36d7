#include "views/RealTimeRecorder.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "link/MeterLink.h"
#include "session/LiveRun.h"
#include "views/Chart.h"
#include "views/TfrmList.h"

#include <algorithm>

namespace kv {

namespace {
int subsetsFor(int model)
{
    return model == 481 ? 1 : 2;
}
} // namespace

RealTimeRecorder::RealTimeRecorder(LiveRun &run, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_clock(clock)
{
    // An empty graph (or none) takes a sample at once.
    run.setTakeAtOnce([this] { return m_state.realTimePointCount == 0; });
    connect(&run, &LiveRun::sampleTaken, this, &RealTimeRecorder::onSampleTaken);
    connect(&run, &LiveRun::recordingChanged, this, &RealTimeRecorder::emitControls);
    connect(&run, &LiveRun::runCleared, this, &RealTimeRecorder::onRunCleared);
    connect(&run, &LiveRun::notesChanged, this, &RealTimeRecorder::showNotes);
    connect(&run.link(), &MeterLink::connectionChanged, this, &RealTimeRecorder::onConnectionChanged);
    connect(&run.link(), &MeterLink::modelRecognised, this, &RealTimeRecorder::onModelRecognised);
}

bool RealTimeRecorder::setupGraph(Chart &chart, double minScale, double maxScale, const GraphTemplate &tmpl,
                                  Prompt &prompt)
{
    m_graph = &chart;
    forgetGraphSamples();
    m_template = tmpl;
    m_prompt = &prompt;
    m_state.realTimeSpan = 100.0 * samplingRate() / kSecondsPerDay;
    const double t = m_clock.now();
    const bool ok = SetupGraph(chart, subsetsFor(m_run.link().model()), kRealTimePoints, t, t + m_state.realTimeSpan,
                               minScale, maxScale, tmpl, prompt);
    chart.setNotes(m_run.notes());
    return ok;
}

void RealTimeRecorder::setList(TfrmList *list)
{
    m_list = list;
    if (list)
        list->setNotes(m_run.notes());
}

void RealTimeRecorder::showNotes()
{
    if (m_graph)
        m_graph->setNotes(m_run.notes());
    if (m_list)
        m_list->setNotes(m_run.notes());
}

void RealTimeRecorder::forgetGraphSamples()
{
    m_graphHasSamples = false;
    m_graphUnit.clear();
    m_lastSampleTime = 0.0;
    m_lastSampleRate = 0;
}

void RealTimeRecorder::onModelRecognised(int model)
{
    if (!m_graph || !m_prompt || m_graphHasSamples || m_graph->subsets() == subsetsFor(model))
        return;
    // The scale the graph shows now (a Range may have changed it) stays.
    setupGraph(*m_graph, m_graph->manualMinY(), m_graph->manualMaxY(), m_template, *m_prompt);
}

void RealTimeRecorder::emitControls()
{
    Q_EMIT controlsChanged(!recording(), recording());
}

void RealTimeRecorder::onConnectionChanged(bool)
{
    emitControls();
}

void RealTimeRecorder::onRunCleared(bool anotherMeter)
{
    // The recording and the tick count go on into the emptied views.
    m_state.realTimePointCount = 0;
    const int model = m_run.link().model();
    if (m_graph) {
        forgetGraphSamples();
        m_graph->look().yAxisLabel = temperatureAxisLabel(QString());
        // A new run for a meter of the other kind draws its channels.
        if (anotherMeter && m_prompt && m_graph->subsets() != subsetsFor(model))
            setupGraph(*m_graph, m_graph->manualMinY(), m_graph->manualMaxY(), m_template, *m_prompt);
        else
            clearRealTimeGraph(*m_graph, m_state, m_run.link().channelCount(), m_clock.now());
    }
    if (m_list) {
        m_list->clear();
        if (anotherMeter)
            m_list->setupColumns(model);
    }
}

void RealTimeRecorder::onSampleTaken(const LiveSample &s)
{
    if (m_graph)
        addGraphSample(s.dateTime, s.reading, s.model());
    // The list keeps what the meter sent, in the meter's unit.
    if (m_list)
        m_list->AddRealTimeRow(s.dateTime, s.reading, s.model());
}

void RealTimeRecorder::addGraphSample(double dateTime, const Reading &r, int model)
{
    // A graph keeps one unit, that of its first sample: readings taken after
    // the meter's unit was switched are converted, not drawn on the wrong
    // scale.
    if (m_graphUnit.isEmpty()) {
        m_graphUnit = r.unit1;
        m_graph->look().yAxisLabel = temperatureAxisLabel(m_graphUnit);
    }
    const auto inGraphUnit = [&](double v) { return static_cast<float>(convertTemperature(v, r.unit1, m_graphUnit)); };

    // The line is broken where no reading was taken for more than two
    // sampling intervals (a lost meter, a pause, the meter's clock shown);
    // the longer of the intervals before and now counts, so that a changed
    // interval alone breaks nothing.
    const int rate = std::max(m_lastSampleRate, samplingRate());
    if (m_lastSampleTime != 0.0 && dateTime - m_lastSampleTime > 2.0 * rate / kSecondsPerDay)
        AddRealTimeGap(*m_graph, m_state, m_lastSampleTime + double(m_lastSampleRate) / kSecondsPerDay);
    m_lastSampleTime = dateTime;
    m_lastSampleRate = samplingRate();

    m_graphHasSamples = true;
    AddRealTimePoint(*m_graph, m_state, model, r.t1Overload, r.t2Overload, inGraphUnit(r.t1), dateTime,
                     inGraphUnit(r.t2));
}

} // namespace kv
