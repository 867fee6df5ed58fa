#!/usr/bin/env bash
# Three notes (collapsed, high-priority, placed off the screen) on a private Xvfb, captured
# into a PNG:  tools/screenshot_notes.sh build/notella shot.png
set -eu
EXE=$(readlink -f "${1:?usage: $0 <notella> <out.png>}")
OUT=$(readlink -f "${2:?usage: $0 <notella> <out.png>}")
DISP=${DISP:-:51}
dir=$(mktemp -d)
mkdir -p "$dir/sheets" "$dir/run" "$dir/config"
cp "$EXE" "$dir/notella"
note() { printf "$2" | iconv -f utf-8 -t cp1250 >"$dir/sheets/$1"; }
note a.sheet '[Size]\r\nWidth=260\r\nMinHeight=16\r\nHeight=140\r\n[Position]\r\nLeft=60\r\nTop=60\r\n[Sheet]\r\nTitle=Zwinięta\r\nText0=ukryty tekst\r\n'
note b.sheet '[Size]\r\nWidth=280\r\nMinHeight=150\r\nHeight=150\r\n[Position]\r\nLeft=360\r\nTop=60\r\n[Sheet]\r\nTitle=Pilne\r\nHiPrior=1\r\nText0=Zadzwonić do banku\r\nText1=  - przelew\r\n'
note c.sheet '[Size]\r\nWidth=240\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=5000\r\nTop=-3000\r\n[Sheet]\r\nTitle=Poza ekranem\r\nText0=wróciła na ekran\r\n'
Xvfb $DISP -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
app=$!
sleep 2
DISPLAY=$DISP import -window root "$OUT"
echo "$OUT"
