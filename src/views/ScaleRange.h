#pragma once
// Applying the vertical scale typed into the scale dialog.

#include <QString>

namespace kv {

class Chart;
class Prompt;

// The dialog's texts for a scale: truncated toward zero, as whole degrees.
QString scaleFieldText(double value);

// Sets the chart's maximum, then its minimum, then remembers both truncated
// toward zero for new charts, then redraws at the new scale (a zoom is
// forgotten). A text that is not a number shows "'<text>' is not a valid
// floating point value" and stops there: a bad minimum leaves the new
// maximum on the chart and the remembered scale as it was. False when
// stopped.
bool applyScaleRange(Chart &chart, const QString &maxText, const QString &minText, int &maxScale, int &minScale,
                     Prompt &prompt);

// The Range command: the dialog shows the real-time graph's scale when that
// graph is open (else the remembered one), and the answer goes to target's
// chart: the graph or data-logger window that was active when the command
// was chosen (nothing for a list or the panel, or when target has gone).
void Range1Command(Prompt &prompt, const Chart *realTimeChart, Chart *target, int &maxScale, int &minScale);

} // namespace kv
