#!/usr/bin/env bash
# Compares the books of two runs of scripts/make-sim-books.sh, file by file: the
# CHM's internal files (extract_chmLib), the HTML Help project the CHM was
# compiled from (the job folder's pages, .hhc, .hhk, .hhp, index.html) and every
# entry of the EPUB. The only differences allowed are the build time
# ("YYYY-MM-DD HH:MM:SS"), the EPUB's identifier and its modified stamp. The
# compiler's own system files inside the CHM (names beginning "#" or "$") hold
# its build time and differ between any two runs: they are left out.
#   scripts/compare-books.sh BEFORE_DIR AFTER_DIR
set -uo pipefail
before=$(realpath "${1:?usage: compare-books.sh BEFORE_DIR AFTER_DIR}")
after=$(realpath "${2:?usage: compare-books.sh BEFORE_DIR AFTER_DIR}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The lines that may differ between two runs, made equal.
normalise() {
    LC_ALL=C sed -E \
        -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}[ T][0-9]{2}:[0-9]{2}:[0-9]{2}Z?/TIME/g' \
        -e 's/urn:uuid:[0-9a-f-]+/urn:uuid:ID/g' "$1"
}

# Unpacks the books of one blog's run into $2/{chm,project,epub}.
unpack() {
    local run=$1 out=$2
    mkdir -p "$out/chm" "$out/project" "$out/epub"
    local chm epub
    chm=$(find "$run/desktop" -maxdepth 1 -name '*.chm' | head -n1)
    epub=$(find "$run/desktop" -maxdepth 1 -name '*.epub' | head -n1)
    [ -n "$chm" ] && extract_chmLib "$chm" "$out/chm" >/dev/null
    find "$out/chm" -mindepth 1 -maxdepth 1 \( -name '#*' -o -name '$*' \) -exec rm -rf {} +
    [ -n "$epub" ] && unzip -q "$epub" -d "$out/epub"
    local job
    job=$(find "$run/data/pagewell/jobs" -mindepth 1 -maxdepth 1 -type d | head -n1)
    if [ -n "$job" ]; then
        find "$job" -maxdepth 1 -type f \( -name '*.html' -o -name '*.hhc' -o -name '*.hhk' \
            -o -name '*.hhp' \) -exec cp {} "$out/project/" \;
    fi
}

status=0
compared=0
for run in "$before"/*/; do
    blog=$(basename "$run")
    if [ ! -d "$after/$blog" ]; then
        echo "$blog: missing in $after"
        status=1
        continue
    fi
    unpack "$before/$blog" "$work/$blog/before"
    unpack "$after/$blog" "$work/$blog/after"
    if ! diff -rq "$work/$blog/before" "$work/$blog/after" >/dev/null; then
        # Files that differ only in the allowed lines are equal.
        while IFS= read -r file; do
            rel=${file#"$work/$blog/before/"}
            other="$work/$blog/after/$rel"
            if [ ! -f "$other" ] || ! cmp -s <(normalise "$file") <(normalise "$other"); then
                echo "$blog: $rel differs"
                status=1
            fi
        done < <(find "$work/$blog/before" -type f)
        while IFS= read -r file; do
            rel=${file#"$work/$blog/after/"}
            [ -f "$work/$blog/before/$rel" ] || { echo "$blog: $rel is new"; status=1; }
        done < <(find "$work/$blog/after" -type f)
    fi
    count=$(find "$work/$blog/before" -type f | wc -l)
    echo "$blog: compared $count files"
    compared=$((compared + count))
done
[ $status -eq 0 ] && echo "same books ($compared files compared)"
exit $status
