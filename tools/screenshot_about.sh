#!/usr/bin/env bash
# The about window of a first start on a private Xvfb, captured into a PNG; with a second
# file, once more with the thanks in other languages ticked and the mouse on the e-mail link:
#   tools/screenshot_about.sh build/notella about.png [about_ticked.png]
set -eu
EXE=$(readlink -f "${1:?usage: $0 <notella> <out.png> [<ticked.png>]}")
OUT=$(readlink -f "${2:?usage: $0 <notella> <out.png> [<ticked.png>]}")
TICKED=${3:+$(readlink -f "$3")}
DISP=${DISP:-:52}
dir=$(mktemp -d)
mkdir -p "$dir/sheets" "$dir/run" "$dir/config"
chmod 700 "$dir/run"
cp "$EXE" "$dir/notella"
Xvfb $DISP -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
app=
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
app=$!
# No settings file yet: the window comes 2 s after start.
for _ in $(seq 100); do
    win=$(DISPLAY=$DISP xdotool search --name "Informacje o programie" 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "${win:-}" ] || { echo "no about window" >&2; exit 1; }
sleep 0.5
DISPLAY=$DISP import -window root "$OUT"
echo "$OUT"
if [ -n "$TICKED" ]; then
    # The square of "Podziękowanie w innych językach".
    DISPLAY=$DISP xdotool mousemove --window "$win" 27 226 click 1
    # The mouse over the e-mail link: underlined.
    DISPLAY=$DISP xdotool mousemove --window "$win" 240 271
    sleep 0.5
    DISPLAY=$DISP import -window root "$TICKED"
    echo "$TICKED"
fi
