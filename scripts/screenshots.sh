#!/usr/bin/env bash
# Regenerates the screenshots in docs/screenshots: the main window in its three
# languages after a run of examples/ecu-smoke.ini on a simulator port with the
# example's device (examples/ecu-smoke/SimDevice.ini), the test configuration
# editor and its item dialog, the CAN hardware window after a search (with and
# without a Qt virtual CAN server), the trend window's three pages on the
# simulated bus, the bus monitor's two views of the run's traffic and its
# signals (with examples/ecu-smoke/ecu-smoke.dbc), the About
# window and the wait message. Headless; builds into build-app.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build-app/build.ninja ] || cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-app --target kestrel_screenshots
for language in 0 1 2; do
    QT_QPA_PLATFORM=offscreen build-app/bin/kestrel_screenshots docs/screenshots \
        examples/ecu-smoke.ini examples/ecu-smoke/SimDevice.ini "$language"
done
