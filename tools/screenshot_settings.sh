#!/usr/bin/env bash
# The settings window on a private Xvfb with a tray host, as a user reaches it: tray menu
# "Ustawienia...", the double-click action set to "Nowy wpis terminarza", OK. The menu then
# marks that item, a double click on the icon opens the entry editor, and both hold after a
# restart. One PNG per step:  tools/screenshot_settings.sh build/notella [out dir, /tmp/shots]
set -u
EXE=$(readlink -f "${1:?usage: $0 <notella> [out dir]}")
OUT=${2:-/tmp/shots}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")
DISP=${DISP:-:55}
export DISPLAY=$DISP
dir=$(mktemp -d)
mkdir -p "$dir/config" "$dir/sound" && mkdir -m 700 "$dir/run"
cp "$EXE" "$dir/notella"
# Sound files to choose from (their content does not matter to the window), and things that
# are none: another type, a directory.
for f in eGem.wav iWhisper.wav dzwonek.wav Alarm.WAV; do printf 'RIFF' >"$dir/sound/$f"; done
printf 'x' >"$dir/sound/opis.txt"
mkdir "$dir/sound/katalog.wav"
ini="$dir/notella.ini"
app=
pids=()
trap 'kill $app "${pids[@]}" 2>/dev/null; rm -rf "$dir"' EXIT
Xvfb "$DISP" -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done
trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
    >/dev/null 2>&1 &
pids+=($!)
failed=0
check() { # check <what> <command...>: true within 3 s
    for _ in $(seq 1 30); do
        "${@:2}" && { echo "ok: $1"; return; }
        sleep 0.1
    done
    echo "FAIL: $1"
    failed=1
}
shot() { import -window root "$OUT/$1.png" && echo "$OUT/$1.png"; }
start() {
    (cd "$dir" && exec env -u DBUS_SESSION_BUS_ADDRESS HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
        XDG_CONFIG_HOME="$dir/config" ./notella >/dev/null 2>&1) &
    app=$!
    icon=
    for _ in $(seq 1 100); do
        for w in $(xdotool search --onlyvisible --class notella 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" -le 40 ] && icon="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
        done
        [ -n "$icon" ] && break
        sleep 0.1
    done
    [ -n "$icon" ] || { echo "FAIL: no tray icon"; exit 1; }
    sleep 2.5 # past the moment of the about window, which stays away
}
stop() {
    kill -TERM "$app"
    wait "$app" 2>/dev/null
    app=
}
window() { # window <title>: waits up to 10 s for it, its id in W
    for _ in $(seq 1 100); do
        W=$(xdotool search --all --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
        [ -n "$W" ] && return 0
        sleep 0.1
    done
    echo "FAIL: no window \"$1\""
    failed=1
    return 1
}
gone() { # gone <title>
    for _ in $(seq 1 50); do
        xdotool search --all --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
menu() { # the tray menu, captured as <name>, closed again
    xdotool mousemove $icon click 3
    sleep 0.7
    shot "$1"
    xdotool key Escape
    sleep 0.3
}

# No about window at start: the build number is the project version's fourth component.
build=$(sed -n 's/^project(Notella VERSION [0-9]*\.[0-9]*\.[0-9]*\.\([0-9]*\).*/\1/p' \
    "$(dirname "$0")/../CMakeLists.txt")
printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' "${build:-N/A}" >"$ini"
start
xdotool mousemove $icon click 3
sleep 0.7
# The second item: "Ustawienia...".
xdotool key Down Down Return
window "Ustawienia programu" || exit 1
sleep 0.5
shot 1-settings
# The list after the priority and the Alt+Tab box; End picks its last item. The Alt+Tab box
# ticked and unticked again shows the restart note and changes nothing.
xdotool windowfocus --sync "$W" key Tab Tab End shift+Tab space space
sleep 0.3
shot 2-settings-changed
xdotool key Return
gone "Ustawienia programu"
check "the double-click action saved" grep -q "^DefaultDblClickAction=4" "$ini"
check "the Alt+Tab box as it was" grep -q "^ShowIconWhenAltTabPressed=0" "$ini"
menu 3-menu-after-ok
xdotool mousemove $icon click --repeat 2 --delay 80 1
window "Wpis terminarza" && {
    sleep 0.5
    shot 4-double-click
    xdotool windowfocus --sync "$W" key Escape
    gone "Wpis terminarza"
}
stop
start
menu 5-menu-after-restart
xdotool mousemove $icon click --repeat 2 --delay 80 1
window "Wpis terminarza" && {
    echo "ok: a double click opens the entry editor after the restart"
    xdotool windowfocus --sync "$W" key Escape
    gone "Wpis terminarza"
}
stop
check "still saved after the restart" grep -q "^DefaultDblClickAction=4" "$ini"
echo "screenshots in $OUT"
exit $failed
