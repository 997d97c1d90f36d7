#pragma once
// The whole-run graph (caption "Whole Run"): every sample of the live run
// so far, however long, drawn from the run's own rows as each pixel
// column's lowest and highest reading, and every sample once zoomed in far
// enough. It follows the run while open: its time axis reaches from the
// run's first sample to a little beyond the newest, growing by a quarter
// when the readings reach its end. A graph window like the others: Range,
// Undo Zoom, Print and Export Picture act on its chart; Save writes the
// run's rows (the main window does that).

#include "session/RunEnvelope.h"
#include "views/TfrmGraph.h"

namespace kv {

class LiveRun;
struct LiveSample;

class TfrmWholeRun : public TfrmGraph
{
    Q_OBJECT
public:
    static QString caption() { return QStringLiteral("Whole Run"); }

    TfrmWholeRun(LiveRun &run, double minScale, double maxScale, const GraphTemplate &tmpl, Prompt &prompt,
                 QWidget *parent = nullptr);

    const RunEnvelope &envelope() const { return m_envelope; }
    // The time axis when not zoomed.
    double spanFrom() const { return m_from; }
    double spanTo() const { return m_to; }
    // Works out what the chart shows now (the zoomed span or the whole run)
    // for its width, and draws it.
    void refresh();

    QString suggestedFileName() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUp();
    void onSample();
    // The span the whole run takes; true when it changed.
    bool fitSpan();
    void scheduleRefresh();
    // The envelope's cells into the chart and onto the screen; cellsOnly
    // when nothing but the cells changed since the last time.
    void draw(bool cellsOnly = false);
    int pixelColumns() const;

    LiveRun &m_run;
    GraphTemplate m_tmpl;
    Prompt &m_prompt;
    double m_minScale, m_maxScale;
    RunEnvelope m_envelope;
    double m_from = 0, m_to = 0;
    bool m_refreshPending = false;
    QString m_unit;
};

} // namespace kv
