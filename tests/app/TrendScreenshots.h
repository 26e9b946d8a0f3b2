#pragma once
// The trend window's screenshots, taken on the simulator's default device.

#include <QString>

// Writes trend-config-, trend-chart- and trend-dataview-<language>.png into
// `output` for the three languages; false when a file could not be written.
// Needs the program's windows; changes the program folder to `programFolder`.
bool SaveTrendScreenshots(const QString& output, const QString& programFolder);
