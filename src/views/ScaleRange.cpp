#include "views/ScaleRange.h"

#include "common/LocaleText.h"
#include "common/Prompt.h"
#include "views/Chart.h"

#include <QPointer>

#include <climits>
#include <cmath>

namespace kv {

namespace {
// Truncation toward zero, kept within the integers' range.
int wholeDegrees(double v)
{
    const double t = std::trunc(v);
    if (t >= double(INT_MAX))
        return INT_MAX;
    if (t <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(t);
}

bool number(const QString &text, double &value, Prompt &prompt)
{
    bool ok = false;
    value = parseLocaleDouble(text, &ok);
    if (!ok)
        prompt.error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return ok;
}
} // namespace

QString scaleFieldText(double value)
{
    return QString::number(wholeDegrees(value));
}

bool applyScaleRange(Chart &chart, const QString &maxText, const QString &minText, int &maxScale, int &minScale,
                     Prompt &prompt)
{
    double max = 0, min = 0;
    if (!number(maxText, max, prompt))
        return false;
    chart.setManualMaxY(max);
    if (!number(minText, min, prompt))
        return false;
    chart.setManualMinY(min);
    maxScale = wholeDegrees(max);
    minScale = wholeDegrees(min);
    chart.reinitAndReset();
    return true;
}

void Range1Command(Prompt &prompt, const Chart *realTimeChart, Chart *target, int &maxScale, int &minScale)
{
    QPointer<Chart> chart = target;
    QString maxText = QString::number(maxScale);
    QString minText = QString::number(minScale);
    if (realTimeChart) {
        maxText = scaleFieldText(realTimeChart->manualMaxY());
        minText = scaleFieldText(realTimeChart->manualMinY());
    }
    // A number that cannot be read is told, and the dialog comes back with
    // what was typed, so that one slip does not lose the other field.
    while (prompt.setupScale(maxText, minText) && chart) {
        if (applyScaleRange(*chart, maxText, minText, maxScale, minScale, prompt))
            return;
    }
}

} // namespace kv
