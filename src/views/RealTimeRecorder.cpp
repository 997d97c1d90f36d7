#include "views/RealTimeRecorder.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "link/MeterLink.h"
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

RealTimeRecorder::RealTimeRecorder(MeterLink &link, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    connect(&link, &MeterLink::liveTick, this, &RealTimeRecorder::onLiveTick);
    connect(&link, &MeterLink::connectionChanged, this, &RealTimeRecorder::onConnectionChanged);
    connect(&link, &MeterLink::modelRecognised, this, &RealTimeRecorder::onModelRecognised);
}

bool RealTimeRecorder::setupGraph(Chart &chart, double minScale, double maxScale, const GraphTemplate &tmpl,
                                  Prompt &prompt)
{
    m_graph = &chart;
    forgetGraphSamples();
    m_template = tmpl;
    m_prompt = &prompt;
    m_state.realTimeSpan = 100.0 * m_samplingRate / kSecondsPerDay;
    const double t = m_clock.now();
    return SetupGraph(chart, subsetsFor(m_link.model()), kRealTimePoints, t, t + m_state.realTimeSpan, minScale,
                      maxScale, tmpl, prompt);
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
    Q_EMIT controlsChanged(!m_recording, m_recording);
}

void RealTimeRecorder::run()
{
    m_recording = true;
    emitControls();
}

void RealTimeRecorder::stop()
{
    m_recording = false;
    emitControls();
}

void RealTimeRecorder::onConnectionChanged(bool)
{
    emitControls();
}

void RealTimeRecorder::clear()
{
    // The recording and the tick count go on into the emptied views.
    m_state.realTimePointCount = 0;
    if (m_graph) {
        forgetGraphSamples();
        m_graph->look().yAxisLabel = temperatureAxisLabel(QString());
        clearRealTimeGraph(*m_graph, m_state, m_link.channelCount(), m_clock.now());
    }
    if (m_list)
        m_list->clear();
}

void RealTimeRecorder::onLiveTick(double dateTime, bool readingFresh)
{
    if (!m_recording)
        return;
    m_sampleTickCount += 1;
    // An empty graph (or none) takes a sample at once.
    if (m_sampleTickCount < m_samplingRate && m_state.realTimePointCount != 0)
        return;
    // A meter that stopped answering has no new reading: its last one is
    // not repeated as if it were new, and the due sample waits for the
    // next confirmed reading.
    if (!readingFresh)
        return;
    m_sampleTickCount = 0;
    // The meter showing its clock has no temperatures to give.
    const Reading &r = m_link.reading();
    if (r.clockMode)
        return;
    if (m_graph)
        addGraphSample(dateTime, r);
    // The list keeps what the meter sent, in the meter's unit.
    if (m_list)
        m_list->AddRealTimeRow(dateTime, r, m_link.model());
    Q_EMIT sampleTaken(dateTime);
}

void RealTimeRecorder::addGraphSample(double dateTime, const Reading &r)
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
    const int rate = std::max(m_lastSampleRate, m_samplingRate);
    if (m_lastSampleTime != 0.0 && dateTime - m_lastSampleTime > 2.0 * rate / kSecondsPerDay)
        AddRealTimeGap(*m_graph, m_state, m_lastSampleTime + double(m_lastSampleRate) / kSecondsPerDay);
    m_lastSampleTime = dateTime;
    m_lastSampleRate = m_samplingRate;

    m_graphHasSamples = true;
    AddRealTimePoint(*m_graph, m_state, m_link.model(), r.t1Overload, r.t2Overload, inGraphUnit(r.t1), dateTime,
                     inGraphUnit(r.t2));
}

} // namespace kv
