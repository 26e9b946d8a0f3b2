#pragma once
// The CAN hardware window's screenshots, taken with the program's windows
// created (KestrelWindows).

#include <QString>

// Searches on Kestrel's own driver and renders the window in the three
// languages, first with the simulator ports alone, then with a Qt virtual CAN
// server running in this process. Writes hwconfig-*.png and
// hwconfig-virtualcan-*.png into `output`; false when one could not be taken.
bool ShootHwConfig(const QString& output);
