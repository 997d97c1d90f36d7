#pragma once
// The page canvas on a real device: a QPainter on a printer, a PDF writer or
// an image. One unit is 1/600 inch and a 10 pt font is 10 pt on paper,
// whatever the device's resolution, so the form keeps its size everywhere.

#include "print/PageCanvas.h"

#include <QFontMetricsF>
#include <QPainter>

class QPaintDevice;

namespace kv {

class QtPageCanvas final : public PageCanvas
{
public:
    // Starts painting on device (a printer starts its job here).
    explicit QtPageCanvas(QPaintDevice *device);
    ~QtPageCanvas() override;

    // False when the device refused to start painting.
    bool isActive() const { return m_painter.isActive(); }
    // Ends painting (a printer ends its job); false when that failed.
    bool end();

    void setPenWidth(int width) override;
    void setFont(const QFont &font) override;
    TextBox measure(const QString &text) const override;
    void rectangle(int left, int top, int right, int bottom) override;
    void line(int x1, int y1, int x2, int y2) override;
    void text(int x, int y, const QString &text) override;
    bool newPage() override;

    static constexpr int kUnitsPerInch = 600;

private:
    void applyScale();

    QPaintDevice *m_device;
    QPainter m_painter;
    qreal m_scale = 1.0; // device pixels per unit
    // Of the painter's font on the device, in units.
    QFontMetricsF m_metrics{QFont()};
};

} // namespace kv
