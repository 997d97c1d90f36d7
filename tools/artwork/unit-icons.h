#pragma once
// The unit marks beside the data-logger window's maximum and minimum
// values: a degree sign and C or F, yellow for the first channel and red
// for the second, on the black of the value panels.

#include <QString>

// Writes imgCY, imgFY, imgCR and imgFR (each as name.png and name@2x.png)
// into the folder.
void drawUnitIcons(const QString &folder);
