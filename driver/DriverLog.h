#pragma once
// The driver's one way into the system log. The Qt side routes it to
// SystemLog(); without a sink (the plain core in tests) lines go to stderr.
// Thread-safe.

#include <functional>
#include <string>

void driverLog(const std::string& line);
void setDriverLogSink(std::function<void(const std::string&)> sink);
