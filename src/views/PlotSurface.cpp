#include "views/PlotSurface.h"

namespace kv {

namespace {

// A buffer that remembers being clear: clearing it again, when nothing was
// drawn on it since, leaves a window-sized fill out.
class OverlayBuffer : public QCPPaintBufferPixmap
{
public:
    OverlayBuffer(const QSize &size, double ratio, const PlotSurface &plot)
        : QCPPaintBufferPixmap(size, ratio)
        , m_plot(plot)
    {
    }
    void clear(const QColor &color) override
    {
        if (m_clear && color == m_color)
            return;
        QCPPaintBufferPixmap::clear(color);
        m_clear = true;
        m_color = color;
    }
    void donePainting() override
    {
        // The overlay's layer paints into it on every redraw, but only a
        // rectangle being pulled (or some other visible item) leaves a mark.
        if (!m_plot.overlayEmpty())
            m_clear = false;
    }

protected:
    void reallocateBuffer() override
    {
        QCPPaintBufferPixmap::reallocateBuffer();
        m_clear = false;
    }

private:
    const PlotSurface &m_plot;
    bool m_clear = false;
    QColor m_color;
};

} // namespace

PlotSurface::PlotSurface(QWidget *parent)
    : QCustomPlot(parent)
{
    connect(this, &QCustomPlot::beforeReplot, this, &PlotSurface::keepClearOverlay);
}

void PlotSurface::keepClearOverlay()
{
    if (!overlayEmpty() || dynamic_cast<OverlayBuffer *>(mPaintBuffers.last().data()))
        return;
    mPaintBuffers.last().reset(new OverlayBuffer(viewport().size(), mBufferDevicePixelRatio, *this));
}

bool PlotSurface::overlayEmpty() const
{
    const QCPLayer *overlay = layer(QStringLiteral("overlay"));
    // Only a buffered top layer has the last buffer to itself.
    if (!overlay || overlay != layer(layerCount() - 1) || overlay->mode() != QCPLayer::lmBuffered
        || mPaintBuffers.size() < 2)
        return false;
    const QCPSelectionRect *band = selectionRect();
    for (QCPLayerable *l : overlay->children()) {
        if (!l->realVisibility())
            continue;
        if (l == band && !band->isActive())
            continue; // draws nothing while no rectangle is pulled
        return false;
    }
    return true;
}

void PlotSurface::paintEvent(QPaintEvent *event)
{
    if (!overlayEmpty()) {
        QCustomPlot::paintEvent(event);
        return;
    }
    // As the plot paints itself, without the last buffer.
    QCPPainter painter(this);
    if (!painter.isActive())
        return;
    if (mBackgroundBrush.style() != Qt::NoBrush)
        painter.fillRect(mViewport, mBackgroundBrush);
    drawBackground(&painter);
    for (int i = 0; i < mPaintBuffers.size() - 1; ++i)
        mPaintBuffers.at(i)->draw(&painter);
}

} // namespace kv
