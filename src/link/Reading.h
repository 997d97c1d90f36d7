#pragma once
// The latest live reading of the meter, decoded from its 10-byte frame.

#include <QString>

#include <array>
#include <cstdint>

namespace kv {

// Four glyph codes of one display, leftmost first: 0-9 digits, 10 a dash,
// 11 blank, 12 an H (small displays); other codes have no glyph.
using DisplayDigits = std::array<std::uint8_t, 4>;

constexpr std::uint8_t kGlyphDash = 10;
constexpr std::uint8_t kGlyphBlank = 11;

struct Reading
{
    DisplayDigits mainDigits{};
    DisplayDigits thirdDigits{};
    DisplayDigits subDigits{};

    // Status byte A.
    bool meterRecording = false;
    int maxMinMode = 0; // 0 none, 1 MAX, 2 MIN, 3 both annunciators
    bool clockMode = false;
    bool relative = false;
    bool hold = false;
    bool lowBattery = false;
    bool celsius = false;

    // Status byte B.
    bool t1Overload = false;
    bool t1Negative = false;
    bool t1Integer = false;
    bool t2Overload = false;
    bool t2Negative = false;
    bool t2Integer = false;
    bool autoPowerOff = false;

    double t1 = 0.0; // in the meter's unit
    double t2 = 0.0; // keeps its last value while not updated
    QString unit1 = QStringLiteral("C");
    QString unit2 = QStringLiteral("C"); // "HH:MM" on the one-channel meter
    QString statusText;
};

} // namespace kv
