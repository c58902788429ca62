#!/bin/sh
# Tests the Debian package that scripts/package.sh built into OUTDIR
# (build-package unless given), on this machine, as a technician would use it:
#   1. validates it: lintian (no error; the warnings are printed),
#      desktop-file-validate on its desktop entry, appstreamcli on its
#      metainfo, and its maintainer scripts with a stand-in udevadm;
#   2. installs it with apt (purging an installed copy first), and checks the
#      programs start (--version without a display and beside a running
#      window; the window and the demo offscreen, still running after three
#      seconds), and that the udev rule, icons, desktop entry, metainfo,
#      manuals and copyright file are where they belong;
#   3. purges it and checks that nothing of it is left.
# Every check prints ok or FAIL; the package is purged whatever failed, and the
# script fails when any check did. Needs root, or sudo.
set -e
cd "$(dirname "$0")/.."

out=${1:-build-package}
version=$(sh scripts/version.sh)
deb="$(cd "$out" && pwd)/quorvaline_${version}_$(dpkg --print-architecture).deb"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

failures=0
ok() { echo "ok    $*"; }
fail() {
    echo "FAIL  $*"
    failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: runs the command, ok when it succeeds.
check() {
    what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

work=$(mktemp -d)
cleanup() {
    rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$deb" ]; then
    echo "package-test: no package $deb (./dev package builds it)" >&2
    exit 1
fi
echo "package-test: $deb"

# ---- 1. the package as built --------------------------------------------------

echo "lintian:"
if lintian --fail-on error --display-info --info "$deb" >"$work/lintian" 2>&1; then
    ok "lintian reports no error"
else
    fail "lintian reports errors"
fi
sed 's/^/    /' "$work/lintian"

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
desktop="usr/share/applications/org.quorvaline.Quorvaline.desktop"
metainfo="usr/share/metainfo/org.quorvaline.Quorvaline.metainfo.xml"
check "desktop-file-validate $desktop" desktop-file-validate "$work/root/$desktop"
check "appstreamcli validate $metainfo" appstreamcli validate --no-net "$work/root/$metainfo"

# The maintainer scripts, with a stand-in udevadm that logs its arguments
# and ischroot answering as asked, and /run/udev moved to a folder here.
mkdir -p "$work/bin"
cat >"$work/bin/udevadm" <<'SCRIPT'
#!/bin/sh
echo "udevadm $*" >>"$UDEVADM_LOG"
SCRIPT
cat >"$work/bin/ischroot" <<'SCRIPT'
#!/bin/sh
exit "$ISCHROOT_ANSWER"
SCRIPT
chmod +x "$work/bin/udevadm" "$work/bin/ischroot"
# maintscript SCRIPT ARGUMENT UDEV_RUNS ISCHROOT_ANSWER: what udevadm was told.
maintscript() {
    rm -rf "$work/run" "$work/udevadm.log"
    : >"$work/udevadm.log"
    if [ "$3" = yes ]; then mkdir -p "$work/run/udev"; fi
    sed "s|/run/udev|$work/run/udev|g" "$work/control/$1" >"$work/$1.sh"
    UDEVADM_LOG="$work/udevadm.log" ISCHROOT_ANSWER=$4 PATH="$work/bin:$PATH" \
        sh "$work/$1.sh" "$2" >"$work/maintscript.out" 2>&1 || echo "exit code $?" >>"$work/udevadm.log"
    cat "$work/maintscript.out" "$work/udevadm.log"
}
reload="udevadm control --reload-rules
udevadm trigger --subsystem-match=hidraw --action=change"
for run in "postinst configure yes 1" "postrm remove yes 1" "postinst configure no 1" \
    "postinst configure yes 0" "postrm purge yes 1" "postrm upgrade yes 1"; do
    set -- $run
    where="udev running: $3, in a chroot: $([ "$4" = 0 ] && echo yes || echo no)"
    if [ "$3" = yes ] && [ "$4" = 1 ] && { [ "$2" = configure ] || [ "$2" = remove ]; }; then
        expected=$reload
        what="reloads the rules and replays the hidraw devices"
    else
        expected=""
        what="does nothing and says nothing"
    fi
    got=$(maintscript "$@")
    if [ "$got" = "$expected" ]; then
        ok "$1 $2 ($where) $what"
    else
        fail "$1 $2 ($where) $what; it printed or ran: $got"
    fi
done

# ---- 2. installed with apt ----------------------------------------------------

if dpkg-query -W -f='${Status}' quorvaline 2>/dev/null | grep -q "install ok installed"; then
    echo "package-test: purging the quorvaline package installed before"
    $SUDO apt-get purge -y quorvaline >/dev/null
fi
echo "apt-get install $deb"
if $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt" 2>&1; then
    ok "apt-get install"
else
    fail "apt-get install"
    cat "$work/apt"
fi
check "installed version $version" \
    test "$(dpkg-query -W -f='${Version}' quorvaline 2>/dev/null)" = "$version"
# The dependencies dpkg-shlibdeps found in the binaries.
depends=$(dpkg-query -W -f='${Depends}' quorvaline 2>/dev/null || true)
echo "    Depends: $depends"
for library in libhidapi-hidraw0 libqcustomplot2.1 libqt5widgets5 libc6; do
    check "depends on $library" sh -c "echo '$depends' | grep -q '$library'"
done

# --version prints "<program> <version>", with no display and no platform set.
version_of() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" --version 2>&1
}
for program in quorvaline quorvaline-demo; do
    check "/usr/bin/$program" test -x "/usr/bin/$program"
    check "ldd $program finds every library" sh -c "! ldd /usr/bin/$program | grep -q 'not found'"
    check "$program --version" test "$(version_of $program)" = "$program $version"
done

# The window and the demo offscreen: still running when the three seconds
# are up (timeout's exit code 124). Their own runtime folder keeps them clear
# of any other copy on this machine; while the window runs, --version still
# answers.
runtime="$work/runtime"
mkdir -m 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen timeout 3 quorvaline \
    </dev/null >"$work/window.log" 2>&1 &
window=$!
sleep 1.5
check "quorvaline --version while the window runs" \
    test "$(XDG_RUNTIME_DIR="$runtime" version_of quorvaline)" = "quorvaline $version"
code=0
wait $window || code=$?
if [ "$code" = 124 ]; then
    ok "quorvaline runs offscreen for three seconds"
else
    fail "quorvaline runs offscreen for three seconds (it ended with exit code $code)"
    cat "$work/window.log"
fi
code=0
XDG_RUNTIME_DIR="$runtime" TMPDIR="$work" QT_QPA_PLATFORM=offscreen timeout 3 quorvaline-demo \
    </dev/null >"$work/demo.log" 2>&1 || code=$?
if [ "$code" = 124 ]; then
    ok "quorvaline-demo runs offscreen for three seconds"
else
    fail "quorvaline-demo runs offscreen for three seconds (it ended with exit code $code)"
    cat "$work/demo.log"
fi
check "quorvaline-demo wrote its sample firmware image" \
    test -s "$work/quorvaline-demo-firmware.bin"

# The udev rule, named to come before the seat rules (73-seat-late.rules)
# that turn the uaccess tag into the user's access.
rule=/usr/lib/udev/rules.d/70-quorvaline.rules
check "$rule" test -f "$rule"
for match in 'SUBSYSTEM=="hidraw"' 'ATTRS{idVendor}=="2e88"' 'TAG+="uaccess"'; do
    check "the rule has $match" grep -qF "$match" "$rule"
done
check "the rule sorts before 73-seat-late.rules" \
    test "$(printf '%s\n' 73-seat-late.rules "$(basename "$rule")" | LC_ALL=C sort | head -1)" = \
    "$(basename "$rule")"

# The icons: PNGs of their size (the width and height in the PNG header),
# and the SVG.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }'
}
for size in 16 22 24 32 48 64 128 256; do
    icon=/usr/share/icons/hicolor/${size}x${size}/apps/quorvaline.png
    check "$icon is ${size}x${size}" test "$(png_size "$icon" 2>/dev/null)" = "${size}x${size}"
done
svg=/usr/share/icons/hicolor/scalable/apps/quorvaline.svg
check "$svg" grep -q '<svg' "$svg"

check "/$desktop" test -f "/$desktop"
check "the desktop entry starts quorvaline" grep -qx 'Exec=quorvaline' "/$desktop"
check "the desktop entry names the icon" grep -qx 'Icon=quorvaline' "/$desktop"
check "/$metainfo" test -f "/$metainfo"
check "/usr/share/doc/quorvaline/copyright" test -f /usr/share/doc/quorvaline/copyright

# The manuals, where man finds them, and free of formatting warnings.
for page in quorvaline quorvaline-demo; do
    check "man -w $page" test "$(man -w $page 2>/dev/null)" = "/usr/share/man/man1/$page.1.gz"
    check "man $page formats without warnings" \
        test -z "$(MANWIDTH=80 man --warnings $page 2>&1 >/dev/null)"
done

# ---- the command-line tool ------------------------------------------------------
# quorvaline-cli: its version, "list" with no instrument (exit code 3), its
# manual.
check "/usr/bin/quorvaline-cli" test -x /usr/bin/quorvaline-cli
check "quorvaline-cli --version" test "$(version_of quorvaline-cli)" = "quorvaline-cli $version"
code=0
quorvaline-cli list >"$work/cli.log" 2>&1 || code=$?
if [ "$code" = 3 ]; then
    ok "quorvaline-cli list with no instrument exits with 3"
else
    fail "quorvaline-cli list with no instrument exits with 3 (got $code)"
    cat "$work/cli.log"
fi
check "man -w quorvaline-cli" \
    test "$(man -w quorvaline-cli 2>/dev/null)" = "/usr/share/man/man1/quorvaline-cli.1.gz"
check "man quorvaline-cli formats without warnings" \
    test -z "$(MANWIDTH=80 man --warnings quorvaline-cli 2>&1 >/dev/null)"
# Its simulated variant reads the simulated meter; its manual is the same.
check "quorvaline-cli-demo --version" \
    test "$(version_of quorvaline-cli-demo)" = "quorvaline-cli-demo $version"
check "quorvaline-cli-demo read meter" \
    sh -c "cd '$work' && TMPDIR='$work' quorvaline-cli-demo read meter --field voltage_V </dev/null | grep -q '^[0-9]'"
# The package holds it as a link to quorvaline-cli's page (debhelper turns the
# page's ".so" line into a link), and man -w names the page the link leads to.
check "quorvaline-cli-demo's manual links to quorvaline-cli's" \
    test "$(readlink /usr/share/man/man1/quorvaline-cli-demo.1.gz)" = "quorvaline-cli.1.gz"
check "man -w quorvaline-cli-demo" \
    test "$(man -w quorvaline-cli-demo 2>/dev/null)" = "/usr/share/man/man1/quorvaline-cli.1.gz"
check "man quorvaline-cli-demo formats without warnings" \
    test -z "$(MANWIDTH=80 man --warnings quorvaline-cli-demo 2>&1 >/dev/null)"

# ---- 3. purged ------------------------------------------------------------------

# Everything the package holds but folders (which other packages share).
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "/", $6); print $6 }' >"$work/files"
if $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y quorvaline >"$work/purge" 2>&1; then
    ok "apt-get purge"
else
    fail "apt-get purge"
    cat "$work/purge"
fi
check "dpkg knows no quorvaline package" \
    sh -c "! dpkg-query -W -f='\${Status}' quorvaline 2>/dev/null | grep -q installed"
left=""
while IFS= read -r f; do
    if [ -e "$f" ] || [ -L "$f" ]; then left="$left $f"; fi
done <"$work/files"
for f in /var/lib/dpkg/info/quorvaline.* /usr/share/doc/quorvaline; do
    if [ -e "$f" ]; then left="$left $f"; fi
done
if [ -z "$left" ]; then
    ok "nothing of the package is left ($(wc -l <"$work/files") files checked)"
else
    fail "left behind:$left"
fi

if [ "$failures" -ne 0 ]; then
    echo "package-test: $failures checks failed"
    exit 1
fi
echo "package-test: passed"
