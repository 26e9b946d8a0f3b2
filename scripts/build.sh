#!/usr/bin/env bash
# Configures and builds one build tree: build.sh DIR [extra cmake arguments].
set -euo pipefail
dir=${1:-build}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$root/$dir" --parallel "$(nproc)"
