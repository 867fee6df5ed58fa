#!/usr/bin/env bash
# Start-up with many notes under Xvfb: time from process start until every note window is
# mapped, and the peak memory (VmHWM) once they are. Run by hand:
#   bench/notes_startup.sh build/notella [counts...]
set -u
EXE=$(readlink -f "${1:?usage: $0 <notella> [counts...]}")
shift
COUNTS=${*:-0 50 200 1000}
DISP=:77
Xvfb $DISP -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null' EXIT
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done

for n in $COUNTS; do
    dir=$(mktemp -d)
    mkdir -p "$dir/sheets" "$dir/run" "$dir/config"
    cp "$EXE" "$dir/notella"
    for i in $(seq 1 "$n"); do
        {
            printf '[Size]\r\nWidth=200\r\nMinHeight=120\r\nHeight=120\r\n'
            printf '[Position]\r\nLeft=%d\r\nTop=%d\r\n' $(((i * 37) % 1700)) $(((i * 53) % 900))
            printf '[Sheet]\r\nTitle=Notatka %d\r\n' "$i"
            for l in $(seq 0 19); do printf 'Text%d=Linia %d notatki numer %d\r\n' "$l" "$l" "$i"; done
        } >"$dir/sheets/n$i.sheet"
    done
    start=$(date +%s%N)
    env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$dir/run" \
        XDG_CONFIG_HOME="$dir/config" "$dir/notella" >/dev/null 2>&1 &
    pid=$!
    while :; do
        mapped=$(DISPLAY=$DISP xdotool search --all --onlyvisible --pid $pid --name 'Notatka' 2>/dev/null | wc -l)
        [ "$mapped" -ge "$n" ] && [ -e "$dir/run/Notella.instance" ] && break
        sleep 0.01
    done
    end=$(date +%s%N)
    rss=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    sleep 2
    settled=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    parts=$(grep -E "^Rss" /proc/$pid/status | tr -s " \t" " " | paste -sd" " -)
    printf '%5d notes: %6d ms to map, peak RSS %6d kB, %6d kB after 2 s (%s)\n' "$n" $(((end - start) / 1000000)) "$rss" "$settled" "$parts"
    kill -TERM $pid
    wait $pid 2>/dev/null
    rm -rf "$dir"
done
