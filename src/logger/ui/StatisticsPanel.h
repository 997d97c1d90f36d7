#pragma once
// The data-logger window's figures of the shown set, under its highest and
// lowest readings: each channel's mean and standard deviation, and the
// set's start, end and duration.

#include "logger/DataSetStatistics.h"

#include <QFrame>
#include <QLabel>

namespace kv {

// A label of one line of figures that the keyboard can reach. Such a label
// lays its text out as a document, several times for every new text when
// asked for its size and again to draw it, costing more than drawing the
// set's graph. The size of one line comes from the font alone, and it is
// drawn as a line of text unless it has the keyboard (and may show a
// selection).
class FigureLabel : public QLabel
{
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int indentWidth() const;
};

class StatisticsPanel : public QFrame
{
    Q_OBJECT
public:
    explicit StatisticsPanel(QWidget *parent = nullptr);

    // The captions and rows for one or two channels.
    void setChannels(int channels);
    // The figures of a set whose readings are in unit ('C' or 'F'). A set
    // without readings (none recorded) shows no mean or deviation, where
    // one of overloads only shows "OL".
    void showStatistics(const DataSetStatistics &stats, QChar unit, bool readings = true);
    void clear();

    // The value labels, in the order they are read: T1 mean, T1 deviation,
    // T2 mean, T2 deviation, start, end, duration.
    enum Row { T1Mean, T1Sd, T2Mean, T2Sd, Start, End, Duration, RowCount };
    QLabel *value(Row row) const { return m_values[row]; }
    QLabel *caption(Row row) const { return m_captions[row]; }

    // A mean or deviation as shown: two decimals in the locale's way and
    // the unit, or "OL" for a channel without a valid reading.
    static QString figureText(double value, bool present, QChar unit);
    // A date-time as shown: the short date and the long time.
    static QString momentText(double dateTime);

private:
    QLabel *m_captions[RowCount];
    QLabel *m_values[RowCount];
};

} // namespace kv
