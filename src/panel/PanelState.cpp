#include "panel/PanelState.h"

#include "panel/DigitBlanking.h"

namespace kv {

const char *markName(Mark m)
{
    static const char *names[kMarkCount] = {
        "imgtk",     "imgPartOf482", "imgSpec482", "MainMinus", "imgPoint",   "imgThirdMinus", "imgThirdPoint",
        "imgSubMinus", "imgSubPoint", "imgdash",   "imgCOL",    "imguC",      "imguF",         "imgThirdC",
        "imgThirdF", "imgSubC",      "imgSubF",    "imgMAX",    "imgMIN",     "imgREL",        "imgHOLD",
        "imglbt",    "imgAutoOff",   "imgREC",     "imgy",      "imgmd",      "imghm",         "imgT1",
        "imgT2",     "imgT1_T2",     "imgK",       "lblt1",     "lblt2",      "lblnolink"};
    return names[static_cast<int>(m)];
}

namespace {
const DisplayDigits kDashes{kGlyphDash, kGlyphDash, kGlyphDash, kGlyphDash};
} // namespace

void applyModelLayout(PanelState &s, int model)
{
    const bool two = model != 481;
    for (Mark m : {Mark::imgSpec482, Mark::imgPartOf482, Mark::lblt1, Mark::lblt2, Mark::imgT1, Mark::imgT2,
                   Mark::imgT1_T2})
        s.set(m, two);
    if (!two) {
        s.set(Mark::imgmd, true);
        s.set(Mark::imghm, true);
    }
    s.digitsShown = true;
    s.set(Mark::imgK, true);
}

void applyFrame(PanelState &s, const Reading &previous, const Reading &r, int model)
{
    const bool two = model == 482;
    const bool clock482 = two && r.clockMode;

    // Status A.
    s.set(Mark::imgy, clock482);
    const int mm = clock482 ? 0 : r.maxMinMode;
    s.set(Mark::imgMAX, mm == 1 || mm == 3);
    s.set(Mark::imgMIN, mm == 2 || mm == 3);
    s.set(Mark::imgHOLD, r.hold);
    s.set(Mark::imgREL, r.relative && model == 481);
    s.set(Mark::imguC, !clock482 && r.celsius);
    s.set(Mark::imguF, !clock482 && !r.celsius);
    s.set(Mark::imglbt, r.lowBattery);
    s.set(Mark::imgREC, r.meterRecording);

    // Status B.
    s.set(Mark::imgAutoOff, r.autoPowerOff);

    // Main display: frozen while the frame before was held.
    if (!previous.hold) {
        s.set(Mark::MainMinus, r.t1Negative);
        if (r.t1Overload) {
            s.set(Mark::imgPoint, false);
            s.main = kDashes;
        } else {
            s.main = blankLeadingZeros(r.mainDigits);
            s.set(Mark::imgPoint, !r.t1Integer && !clock482);
        }
    }

    // Third display.
    if (!two) {
        s.set(Mark::imgCOL, true);
        s.set(Mark::imgdash, true);
        s.third = r.thirdDigits;
    } else if (!r.clockMode) {
        s.set(Mark::imgT1, true);
        s.set(Mark::imgK, true);
        s.set(Mark::imgT1_T2, true);
        s.set(Mark::imgmd, false);
        s.set(Mark::imgThirdC, r.celsius);
        s.set(Mark::imgThirdF, !r.celsius);
        if (r.t1Overload || r.t2Overload) {
            s.third = kDashes;
        } else {
            s.set(Mark::imgThirdMinus, r.t1 < previous.t2);
            s.set(Mark::imgThirdPoint, true);
            s.third = blankLeadingZeros(r.thirdDigits);
        }
    } else {
        s.set(Mark::imgT1, false);
        s.set(Mark::imgK, false);
        s.third = r.thirdDigits;
        for (Mark m : {Mark::imgThirdPoint, Mark::imgThirdMinus, Mark::imgThirdC, Mark::imgThirdF, Mark::imgT1_T2})
            s.set(m, false);
        s.set(Mark::imgmd, true);
    }

    // Sub display.
    if (!two) {
        s.set(Mark::imgCOL, true);
        s.set(Mark::imgdash, true);
        s.sub = r.subDigits;
    } else if (r.clockMode) {
        s.set(Mark::imgT2, false);
        s.set(Mark::imghm, true);
        s.set(Mark::imgCOL, true);
        s.set(Mark::imgdash, true);
        for (Mark m : {Mark::imgSubC, Mark::imgSubF, Mark::imgSubPoint, Mark::imgSubMinus})
            s.set(m, false);
        s.sub = r.subDigits;
    } else {
        s.set(Mark::imgT2, true);
        s.set(Mark::imghm, false);
        s.set(Mark::imgCOL, false);
        s.set(Mark::imgdash, false);
        s.set(Mark::imgSubC, r.celsius);
        s.set(Mark::imgSubF, !r.celsius);
        // A negative T2 carries its minus as T1 does; without it the
        // reading would show the wrong temperature.
        s.set(Mark::imgSubMinus, r.t2Negative);
        if (r.t2Overload) {
            s.sub = kDashes;
        } else {
            s.set(Mark::imgSubPoint, !r.t2Integer);
            s.sub = blankLeadingZeros(r.subDigits);
        }
    }
}

} // namespace kv
