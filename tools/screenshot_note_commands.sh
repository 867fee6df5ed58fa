#!/usr/bin/env bash
# The note's commands on a private Xvfb, one PNG each: the menu over the title bar and over
# the text, the title editor (F6), the activation dialog (F2), and an alarming note beside a
# quiet one:  tools/screenshot_note_commands.sh build/notella [out dir, /tmp/shots]
set -eu
EXE=$(readlink -f "${1:?usage: $0 <notella> [out dir]}")
OUT=${2:-/tmp/shots}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")
DISP=${DISP:-:52}
dir=$(mktemp -d)
app=
xvfb=
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
x() { DISPLAY=$DISP timeout 10 "$@"; }
note() { printf "$2" | iconv -f utf-8 -t cp1250 >"$dir/sheets/$1"; }
shot() { x import -window root "$OUT/$1.png" && echo "$OUT/$1.png"; }
windows() { x xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }
# wait_windows <count>: until the program shows that many windows.
wait_windows() {
    for _ in $(seq 50); do
        [ "$(windows)" -eq "$1" ] && return 0
        sleep 0.1
    done
    echo "expected $1 windows, the program shows $(windows)" >&2
    return 1
}
# geometry <title>: X Y WIDTH HEIGHT of the note with that title.
geometry() {
    local w
    w=$(x xdotool search --all --onlyvisible --pid "$app" --name "^$1\$" | head -n1)
    eval "$(x xdotool getwindowgeometry --shell "$w")"
}
start() {
    env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
        XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
    app=$!
    until [ -e "$dir/run/Notella.instance" ]; do sleep 0.1; done
    sleep 1
}
stop() {
    kill -TERM "$app"
    wait "$app" 2>/dev/null || true
    app=
}

mkdir -p "$dir/sheets" "$dir/run" "$dir/config"
chmod 700 "$dir/run"
cp "$EXE" "$dir/notella"
# A known build: the about window of a first start would stand over the notes.
printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
    "${NOTELLA_BUILD_NUMBER:-1}" >"$dir/notella.ini"
Xvfb $DISP -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done

note zakupy.sheet '[Size]\r\nWidth=300\r\nMinHeight=170\r\nHeight=170\r\n[Position]\r\nLeft=60\r\nTop=40\r\n[Sheet]\r\nTitle=Zakupy\r\nText0=Chleb, masło, żółty ser\r\nText1=Zapłacić za gaz\r\nText2=Odebrać paczkę z poczty\r\n'
start
geometry Zakupy
base=$(windows)

x xdotool mousemove $((X + 120)) $((Y + 7)) click 3
wait_windows $((base + 1))
shot menu-title-bar
x xdotool key Escape
wait_windows "$base"

x xdotool mousemove $((X + 120)) $((Y + 80)) click 3
wait_windows $((base + 1))
shot menu-text
x xdotool key Escape
wait_windows "$base"

# No window manager: a click on the text gives the note the focus.
x xdotool mousemove $((X + 150)) $((Y + 120)) click 1
sleep 0.3
x xdotool key F6
sleep 0.5
x xdotool key ctrl+a
x xdotool type --delay 30 "Nowy tytuł"
sleep 0.3
shot title-editor
x xdotool key Escape
sleep 0.3

x xdotool mousemove $((X + 150)) $((Y + 120)) click 1
sleep 0.3
x xdotool key F2
for _ in $(seq 50); do
    dialog=$(x xdotool search --all --onlyvisible --pid "$app" --name '^Wybór czasu aktywacji$' | head -n1) || true
    [ -n "$dialog" ] && break
    sleep 0.1
done
[ -n "$dialog" ] || { echo "no activation dialog" >&2; exit 1; }
sleep 0.5
shot date-dialog
x xdotool windowfocus "$dialog" key Escape
sleep 0.3
stop

# A note whose time has passed alarms at the first check, 10 s after the start; the other
# one's time lies ahead.
rm -f "$dir/sheets/"*
past=$(date -d '-1 hour' '+%Y-%m-%d %H:%M')
ahead=$(date -d '+1 day' '+%Y-%m-%d %H:%M')
note budzik.sheet "[Size]\r\nWidth=260\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=60\r\nTop=60\r\n[Sheet]\r\nTitle=Budzik\r\nText0=Czas minął\r\n[Activation]\r\nEnabled=1\r\nDateTime=$past\r\n"
note jutro.sheet "[Size]\r\nWidth=260\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=400\r\nTop=60\r\n[Sheet]\r\nTitle=Jutro\r\nText0=Czas jeszcze nie nadszedł\r\n[Activation]\r\nEnabled=1\r\nDateTime=$ahead\r\n"
start
geometry Budzik
# It flashes every 100 ms: keep the capture whose title bar is red.
rm -f "$OUT/alarm.png"
for _ in $(seq 300); do
    x import -window root "$dir/alarm.png"
    if convert "$dir/alarm.png" -crop "1x1+$((X + WIDTH / 2))+$((Y + 13))" -depth 8 txt:- |
        grep -q '(255,0,0)'; then
        cp "$dir/alarm.png" "$OUT/alarm.png"
        echo "$OUT/alarm.png"
        break
    fi
    sleep 0.05
done
[ -e "$OUT/alarm.png" ] || { echo "the note did not alarm" >&2; exit 1; }
stop
