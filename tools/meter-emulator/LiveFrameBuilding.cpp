// The live frame: the meter's three displays as BCD digit pairs between the
// start and end marks, with the status bytes in front.
#include "MeterEmulator.h"

#include <cmath>

namespace emu {

namespace {
using Digits = std::uint8_t[4];

void digitsOf(long n, Digits d)
{
    d[0] = static_cast<std::uint8_t>(n / 1000 % 10);
    d[1] = static_cast<std::uint8_t>(n / 100 % 10);
    d[2] = static_cast<std::uint8_t>(n / 10 % 10);
    d[3] = static_cast<std::uint8_t>(n % 10);
}

// The LCD sends a leading zero, and a second one after it, as blanks.
void blankLeading(Digits d)
{
    if (d[0] == 0) {
        d[0] = 11;
        if (d[1] == 0)
            d[1] = 11;
    }
}

void twoPairs(int a, int b, Digits d)
{
    d[0] = static_cast<std::uint8_t>(a / 10 % 10);
    d[1] = static_cast<std::uint8_t>(a % 10);
    d[2] = static_cast<std::uint8_t>(b / 10 % 10);
    d[3] = static_cast<std::uint8_t>(b % 10);
}

// A temperature on a four-digit display: tenths while they fit, else whole
// degrees (with the integer flag). Dashes for an overload.
void temperatureDigits(double v, bool overload, Digits d, bool &negative, bool &integer)
{
    integer = false;
    negative = v < 0;
    if (overload) {
        for (int i = 0; i < 4; ++i)
            d[i] = 10;
        return;
    }
    const double mag = std::fabs(v);
    long tenths = std::lround(mag * 10.0);
    if (tenths == 0)
        negative = false;
    if (tenths <= 9999) {
        digitsOf(tenths, d);
    } else {
        integer = true;
        long whole = std::lround(mag);
        digitsOf(whole > 9999 ? 9999 : whole, d);
    }
    blankLeading(d);
}

std::uint8_t pack(std::uint8_t hi, std::uint8_t lo)
{
    return static_cast<std::uint8_t>((hi & 0x0F) << 4 | (lo & 0x0F));
}
} // namespace

Bytes MeterEmulator::buildFrame()
{
    const bool two = m_state.model == 482;
    std::uint8_t a = 0;
    a |= m_state.recording ? 0x01 : 0;
    a |= static_cast<std::uint8_t>((m_state.maxMinMode & 3) << 1);
    a |= (two && m_state.clockMode) ? 0x08 : 0;
    a |= m_state.relative ? 0x10 : 0;
    a |= m_state.hold ? 0x20 : 0;
    a |= m_state.lowBattery ? 0x40 : 0;
    a |= m_state.celsius ? 0x80 : 0;

    const double t1 = m_state.hold ? m_heldT1 : displayT1();
    const double t2 = m_state.hold ? m_heldT2 : displayT2();
    const bool ol1 = m_state.hold ? m_heldOl1 : t1Overload();
    const bool ol2 = m_state.hold ? m_heldOl2 : t2Overload();

    Digits mainD, thirdD, subD;
    bool neg1 = false, int1 = false, neg2 = false, int2 = false;
    const LocalTime lt = now();
    if (two && m_state.clockMode) {
        digitsOf(lt.year, mainD);
        twoPairs(lt.month, lt.day, thirdD);
        twoPairs(lt.hour, lt.minute, subD);
    } else {
        temperatureDigits(t1, ol1, mainD, neg1, int1);
        if (two) {
            temperatureDigits(t2, ol2, subD, neg2, int2);
            bool dn = false, di = false;
            const double diff = std::fabs(t1 - t2);
            temperatureDigits(diff > 999.9 ? 999.9 : diff, ol1 || ol2, thirdD, dn, di);
        } else {
            twoPairs(lt.month, lt.day, thirdD);
            twoPairs(lt.hour, lt.minute, subD);
        }
    }
    std::uint8_t b = 0;
    b |= ol1 ? 0x01 : 0;
    b |= neg1 ? 0x02 : 0;
    b |= int1 ? 0x04 : 0;
    if (two && !m_state.clockMode) {
        b |= ol2 ? 0x08 : 0;
        b |= neg2 ? 0x10 : 0;
        b |= int2 ? 0x20 : 0;
    }
    b |= m_state.autoPowerOff ? 0x80 : 0;

    Bytes f = {0x02, a, b, pack(mainD[0], mainD[1]), pack(mainD[2], mainD[3]), pack(thirdD[0], thirdD[1]),
               pack(thirdD[2], thirdD[3]), pack(subD[0], subD[1]), pack(subD[2], subD[3]), 0x03};
    if (m_faults.badStartMark)
        f[0] = 0x00;
    if (m_faults.badEndMark)
        f[9] = 0x00;
    return f;
}

} // namespace emu
