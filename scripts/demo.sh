#!/usr/bin/env bash
# Makes a book. Without an address: starts the service simulator with a demo Sina
# blog and turns it into a book offline; with --feed, the simulator's WordPress
# blog instead. With an address: fetches that blog.
#   scripts/demo.sh [--feed | ADDRESS] [pagewell-cli options]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh >/dev/null

if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
    exec build/src/cli/pagewell-cli "$@"
fi
demo=http://blog.sina.com.cn/pagewelldemo
if [ "${1:-}" = --feed ]; then
    demo=http://wp.pagewell.test/
    shift
fi

coproc SIM { exec build/tests/pagewell-sim --until-stdin-closes; }
sim_pid=$SIM_PID # bash unsets SIM_PID as soon as the simulator ends
read -r word proxy <&"${SIM[0]}"
if [ "$word" != PROXY ]; then
    echo "the simulator did not start" >&2
    exit 1
fi
echo "Simulated services at $proxy"
status=0
http_proxy="$proxy" build/src/cli/pagewell-cli "$demo" "$@" ||
    status=$?
eval "exec ${SIM[1]}>&-"
wait "$sim_pid" 2>/dev/null || true
exit $status
