#!/usr/bin/env bash
# Builds the Debian package and checks it the way a user meets it: its control
# fields and contents, lintian, the AppStream and menu-entry validators, then a
# real install with apt and a book made by the installed pagewell-cli from the
# service simulator's demo blog. A package this script installed is removed again
# at the end, also when a check fails; one that was installed before is left
# installed, at the new build.
#   scripts/package-test.sh
# Needs root or sudo. Expects the build folder build/ with the tests built (the
# simulator, build/tests/pagewell-sim), as scripts/bootstrap.sh makes it.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The checking tools, installed the way scripts/bootstrap.sh installs the rest.
missing=()
for tool in lintian:lintian appstreamcli:appstream desktop-file-validate:desktop-file-utils \
    man:man-db readelf:binutils; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

simulator=build/tests/pagewell-sim
[ -x "$simulator" ] || { echo "missing $simulator: build the tests first" >&2; exit 1; }

package=$(scripts/package.sh | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
arch=$(dpkg --print-architecture)

work=$(mktemp -d)
sim_pid=""
installed_here=0
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    if [ "$installed_here" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq pagewell >/dev/null 2>&1 ||
            echo "could not remove the test install of pagewell" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1" >&2; }
# check DESCRIPTION COMMAND...: passes when the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- The package file and its control fields ---------------------------------
check "package named pagewell_${version}_${arch}.deb" \
    test "$(basename "$package")" = "pagewell_${version}_${arch}.deb"

field() { dpkg-deb -f "$package" "$1"; }
check "control: package pagewell, version $version" \
    test "$(field Package) $(field Version)" = "pagewell $version"
check "control: section and priority" test -n "$(field Section)" -a "$(field Priority)" = optional
check "control: maintainer with an address" grep -q '<.*@.*>' <<<"$(field Maintainer)"
check "control: a synopsis and a long description" \
    test "$(field Description | wc -l)" -ge 3
depends=$(field Depends)
for dependency in fp-utils fonts-wqy-microhei libqt6widgets6 libcurl4 libc6; do
    check "depends on $dependency" grep -qE "(^|, )$dependency( |,|$)" <<<"$depends"
done

# --- Contents -------------------------------------------------------------------
dpkg-deb -c "$package" >"$work/contents"
paths=$(awk '{ print $6 }' "$work/contents" | sed 's|^\./|/|')
has() { grep -qxF "$1" <<<"$paths"; }
expected=(
    /usr/bin/pagewell
    /usr/bin/pagewell-cli
    /usr/share/applications/pagewell.desktop
    /usr/share/metainfo/io.github.pagewell.Pagewell.metainfo.xml
    /usr/share/man/man1/pagewell.1.gz
    /usr/share/man/man1/pagewell-cli.1.gz
    /usr/share/pagewell/help.html
    /usr/share/pagewell/readme.html
    /usr/share/doc/pagewell/copyright
    /usr/share/doc/pagewell/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/pagewell.png")
done
for path in "${expected[@]}"; do
    check "contains $path" has "$path"
done
check "only pagewell and pagewell-cli in /usr/bin" \
    test "$(grep '^/usr/bin/.' <<<"$paths" | sort | tr '\n' ' ')" = \
    "/usr/bin/pagewell /usr/bin/pagewell-cli "
check "no test programs, libraries or headers" \
    test -z "$(grep -E 'pagewell-(sim|bench)|/test_|Test$|\.a$|\.so|/include/|gtest|gmock' <<<"$paths")"
check "everything under /usr/bin and /usr/share" \
    test -z "$(grep -vE '^/(usr/?|usr/bin/.*|usr/share/.*)?$' <<<"$paths")"
check "owned by root" test -z "$(awk '$2 != "root/root"' "$work/contents")"
check "programs 0755, folders 0755, other files 0644" test -z "$(awk '
    $6 ~ /^\.\/usr\/bin\/./ { if ($1 != "-rwxr-xr-x") print; next }
    $1 ~ /^d/               { if ($1 != "drwxr-xr-x") print; next }
                            { if ($1 != "-rw-r--r--") print }' "$work/contents")"

root="$work/root"
dpkg-deb -x "$package" "$root"

# The programs are stripped of symbols and debugging data.
for program in pagewell pagewell-cli; do
    check "$program is stripped" \
        bash -c "! readelf -S '$root/usr/bin/$program' | grep -qE '\.symtab|\.debug_'"
done

# Debian's gzip -9n: no file name and no time stamp in the header.
gzip_plain() {
    local flags mtime
    flags=$(od -An -tu1 -j3 -N1 "$1" | tr -d ' ')
    mtime=$(od -An -tu4 -j4 -N4 "$1" | tr -d ' ')
    gzip -t "$1" && [ "$flags" = 0 ] && [ "$mtime" = 0 ]
}
for file in usr/share/man/man1/pagewell.1.gz usr/share/man/man1/pagewell-cli.1.gz \
    usr/share/doc/pagewell/changelog.gz; do
    check "$file made with gzip -9n" gzip_plain "$root/$file"
done

# The manual pages format without a warning from groff or man.
for page in pagewell pagewell-cli; do
    check "man page $page formats cleanly" test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
done
check "pagewell-cli(1) documents every exit status" bash -c "
    zcat '$root/usr/share/man/man1/pagewell-cli.1.gz' |
        sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' > '$work/exits'
    for status in 0 1 2 3 130; do grep -qx \".B \$status\" '$work/exits' || exit 1; done"

# Each icon is a PNG of the size its folder names.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 16 22 24 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/pagewell.png"
    check "icon ${size}x${size} is ${size}x${size}" test "$(png_size "$icon")" = "${size}x${size}"
done

# The help page: UTF-8, nothing fetched from outside, no link to a missing anchor.
help="$root/usr/share/pagewell/help.html"
check "help page is UTF-8" iconv -f UTF-8 -t UTF-8 -o /dev/null "$help"
check "help page loads nothing from outside" \
    test -z "$(grep -iE '<(script|link|img|iframe)[^>]*(src|href)=|url\(|@import' "$help")"
anchors_resolve() {
    local target
    for target in $(grep -o 'href="#[^"]*"' "$1" | sed 's/href="#//; s/"$//' | sort -u); do
        grep -q "id=\"$target\"" "$1" || { echo "no anchor #$target" >&2; return 1; }
    done
}
check "help page's links reach their anchors" anchors_resolve "$help"
# In the build tree the program finds its pages beside itself.
program=$(find build -path build/_CPack_Packages -prune -o -type f -name pagewell -perm -u+x \
    -print | head -n 1)
for page in help.html readme.html; do
    check "$page beside ${program:-the built pagewell}" \
        cmp -s "data/$page" "$(dirname "${program:-build/x}")/$page"
done

# --- Menu entry and AppStream data ------------------------------------------------
desktop="$root/usr/share/applications/pagewell.desktop"
metainfo="$root/usr/share/metainfo/io.github.pagewell.Pagewell.metainfo.xml"
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net --no-color "$metainfo"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
check "menu entry starts a program of the package" test -x "$root/usr/bin/$(entry Exec | cut -d' ' -f1)"
check "menu entry's icon is in the package" \
    test -f "$root/usr/share/icons/hicolor/48x48/apps/$(entry Icon).png"
check "AppStream launchable is the menu entry" \
    grep -q '<launchable type="desktop-id">pagewell.desktop</launchable>' "$metainfo"
check "AppStream release is $version" grep -q "<release version=\"$version\"" "$metainfo"

# --- lintian --------------------------------------------------------------------
lintian_status=0
lintian --fail-on error "$package" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian" || true
check "lintian reports no errors" test "$lintian_status" = 0

# --- Installed for real ------------------------------------------------------------
dpkg-query -W -f='${Status}' pagewell 2>/dev/null | grep -q "ok installed" || installed_here=1
if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --reinstall --allow-downgrades \
    "$(realpath "$package")" >"$work/apt.log" 2>&1; then
    pass "apt-get install ./$(basename "$package")"
else
    cat "$work/apt.log" >&2
    fail "apt-get install ./$(basename "$package")"
fi
check "pagewell-cli on PATH is the installed one" \
    test "$(command -v pagewell-cli)" = /usr/bin/pagewell-cli
check "installed help page" cmp -s data/help.html /usr/share/pagewell/help.html

# A book of the simulator's demo blog, with a throw-away home so nothing lands on
# a real desktop or in real settings.
home="$work/home"
books="$work/books"
mkdir -p "$home/.config" "$home/.local/share" "$home/.cache"
coproc SIM { exec "$simulator" --until-stdin-closes; }
sim_pid=$SIM_PID
read -r word proxy <&"${SIM[0]}" || word=""
cli_status=none
if [ "$word" = PROXY ]; then
    cli_status=0
    env -u no_proxy -u NO_PROXY HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" http_proxy="$proxy" \
        timeout 600 pagewell-cli -q -d "$books" http://blog.sina.com.cn/pagewelldemo \
        >"$work/cli.out" 2>"$work/cli.err" || cli_status=$?
    eval "exec ${SIM[1]}>&-"
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
fi
check "simulator started" test "$word" = PROXY
if [ "$cli_status" != 0 ]; then
    cat "$work/cli.out" "$work/cli.err" >&2 2>/dev/null || true
fi
check "installed pagewell-cli exits 0 (was $cli_status)" test "$cli_status" = 0
magic() { head -c "$2" "$1" 2>/dev/null; }
chm=$(find "$books" -maxdepth 1 -name '*.chm' 2>/dev/null | head -n 1)
epub=$(find "$books" -maxdepth 1 -name '*.epub' 2>/dev/null | head -n 1)
check "a CHM book arrived" test "$(magic "${chm:-/dev/null}" 4)" = ITSF
check "an EPUB book arrived" test "$(magic "${epub:-/dev/null}" 58 | tail -c 20)" = "application/epub+zip"
check "the delivered books' paths are printed" \
    test "$(grep -cE '\.(chm|epub)$' "$work/cli.out" 2>/dev/null)" = 2

if [ "$installed_here" = 1 ]; then
    installed_here=0
    if DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq pagewell >/dev/null 2>&1; then
        check "removed again: no pagewell-cli left" test ! -e /usr/bin/pagewell-cli
    else
        fail "apt-get remove pagewell"
    fi
else
    echo "pagewell was installed before this test; it stays installed, at this build"
fi

echo "Package check took $((SECONDS - started)) s"
echo "package: $passed passed, $failed failed"
[ "$failed" = 0 ]
