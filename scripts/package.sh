#!/usr/bin/env bash
# Builds the Debian package from the build folder build/ (as scripts/bootstrap.sh
# makes it; made here with bootstrap.sh when there is none) and prints its path,
# build/pagewell_<version>_<architecture>.deb.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=build

[ -f "$build/CMakeCache.txt" ] || scripts/bootstrap.sh
if ! grep -q '^PAGEWELL_GUI:BOOL=ON$' "$build/CMakeCache.txt"; then
    echo "$build/ is configured without the desktop program (PAGEWELL_GUI=OFF);" \
        "the package needs it" >&2
    exit 1
fi
command -v dpkg-shlibdeps >/dev/null ||
    { echo "dpkg-shlibdeps is missing (package dpkg-dev)" >&2; exit 1; }

cmake --build "$build"
rm -f "$build"/pagewell_*.deb
log="$build/cpack.log"
if ! (cd "$build" && cpack -G DEB) >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
shopt -s nullglob
packages=("$build"/pagewell_*.deb)
if [ ${#packages[@]} -ne 1 ]; then
    cat "$log" >&2
    echo "cpack made ${#packages[@]} packages named pagewell_*.deb, not one" >&2
    exit 1
fi
echo "${packages[0]}"
