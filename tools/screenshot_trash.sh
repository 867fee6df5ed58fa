#!/usr/bin/env bash
# The trash window on a private Xvfb with a tray, one PNG each: the notes, the note "Zakupy"
# thrown away (Ctrl+F4) and listed in the trash window among older ones, the desktop after it
# was restored, and a note whose place lies on no screen restored onto it. Checks that the
# restored file is byte for byte the one thrown away:
#   tools/screenshot_trash.sh build/notella [out dir, /tmp/shots]
set -eu
EXE=$(readlink -f "${1:?usage: $0 <notella> [out dir]}")
OUT=${2:-/tmp/shots}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")
DISP=${DISP:-:53}
dir=$(mktemp -d)
app=
tray=
xvfb=
trap 'kill $app $tray $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
x() { DISPLAY=$DISP timeout 10 "$@"; }
note() { printf "$2" | iconv -f utf-8 -t cp1250 >"$1"; }
shot() { x import -window root "$OUT/$1.png" && echo "$OUT/$1.png"; }
sum() { md5sum <"$1" | cut -d' ' -f1; }
# find_window <title>: the id of the program's shown window of that title.
find_window() {
    local w
    for _ in $(seq 50); do
        w=$(x xdotool search --all --onlyvisible --pid "$app" --name "^$1\$" 2>/dev/null |
            head -n1) || true
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}
# The docked icon: the program's small window in the tray.
find_icon() {
    local w
    for w in $(x xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
        eval "$(x xdotool getwindowgeometry --shell "$w")"
        if [ "$WIDTH" -le 40 ] && [ "$HEIGHT" -le 40 ]; then
            ICON_X=$((X + WIDTH / 2))
            ICON_Y=$((Y + HEIGHT / 2))
            return 0
        fi
    done
    return 1
}
# The tray menu's ninth item, "Wyrzucone karteczki"; TX, TY: the window's place.
open_trash() {
    x xdotool mousemove "$ICON_X" "$ICON_Y" click 3
    sleep 0.5
    x xdotool key Down Down Down Down Down Down Down Down Down Return
    trash=$(find_window "Wyrzucone karteczki")
    eval "$(x xdotool getwindowgeometry --shell "$trash")"
    TX=$X
    TY=$Y
    x xdotool windowfocus --sync "$trash" # no window manager gives the focus
    sleep 0.3
}
# Restores the only row: a click on it, "Odzyskaj karteczkę", "Tak", then Esc.
restore_only_row() {
    open_trash
    x xdotool mousemove $((TX + 100)) $((TY + 53)) click 1
    x xdotool mousemove $((TX + 70)) $((TY + 531)) click 1
    local box
    box=$(find_window Notella)
    x xdotool windowfocus --sync "$box" key Return
    sleep 0.3
    x xdotool windowfocus --sync "$trash" key Escape
    sleep 0.5
}

mkdir -p "$dir/sheets/deleted" "$dir/aside" "$dir/run" "$dir/config"
chmod 700 "$dir/run"
cp "$EXE" "$dir/notella"
# No about window at start: the build number is the project version's fourth component.
build=$(sed -n 's/^project(Notella VERSION [0-9]*\.[0-9]*\.[0-9]*\.\([0-9]*\).*/\1/p' \
    "$(dirname "$0")/../CMakeLists.txt")
printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' "${build:-N/A}" \
    >"$dir/notella.ini"
note "$dir/sheets/zakupy.sheet" '[Size]\r\nWidth=300\r\nMinHeight=150\r\nHeight=150\r\n[Position]\r\nLeft=60\r\nTop=60\r\n[Sheet]\r\nTitle=Zakupy\r\nText0=Chleb, masło, żółty ser\r\nText1=Zapłacić za gaz\r\n'
note "$dir/sheets/plan.sheet" '[Size]\r\nWidth=260\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=420\r\nTop=300\r\n[Sheet]\r\nTitle=Plan dnia\r\nText0=9:00 spotkanie\r\n'
note "$dir/sheets/deleted/stara.sheet" '[Sheet]\r\nTitle=Stara lista\r\nText0=Kupić żarówki\r\nText1=Oddać książkę\r\n'
printf '\xef\xbb\xbf[Sheet]\r\nTitle=Zapisana w UTF-8 €\r\nText0=Gęś, źdźbło i łódź\r\n' >"$dir/sheets/deleted/utf.sheet"
note "$dir/sheets/deleted/daleko.sheet" '[Size]\r\nWidth=260\r\nMinHeight=110\r\nHeight=110\r\n[Position]\r\nLeft=5000\r\nTop=-3000\r\n[Sheet]\r\nTitle=Z odłączonego monitora\r\nText0=Wróciła na ekran\r\n'
printf 'zepsuty\x00\x01\x02' >"$dir/sheets/deleted/zepsuty.sheet"

Xvfb $DISP -screen 0 1024x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done
DISPLAY=$DISP trayer --edge top --align right --widthtype pixel --width 200 \
    --heighttype pixel --height 32 >/dev/null 2>&1 &
tray=$!
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
app=$!
for _ in $(seq 100); do find_icon && break; sleep 0.1; done
find_icon || { echo "the icon did not dock" >&2; exit 1; }
zakupy=$(find_window Zakupy)
shot trash-1-notes
before=$(sum "$dir/sheets/zakupy.sheet")

eval "$(x xdotool getwindowgeometry --shell "$zakupy")"
x xdotool mousemove $((X + 150)) $((Y + 80)) click 1
sleep 0.3
x xdotool key ctrl+F4
for _ in $(seq 50); do [ -e "$dir/sheets/deleted/zakupy.sheet" ] && break; sleep 0.1; done
[ -e "$dir/sheets/deleted/zakupy.sheet" ] || { echo "Zakupy was not thrown away" >&2; exit 1; }
open_trash
x xdotool key Down Down
shot trash-2-window
x xdotool key Escape
sleep 0.3

# Only Zakupy in the trash, so that it is the one row.
mv "$dir/sheets/deleted/"{stara,utf,daleko,zepsuty}.sheet "$dir/aside/"
trashed=$(sum "$dir/sheets/deleted/zakupy.sheet")
restore_only_row
[ -e "$dir/sheets/zakupy.sheet" ] || { echo "Zakupy was not restored" >&2; exit 1; }
restored=$(sum "$dir/sheets/zakupy.sheet")
eval "$(x xdotool getwindowgeometry --shell "$(find_window Zakupy)")"
echo "Zakupy: before $before, trashed $trashed, restored $restored; back at $X,$Y"
[ "$before" = "$restored" ] || { echo "the restored file differs" >&2; exit 1; }
shot trash-3-restored

mv "$dir/aside/daleko.sheet" "$dir/sheets/deleted/"
restore_only_row
eval "$(x xdotool getwindowgeometry --shell "$(find_window "Z odłączonego monitora")")"
echo "Z odłączonego monitora: saved at 5000,-3000, shown at $X,$Y"
shot trash-4-onto-screen
