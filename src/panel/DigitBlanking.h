#pragma once
// How the LCD hides leading zeros of a temperature: a leading 0 becomes
// blank, and a second 0 after it too; the last two places always show.

#include "link/Reading.h"

namespace kv {

inline DisplayDigits blankLeadingZeros(DisplayDigits d)
{
    if (d[0] == 0) {
        d[0] = kGlyphBlank;
        if (d[1] == 0)
            d[1] = kGlyphBlank;
    }
    return d;
}

} // namespace kv
