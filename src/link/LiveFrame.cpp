#include "link/LiveFrame.h"

namespace kv {

DisplayDigits digitsOf(std::uint8_t hi, std::uint8_t lo)
{
    return {static_cast<std::uint8_t>(hi >> 4), static_cast<std::uint8_t>(hi & 0x0F),
            static_cast<std::uint8_t>(lo >> 4), static_cast<std::uint8_t>(lo & 0x0F)};
}

double displayValue(const DisplayDigits &d, bool integer, bool negative)
{
    auto place = [&](int i) { return (i < 3 && d[i] == kGlyphBlank) ? 0 : int(d[i]); };
    double v = place(0) * 1000 + place(1) * 100 + place(2) * 10 + place(3);
    if (!integer)
        v *= 0.1;
    if (negative)
        v *= -1;
    return v;
}

void decodeStatusA(Reading &r, std::uint8_t a, int model)
{
    r.meterRecording = a & 0x01;
    r.maxMinMode = (a >> 1) & 0x03;
    r.clockMode = a & 0x08;
    r.relative = a & 0x10;
    r.hold = a & 0x20;
    r.lowBattery = a & 0x40;
    r.celsius = a & 0x80;
    r.unit1 = r.celsius ? QStringLiteral("C") : QStringLiteral("F");

    QString s;
    const bool clockOn482 = model == 482 && r.clockMode;
    if (!clockOn482) {
        if (r.maxMinMode == 1)
            s += QStringLiteral(" MAX");
        else if (r.maxMinMode == 2)
            s += QStringLiteral(" MIN");
    }
    if (r.hold)
        s += QStringLiteral(" HOLD");
    if (r.relative && model == 481)
        s += QStringLiteral(" REL");
    if (r.lowBattery)
        s += QStringLiteral(" LBT");
    r.statusText = s;
}

void decodeStatusB(Reading &r, std::uint8_t b)
{
    r.t1Overload = b & 0x01;
    r.t1Negative = b & 0x02;
    r.t1Integer = b & 0x04;
    r.t2Overload = b & 0x08;
    r.t2Negative = b & 0x10;
    r.t2Integer = b & 0x20;
    r.autoPowerOff = b & 0x80;
}

void decodeMainDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo)
{
    r.mainDigits = digitsOf(hi, lo);
    r.t1 = displayValue(r.mainDigits, r.t1Integer, r.t1Negative);
}

void decodeThirdDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo)
{
    r.thirdDigits = digitsOf(hi, lo);
}

void decodeSubDisplay(Reading &r, std::uint8_t hi, std::uint8_t lo, int model)
{
    r.subDigits = digitsOf(hi, lo);
    if (model == 482) {
        if (!r.clockMode) {
            r.unit2 = r.celsius ? QStringLiteral("C") : QStringLiteral("F");
            r.t2 = displayValue(r.subDigits, r.t2Integer, r.t2Negative);
        }
    } else {
        r.unit2 = QStringLiteral("HH:MM");
    }
}

bool FrameDecoder::dispatchFrame(const Frame &frame, int model, Reading *previous)
{
    if (frame == m_lastFrame)
        return false;
    if (previous)
        *previous = m_reading;
    decodeStatusA(m_reading, frame[1], model);
    decodeStatusB(m_reading, frame[2]);
    decodeMainDisplay(m_reading, frame[3], frame[4]);
    decodeThirdDisplay(m_reading, frame[5], frame[6]);
    decodeSubDisplay(m_reading, frame[7], frame[8], model);
    m_lastFrame = frame;
    return true;
}

} // namespace kv
