#!/bin/bash
# Installs a built tree into a scratch prefix and checks what a desktop, man and Debian get
# from it; then builds the Debian package and runs the program unpacked from it.
# Usage: tests/install/check_install.sh [build directory, "build" by default]
set -euo pipefail

build=$(realpath "${1:-build}")
id=pl.quorvel.Notella
passes=0 failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() {
    echo "ok:   $*"
    passes=$((passes + 1))
}

if [ ! -x "$build/notella" ] || [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "FAIL: $build holds no built notella with CPackConfig.cmake: build it first"
    exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
modules=(notella-sound notella-print notella-ical)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Runs the program with its own home and runtime folder, so that no running copy answers.
run_version() {
    local exe=$1 where=$2 out rc=0
    mkdir -p "$tmp/home" "$tmp/run" && chmod 700 "$tmp/run"
    out=$(env HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/home/.config" \
        XDG_DATA_HOME="$tmp/home/.local/share" QT_QPA_PLATFORM=offscreen \
        timeout 30 "$exe" --version </dev/null 2>"$tmp/stderr") || rc=$?
    if [ "$rc" != 0 ]; then
        fail "$where: notella --version ended with $rc$([ "$rc" = 124 ] && echo ' (still running after 30 s)')"
        head -n 5 "$tmp/stderr"
    elif ! grep -qF -- "$version" <<<"$out"; then
        fail "$where: notella --version printed '$out', not $version"
    else
        ok "$where: notella --version: $out"
    fi
}

# The timetable exported without a desktop: the iCalendar module is loaded from where the
# program looks for it.
run_export() {
    local exe=$1 where=$2 rc=0
    mkdir -p "$tmp/home" "$tmp/run" && chmod 700 "$tmp/run"
    rm -f "$tmp/out.ics"
    env HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/home/.config" \
        XDG_DATA_HOME="$tmp/home/.local/share" QT_QPA_PLATFORM=offscreen \
        timeout 30 "$exe" --export-ical "$tmp/out.ics" </dev/null >"$tmp/stderr" 2>&1 || rc=$?
    if [ "$rc" != 0 ]; then
        fail "$where: notella --export-ical ended with $rc"
        head -n 5 "$tmp/stderr"
    elif ! head -n 1 "$tmp/out.ics" 2>/dev/null | grep -q '^BEGIN:VCALENDAR'; then
        fail "$where: notella --export-ical wrote no calendar"
    else
        ok "$where: notella --export-ical wrote a calendar"
    fi
}

# Every module is where the install puts it and loads with all its libraries (as the program
# opens it: every symbol bound at once).
check_modules() {
    local dir=$1 where=$2 m bad=0
    for m in "${modules[@]}"; do
        if [ ! -s "$dir/$m.so" ]; then
            fail "$where: $m.so is not in $dir"
            bad=1
        elif ! out=$(python3 -c 'import ctypes, os, sys; ctypes.CDLL(sys.argv[1], os.RTLD_NOW)' \
            "$dir/$m.so" 2>&1); then
            fail "$where: $m.so does not load: $out"
            bad=1
        fi
    done
    [ "$bad" = 0 ] && ok "$where: modules ${modules[*]} in $dir and loadable"
}

# 1. The installed tree.
prefix=$tmp/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi
expected=(
    bin/notella
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    share/man/man1/notella.1.gz
    share/doc/notella/copyright
    share/doc/notella/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
missing=0
for f in "${expected[@]}"; do
    [ -s "$prefix/$f" ] || { fail "not installed: $f"; missing=1; }
done
[ "$missing" = 0 ] && ok "installed: ${#expected[@]} files"
wrong=0
for size in 16 22 24 32 48 64 128 256; do
    grep -q "PNG image data, $size x $size," <<<"$(file "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png")" ||
        { fail "the ${size}x$size icon is not a $size x $size PNG"; wrong=1; }
done
[ "$wrong" = 0 ] && ok "icons have their sizes"

out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || true
if [ -n "$out" ]; then fail "desktop-file-validate:"; echo "$out"; else ok "desktop entry valid"; fi

# The tree form checks the metainfo with the desktop entry it launches.
if out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1); then
    ok "metainfo valid"
else
    fail "appstreamcli validate-tree:"
    echo "$out"
fi

out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/notella.1.gz" 2>&1 >/dev/null) || true
if [ -n "$out" ]; then fail "man page:"; echo "$out"; else ok "man page renders without warnings"; fi

run_version "$prefix/bin/notella" "installed"
check_modules "$prefix/$libdir/notella" "installed"
run_export "$prefix/bin/notella" "installed"

# 2. The Debian package.
if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
deb=$(ls "$tmp"/pkg/notella_*.deb)
ok "package built: $(basename "$deb")"
if grep -q libqt6widgets6 <<<"$(dpkg-deb -f "$deb" Depends)"; then
    ok "package depends on the Qt libraries"
else
    fail "the package's Depends misses the Qt libraries"
fi

rc=0
lintian --allow-root --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || rc=$?
if [ "$rc" != 0 ]; then
    fail "lintian:"
    cat "$tmp/lintian.log"
else
    ok "lintian: no errors ($(grep -c '^W:' "$tmp/lintian.log" || true) warnings)"
    grep '^W:' "$tmp/lintian.log" || true
fi

dpkg -x "$deb" "$tmp/root"
if grep -q ', stripped' <<<"$(file "$tmp/root/usr/bin/notella")"; then
    ok "packaged binary stripped"
else
    fail "the packaged binary is not stripped"
fi
run_version "$tmp/root/usr/bin/notella" "unpacked package"
check_modules "$tmp/root/usr/$libdir/notella" "unpacked package"
if grep -q ', stripped' <<<"$(file "$tmp/root/usr/$libdir/notella/notella-ical.so")"; then
    ok "packaged modules stripped"
else
    fail "the packaged modules are not stripped"
fi
for dep in libical3 libqt6multimedia6 libqt6printsupport6; do
    grep -q "$dep" <<<"$(dpkg-deb -f "$deb" Depends)" || fail "the package's Depends misses $dep"
done
run_export "$tmp/root/usr/bin/notella" "unpacked package"

echo "install: $passes passed, $failures failed"
[ "$failures" = 0 ]
