#pragma once
// The trend window's screenshots, taken on the simulator's default device.

#include <QString>

// Writes trend-config-, trend-chart- and trend-dataview-<language>.png into
// `output` for the three languages, and trend-chart-tools-en.png with the
// chart's tools in use; false when a file could not be written.
// Needs the program's windows; changes the program folder to `programFolder`.
bool SaveTrendScreenshots(const QString& output, const QString& programFolder);
