#!/usr/bin/env bash
# Start-up and memory with many notes under Xvfb, next to a bare Qt program that shows as many
# empty frameless windows of the same size (built here, the floor no note can go below).
# For each count: time until every window is mapped, peak RSS (VmHWM), anonymous and shared
# RSS once mapped; then the cost of one note, (RSS at 200 - RSS at 0) / 200. Run by hand:
#   bench/notes_startup.sh build/notella [counts...]      (default: 0 20 200 1000)
# NOTELLA_BASELINE=<older notella> adds that build's rows, for a before-and-after table.
set -u
EXE=$(readlink -f "${1:?usage: $0 <notella> [counts...]}")
shift
COUNTS=${*:-0 20 200 1000}
DISP=:77
WORK=$(mktemp -d)
Xvfb $DISP -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
until xdpyinfo -display $DISP >/dev/null 2>&1; do sleep 0.05; done

cat >"$WORK/bare.cpp" <<'CPP'
#include <QApplication>
#include <QWidget>
#include <vector>
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int n = argc > 1 ? atoi(argv[1]) : 0;
    std::vector<QWidget*> windows;
    for (int i = 0; i < n; ++i) {
        auto* w = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        w->setWindowTitle(QStringLiteral("Notatka %1").arg(i));
        w->setGeometry((i * 37) % 1700, (i * 53) % 900, 200, 160);
        w->show();
        windows.push_back(w);
    }
    return app.exec();
}
CPP
# shellcheck disable=SC2046
g++ -O2 -fPIC -o "$WORK/bare" "$WORK/bare.cpp" $(pkg-config --cflags --libs Qt6Widgets) ||
    { echo "cannot build the bare Qt program"; exit 1; }

# measure <label> <count> <command...>: waits for <count> mapped windows named "Notatka".
measure() {
    local label=$1 n=$2 start end pid mapped
    shift 2
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    while :; do
        mapped=$(DISPLAY=$DISP xdotool search --all --onlyvisible --pid $pid --name 'Notatka' 2>/dev/null | wc -l)
        [ "$mapped" -ge "$n" ] && { [ "$label" = bare ] || [ -e "$RUN/Notella.instance" ]; } && break
        sleep 0.01
    done
    end=$(date +%s%N)
    sleep 2 # settled: the first paint and any start-up timers are past
    read -r hwm anon shmem < <(awk '/VmHWM/ {h=$2} /RssAnon/ {a=$2} /RssShmem/ {s=$2} END {print h, a, s}' /proc/$pid/status)
    printf '%-8s %5d %8d %10d %10d %10d\n' "$label" "$n" $(((end - start) / 1000000)) "$hwm" "$anon" "$shmem"
    eval "HWM_${label}_$n=$hwm"
    kill -TERM $pid
    wait $pid 2>/dev/null
}

printf '%-8s %5s %8s %10s %10s %10s\n' program notes map_ms peak_kB anon_kB shmem_kB
for n in $COUNTS; do
    dir=$WORK/n$n
    RUN=$dir/run
    mkdir -p "$dir/sheets" "$RUN" "$dir/config"
    cp "$EXE" "$dir/notella"
    printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' "${NOTELLA_BUILD_NUMBER:-1}" >"$dir/notella.ini"
    for i in $(seq 1 "$n"); do
        {
            printf '[Size]\r\nWidth=200\r\nMinHeight=160\r\nHeight=160\r\n'
            printf '[Position]\r\nLeft=%d\r\nTop=%d\r\n' $(((i * 37) % 1700)) $(((i * 53) % 900))
            printf '[Sheet]\r\nTitle=Notatka %d\r\n' "$i"
            for l in $(seq 0 9); do printf 'Text%d=Linia %d notatki numer %d\r\n' "$l" "$l" "$i"; done
        } >"$dir/sheets/n$i.sheet"
    done
    measure notella "$n" env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE \
        DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$RUN" XDG_CONFIG_HOME="$dir/config" "$dir/notella"
    measure bare "$n" env DISPLAY=$DISP "$WORK/bare" "$n"
    if [ -n "${NOTELLA_BASELINE:-}" ]; then
        rm -rf "${RUN:?}"/* && cp "$NOTELLA_BASELINE" "$dir/before"
        measure before "$n" env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE \
            DISPLAY=$DISP HOME="$dir" XDG_RUNTIME_DIR="$RUN" XDG_CONFIG_HOME="$dir/config" "$dir/before"
    fi
done
for p in notella bare before; do
    a=$(eval echo "\${HWM_${p}_0:-}")
    b=$(eval echo "\${HWM_${p}_200:-}")
    [ -n "$a" ] && [ -n "$b" ] && printf '%-8s per note (200 - 0) / 200: %d kB\n' "$p" $(((b - a) / 200))
    # Without what the first note pays once for all (fonts, text shaping, painting code): what
    # one more note costs.
    a=$(eval echo "\${HWM_${p}_20:-}")
    [ -n "$a" ] && [ -n "$b" ] && printf '%-8s one more note (200 - 20) / 180: %d kB\n' "$p" $(((b - a) / 180))
done
