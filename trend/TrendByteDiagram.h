#pragma once
// The configuration page's diagram of a frame's eight data bytes: yellow
// boxes D1 … D8 in a row, with a red frame around the bytes a value of the
// chosen type and range occupies. Drawn on demand instead of shipping one
// picture per type and range.

#include <QPixmap>

inline constexpr int kByteDiagramWidth = 238;
inline constexpr int kByteDiagramHeight = 33;

// No frame for a type or range outside the choices of the tables.
QPixmap ByteDiagram(int type, int range);
