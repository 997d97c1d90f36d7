#pragma once
// Packed BCD as the meter stores dates and times: one decimal digit per
// nibble, the tens in the high nibble. Nibbles above 9 are taken at face
// value (0xFF reads as 165); callers check the result's range.

#include <cstdint>

namespace kv {

constexpr int bcdToInt(std::uint8_t b)
{
    return (b >> 4) * 10 + (b & 0x0F);
}

// Four digits in two bytes, thousands and hundreds in the first.
constexpr int bcd4ToInt(std::uint8_t hi, std::uint8_t lo)
{
    return (hi >> 4) * 1000 + (hi & 0x0F) * 100 + (lo >> 4) * 10 + (lo & 0x0F);
}

constexpr std::uint8_t intToBcd(int v)
{
    return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10));
}

} // namespace kv
