#pragma once
// What the whole-run graph draws of a run for a span of time on a given
// number of pixel columns: each column's lowest and highest reading of
// each channel, so that a million samples draw as fast as a thousand and
// no peak is lost; once the span holds no more samples than two a column,
// every sample as it is. A break in the line stays a break. New samples
// are folded in as they come, at a cost that does not grow with the run.

#include <QtGlobal>

#include <vector>

namespace kv {

class RunRows;

class RunEnvelope
{
public:
    // The cells of one channel: x date-times, y values in the run's unit,
    // NaN where the line is broken.
    struct Cells
    {
        std::vector<double> x;
        std::vector<float> y;
    };

    // Works out the columns of [from, to) for the rows of run.
    void compute(const RunRows &run, double from, double to, int columns);
    // Folds in the run's newest row; false when the span must be worked out
    // anew (the row lies outside it, or there are now too many samples to
    // draw each). changed tells whether the cells are no longer the same
    // (a new extreme, a new column): a sample within a column's range
    // changes nothing drawn.
    bool addNewest(const RunRows &run, bool *changed = nullptr);

    double from() const { return m_from; }
    double to() const { return m_to; }
    int columns() const { return m_columns; }
    int channels() const { return m_channels; }
    // Every sample in the span is drawn as it is.
    bool everySample() const { return m_every; }
    // The cells for a channel, as the chart takes them.
    Cells cells(int channel) const;

    // One column of one channel: true when it holds a reading.
    struct Column
    {
        float min = 0, max = 0;
        bool any = false;   // a reading that is not an overload
        bool rows = false;  // any sample at all (an overload too)
        bool breaks = false;
    };
    const std::vector<Column> &columnsOf(int channel) const { return m_cols[channel]; }

private:
    int columnOf(double t) const;
    // True when a column changed.
    bool foldRow(const RunRows &run, int i);
    void addRaw(const RunRows &run, int i);

    double m_from = 0, m_to = 0;
    int m_columns = 0;
    int m_channels = 1;
    bool m_every = true;
    int m_next = 0; // the first row not yet folded in
    int m_inSpan = 0; // samples in the span
    std::vector<Column> m_cols[2];
    // Every sample: time, value (NaN for an overload) and breaks.
    std::vector<double> m_rawX;
    std::vector<float> m_rawY[2];
    std::vector<bool> m_rawBreak;
};

} // namespace kv
