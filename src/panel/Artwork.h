#pragma once
// The artwork (meter front, LCD glyphs and marks, tool-bar icons) is
// compiled into the program; this makes sure it is registered before use.
// Every panel picture also comes drawn at twice its size, under its name
// with "@2x" appended, for high-density screens.

#include <QPixmap>
#include <QString>
#include <QVector>

namespace kv {

void ensureArtwork();

// A panel picture by resource name. Above a device pixel ratio of 1 it is
// the drawing at twice the resolution, with its ratio set to 2, so that it
// keeps its size on the form; 1x when there is no such drawing.
QPixmap loadArtwork(const QString &resource, qreal devicePixelRatio = 1.0);

// The LCD glyph table, by resource name: "LCDM0" to "LCDM11" (main display)
// then "LCDS0" to "LCDS12" (small displays).
QVector<QPixmap> loadGlyphs(qreal devicePixelRatio = 1.0);

} // namespace kv
