#!/usr/bin/env bash
# End-to-end checks of the real notella binary on a private Xvfb display (monitors that come
# and go: a private Xorg with the dummy driver).
# Usage: e2e.sh <path to notella> [scenario...]   (no scenario: all of them)
set -u

EXE=${1:-}
if [ -z "$EXE" ] || [ ! -x "$EXE" ]; then
    echo "usage: $0 <path to notella> [scenario...]" >&2
    exit 2
fi
shift
EXE=$(readlink -f "$EXE")
HERE=$(dirname "$(readlink -f "$0")")
SHOT=/tmp/notella-question.png

for tool in Xvfb xdpyinfo xwininfo xdotool import; do
    command -v "$tool" >/dev/null || { echo "FAIL: missing tool $tool" >&2; exit 2; }
done

ROOT=$(mktemp -d /tmp/notella-e2e.XXXXXX)
XVFB_PID=
XORG_PID=
XVFB_DISP=
DISP=
PIDS=()        # every notella started by the current scenario
SHIFT_FLAG=    # exists while the Shift holder keeps the key down
SHIFT_PID=
PASSED=0
FAILED=0
REASONS=()
LOGS=()

cleanup() {
    release_shift
    kill_all
    stop_xorg
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$ROOT"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- helpers ---------------------------------------------------------------

alive() {
    kill -0 "$1" 2>/dev/null || return 1
    # A child not yet reaped still answers kill -0.
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ "$state" != Z ]
}

now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

# poll <seconds> <command...>: run the command every 0.1 s until it succeeds.
poll() {
    local end=$(( $(now_ms) + $1 * 1000 ))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# holds <seconds> <command...>: the command keeps succeeding for the whole time.
holds() {
    local end=$(( $(now_ms) + $1 * 1000 ))
    shift
    while "$@"; do
        [ "$(now_ms)" -lt "$end" ] || return 0
        sleep 0.1
    done
    return 1
}

not() { ! "$@"; }

# while_alive <pid> <seconds> <command...>: poll, giving up early once the process is gone.
while_alive() {
    local pid=$1 secs=$2
    shift 2
    poll "$secs" either "$pid" "$@"
    "$@"
}
# fail_fate <pid> <message>: the message, with what became of the process.
fail_fate() {
    if alive "$1"; then
        fail "$2 (pid $1 still running)"
    else
        wait "$1" 2>/dev/null
        fail "$2 (pid $1 ended with exit code $?)"
    fi
}

either() {
    local pid=$1
    shift
    "$@" || ! alive "$pid"
}

start_xvfb() {
    # The server picks a free display itself and names it once it listens: two runs side by
    # side can never share one.
    # -noreset: a server resetting after its last client left refuses connections for a
    # moment, failing the next start.
    : >"$ROOT/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$ROOT/display" >"$ROOT/xvfb.log" 2>&1 &
    XVFB_PID=$!
    if poll 10 test -s "$ROOT/display"; then
        DISP=":$(head -n1 "$ROOT/display")"
        poll 5 xdpyinfo_ok "$DISP" && return 0
    fi
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    return 1
}

xdpyinfo_ok() { alive "$XVFB_PID" && xdpyinfo -display "$1" >/dev/null 2>&1; }

x() { DISPLAY=$DISP timeout 10 "$@"; }

# A fresh HOME and XDG set; two programs sharing one see each other's marker.
new_session() {
    local s
    s=$(mktemp -d "$ROOT/session.XXXXXX")
    mkdir -p "$s/home" "$s/run" "$s/config" "$s/data"
    chmod 700 "$s/run"
    echo "$s"
}

# A directory holding its own copy of the program, so its notella.ini is its own.
new_progdir() {
    local d
    d=$(mktemp -d "$ROOT/prog.XXXXXX")
    cp "$EXE" "$d/notella"
    # Its modules (sound, printing, iCalendar) are looked for beside it.
    cp "$(dirname "$EXE")"/notella-*.so "$d/"
    echo "$d"
}

marker() { echo "$1/run/Notella.instance"; }

# session_env <session>: SENV runs a command in an X11 desktop session of its own, as the
# same process (its pid is the program's).
session_env() {
    SENV=(env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY
        -u XDG_SESSION_TYPE HOME="$1/home" XDG_RUNTIME_DIR="$1/run" XDG_CONFIG_HOME="$1/config"
        XDG_DATA_HOME="$1/data" DISPLAY="$DISP")
}
in_session() {
    session_env "$1"
    shift
    "${SENV[@]}" "$@"
}

# launch <session> <progdir> [env assignments...]: sets LAST_PID. The program gets ARGS.
ARGS=()
launch() {
    local s=$1 d=$2
    shift 2
    session_env "$s"
    "${SENV[@]}" "$@" "$d/notella" "${ARGS[@]}" >"$d.out" 2>"$d.err" </dev/null &
    LAST_PID=$!
    PIDS+=("$LAST_PID")
    LOGS+=("$d.err")
}

# wait_exit <pid> <seconds>: true when it ended in time; its exit code in RC.
wait_exit() {
    RC=
    poll "$2" not alive "$1" || return 1
    wait "$1" 2>/dev/null
    RC=$?
    return 0
}

kill_all() {
    local p
    for p in "${PIDS[@]}"; do
        if alive "$p"; then
            kill -KILL "$p" 2>/dev/null
            wait "$p" 2>/dev/null
        fi
    done
    PIDS=()
}

# Visible top-level windows other than the root.
visible_windows() {
    if [ -z "${ROOT_WIN:-}" ]; then
        ROOT_WIN=$(x xwininfo -root 2>/dev/null | awk '/Window id:/ { print $4; exit }')
        ROOT_WIN=$(printf '%d' "${ROOT_WIN:-0}")
    fi
    x xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | grep -vx "$ROOT_WIN"
}
no_visible_window() { [ -z "$(visible_windows)" ]; }

# The question box of the given process; its window id in BOX.
find_box() { # find_box <pid> [title pattern]
    BOX=$(x xdotool search --all --onlyvisible --pid "$1" --name "${2:-^Notella\$}" 2>/dev/null | head -n1)
    [ -n "$BOX" ]
}
no_box() { ! find_box "$1"; }
box_gone() { ! x xdotool search --onlyvisible --pid "$1" 2>/dev/null | grep -qx "$2"; }

# answer <pid> <key> [title]: focus the question box of <pid> and press the key until
# the box goes away (a key typed while the box is still settling can be lost).
answer() {
    local try
    for try in 1 2 3; do
        poll 3 find_box "$1" "${3:-^Notella\$}" || return 1
        # No window manager: focus the box directly, then type into it.
        x xdotool windowfocus --sync "$BOX" && x xdotool key "$2"
        poll 2 box_gone "$1" "$BOX" && return 0
        echo "note: question box of $1 still shown after key $2 (try $try)"
    done
    return 1
}

# answer_each <pid> <key> <count>: <count> boxes, one after another, each closed by <key>.
answer_each() {
    local i
    for i in $(seq 1 "$3"); do
        poll 5 find_box "$1" || { fail "box $i of $3 did not appear"; return 1; }
        x xdotool windowfocus --sync "$BOX" && x xdotool key "$2"
        poll 2 box_gone "$1" "$BOX" ||
            { fail "box $i of $3 not closed by key $2"; return 1; }
    done
    expect "another box after the $3 expected" holds 1 no_box "$1"
}

hold_shift() {
    SHIFT_FLAG=$ROOT/shift-held
    rm -f "$SHIFT_FLAG"
    # The X server lets the key go when xdotool disconnects, so xdotool stays
    # connected until the flag file is removed.
    DISPLAY=$DISP xdotool keydown shift exec --sync bash -c \
        'touch "$1"; while [ -e "$1" ]; do sleep 0.1; done' _ "$SHIFT_FLAG" \
        >/dev/null 2>&1 &
    SHIFT_PID=$!
    poll 5 test -e "$SHIFT_FLAG"
}

release_shift() {
    [ -n "$SHIFT_PID" ] || return 0
    rm -f "$SHIFT_FLAG"
    poll 5 not alive "$SHIFT_PID" || kill "$SHIFT_PID" 2>/dev/null
    wait "$SHIFT_PID" 2>/dev/null
    SHIFT_PID=
}

fail() { REASONS+=("$1"); }

# expect <message> <command...>
expect() {
    local msg=$1
    shift
    "$@" || fail "$msg"
}

# Start one instance in a new session and wait for its marker; sets S, D, P.
start_one() {
    S=$(new_session)
    D=$(new_progdir)
    launch "$S" "$D" "$@"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")"
}

# stop <pid> <signal>: the process ends in time with code 0.
stop() {
    alive "$1" || { fail "pid $1 ended before SIG$2"; return 1; }
    kill "-$2" "$1" 2>/dev/null
    if ! wait_exit "$1" 10; then
        fail "pid $1 still running 10 s after SIG$2"
        return 1
    fi
    [ "$RC" = 0 ] || { fail "pid $1 exited with $RC after SIG$2 (expected 0)"; return 1; }
}

# --- settings file ---------------------------------------------------------

# load_ini <file>: INI[section/key]=value, SECTIONS and KEYS[section] in file order.
load_ini() {
    declare -gA INI=() KEYS=()
    SECTIONS=
    local line cur= k
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line%$'\r'}
        if [[ $line =~ ^\[(.*)\]$ ]]; then
            cur=${BASH_REMATCH[1]}
            SECTIONS+="${SECTIONS:+ }$cur"
            continue
        fi
        [ -n "$line" ] || continue
        k=${line%%=*}
        INI["$cur/$k"]=${line#*=}
        KEYS[$cur]+="${KEYS[$cur]:+ }$k"
    done <"$1"
}

# Every line ends in CR LF, the last one too.
crlf_only() {
    [ -s "$1" ] || return 1
    LC_ALL=C grep -qv $'\r$' "$1" && return 1
    [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ]
}

# check_value <section> <key> <expected>, on the last loaded file.
check_value() {
    local got=${INI["$1/$2"]-<missing>}
    [ "$got" = "$3" ] || fail "[$1] $2=$got, expected $3"
}

sorted_words() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort | paste -sd' ' -; }

check_keys() {
    local got want
    got=$(sorted_words "${KEYS[$1]-}")
    want=$(sorted_words "$2")
    [ "$got" = "$want" ] || fail "[$1] keys are '$got', expected '$want'"
}

DEFAULT_SECTIONS="ShedulerSettings Settings Sound"
SETTINGS_KEYS="DefaultDblClickAction AlphaValue AlphaValueDeactivated Autoresize
EditTitleAtCreate ApplicationPriority ShowIconWhenAltTabPressed ShowAboutAtStart
InternationalBankTransfer HotKeyToFront HotKeyCalendar HotKeyNewSheet HotKeySheduler
HotKeyNewShedulerNote LastLaunchedVersion"
SOUND_KEYS="ActivateSheetPlaySound ActivateTerminarzPlaySound ActivateSheet ActivateTerminarz"

# The saved file has the three sections, their keys, and the fresh-start values.
check_default_ini() {
    local f=$1 kv
    [ -f "$f" ] || { fail "no settings file $f"; return; }
    crlf_only "$f" || fail "settings file has a line not ending in CR LF"
    load_ini "$f"
    [ "$SECTIONS" = "$DEFAULT_SECTIONS" ] ||
        fail "sections are '$SECTIONS', expected '$DEFAULT_SECTIONS'"
    check_keys ShedulerSettings AutomarkDelete
    check_keys Settings "$SETTINGS_KEYS"
    check_keys Sound "$SOUND_KEYS"
    [ "${KEYS[Settings]##* }" = LastLaunchedVersion ] ||
        fail "last key of [Settings] is '${KEYS[Settings]##* }', not LastLaunchedVersion"
    check_value ShedulerSettings AutomarkDelete 1
    for kv in DefaultDblClickAction=1 AlphaValue=240 AlphaValueDeactivated=140 Autoresize=1 \
        EditTitleAtCreate=0 ApplicationPriority=1 ShowIconWhenAltTabPressed=0 ShowAboutAtStart=1 \
        InternationalBankTransfer=0 HotKeyToFront=1 HotKeyCalendar=1 HotKeyNewSheet=1 \
        HotKeySheduler=0 HotKeyNewShedulerNote=0; do
        check_value Settings "${kv%%=*}" "${kv#*=}"
    done
    for kv in ActivateSheetPlaySound=0 ActivateTerminarzPlaySound=0 ActivateSheet=eGem.wav \
        ActivateTerminarz=iWhisper.wav; do
        check_value Sound "${kv%%=*}" "${kv#*=}"
    done
    local v=${INI[Settings/LastLaunchedVersion]-}
    [[ $v =~ ^[0-9]+$ ]] || fail "LastLaunchedVersion='$v' is not a decimal number"
    # The build number the program was built with, when the caller knows it.
    if [ -n "${NOTELLA_BUILD_NUMBER:-}" ] && [ "$v" != "$NOTELLA_BUILD_NUMBER" ]; then
        fail "LastLaunchedVersion=$v, expected build number $NOTELLA_BUILD_NUMBER"
    fi
}

# --- scenarios -------------------------------------------------------------

# Start with a settings file of the given content (CR LF added), wait for the marker.
start_with_ini() {
    S=$(new_session)
    D=$(new_progdir)
    local line
    for line in "$@"; do printf '%s\r\n' "$line"; done >"$D/notella.ini"
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")"
}

# A first instance and a second start asking the question: FIRST, SECOND, D1, D2.
start_two() {
    start_one || { fail_fate "$P" "first instance: no marker"; return 1; }
    FIRST=$P
    D1=$D
    D2=$(new_progdir)
    launch "$S" "$D2"
    SECOND=$LAST_PID
    while_alive "$SECOND" 10 find_box "$SECOND" && return 0
    fail_fate "$SECOND" "no question box from the second start"
    return 1
}

# A start over a marker nobody owns; waits for the question unless told not to.
start_stale() {
    S=$(new_session)
    D=$(new_progdir)
    echo stale >"$(marker "$S")"
    [ "${1:-}" = shift ] && { hold_shift || { fail "could not hold Shift down"; return 1; }; }
    launch "$S" "$D"
    P=$LAST_PID
    [ "${1:-}" = shift ] && return 0
    while_alive "$P" 10 find_box "$P" && return 0
    fail_fate "$P" "no question box with a stale marker"
    return 1
}

# expect_refused <pid> <progdir> <what ended it>: a refused start ends at once with
# code 0 and saves nothing.
expect_refused() {
    if wait_exit "$1" 5; then
        expect "exited with $RC after $3, expected 0" test "$RC" = 0
    else
        fail "still running 5 s after $3"
    fi
    expect "refused start wrote $2/notella.ini" test ! -e "$2/notella.ini"
}

# Plain start and end by a signal: no window, marker while running, settings saved.
ends_on_signal() {
    local sig=$1
    start_one || { fail_fate "$P" "marker $(marker "$S") not created"; return; }
    holds 1 no_visible_window ||
        fail "a window appeared at start: $(visible_windows | paste -sd' ' -)"
    stop "$P" "$sig" || return
    expect "marker left behind after SIG$sig" test ! -e "$(marker "$S")"
    check_default_ini "$D/notella.ini"
}
scenario_sigterm() { ends_on_signal TERM; }
scenario_sigint() { ends_on_signal INT; }
scenario_sighup() { ends_on_signal HUP; }

scenario_unknown_section_kept() {
    start_with_ini '[SchedulerWindow]' 'Width=600' 'Left=35' '' ||
        { fail_fate "$P" "marker not created"; return; }
    stop "$P" TERM || return
    local s
    crlf_only "$D/notella.ini" || fail "settings file has a line not ending in CR LF"
    load_ini "$D/notella.ini"
    [ "${KEYS[SchedulerWindow]-}" = "Width Left" ] ||
        fail "[SchedulerWindow] keys became '${KEYS[SchedulerWindow]-}'"
    check_value SchedulerWindow Width 600
    check_value SchedulerWindow Left 35
    for s in ShedulerSettings Settings Sound; do
        [[ " $SECTIONS " == *" $s "* ]] || fail "section [$s] missing"
    done
    check_value Settings AlphaValue 240
}

scenario_odd_values_kept() {
    start_with_ini '[Settings]' 'ApplicationPriority=9' 'AlphaValue=abc' \
        'AlphaValueDeactivated=100' || { fail_fate "$P" "marker not created"; return; }
    stop "$P" TERM || return
    load_ini "$D/notella.ini"
    check_value Settings ApplicationPriority 9
    check_value Settings AlphaValue 240
    check_value Settings AlphaValueDeactivated 100
}

scenario_second_start_no() {
    start_two || return
    x import -window root "$SHOT" >/dev/null 2>&1 || echo "note: screenshot failed"
    answer "$SECOND" n || fail "question box not closed by key n (Nie)"
    expect_refused "$SECOND" "$D2" "No"
    expect "first instance stopped" alive "$FIRST"
    expect "marker gone after a refused second start" test -e "$(marker "$S")"
    stop "$FIRST" TERM || return
    expect "marker left behind" test ! -e "$(marker "$S")"
}

# A signal while the question waits counts as no answer: the run ends like after No.
scenario_second_start_signal() {
    start_two || return
    kill -TERM "$SECOND"
    expect_refused "$SECOND" "$D2" "SIGTERM"
    expect "first instance stopped" alive "$FIRST"
    expect "marker gone after the asking start ended" test -e "$(marker "$S")"
    stop "$FIRST" TERM || return
    expect "marker left behind" test ! -e "$(marker "$S")"
}

# second_start_yes <which ends first: first|second>
second_start_yes() {
    start_two || return
    answer "$SECOND" t || fail "question box not closed by key t (Tak)"
    # The first instance holds the three keys that are on by default: one warning each.
    answer_each "$SECOND" Return 3
    holds 1 alive "$SECOND" || fail_fate "$SECOND" "second instance ended after Yes"
    alive "$FIRST" || fail_fate "$FIRST" "first instance stopped"
    expect "marker gone while both run" test -e "$(marker "$S")"
    local a=$FIRST b=$SECOND
    [ "$1" = second ] && { a=$SECOND; b=$FIRST; }
    stop "$a" TERM || return
    expect "marker left after the first of two ended" test ! -e "$(marker "$S")"
    stop "$b" TERM || return
    expect "marker present after both ended" test ! -e "$(marker "$S")"
    expect "first instance saved no settings" test -f "$D1/notella.ini"
    expect "second instance saved no settings" test -f "$D2/notella.ini"
    load_ini "$D2/notella.ini"
    local k
    for k in HotKeyToFront HotKeyCalendar HotKeyNewSheet; do check_value Settings $k 0; done
    load_ini "$D1/notella.ini"
    for k in HotKeyToFront HotKeyCalendar HotKeyNewSheet; do check_value Settings $k 1; done
}
scenario_second_start_yes_end_first() { second_start_yes first; }
scenario_second_start_yes_end_second() { second_start_yes second; }

scenario_stale_marker_asks() {
    start_stale || return
    answer "$P" n || fail "question box not closed by key n (Nie)"
    expect_refused "$P" "$D" "No"
    expect "stale marker removed by a refused start" test -e "$(marker "$S")"
}

scenario_stale_marker_yes() {
    start_stale || return
    answer "$P" t || fail "question box not closed by key t (Tak)"
    expect "ended after Yes" holds 1 alive "$P"
    stop "$P" TERM || return
    expect "marker left behind" test ! -e "$(marker "$S")"
    check_default_ini "$D/notella.ini"
}

scenario_stale_marker_shift() {
    start_stale shift || return
    expect "question shown although Shift was held" holds 2 no_box "$P"
    release_shift
    expect "no marker while running" test -e "$(marker "$S")"
    stop "$P" TERM || return
    # Only the owner removes it at the end.
    expect "marker left behind" test ! -e "$(marker "$S")"
}

# A start that cannot reach a display: prompt non-zero exit, one line on stderr.
no_display_run() {
    S=$(new_session)
    D=$(new_progdir)
    env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DISPLAY \
        HOME="$S/home" XDG_RUNTIME_DIR="$S/run" XDG_CONFIG_HOME="$S/config" \
        XDG_DATA_HOME="$S/data" "$@" "$D/notella" >"$D.out" 2>"$D.err" </dev/null &
    P=$!
    PIDS+=("$P")
    LOGS+=("$D.err")
    wait_exit "$P" 10 || { fail "still running 10 s without a display"; return; }
    [ "$RC" != 0 ] || fail "exit code 0 without a display"
    [ "$RC" -lt 128 ] || fail "killed by a signal (exit code $RC)"
    local lines
    lines=$(wc -l <"$D.err")
    [ "$lines" = 1 ] || fail "stderr has $lines lines, expected 1"
    grep -q '[^[:space:]]' "$D.err" || fail "stderr line is empty"
    expect "marker left behind" test ! -e "$(marker "$S")"
    expect "settings written" test ! -e "$D/notella.ini"
}
scenario_no_display() { no_display_run; }
scenario_unreachable_display() {
    local n
    for n in $(seq 141 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    no_display_run DISPLAY=":$n"
}

scenario_settings_unwritable() {
    start_one || { fail_fate "$P" "marker not created"; return; }
    rm -rf "$D/notella.ini"
    mkdir "$D/notella.ini"
    kill -TERM "$P"
    if ! wait_exit "$P" 10; then
        fail "hung 10 s after SIGTERM with an unwritable settings file"
        return
    fi
    expect "exit code $RC, expected 0" test "$RC" = 0
    grep -Eiq 'ustawie|notella\.ini|settings' "$D.err" ||
        fail "no message about the settings on stderr"
    expect "marker left behind" test ! -e "$(marker "$S")"
}

# --- notes -------------------------------------------------------------------

note_file() { # note_file <path> <title> <left> <text>
    printf '[Size]\r\nWidth=300\r\nMinHeight=120\r\nHeight=120\r\n[Position]\r\nLeft=%s\r\nTop=50\r\n[Sheet]\r\nTitle=%s\r\nText0=%s\r\n' \
        "$3" "$2" "$4" >"$1"
}
find_note() { # find_note <pid> <title>: its window id in NOTE
    NOTE=$(x xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n1)
    [ -n "$NOTE" ]
}

# Typing just before SIGTERM is kept, and ending the run throws no note away.
scenario_notes_survive_sigterm() {
    S=$(new_session)
    D=$(new_progdir)
    mkdir -p "$D/sheets"
    note_file "$D/sheets/a.sheet" Pierwsza 40 "stary tekst"
    note_file "$D/sheets/b.sheet" Druga 400 "druga notatka"
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    poll 10 find_note "$P" Pierwsza || { fail "the note window did not appear"; return; }
    find_note "$P" Druga || fail "the second note did not appear"
    x xdotool windowfocus --sync "$NOTE" && x xdotool type --delay 20 "dopisane "
    sleep 0.3
    stop "$P" TERM || return
    grep -q 'dopisane' "$D/sheets/b.sheet" || fail "text typed before SIGTERM was lost"
    grep -q 'druga notatka' "$D/sheets/b.sheet" || fail "the note lost its old text"
    expect "the first note is gone" test -e "$D/sheets/a.sheet"
    if [ -d "$D/sheets/deleted" ] && [ -n "$(ls -A "$D/sheets/deleted")" ]; then
        fail "ending the run threw notes away: $(ls "$D/sheets/deleted" | paste -sd' ' -)"
    fi
}

# A full disk under the notes (libfailio preloaded, switched through a file): the user is
# told once, the file stays as it was, and the first save with room again writes it all.
scenario_note_full_disk() {
    [ -n "${FAILIO:-}" ] || { fail "FAILIO (the preloaded library) not given"; return; }
    S=$(new_session)
    D=$(new_progdir)
    mkdir -p "$D/sheets"
    note_file "$D/sheets/a.sheet" Pierwsza 40 "stary tekst"
    cp "$D/sheets/a.sheet" "$D.before"
    # A known build: no about window takes the keys.
    printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
        "${NOTELLA_BUILD_NUMBER:-1}" >"$D/notella.ini"
    local disk=$D.disk
    echo "write:ENOSPC:after_bytes=40" >"$disk"
    launch "$S" "$D" LD_PRELOAD="$FAILIO" NOTELLA_FAIL_FILE="$disk" NOTELLA_FAIL_DIR="$D/sheets"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    poll 10 find_note "$P" Pierwsza || { fail "the note window did not appear"; return; }
    x xdotool windowfocus --sync "$NOTE" && x xdotool type --delay 20 "dopisane "
    poll 6 find_box "$P" '^Ostrzeżenie$' || { fail "no warning on a full disk"; return; }
    expect "the note file changed on a full disk" cmp -s "$D.before" "$D/sheets/a.sheet"
    answer "$P" Return '^Ostrzeżenie$' || fail "the warning did not close"
    : >"$disk"
    x xdotool windowfocus --sync "$NOTE" && x xdotool type --delay 20 "znowu "
    poll 6 grep -q 'znowu' "$D/sheets/a.sheet" || fail "the save with room again did not come"
    grep -q 'dopisane' "$D/sheets/a.sheet" || fail "text typed on the full disk was lost"
    grep -q 'stary tekst' "$D/sheets/a.sheet" || fail "the note lost its old text"
    expect "a second box for the same note" no_box "$P" '^Ostrzeżenie$'
    stop "$P" TERM
}

# A point of NOTE's title bar below the title and left of its buttons, as "r,g,b".
title_bar_pixel() {
    note_geometry || return 1
    pixel $((X + WIDTH / 2)) $((Y + 13))
}
title_bar_red() { [ "$(title_bar_pixel)" = 255,0,0 ]; }

# A note armed by hand (F2, the dialog's OK on a time already past, the warning's OK) is saved
# armed; started again, it flashes red within the 10-second check, and the alarm leaves it
# armed.
scenario_note_alarm() {
    S=$(new_session)
    D=$(new_progdir)
    local f=$D/sheets/alarm.sheet dialog=
    mkdir -p "$D/sheets"
    known_build_ini "$D"
    note_file "$f" Budzik 40 "obudz mnie"
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    poll 10 find_note "$P" Budzik || { fail "the note window did not appear"; return; }
    note_geometry || { fail "no geometry of the note"; return; }
    # No window manager: a click on the text gives the note the keys.
    x xdotool mousemove $((X + 100)) $((Y + 60)) click 1
    sleep 0.3
    x xdotool key F2
    find_dialog() {
        dialog=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Wybór czasu aktywacji$' \
            2>/dev/null | head -n1)
        [ -n "$dialog" ]
    }
    poll 5 find_dialog || { fail "F2 opened no activation dialog"; return; }
    # The dialog comes with the time of the start: past by the time OK is pressed.
    sleep 1
    x xdotool windowfocus --sync "$dialog" && x xdotool key Return
    answer "$P" Return || { fail "no warning of a time past"; return; }
    poll 5 grep -q '^Enabled=1' "$f" || { fail "the armed note was not saved armed"; return; }
    stop "$P" TERM || return
    grep -q '^Enabled=1' "$f" || { fail "the first run disarmed the note"; return; }

    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 find_note "$P" Budzik || { fail_fate "$P" "no note at the second start"; return; }
    # It flashes: a second look may well find it back in its colour.
    poll 13 either "$P" title_bar_red && alive "$P" ||
        { fail_fate "$P" "no red title bar within 13 s of the second start"; return; }
    x import -window root /tmp/notella-note-alarm.png >/dev/null 2>&1
    stop "$P" TERM || return
    load_ini "$f"
    check_value Activation Enabled 1
}

# --- tray and system-wide keys ------------------------------------------------

# Pixel colour at x,y of the screen as "r,g,b".
pixel() {
    x import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p' | head -n1
}
visible_count() { x xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
count_is() { [ "$(visible_count "$1")" = "$2" ]; }
# The docked icon: the program's small window in the tray.
find_icon() {
    local w
    for w in $(x xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        eval "$(x xdotool getwindowgeometry --shell "$w")"
        if [ "$WIDTH" -le 40 ] && [ "$HEIGHT" -le 40 ]; then
            ICON_X=$((X + WIDTH / 2))
            ICON_Y=$((Y + HEIGHT / 2))
            return 0
        fi
    done
    return 1
}

scenario_tray_menu() {
    start_one || { fail_fate "$P" "marker not created"; return; }
    # The panel comes after the program, as it often does at login.
    DISPLAY=$DISP trayer --edge top --align right --widthtype pixel --width 200 \
        --heighttype pixel --height 32 >/dev/null 2>&1 &
    PIDS+=("$!")
    poll 10 find_icon "$P" || { fail "the icon did not dock in the tray"; return; }
    local before
    before=$(visible_count "$P")
    x xdotool mousemove "$ICON_X" "$ICON_Y" click 3
    poll 5 count_is "$P" $((before + 1)) || { fail "no menu on the right button"; return; }
    local menu
    menu=$(x xdotool search --onlyvisible --pid "$P" 2>/dev/null | while read -r w; do
        eval "$(x xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -gt 100 ] && echo "$X $Y $HEIGHT"
    done | head -n1)
    read -r MX MY MH <<<"$menu"
    [ -n "$MX" ] || { fail "menu window not found"; return; }
    x import -window root /tmp/notella-tray-menu.png >/dev/null 2>&1
    local top bottom
    top=$(pixel $((MX + 3)) $((MY + 3)))
    bottom=$(pixel $((MX + 20)) $((MY + MH - 3)))
    IFS=, read -r r g b <<<"$top"
    [ "${r:-0}" -gt 200 ] && [ "${g:-0}" -gt 200 ] && [ "${b:-255}" -lt 80 ] ||
        fail "top of the side bar is $top, not yellow"
    IFS=, read -r r g b <<<"$bottom"
    [ "${r:-255}" -lt 80 ] && [ "${g:-255}" -lt 80 ] || fail "bottom of the bar is $bottom, not dark"
    x xdotool key Escape
    poll 3 count_is "$P" "$before" || fail "the menu did not close on Escape"
    # Double click: a new note (the default action).
    x xdotool mousemove "$ICON_X" "$ICON_Y" click --repeat 2 --delay 80 1
    poll 5 count_is "$P" $((before + 1)) || fail "a double click did not open a new note"
    # "Zamknij" ends the run; the new note is kept (it is empty, so it has no file).
    x xdotool mousemove "$ICON_X" "$ICON_Y" click 3
    poll 5 count_is "$P" $((before + 2)) || { fail "no menu the second time"; return; }
    x xdotool key Down Down Down Down Return
    wait_exit "$P" 10 || { fail "still running after Zamknij"; return; }
    expect "exit code $RC after Zamknij" test "$RC" = 0
    expect "marker left behind after Zamknij" test ! -e "$(marker "$S")"
}

scenario_hot_keys() {
    start_one || { fail_fate "$P" "marker not created"; return; }
    local before other
    before=$(visible_count "$P")
    # Another application's window has the focus.
    DISPLAY=$DISP xev -name obcy -geometry 200x100+600+600 >/dev/null 2>&1 &
    PIDS+=("$!")
    poll 5 eval 'other=$(x xdotool search --onlyvisible --name "^obcy$" 2>/dev/null | head -n1); [ -n "$other" ]' ||
        { fail "the other application's window did not appear"; return; }
    x xdotool windowfocus --sync "$other"
    x xdotool key super+shift+ctrl+n
    poll 5 count_is "$P" $((before + 1)) || fail "Win+Shift+Ctrl+N opened no note"
    x xdotool type --delay 20 "z klawiatury"
    stop "$P" TERM || return
    grep -rq "z klawiatury" "$D/sheets" || fail "the new note did not get the typing"
}

# A command given while the program runs goes to it; the second process ends at once.
scenario_command_line() {
    start_one || { fail_fate "$P" "marker not created"; return; }
    while_alive "$P" 10 test -S "$S/run/Notella.socket" || { fail_fate "$P" "no command socket"; return; }
    local before t0 ms rc
    before=$(visible_count "$P")
    t0=$(now_ms)
    in_session "$S" "$D/notella" --new-note "Zakupy" >"$ROOT/cmd.out" 2>&1 </dev/null
    rc=$?
    ms=$(($(now_ms) - t0))
    echo "note: the second process ended with $rc after $ms ms"
    expect "the second process ended with $rc, expected 0" test "$rc" = 0
    expect "the second process took $ms ms (at most ${COMMAND_MS:-200})" test "$ms" -le "${COMMAND_MS:-200}"
    poll 5 count_is "$P" $((before + 1)) || fail "no new note on the desktop"
    poll 5 grep -rqs Zakupy "$D/sheets" || fail "the new note's text was not saved"
    echo "Lista" | in_session "$S" "$D/notella" --new-note - --to-front >/dev/null 2>&1 ||
        fail "--new-note - failed"
    poll 5 grep -rqs Lista "$D/sheets" || fail "the text from standard input did not arrive"
    in_session "$S" "$D/notella" --version | grep -q '^Notella [0-9]' || fail "--version"
    in_session "$S" "$D/notella" --nowa 2>"$ROOT/usage.err"
    rc=$?
    expect "an unknown option ended with $rc, expected 2" test "$rc" = 2
    grep -q '^Użycie: notella' "$ROOT/usage.err" || fail "no usage text for an unknown option"
    expect "the instance ended" alive "$P"
    stop "$P" TERM || return
    expect "the socket outlived the run" test ! -e "$S/run/Notella.socket"
}

# Without a running instance the program starts and then carries the command out.
scenario_command_starts() {
    S=$(new_session)
    D=$(new_progdir)
    ARGS=(--new-note "Pierwsza kartka")
    launch "$S" "$D"
    ARGS=()
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    poll 10 grep -rqs "Pierwsza kartka" "$D/sheets" || fail "the note of the command was not made"
    stop "$P" TERM
}

scenario_held_keys() {
    DISPLAY=$DISP "$HOLD_KEYS" K N >"$ROOT/hold.out" 2>&1 &
    local holder=$!
    PIDS+=("$holder")
    poll 5 grep -q held "$ROOT/hold.out" || { fail "the key holder did not start"; return; }
    S=$(new_session)
    D=$(new_progdir)
    launch "$S" "$D"
    P=$LAST_PID
    answer_each "$P" Return 2
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    stop "$P" TERM || return
    kill "$holder"
    load_ini "$D/notella.ini"
    check_value Settings HotKeyToFront 0
    check_value Settings HotKeyCalendar 0
    check_value Settings HotKeyNewSheet 1
}

# --- scheduler ---------------------------------------------------------------

# known_build_ini <progdir> [lines...]: settings of a build that ran before, so that no about
# window (itself modal) holds the scheduler back; the lines go on in [Settings].
known_build_ini() {
    local d=$1 l
    shift
    {
        printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' "${NOTELLA_BUILD_NUMBER:-1}"
        for l in "$@"; do printf '%s\r\n' "$l"; done
    } >"$d/notella.ini"
}

# timetable_ini <progdir> <sections as a printf format>: the timetable file, in Windows-1250.
timetable_ini() {
    mkdir -p "$1/timetable"
    # shellcheck disable=SC2059
    printf "$2" | iconv -f utf-8 -t cp1250 >"$1/timetable/timetable.ini"
}

# A one-time entry that came due a minute ago: the first tick (20 s after start) opens the
# alarm; OK with the preset delete mark asks, and Yes archives the entry.
scenario_alarm_delete() {
    S=$(new_session)
    D=$(new_progdir)
    mkdir -p "$D/timetable"
    local day time
    day=$(date -d '-1 minute' +%Y-%m-%d)
    time=$(date -d '-1 minute' +%H:%M:00)
    printf '[TimeTable]\r\nCount=1\r\n[TT0]\r\nkind=1\r\ndate=%s\r\ntime=%s\r\nnotka="Zadzwonić</NL/>do banku"\r\nremindbefore=0\r\nlastshowdate=2000-01-01 00:00:00\r\n' \
        "$day" "$time" | iconv -f utf-8 -t cp1250 >"$D/timetable/timetable.ini"
    # Not a new build: the about window, itself modal, would hold the scheduler back.
    printf '[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=%s\r\n' \
        "${NOTELLA_BUILD_NUMBER:-1}" >"$D/notella.ini"
    launch "$S" "$D"
    P=$LAST_PID
    local alarm
    find_alarm() {
        alarm=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Aktywowany wpis termnarza$' \
            2>/dev/null | head -n1)
        [ -n "$alarm" ]
    }
    while_alive "$P" 30 find_alarm || { fail_fate "$P" "no alarm window within 30 s"; return; }
    x import -window root /tmp/notella-alarm.png >/dev/null 2>&1
    x xdotool windowfocus --sync "$alarm" && x xdotool key Return
    answer "$P" t '^Usuwanie wpisu terminarza$' ||
        { fail "the delete question did not come or did not close"; return; }
    poll 5 not find_alarm || fail "the alarm window stayed open"
    poll 5 grep -q 'Count=0' "$D/timetable/timetable.ini" || fail "the entry was not deleted"
    grep -q 'Count=1' "$D/timetable/timetable_deleted.ini" 2>/dev/null ||
        fail "the entry did not reach the archive"
    expect "no backup of the previous timetable" test -f "$D/timetable/timetable00.bak"
    stop "$P" TERM
}

# The timetable out to iCalendar and back: without an instance the export reads the file; a
# calendar library reads what it wrote; an import given to the running instance adds the
# events it can repeat and tells what it left out.
scenario_ical() {
    S=$(new_session)
    D=$(new_progdir)
    known_build_ini "$D"
    timetable_ini "$D" '[TimeTable]\r\nCount=3\r\n[TT0]\r\nkind=3\r\ntime=07:30:00\r\nnotka="Leki"\r\nremindbefore=10\r\n[TT1]\r\nkind=4\r\ndayofweek=5\r\ntime=14:30:00\r\nnotka="Zakupy</NL/>na weekend"\r\n[TT2]\r\nkind=6\r\nmonth=2\r\ndayofmonth=29\r\nnotka="Urodziny Oli"\r\n'
    in_session "$S" "$D/notella" --export-ical "$ROOT/out.ics" >"$ROOT/export.out" 2>&1 ||
        { fail "--export-ical without an instance failed: $(cat "$ROOT/export.out")"; return; }
    # Debian's own interpreter, which the python3-icalendar package serves.
    /usr/bin/python3 - "$ROOT/out.ics" >"$ROOT/parse.out" 2>&1 <<'PY' || fail "the calendar library did not read the export: $(cat "$ROOT/parse.out")"
import sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
events = [c for c in cal.walk('VEVENT')]
assert len(events) == 3, len(events)
rules = sorted(str(e.get('RRULE').to_ical(), 'ascii') for e in events)
assert any('FREQ=DAILY' in r for r in rules), rules
assert any('BYDAY=FR' in r for r in rules), rules
assert any('BYMONTHDAY=29' in r and 'BYMONTH=2' in r for r in rules), rules
assert any(e.walk('VALARM') for e in events)
PY
    # Back into a second program folder, through its running instance.
    D=$(new_progdir)
    known_build_ini "$D"
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -S "$S/run/Notella.socket" || { fail_fate "$P" "no command socket"; return; }
    in_session "$S" "$D/notella" --import-ical "$ROOT/out.ics" ||
        { fail "--import-ical was not handed over"; return; }
    answer "$P" Return || fail "no message after the import"
    poll 5 grep -q 'Count=3' "$D/timetable/timetable.ini" || fail "the import did not add the 3 entries"
    stop "$P" TERM
}

# Win+Shift+T while another application's window has the focus opens the list, on the screen
# and within it although its stored place lies on no monitor; Escape closes it, the place it
# had is stored, and the next opening comes back there without growing.
scenario_list_hot_key() {
    S=$(new_session)
    D=$(new_progdir)
    known_build_ini "$D" HotKeySheduler=1 '[SchedulerWindow]' Width=600 Height=100000 \
        Left=-99999 Top=5000
    timetable_ini "$D" '[TimeTable]\r\nCount=2\r\n[TT0]\r\nkind=3\r\ntime=07:30:00\r\nnotka="Leki"\r\n[TT1]\r\nkind=4\r\ndayofweek=5\r\ntime=14:30:00\r\nnotka="Zakupy</NL/>na weekend"\r\n'
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    local other list= first
    DISPLAY=$DISP xev -name obcy -geometry 200x100+600+600 >/dev/null 2>&1 &
    PIDS+=("$!")
    poll 5 eval 'other=$(x xdotool search --onlyvisible --name "^obcy$" 2>/dev/null | head -n1); [ -n "$other" ]' ||
        { fail "the other application's window did not appear"; return; }
    find_list() {
        list=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Terminarz$' 2>/dev/null | head -n1)
        [ -n "$list" ]
    }
    list_at() { # the list's place in X, Y, WIDTH, HEIGHT and as text in AT
        X='' Y='' WIDTH='' HEIGHT=''
        eval "$(x xdotool getwindowgeometry --shell "$list" 2>/dev/null)"
        AT="$X,$Y ${WIDTH}x$HEIGHT"
    }
    x xdotool windowfocus --sync "$other"
    x xdotool key super+shift+t
    while_alive "$P" 5 find_list || { fail_fate "$P" "Win+Shift+T opened no list window"; return; }
    list_at
    first=$AT
    [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 1024 ] ||
        fail "the list window lies at $first, not on the 1280x1024 screen"
    x import -window root /tmp/notella-list.png >/dev/null 2>&1
    x xdotool windowfocus --sync "$list" && x xdotool key Escape
    poll 5 not find_list || { fail "Escape did not close the list"; return; }
    load_ini "$D/notella.ini"
    check_value SchedulerWindow Maximized 0
    check_value SchedulerWindow Left "$X"
    check_value SchedulerWindow Top "$Y"
    x xdotool windowfocus --sync "$other"
    x xdotool key super+shift+t
    while_alive "$P" 5 find_list || { fail_fate "$P" "Win+Shift+T did not open the list again"; return; }
    list_at
    [ "$AT" = "$first" ] || fail "opened again at $AT, first at $first"
    x xdotool windowfocus --sync "$list" && x xdotool key Escape
    poll 5 not find_list || fail "Escape did not close the list the second time"
    stop "$P" TERM
}

# --- year calendar -------------------------------------------------------------

# Win+Shift+K while another application's window has the focus opens the calendar; the 1st of
# another month clicked, Insert, a note and Ctrl+Enter put an entry for that day into the file.
scenario_calendar_entry() {
    start_one || { fail_fate "$P" "marker not created"; return; }
    local other cal= editor=
    DISPLAY=$DISP xev -name obcy -geometry 200x100+600+600 >/dev/null 2>&1 &
    PIDS+=("$!")
    poll 5 eval 'other=$(x xdotool search --onlyvisible --name "^obcy$" 2>/dev/null | head -n1); [ -n "$other" ]' ||
        { fail "the other application's window did not appear"; return; }
    x xdotool windowfocus --sync "$other"
    x xdotool key super+shift+k
    find_calendar() {
        cal=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Kalendarz$' 2>/dev/null | head -n1)
        [ -n "$cal" ]
    }
    find_editor() {
        editor=$(x xdotool search --all --onlyvisible --pid "$P" --name '^Wpis terminarza$' \
            2>/dev/null | head -n1)
        [ -n "$editor" ]
    }
    while_alive "$P" 5 find_calendar || { fail_fate "$P" "Win+Shift+K opened no calendar"; return; }
    local month day col
    month=$(( $(date +%-m) == 6 ? 7 : 6 ))
    day=$(printf '%s-%02d-01' "$(date +%Y)" "$month")
    col=$(( $(date -d "$day" +%u) - 1 ))
    eval "$(x xdotool getwindowgeometry --shell "$cal")"
    # Grids 120 pixels apart across and 103 down from 10,48; cells 15 x 10 with 1-pixel lines
    # under the weekday row.
    x xdotool mousemove $((X + 10 + 120 * ((month - 1) % 4) + 16 * col + 7)) \
        $((Y + 48 + 103 * ((month - 1) / 4) + 11 + 5)) click 1
    x xdotool windowfocus --sync "$cal" && x xdotool key Insert
    poll 5 find_editor || { fail "Insert opened no editor"; return; }
    x xdotool windowfocus --sync "$editor" && x xdotool key alt+n
    x xdotool type --delay 20 "Z kalendarza"
    x xdotool key ctrl+Return
    poll 5 not find_editor || { fail "Ctrl+Enter did not close the editor"; return; }
    poll 5 grep -q "^date=$day" "$D/timetable/timetable.ini" ||
        fail "timetable.ini holds no entry for $day"
    grep -q 'notka="Z kalendarza"' "$D/timetable/timetable.ini" 2>/dev/null ||
        fail "the entry lacks its note"
    # The calendar takes the keys back by itself once the editor is gone.
    x xdotool key Escape
    poll 5 not find_calendar || fail "Escape did not close the calendar"
    stop "$P" TERM
}

# --- monitors coming and going --------------------------------------------------

# Xvfb's monitors are fixed at its start: this part runs on Xorg's dummy driver instead, two
# 1024x768 monitors side by side (DUMMY0, DUMMY1). Sets DISP to it until stop_xorg.
start_xorg() {
    local dir=$ROOT/xorg tool
    for tool in Xorg xrandr; do
        command -v "$tool" >/dev/null || { fail "missing tool $tool"; return 1; }
    done
    mkdir -p "$dir"
    : >"$dir/display"
    Xorg -displayfd 3 -config "$HERE/xorg-dummy.conf" -noreset -nolisten tcp \
        -logfile "$dir/xorg.log" 3>"$dir/display" >"$ROOT/xorg.err" 2>&1 &
    XORG_PID=$!
    XVFB_DISP=$DISP
    while_alive "$XORG_PID" 15 test -s "$dir/display" && DISP=":$(head -n1 "$dir/display")"
    if [ "$DISP" = "$XVFB_DISP" ] || ! poll 5 xorg_ok; then
        fail "Xorg with the dummy driver did not start"
        LOGS+=("$ROOT/xorg.err")
        return 1
    fi
    local out
    out=$(x xrandr --addmode DUMMY1 1024x768 2>&1 &&
        x xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 2>&1)
    poll 5 desktop_is 2 2048 && return 0
    fail "no second monitor: $out $(x xrandr --listmonitors 2>&1 | paste -sd' ' -)"
    return 1
}
xorg_ok() { alive "$XORG_PID" && x xrandr -q >/dev/null 2>&1; }

stop_xorg() {
    [ -n "$XORG_PID" ] || return 0
    kill "$XORG_PID" 2>/dev/null
    wait "$XORG_PID" 2>/dev/null
    XORG_PID=
    DISP=$XVFB_DISP
}

desktop_is() { # desktop_is <monitors> <width>
    [ "$(x xrandr --listmonitors 2>/dev/null | head -n1)" = "Monitors: $1" ] &&
        x xrandr -q 2>/dev/null | head -n1 | grep -q "current $2 x 768,"
}

note_geometry() { # of NOTE: X Y WIDTH HEIGHT
    X='' Y='' WIDTH='' HEIGHT=''
    eval "$(x xdotool getwindowgeometry --shell "$NOTE" 2>/dev/null)"
    [ -n "$X" ]
}
note_at() { note_geometry && [ "$X,$Y" = "$1,$2" ]; }
note_inside() { # note_inside <desktop width>: wholly on a <width>x768 desktop
    note_geometry && [ "$X" -ge 0 ] && [ $((X + WIDTH)) -le "$1" ] && [ "$Y" -ge 0 ] &&
        [ $((Y + HEIGHT)) -le 768 ]
}
saved_at() { # saved_at <file> <left> <top>
    load_ini "$1"
    [ "$(saved_pos)" = "$2,$3" ]
}
saved_pos() { echo "${INI[Position/Left]-},${INI[Position/Top]-}"; }

# A note on the right monitor comes onto the left one when the right one goes, and returns
# when it comes back; its file keeps where it was put.
scenario_display_change() {
    start_xorg && display_change
    kill_all
    stop_xorg
}
display_change() {
    S=$(new_session)
    D=$(new_progdir)
    local f=$D/sheets/far.sheet
    mkdir -p "$D/sheets"
    note_file "$f" Daleka 1500 "na prawym monitorze"
    launch "$S" "$D"
    P=$LAST_PID
    while_alive "$P" 10 test -e "$(marker "$S")" || { fail_fate "$P" "marker not created"; return; }
    poll 10 find_note "$P" Daleka || { fail "the note window did not appear"; return; }
    note_at 1500 50 || { fail "the note starts at $X,$Y, expected 1500,50"; return; }

    x xrandr --output DUMMY1 --off --fb 1024x768 >/dev/null 2>&1
    poll 5 desktop_is 1 1024 || { fail "the right monitor did not go away"; return; }
    local came=
    if poll 5 note_inside 1024; then
        came=1
    else
        fail "right monitor gone: the note stayed at $X,$Y (width $WIDTH), off the screen"
    fi
    # Past the autosave delay: the move must not reach the file.
    holds 3 saved_at "$f" 1500 50 ||
        fail "right monitor gone: the file says Left,Top=$(saved_pos), expected 1500,50"
    [ -z "$came" ] || note_inside 1024 || fail "right monitor gone: the note left at $X,$Y"

    x xrandr --fb 2048x768 --output DUMMY1 --mode 1024x768 --right-of DUMMY0 >/dev/null 2>&1
    poll 5 desktop_is 2 2048 || { fail "the right monitor did not come back"; return; }
    poll 5 note_at 1500 50 ||
        fail "right monitor back: the note is at $X,$Y, expected 1500,50"
    stop "$P" TERM || return
    saved_at "$f" 1500 50 ||
        fail "at the end the file says Left,Top=$(saved_pos), expected 1500,50"
}

ALL="sigterm sigint sighup unknown_section_kept odd_values_kept settings_unwritable
second_start_no second_start_signal second_start_yes_end_first second_start_yes_end_second
stale_marker_asks stale_marker_yes stale_marker_shift no_display unreachable_display
notes_survive_sigterm note_alarm tray_menu hot_keys held_keys list_hot_key
alarm_delete calendar_entry display_change command_line command_starts ical"

# --- runner ----------------------------------------------------------------

run_scenario() {
    local name=$1
    REASONS=()
    LOGS=()
    "scenario_$name"
    release_shift
    # A failed scenario must not leave a box or an instance for the next one.
    kill_all
    if [ "${#REASONS[@]}" -eq 0 ]; then
        echo "PASS: $name"
        PASSED=$((PASSED + 1))
    else
        echo "FAIL: $name"
        local r l
        for r in "${REASONS[@]}"; do echo "    - $r"; done
        for l in "${LOGS[@]}"; do
            [ -s "$l" ] || continue
            echo "    stderr of $(basename "${l%.err}"):"
            sed 's/^/      | /' "$l"
        done
        FAILED=$((FAILED + 1))
    fi
}

if ! start_xvfb; then
    echo "FAIL: could not start Xvfb"
    cat "$ROOT/xvfb.log" 2>/dev/null
    echo "0 passed, 1 failed"
    exit 1
fi
echo "Xvfb on $DISP"

SELECTED=${*:-$ALL}
for name in $SELECTED; do
    if ! declare -F "scenario_$name" >/dev/null; then
        echo "FAIL: $name (no such scenario)"
        FAILED=$((FAILED + 1))
        continue
    fi
    run_scenario "$name"
done

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
