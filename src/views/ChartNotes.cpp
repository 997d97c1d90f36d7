// Notes on a chart's time line: a dashed line at each note's time and its
// text in a box at the top, the boxes of neighbouring notes stepped down
// so they do not cover one another.

#include "views/Chart.h"

#include <qcustomplot.h>

#include <cmath>

namespace kv {

namespace {
const QColor kNoteColor(120, 40, 170);
// The rows the labels take in turn, and how far a line counts as hit.
constexpr int kLabelRows = 4;
constexpr double kHitPixels = 4.0;
} // namespace

void Chart::setNotes(const RunNotes &notes, bool redraw)
{
    m_notes = notes;
    if (!redraw)
        return;
    applyNotes();
    m_plot->replot(QCustomPlot::rpQueuedRefresh);
}

void Chart::applyNotes()
{
    for (QCPAbstractItem *item : std::as_const(m_noteItems))
        m_plot->removeItem(item);
    m_noteItems.clear();
    m_noteLabels.clear();
    const QColor color = visibleLineColor(kNoteColor, m_c.look.background);
    const double middle = m_plot->xAxis->range().center();
    const double size = 8.0 * m_c.look.lineAnnotationTextSize / 100.0;
    for (int i = 0; i < m_notes.size(); ++i) {
        const RunNote &n = m_notes.at(i);
        const double key = keyOf(n.at);
        auto *line = new QCPItemStraightLine(m_plot);
        line->point1->setCoords(key, 0);
        line->point2->setCoords(key, 1);
        line->setPen(QPen(color, 1.5, Qt::DashLine));
        m_noteItems << line;
        auto *label = new QCPItemText(m_plot);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        // Below the cursor line's label, and towards the middle of the axis.
        label->position->setCoords(key, 0.09 + 0.065 * (i % kLabelRows));
        label->setPositionAlignment((key > middle ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        label->setText(n.text);
        label->setColor(color);
        label->setFont(QFont(font().family(), qMax(5, int(size))));
        label->setPadding(QMargins(3, 1, 3, 1));
        label->setPen(QPen(color, 0));
        label->setBrush(QColor(255, 255, 255, 225));
        m_noteItems << label;
        m_noteLabels << label;
    }
}

int Chart::noteAt(const QPoint &pos) const
{
    // A label over a line wins: it is what was pointed at.
    for (int i = int(m_noteLabels.size()) - 1; i >= 0; --i) {
        const auto *label = static_cast<const QCPItemText *>(m_noteLabels.at(i));
        const QRectF box = QRectF(label->topLeft->pixelPosition(), label->bottomRight->pixelPosition()).normalized();
        if (box.contains(pos))
            return i;
    }
    if (!m_plot->axisRect()->rect().contains(pos))
        return -1;
    int best = -1;
    double nearest = kHitPixels;
    for (int i = 0; i < m_notes.size(); ++i) {
        const double d = std::fabs(m_plot->xAxis->coordToPixel(keyOf(m_notes.at(i).at)) - pos.x());
        if (d <= nearest) {
            nearest = d;
            best = i;
        }
    }
    return best;
}

} // namespace kv
