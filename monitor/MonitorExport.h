#pragma once
// The bus monitor's frames as candump log text: the rows a user copies and
// the whole capture saved to a file. Free of Qt.

#include "CaptureRing.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

// One candump line per frame, each ended by a line break.
std::string candumpText(std::span<const MonitorFrame> frames, const std::string& interfaceName);

// Hands the whole capture, oldest frame first, as candump lines to `write` in
// pieces of some kilobytes; stops and returns false when `write` does.
bool writeCaptureCandump(const CaptureRing& capture, const std::string& interfaceName,
                         const std::function<bool(std::string_view)>& write);
