#pragma once

#include <QPointer>
#include <qcustomplot.h>

namespace kv {

// Time labels in the user's formats: the time of day, the date under it.
class DateTimeTicker : public QCPAxisTickerDateTime
{
public:
    explicit DateTimeTicker(QCPAxis *axis)
        : m_axis(axis)
    {
    }

protected:
    QString getTickLabel(double tick, const QLocale &, QChar, int) override;
    // The labels name whole seconds: a step below a second, or of two and a
    // half, would give ticks the label of another or repeat one label. In a
    // narrow graph (a small tile) the ticks are thinned until their labels
    // have room side by side.
    double getTickStep(const QCPRange &range) override;

private:
    // The shortest step, in seconds, at which two labels do not touch.
    double leastStep(const QCPRange &range) const;

    QPointer<QCPAxis> m_axis;
};

} // namespace kv
