#pragma once
// What the front panel shows: which marks are visible and which glyph each
// digit holds. The drawing rules work on this state alone, so they are
// tested without a window; TfrmPanel only puts the state on the screen.

#include "link/Reading.h"

#include <array>

namespace kv {

enum class Mark {
    imgtk,
    imgPartOf482,
    imgSpec482,
    MainMinus,
    imgPoint,
    imgThirdMinus,
    imgThirdPoint,
    imgSubMinus,
    imgSubPoint,
    imgdash,
    imgCOL,
    imguC,
    imguF,
    imgThirdC,
    imgThirdF,
    imgSubC,
    imgSubF,
    imgMAX,
    imgMIN,
    imgREL,
    imgHOLD,
    imglbt,
    imgAutoOff,
    imgREC,
    imgy,
    imgmd,
    imghm,
    imgT1,
    imgT2,
    imgT1_T2,
    imgK,
    lblt1,
    lblt2,
    lblnolink,
    Count
};
constexpr int kMarkCount = static_cast<int>(Mark::Count);

const char *markName(Mark m);

struct PanelState
{
    std::array<bool, kMarkCount> shown{};
    bool digitsShown = false; // the twelve digit images
    DisplayDigits main{kGlyphBlank, kGlyphBlank, kGlyphBlank, kGlyphBlank};
    DisplayDigits third{kGlyphBlank, kGlyphBlank, kGlyphBlank, kGlyphBlank};
    DisplayDigits sub{kGlyphBlank, kGlyphBlank, kGlyphBlank, kGlyphBlank};

    PanelState() { set(Mark::imgtk, true); }
    bool isShown(Mark m) const { return shown[static_cast<int>(m)]; }
    void set(Mark m, bool on) { shown[static_cast<int>(m)] = on; }
};

// The layout of a meter model (after it is identified or the panel opens).
void applyModelLayout(PanelState &s, int model);

// One decoded frame: the rules for status A and B, then the main, third
// and sub displays. previous is the reading before this frame: its hold
// freezes the main display, its T2 gives the sign of T1-T2.
void applyFrame(PanelState &s, const Reading &previous, const Reading &current, int model);

} // namespace kv
