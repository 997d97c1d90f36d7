#pragma once
// The highest and lowest valid reading of each channel of a shown data set,
// with the time each first occurred, and what the window makes of them: the
// label texts and the vertical range of the graph.

#include "logger/SampleDecoding.h"

#include <QString>

namespace kv {

struct ChannelExtremes
{
    // Sentinels that any valid reading (above -400, below 2500) replaces.
    static constexpr float kNoMax = -99999.0f;
    static constexpr float kNoMin = 99999.0f;

    float max = kNoMax;
    float min = kNoMin;
    double maxTime = 0.0;
    double minTime = 0.0;

    // A later reading equal to the extreme keeps the first one's time.
    void add(float value, double time)
    {
        if (value > max) {
            max = value;
            maxTime = time;
        }
        if (value < min) {
            min = value;
            minTime = time;
        }
    }
    bool hasMax() const { return max != kNoMax; }
    bool hasMin() const { return min != kNoMin; }
};

// A maximum or minimum label: the long time, a tab and the value with one
// decimal; without any valid reading, midnight's time, a tab and "OL".
QString extremeText(float value, double time, bool present);
inline QString maxText(const ChannelExtremes &e) { return extremeText(e.max, e.maxTime, e.hasMax()); }
inline QString minText(const ChannelExtremes &e) { return extremeText(e.min, e.minTime, e.hasMin()); }

struct YRange
{
    double min = 0.0;
    double max = 0.0;
};

// The graph's vertical range for the channels shown: from the lowest
// minimum to the highest maximum, each end moved out by a tenth of its
// magnitude; -200 to 1370 (the thermocouple's span) when no channel has a
// valid reading. A set whose every reading is 0 gets -1 to 1, since a range
// of no height cannot be drawn.
YRange dataSetYRange(const ChannelExtremes *channels, int count);

} // namespace kv
