#!/usr/bin/env bash
# Builds the core and its tests with a sanitizer and runs them.
#   scripts/sanitize.sh address|thread
# (The desktop program is left out: Qt's own libraries are not instrumented.)
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:?address or thread}"
flags="$kind"
[ "$kind" = address ] && flags="address,undefined"
build="build-$kind"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAGEWELL_GUI=OFF \
    -DPAGEWELL_SANITIZE="$flags" >/dev/null
ninja -C "$build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
ctest --test-dir "$build" --output-on-failure -j2
