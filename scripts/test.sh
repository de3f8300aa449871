#!/usr/bin/env bash
# Installs, builds and runs the whole test suite, then checks the Debian package
# (built, linted, installed and run: scripts/package-test.sh), then runs the core's
# tests again under AddressSanitizer (with UndefinedBehaviorSanitizer) and
# ThreadSanitizer.
#   scripts/test.sh [--quick]     --quick: the plain build's tests only
#   scripts/test.sh --repeat N    the plain build's tests N times, stopping at the
#                                 first run that fails (a test that fails by chance
#                                 shows up here)
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=0
case "${1:-}" in
    --repeat)
        repeat="${2:-}"
        if ! [[ "$repeat" =~ ^[1-9][0-9]*$ ]]; then
            echo "usage: scripts/test.sh [--quick | --repeat N]   (N a whole number above 0)" >&2
            exit 2
        fi
        ;;
esac

scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
if ((repeat > 0)); then
    for ((run = 1; run <= repeat; ++run)); do
        echo "== run $run of $repeat"
        if ! ctest --test-dir build --output-on-failure -j2; then
            echo "run $run of $repeat failed" >&2
            exit 1
        fi
    done
    echo "all $repeat runs passed"
    exit 0
fi
ctest --test-dir build --output-on-failure -j2
if [ "${1:-}" != --quick ]; then
    scripts/package-test.sh
    scripts/sanitize.sh address
    scripts/sanitize.sh thread
fi
