#!/usr/bin/env bash
# Checks that the source folders depend on each other one way only:
#   base <- net <- engine <- sites <- job -> book -> base;  app -> book, net, base;
#   cli and ui on top. Qt only in ui. No process-wide job globals or window
#   message machinery in src/.
# Exits 1 and names each offending line.
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
    [base]=""
    [net]="base"
    [engine]="net base"
    [sites]="engine net base"
    [book]="base"
    [job]="sites engine book net base"
    [app]="job book net base"
    [cli]="job app sites engine book net base"
    [ui]="job app sites engine book net base"
)

status=0
fail() {
    echo "layers: $*" >&2
    status=1
}

for dir in src/*/; do
    layer=$(basename "$dir")
    [[ -v allowed[$layer] ]] || fail "unknown folder src/$layer (add it to scripts/check-layers.sh)"
done

while IFS= read -r hit; do
    file=${hit%%:*}
    layer=$(cut -d/ -f2 <<<"$file")
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$hit")
    [ "$target" = "$layer" ] && continue
    [[ " ${allowed[$layer]:-} " == *" $target "* ]] || fail "$hit: $layer may not use $target"
done < <(grep -rnE '^#include "[a-z]+/' src)

while IFS= read -r hit; do
    fail "$hit: Qt belongs to src/ui only"
done < <(grep -rnE '^#include <Q' src --include='*.cpp' --include='*.h' | grep -v '^src/ui/')

# Quoted texts (such as a service's query "g_tk=") and comments do not count.
while IFS= read -r hit; do
    code=$(sed -E 's/"([^"\\]|\\.)*"//g; s#//.*##' <<<"${hit#*:*:}")
    grep -qE '\bg_[A-Za-z]|\bWM_[A-Z]|\bID_[A-Z]|\b_Exit\b' <<<"$code" &&
        fail "$hit: no process-wide globals, window message numbers or _Exit"
done < <(grep -rnE '\bg_[A-Za-z]|\bWM_[A-Z]|\bID_[A-Z]|\b_Exit\b' src)

[ $status -eq 0 ] && echo "layers: ok"
exit $status
