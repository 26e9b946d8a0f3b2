#pragma once
// The bus monitor's frames as trace text: the rows a user copies as candump
// lines, and the whole capture saved as a candump or ASC log. Free of Qt.

#include "CaptureRing.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

// One candump line per frame, each ended by a line break.
std::string candumpText(std::span<const MonitorFrame> frames, const std::string& interfaceName);

// Hands the whole capture, oldest frame first, as the lines of `format`
// (TraceFile.h) to `write` in pieces of some kilobytes; stops and returns
// false when `write` does.
bool writeCapture(const CaptureRing& capture, const std::string& interfaceName,
                  TraceLineFormat& format, const std::function<bool(std::string_view)>& write);
