#!/usr/bin/env bash
# The year calendar on a private Xvfb, opened with Win+Shift+K, one PNG each: today; 29 February
# of the next leap year, reached with "]" and a click; and one ">>" later (28 February):
#   tools/screenshot_calendar.sh build/notella [out dir, /tmp/shots]
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
calendar() { x xdotool search --all --onlyvisible --pid "$app" --name '^Kalendarz$' 2>/dev/null | head -n1; }

mkdir -p "$dir/run" "$dir/config"
chmod 700 "$dir/run"
cp "$EXE" "$dir/notella"
# A known build: the about window of a first start would stand over the calendar.
printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
    "${NOTELLA_BUILD_NUMBER:-1}" >"$dir/notella.ini"
Xvfb $DISP -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done

env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
app=$!
until [ -e "$dir/run/Notella.instance" ]; do sleep 0.1; done
sleep 1

x xdotool key super+shift+k
win=
for _ in $(seq 50); do
    win=$(calendar) || true
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "Win+Shift+K opened no calendar" >&2; exit 1; }
sleep 0.5
shot calendar-today

# No window manager: the keys go to the window that has the input focus.
x xdotool windowfocus --sync "$win"
year=$(date +%Y)
leap=$((year + 1))
until [ $((leap % 4)) -eq 0 ] && { [ $((leap % 100)) -ne 0 ] || [ $((leap % 400)) -eq 0 ]; }; do
    leap=$((leap + 1))
done
for _ in $(seq $((leap - year))); do x xdotool key bracketright; done
sleep 0.3

# February's grid: left 130, top 48; cells 15 x 10 with 1-pixel lines under a header row.
eval "$(x xdotool getwindowgeometry --shell "$win")"
first=$(($(date -d "$leap-02-01" +%u) - 1))
col=$(((first + 28) % 7))
row=$((1 + (first + 28) / 7))
x xdotool mousemove $((X + 130 + col * 16 + 7)) $((Y + 48 + row * 11 + 5)) click 1
x xdotool mousemove $((X + 250)) $((Y + 20))
sleep 0.3
shot calendar-leap-day
x xdotool key bracketright
sleep 0.3
shot calendar-after-leap-day
x xdotool key Escape
sleep 0.3
kill -TERM "$app"
wait "$app" 2>/dev/null || true
app=
