#!/usr/bin/env bash
# Installs, builds and runs the whole test suite, then checks the Debian package
# (built, linted, installed and run: scripts/package-test.sh), then runs the core's
# tests again under AddressSanitizer (with UndefinedBehaviorSanitizer) and
# ThreadSanitizer.
#   scripts/test.sh [--quick]     --quick: the plain build's tests only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
if [ "${1:-}" != --quick ]; then
    scripts/package-test.sh
    scripts/sanitize.sh address
    scripts/sanitize.sh thread
fi
