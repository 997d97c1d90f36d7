#include "print/QtPageCanvas.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPen>

#include <algorithm>

namespace kv {

QtPageCanvas::QtPageCanvas(QPaintDevice *device)
    : m_device(device)
{
    if (!m_painter.begin(device))
        return;
    m_scale = qreal(device->logicalDpiX()) / kUnitsPerInch;
    applyScale();
    QPen pen(Qt::black);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_metrics = QFontMetricsF(m_painter.font(), m_device);
}

QtPageCanvas::~QtPageCanvas()
{
    end();
}

bool QtPageCanvas::end()
{
    return m_painter.isActive() ? m_painter.end() : true;
}

void QtPageCanvas::applyScale()
{
    m_painter.resetTransform();
    m_painter.scale(m_scale, m_scale);
}

void QtPageCanvas::setPenWidth(int width)
{
    QPen pen = m_painter.pen();
    pen.setWidth(width);
    m_painter.setPen(pen);
}

void QtPageCanvas::setFont(const QFont &font)
{
    // A font's point size is turned into pixels at the device's resolution
    // and then scaled with everything else; divide the scale out again so
    // the text keeps its point size on paper.
    QFont f(font);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    f.setPointSizeF(points / m_scale);
    m_painter.setFont(f);
    m_metrics = QFontMetricsF(m_painter.font(), m_device);
}

TextBox QtPageCanvas::measure(const QString &text) const
{
    if (text.isEmpty())
        return {0.0, m_metrics.ascent(), m_metrics.descent()};
    // The last glyph's ink may reach beyond its advance (a negative right
    // bearing, as a slanted letter has).
    const qreal overhang = std::max<qreal>(0.0, -m_metrics.rightBearing(text.back()));
    return {m_metrics.horizontalAdvance(text) + overhang, m_metrics.ascent(), m_metrics.descent()};
}

void QtPageCanvas::rectangle(int left, int top, int right, int bottom)
{
    m_painter.drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
}

void QtPageCanvas::line(int x1, int y1, int x2, int y2)
{
    m_painter.drawLine(x1, y1, x2, y2);
}

void QtPageCanvas::text(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    m_painter.drawText(QPointF(x, y + m_metrics.ascent()), text);
}

bool QtPageCanvas::newPage()
{
    auto *pages = dynamic_cast<QPagedPaintDevice *>(m_device);
    if (!pages || !m_painter.isActive() || !pages->newPage())
        return false;
    applyScale();
    return true;
}

} // namespace kv
