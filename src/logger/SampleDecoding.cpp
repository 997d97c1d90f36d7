#include "logger/SampleDecoding.h"

#include "common/LocaleText.h"

namespace kv {

namespace {
// Sixteenths of a degree to the nearest tenth, as the meter rounds them.
constexpr int kTenths[16] = {0, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 9};
} // namespace

Sample DecodeSample(std::uint8_t b0, std::uint8_t b1)
{
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

QString sampleText(const Sample &s)
{
    return s.overload ? QStringLiteral("OL") : fixedText(s.value, s.decimals);
}

} // namespace kv
