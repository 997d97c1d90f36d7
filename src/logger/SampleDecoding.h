#pragma once
// One recorded sample (two bytes) to a temperature.

#include <QString>

#include <cstdint>

namespace kv {

struct Sample
{
    float value = 0.0f;
    int decimals = 1; // 1 for the tenths format, 0 for whole degrees
    bool overload = false;
};

// b0 bit 7 is the sign. With b0 bit 6 clear the sample counts sixteenths of
// a degree, rounded to tenths; with it set, whole degrees. 2500 and above,
// and -400 and below, are overloads.
Sample DecodeSample(std::uint8_t b0, std::uint8_t b1);

// A reading as the sample table shows it: fixed notation with the sample's
// own number of decimals and the user's decimal separator, or "OL".
QString sampleText(const Sample &s);

} // namespace kv
