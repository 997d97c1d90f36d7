#include "views/DateTimeTicker.h"

#include "common/LocaleText.h"
#include "views/Chart.h"

#include <algorithm>

namespace kv {

QString DateTimeTicker::getTickLabel(double tick, const QLocale &, QChar, int)
{
    const double dt = Chart::dateTimeOf(tick);
    return hhmmssText(dt) + QLatin1Char('\n') + shortDateText(dt);
}

double DateTimeTicker::getTickStep(const QCPRange &range)
{
    const double least = leastStep(range);
    double step = QCPAxisTickerDateTime::getTickStep(range);
    // Asked for over a longer span, the ticker picks a longer step of its
    // own kind (and its date strategy with it).
    for (double span = range.size(); step < least && span < 1e12;) {
        span *= 1.5;
        step = QCPAxisTickerDateTime::getTickStep(QCPRange(range.lower, range.lower + span));
    }
    if (step < 1.0)
        return 1.0;
    if (step == 2.5)
        return least <= 2.0 ? 2.0 : 5.0;
    return step;
}

// The ticks are set before the axis is laid out anew, so its width is taken
// from the plot's (a picture's) own width less the axis rect's margins.
double DateTimeTicker::leastStep(const QCPRange &range) const
{
    if (!m_axis || !m_axis->axisRect())
        return 0.0;
    const QMargins margins = m_axis->axisRect()->margins();
    const int width = m_axis->parentPlot()->viewport().width() - margins.left() - margins.right();
    if (width <= 0)
        return 0.0;
    const QFontMetrics fm(m_axis->tickLabelFont());
    const double dt = Chart::dateTimeOf(range.lower);
    const int label = std::max(fm.horizontalAdvance(hhmmssText(dt)), fm.horizontalAdvance(shortDateText(dt)));
    const int gap = fm.horizontalAdvance(QLatin1Char('M'));
    return range.size() * (label + gap) / width;
}

} // namespace kv
