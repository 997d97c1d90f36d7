#pragma once
// The meter's live frame: 0x02, status A, status B, two bytes each of the
// main, third and sub displays (two digit nibbles a byte, high first), 0x03.

#include "link/Reading.h"

#include <array>
#include <cstdint>

namespace kv {

using Frame = std::array<std::uint8_t, 10>;

constexpr std::uint8_t kFrameStart = 0x02;
constexpr std::uint8_t kFrameEnd = 0x03;

inline bool isFramed(const Frame &f)
{
    return f[0] == kFrameStart && f[9] == kFrameEnd;
}

// The value shown by a display: blanks in the first three places count as
// 0; tenths unless the integer flag is set; negated when the negative flag is.
double displayValue(const DisplayDigits &d, bool integer, bool negative);

DisplayDigits digitsOf(std::uint8_t hi, std::uint8_t lo);

// The single steps of decoding, in the order a frame is decoded.
void decodeStatusA(Reading &r, std::uint8_t a, int model);
void decodeStatusB(Reading &r, std::uint8_t b);
void decodeMainDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo);
void decodeThirdDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo);
void decodeSubDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo, int model);

// Holds the current Reading and the last decoded frame. A frame equal to the
// last one is not decoded again, so a steady reading costs one comparison.
class FrameDecoder
{
public:
    // Decodes the frame into the reading unless it equals the last decoded
    // frame. When it decodes and previous is given, previous receives the
    // reading as it was before (the panel compares against it). The framing
    // marks are the caller's check.
    bool dispatchFrame(const Frame &frame, int model, Reading *previous = nullptr);

    const Reading &reading() const { return m_reading; }
    const Frame &lastFrame() const { return m_lastFrame; }

private:
    Reading m_reading;
    Frame m_lastFrame{};
};

} // namespace kv
