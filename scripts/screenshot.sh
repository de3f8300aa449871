#!/usr/bin/env bash
# Takes docs/screenshot.png: the desktop program under Xvfb, listing the service
# simulator's demo Sina blog. Builds nothing; expects pagewell and pagewell-sim in
# the build folder (BUILD_DIR, default build/, as scripts/bootstrap.sh makes it).
#   scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
output=${1:-docs/screenshot.png}
case "$output" in /*) ;; *) output="$PWD/$output" ;; esac
program="$build/src/ui/pagewell"
simulator="$build/tests/pagewell-sim"
for file in "$program" "$simulator"; do
    if [ ! -x "$file" ]; then
        echo "missing $file: build with -DPAGEWELL_GUI=ON first" >&2
        exit 1
    fi
done
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }

# A throw-away home, so the picture shows default settings and no book lands on
# the real desktop.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config" "$home/.local/share" "$home/Desktop"

coproc SIM { exec "$simulator" --until-stdin-closes; }
read -r word proxy <&"${SIM[0]}"
if [ "$word" != PROXY ]; then
    echo "the simulator did not start" >&2
    exit 1
fi

mkdir -p "$(dirname "$output")"
rm -f "$output"
status=0
env -u no_proxy -u NO_PROXY \
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" http_proxy="$proxy" HTTP_PROXY="$proxy" LANG=zh_CN.UTF-8 \
    PAGEWELL_SCREENSHOT="$output" \
    PAGEWELL_SCREENSHOT_ADDRESS=http://blog.sina.com.cn/pagewelldemo \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$program" >/dev/null 2>&1 || status=$?

eval "exec ${SIM[1]}>&-"
wait "$SIM_PID" 2>/dev/null || true
if [ ! -s "$output" ]; then
    echo "no picture was taken (pagewell exited with $status)" >&2
    exit 1
fi
echo "$output"
