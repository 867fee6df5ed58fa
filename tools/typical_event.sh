#!/usr/bin/env bash
# Plays the scheduler's typical event on a private Xvfb with a tray host, as a user would:
# tray menu "Nowy wpis terminarza", an entry due two minutes ahead, OK; the alarm window at
# the first tick after its moment; OK and "Nie" keep the entry, acknowledged. Screenshots of
# each window go to <out dir>; timetable.ini is checked after each step.
#   tools/typical_event.sh build/notella /tmp/typical
set -u
EXE=$(readlink -f "${1:?usage: $0 <notella> <out dir>}")
OUT=${2:?usage: $0 <notella> <out dir>}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")
export DISPLAY=:54
dir=$(mktemp -d)
mkdir -p "$dir/config" && mkdir -m 700 "$dir/run"
cp "$EXE" "$dir/notella"
Xvfb $DISPLAY -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$dir"' EXIT
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done
trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
    >/dev/null 2>&1 &
pids+=($!)
(cd "$dir" && exec env -u DBUS_SESSION_BUS_ADDRESS HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" ./notella >/dev/null 2>&1) &
pids+=($!)
ini="$dir/timetable/timetable.ini"
failed=0
check() { # check <what> <pattern>
    if grep -q "$2" "$ini" 2>/dev/null; then echo "ok: $1"; else echo "FAIL: $1"; failed=1; fi
}
window() { # window <title>: waits up to 200 s for it, its id in W
    local i
    for i in $(seq 1 2000); do
        W=$(xdotool search --all --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
        [ -n "$W" ] && return 0
        sleep 0.1
    done
    echo "FAIL: no window \"$1\""
    exit 1
}
icon=
for i in $(seq 1 100); do
    for w in $(xdotool search --onlyvisible --class notella 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -le 40 ] && icon="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
    done
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || { echo "FAIL: no tray icon"; exit 1; }
xdotool mousemove $icon click 3
sleep 0.5
import -window root "$OUT/1-tray-menu.png"
# The eighth item: "Nowy wpis terminarza".
xdotool key Down Down Down Down Down Down Down Down Return
window "Wpis terminarza"
due=$(date -d '+2 minutes' +%H:%M)
xdotool windowfocus --sync "$W" key alt+g
xdotool type --delay 50 "${due/:/}"
xdotool key alt+n
xdotool type --delay 30 "Spotkanie w sali 2"
import -window root "$OUT/2-editor.png"
xdotool key ctrl+Return
sleep 1
check "entry inserted" "^Count=1"
check "one-time entry" "^kind=1"
check "its moment" "^time=$due:00"
check "its note" '^notka="Spotkanie w sali 2"'
check "not postponed" "^remindafter=1899-12-30"
window "Aktywowany wpis termnarza"
echo "alarm at $(date +%H:%M:%S) for $due"
sleep 0.5
import -window root "$OUT/3-alarm.png"
xdotool windowfocus --sync "$W" key Return
window "Usuwanie wpisu terminarza"
import -window root "$OUT/4-delete-question.png"
xdotool windowfocus --sync "$W" key n
sleep 1
check "entry kept after Nie" "^Count=1"
check "acknowledged after its moment" "^lastshowdate=$(date +%Y-%m-%d) $due\|^lastshowdate=$(date +%Y-%m-%d) $(date +%H:%M)"
echo "screenshots in $OUT"
exit $failed
