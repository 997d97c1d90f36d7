#include "views/PlotSurface.h"

namespace kv {

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
