#!/usr/bin/env bash
# Makes a book of every simulated blog into OUT_DIR (one folder per blog with the
# books and the job folder the CHM was compiled from), offline, with scratch
# settings and data folders. Pairs with scripts/compare-books.sh.
#   scripts/make-sim-books.sh OUT_DIR [BUILD_DIR]
set -euo pipefail
out=$(realpath -m "${1:?usage: make-sim-books.sh OUT_DIR [BUILD_DIR]}")
build=$(realpath "${2:-$(dirname "$0")/../build}")
blogs=(
    "sina http://blog.sina.com.cn/pagewelldemo"
    "netease163 http://mozhou.blog.163.com/"
    "baidu http://hi.baidu.com/mozhou"
    "qzone http://user.qzone.qq.com/31415926"
    "renren http://www.renren.com/profile.do?id=27182818"
)
mkdir -p "$out"
coproc SIM { exec "$build/tests/pagewell-sim" --until-stdin-closes; }
sim_pid=$SIM_PID
read -r word proxy <&"${SIM[0]}"
if [ "$word" != PROXY ]; then
    echo "the simulator did not start" >&2
    exit 1
fi
status=0
for blog in "${blogs[@]}"; do
    read -r name address <<<"$blog"
    dir="$out/$name"
    rm -rf "$dir"
    mkdir -p "$dir/desktop" "$dir/data" "$dir/config"
    if ! XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config" http_proxy="$proxy" \
        "$build/src/cli/pagewell-cli" -q --keep -d "$dir/desktop" "$address" \
        >"$dir/cli.log" 2>&1; then
        echo "$name: pagewell-cli failed (see $dir/cli.log)" >&2
        status=1
    fi
done
eval "exec ${SIM[1]}>&-"
wait "$sim_pid" 2>/dev/null || true
exit $status
