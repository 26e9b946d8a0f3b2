#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite three times over:
#  1. a plain build (also builds the benchmarks and the program),
#  2. AddressSanitizer + UndefinedBehaviorSanitizer,
#  3. ThreadSanitizer for the threaded cores (driver and run engine),
# then short bounded fuzzing runs of the expression evaluator and the file readers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
ctest_args=(--output-on-failure --timeout 300 -j "$jobs")
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

# Runs ctest and keeps its closing count for the summary at the end.
run_ctest() {
    ctest "$@" | tee -a "$summary"
    return "${PIPESTATUS[0]}"
}

echo "== format check"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

echo "== plain build"
bash scripts/build.sh build -DKESTREL_WERROR=ON
run_ctest --test-dir build "${ctest_args[@]}"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh build-asan -DKESTREL_WERROR=ON -DKESTREL_BUILD_BENCH=OFF \
    "-DKESTREL_SANITIZE=address;undefined"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    run_ctest --test-dir build-asan "${ctest_args[@]}"

echo "== ThreadSanitizer (threaded cores)"
bash scripts/build.sh build-tsan -DKESTREL_WERROR=ON -DKESTREL_BUILD_BENCH=OFF \
    -DKESTREL_BUILD_GUI=OFF -DKESTREL_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_ctest --test-dir build-tsan -L tsan "${ctest_args[@]}"

if [ -x build-fuzz/bin/expr_fuzz ] || command -v clang++ >/dev/null; then
    echo "== fuzzing the evaluator and the file readers (bounded runs)"
    # Only the fuzz targets are built: the rest of the tree is not needed for them.
    CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_WERROR=ON -DKESTREL_FUZZ=ON \
        -DKESTREL_BUILD_GUI=OFF -DKESTREL_BUILD_BENCH=OFF
    cmake --build build-fuzz --parallel "$jobs" \
        --target expr_fuzz show_fuzz zarvo_ini_fuzz sim_device_fuzz trend_can_fuzz trace_fuzz dbc_fuzz
    run_ctest --test-dir build-fuzz -L fuzz --output-on-failure
fi

# One closing line over all the stages above (they stop the script on failure).
awk '/tests passed, .* tests failed out of/ { total += $NF; failed += $4 }
     END { printf "total: %d passed, %d failed\n", total - failed, failed }' "$summary"
