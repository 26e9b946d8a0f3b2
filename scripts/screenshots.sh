#!/usr/bin/env bash
# Regenerates the screenshots in docs/screenshots: the main window in its three
# languages with examples/ecu-smoke.ini loaded and sample results, the About
# window, the wait message and the trend window's three pages on the simulated
# bus. Headless; builds into build-app.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build-app/build.ninja ] || cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-app --target kestrel_screenshots
QT_QPA_PLATFORM=offscreen build-app/bin/kestrel_screenshots docs/screenshots examples/ecu-smoke.ini
# The CAN hardware window after a search, with and without a Qt virtual CAN server.
cmake --build build-app --target kestrel_hwconfig_screenshots
QT_QPA_PLATFORM=offscreen build-app/bin/kestrel_hwconfig_screenshots docs/screenshots
