#pragma once
// The artwork (meter front, LCD glyphs and marks, tool-bar icons) is
// compiled into the program; this makes sure it is registered before use.

#include <QPixmap>
#include <QVector>

namespace kv {

void ensureArtwork();

// The LCD glyph table, by resource name: "LCDM0" to "LCDM11" (main display)
// then "LCDS0" to "LCDS12" (small displays).
QVector<QPixmap> loadGlyphs();

} // namespace kv
