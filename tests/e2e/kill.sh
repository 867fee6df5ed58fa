#!/usr/bin/env bash
# The real program on a private Xvfb display, killed with SIGKILL at a random instant of each
# run while it saves: typing goes into three notes (each saved two seconds after its last key)
# and entries are added through Win+Shift+Ctrl+T and Ctrl+Enter (each saves the timetable). Two
# more notes are left alone. After every kill kill_check compares the files with those at the
# start of the run and those copied just before the kill, and the next run must show every note.
# Usage: kill.sh <notella> <kill_check> [runs]
#   KILL_SEED=<n> repeats a sequence; KILL_VERBOSE=1 tells of every run.
# Prints the runs, the saves that had landed and the losses; fails on any loss.
set -u
EXE=$(readlink -f "${1:?usage: $0 <notella> <kill_check> [runs]}")
CHECK=$(readlink -f "${2:?usage: $0 <notella> <kill_check> [runs]}")
RUNS=${3:-50}
START=${KILL_SEED:-$$}
RANDOM=$START

for tool in Xvfb xdpyinfo xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing tool $tool" >&2; exit 2; }
done

ROOT=$(mktemp -d /tmp/notella-kill.XXXXXX)
# Bash tells of every program it reaps after a kill: those lines go to a log.
exec 3>&2 2>"$ROOT/shell.err"
XVFB_PID=
P=
cleanup() {
    [ -n "$P" ] && kill -KILL "$P" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$ROOT"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }
poll() { # poll <seconds> <command...>
    local end=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.05
    done
}
alive() {
    kill -0 "$1" 2>/dev/null || return 1
    [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]
}
x() { DISPLAY=$DISP timeout 10 "$@"; }

: >"$ROOT/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$ROOT/display" \
    >"$ROOT/xvfb.log" 2>&1 &
XVFB_PID=$!
poll 10 test -s "$ROOT/display" || { echo "FAIL: could not start Xvfb"; exit 1; }
DISP=":$(head -n1 "$ROOT/display")"
poll 5 xdpyinfo -display "$DISP" >/dev/null 2>&1

S=$ROOT/session
D=$ROOT/prog
mkdir -p "$S/home" "$S/run" "$S/config" "$S/data" "$D"
chmod 700 "$S/run"
cp "$EXE" "$D/notella"
# A known build, so no about window holds the start back.
printf '[Settings]\r\nHotKeyNewShedulerNote=1\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
    "${NOTELLA_BUILD_NUMBER:-1}" >"$D/notella.ini"

TYPED=(a b c)
TITLES=([0]=Alfa Beta Gamma Delta Epsilon)
FILES=(a.sheet b.sheet c.sheet d.sheet e.sheet)
fresh_files() {
    rm -rf "$D/sheets" "$D/timetable"
    mkdir -p "$D/sheets" "$D/timetable"
    local i
    for i in 0 1 2 3 4; do
        printf '[Size]\r\nWidth=260\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=%d\r\nTop=%d\r\n[Sheet]\r\nTitle=%s\r\nHiPrior=0\r\nBlocked=0\r\nText0=%s\r\n[Activation]\r\nEnabled=0\r\nDateTime=2020-01-01 00:00:00\r\n' \
            $((20 + 250 * i)) $((40 + 60 * i)) "${TITLES[$i]}" "tekst ${TITLES[$i]}" \
            >"$D/sheets/${FILES[$i]}"
    done
}

note_win() { # note_win <title>: its window id in WIN
    WIN=$(x xdotool search --all --onlyvisible --pid "$P" --name "^$1\$" 2>/dev/null | head -n1)
    [ -n "$WIN" ]
}
all_shown() {
    local i
    for i in 0 1 2 3 4; do
        note_win "${TITLES[$i]}" || return 1
        WINS[$i]=$WIN
    done
}
editor() {
    EDITOR=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Wpis terminarza$' \
        2>/dev/null | head -n1)
    [ -n "$EDITOR" ]
}
no_editor() { ! editor; }

launch() {
    rm -f "$S/run/Notella.instance" # left by the kill: the question it brings is tested elsewhere
    env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE \
        HOME="$S/home" XDG_RUNTIME_DIR="$S/run" XDG_CONFIG_HOME="$S/config" \
        XDG_DATA_HOME="$S/data" DISPLAY="$DISP" "$D/notella" >>"$ROOT/out" 2>>"$ROOT/err" \
        </dev/null &
    P=$!
}

snapshot() { # snapshot <folder>: the files as they are now
    rm -rf "$1"
    mkdir -p "$1"
    cp -r "$D/sheets" "$D/timetable" "$1/" 2>/dev/null
}

LANDED=0
LOSSES=0
FAILS=0
fresh_files
start=$(now_ms)
for run in $(seq 1 "$RUNS"); do
    # Long notes and timetables slow every save down: a thousand runs start afresh now and then.
    [ $((run % 100)) = 0 ] && fresh_files
    snapshot "$ROOT/start"
    # What this run may type: a few steps, each a word into a note or a new entry.
    steps=()
    declare -A chunk=()
    : >"$ROOT/plan"
    for k in $(seq 1 $((2 + RANDOM % 5))); do
        if [ $((RANDOM % 3)) = 0 ]; then
            steps+=("entry w${run}x$k")
            printf 'entry\tw%dx%d\n' "$run" "$k" >>"$ROOT/plan"
        else
            i=$((RANDOM % 3))
            w=" s${run}n$k$((RANDOM % 100))"
            steps+=("note $i $w")
            chunk[$i]+=$w
        fi
    done
    for i in 0 1 2; do printf 'note\t%s\t%s\n' "${FILES[$i]}" "${chunk[$i]-}" >>"$ROOT/plan"; done
    for i in 3 4; do printf 'still\t%s\n' "${FILES[$i]}" >>"$ROOT/plan"; done

    launch
    WINS=()
    if ! poll 10 all_shown; then
        echo "LOSS: run $run: the start did not show every note"
        LOSSES=$((LOSSES + 1))
    fi
    # The kill comes at any instant of the typing and of the saves that follow it.
    delay=$((RANDOM % 4000))
    (sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
        snapshot "$ROOT/pre"
        kill -KILL "$P" 2>/dev/null) &
    killer=$!
    for step in "${steps[@]}"; do
        alive "$P" || break
        read -r what i w <<<"$step"
        if [ "$what" = note ]; then
            [ -n "${WINS[$i]-}" ] || break
            x xdotool windowfocus --sync "${WINS[$i]}" key ctrl+End type --delay 8 " $w" \
                >/dev/null 2>&1 || break
        else
            x xdotool key super+shift+ctrl+t >/dev/null 2>&1
            poll 3 editor || break
            # Focus in the note field first: typing into anything else would spoil the plan.
            x xdotool windowfocus --sync "$EDITOR" key alt+n >/dev/null 2>&1 || break
            x xdotool type --delay 8 "$i" >/dev/null 2>&1 || break
            x xdotool key ctrl+Return >/dev/null 2>&1 || break
            poll 3 no_editor || break
        fi
    done
    wait "$killer"
    wait "$P" 2>/dev/null
    prc=$?
    if [ "$prc" != 137 ]; then
        echo "FAIL: run $run: the program ended by itself with code $prc"
        FAILS=$((FAILS + 1))
    fi
    out=$("$CHECK" "$ROOT/plan" "$ROOT/start" "$ROOT/pre" "$D")
    rc=$?
    n=$(sed -n 's/^landed //p' <<<"$out")
    [ -z "${KILL_VERBOSE:-}" ] || echo "run $run, kill after $delay ms: ${steps[*]}: $out"
    LANDED=$((LANDED + ${n:-0}))
    if [ "$rc" != 0 ]; then
        echo "run $run (kill after $delay ms):"
        grep -v '^landed' <<<"$out" | sed 's/^/    /'
        LOSSES=$((LOSSES + $(grep -c '^LOSS' <<<"$out")))
        [ "$rc" = 1 ] || FAILS=$((FAILS + 1))
    fi
done
elapsed=$(($(now_ms) - start))

# A last start shows everything, and ending it normally changes no note.
snapshot "$ROOT/start"
: >"$ROOT/plan"
for f in "${FILES[@]}"; do printf 'still\t%s\n' "$f" >>"$ROOT/plan"; done
launch
if ! poll 10 all_shown; then
    echo "LOSS: the last start did not show every note"
    LOSSES=$((LOSSES + 1))
fi
kill -TERM "$P"
wait "$P" 2>/dev/null
if ! "$CHECK" "$ROOT/plan" "$ROOT/start" "$ROOT/start" "$D" >"$ROOT/last"; then
    sed 's/^/    /' "$ROOT/last"
    LOSSES=$((LOSSES + $(grep -c '^LOSS' "$ROOT/last")))
fi
P=

echo "start $START: $RUNS runs in $((elapsed / 1000)) s, $LANDED saves landed, $LOSSES losses"
[ "$LOSSES" = 0 ] && [ "$FAILS" = 0 ]
