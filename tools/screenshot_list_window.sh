#!/usr/bin/env bash
# The scheduler list window on a private Xvfb, one PNG each: entries of every kind, a text filter
# with Polish letters, and the grid's menu. Opened by its key, Win+Shift+T:
#   tools/screenshot_list_window.sh build/notella [out dir, /tmp/shots]
set -eu
EXE=$(readlink -f "${1:?usage: $0 <notella> [out dir]}")
OUT=${2:-/tmp/shots}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")
DISP=${DISP:-:53}
dir=$(mktemp -d)
app=
xvfb=
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
x() { DISPLAY=$DISP timeout 10 "$@"; }
shot() { x import -window root "$OUT/$1.png" && echo "$OUT/$1.png"; }
list() { x xdotool search --all --onlyvisible --pid "$app" --name '^Terminarz$' 2>/dev/null | head -n1; }
windows() { x xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }

mkdir -p "$dir/run" "$dir/config" "$dir/timetable"
chmod 700 "$dir/run"
cp "$EXE" "$dir/notella"
printf '[Settings]\r\nHotKeySheduler=1\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
    "${NOTELLA_BUILD_NUMBER:-1}" >"$dir/notella.ini"
entry() { # entry <n> <kind> <key=value lines...>
    local n=$1 kind=$2
    shift 2
    printf '[TT%s]\r\nkind=%s\r\n' "$n" "$kind"
    printf '%s\r\n' "$@"
}
{
    printf '[TimeTable]\r\nCount=9\r\n'
    entry 0 1 date=2026-12-24 time=18:00:00 'notka="Wigilia u babci</NL/>zabrać prezenty"' remindbefore=120
    entry 1 1 date=2027-01-15 time=09:30:00 'notka="Dentysta – przegląd"'
    entry 2 2 minute=45 'notka="Przerwa od komputera"'
    entry 3 3 time=07:30:00 'notka="Leki: witaminy"' remindbefore=10
    entry 4 4 dayofweek=5 time=14:30:00 'notka="Zakupy na weekend: żółty ser, śledzie"' remindbefore=60
    entry 5 4 dayofweek=1 time=08:00:00 'notka="Zebranie zespołu"'
    entry 6 5 dayofmonth=10 time=00:00:00 'notka="Czynsz i opłaty"' remindbefore=1440
    entry 7 6 dayofmonth=3 month=5 time=00:00:00 'notka="Urodziny Ąni"' remindbefore=2880
    entry 8 6 dayofmonth=11 month=11 time=00:00:00 'notka="Święto Niepodległości"'
} | iconv -f utf-8 -t cp1250 >"$dir/timetable/timetable.ini"

Xvfb $DISP -screen 0 1024x700x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
app=$!
until [ -e "$dir/run/Notella.instance" ]; do sleep 0.1; done
sleep 1

x xdotool key super+shift+t
for _ in $(seq 50); do [ -n "$(list)" ] && break; sleep 0.1; done
w=$(list)
[ -n "$w" ] || { echo "the list window did not open" >&2; exit 1; }
x xdotool windowfocus --sync "$w"
sleep 0.5
shot list_all

# The filter (Alt+F), Polish letters typed, the list 200 ms later.
x xdotool key alt+f
x xdotool type --delay 60 'ŻÓŁ'
sleep 0.6
shot list_filter_polish

x xdotool key ctrl+a BackSpace
sleep 0.4
eval "$(x xdotool getwindowgeometry --shell "$w")"
base=$(windows)
x xdotool mousemove $((X + 250)) $((Y + 90)) click 1
x xdotool mousemove $((X + 250)) $((Y + 90)) click 3
for _ in $(seq 30); do [ "$(windows)" -gt "$base" ] && break; sleep 0.1; done
sleep 0.3
shot list_menu
x xdotool key Escape Escape
