#pragma once
// The plot widget of every chart: QCustomPlot's, but its top buffer (the
// layer the zoom rectangle is drawn on) is not laid over the picture while
// nothing is on it. Blending a whole empty window-sized buffer in is a good
// part of what bringing a redrawn chart to the screen costs.

#include <qcustomplot.h>

namespace kv {

class PlotSurface : public QCustomPlot
{
public:
    explicit PlotSurface(QWidget *parent = nullptr);

    // Whether the last paint buffer is the overlay's and holds nothing.
    bool overlayEmpty() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Every redraw the plot clears each of its buffers; the top one is kept
    // as it is while it was left clear and nothing will be drawn on it.
    void keepClearOverlay();
};

} // namespace kv
