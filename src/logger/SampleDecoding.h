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
// and -400 and below, are overloads. Inline: a set is tens of thousands.
inline Sample DecodeSample(std::uint8_t b0, std::uint8_t b1)
{
    // Sixteenths of a degree to the nearest tenth, as the meter rounds them.
    static constexpr int kTenths[16] = {0, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 9};
    Sample s;
    const bool negative = b0 & 0x80;
    if (b0 & 0x40) {
        s.value = static_cast<float>((b0 & 0x3F) * 256 + b1);
        s.decimals = 0;
    } else {
        const int tenths = ((b0 & 0x3F) * 16 + (b1 >> 4)) * 10 + kTenths[b1 & 0x0F];
        s.value = static_cast<float>(tenths / 10.0);
        s.decimals = 1;
    }
    if (negative)
        s.value = -s.value;
    s.overload = s.value >= 2500.0f || s.value <= -400.0f;
    return s;
}

// A reading as the sample table shows it: fixed notation with the sample's
// own number of decimals and the user's decimal separator, or "OL".
QString sampleText(const Sample &s);

} // namespace kv
