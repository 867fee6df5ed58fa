#!/usr/bin/env bash
# A thousand SIGKILLs at random instants while the program saves notes and the timetable, each
# followed by a check of every file and a new start. Run by hand:
#   bench/kill_1000.sh [build dir] [runs]     (default: build, 1000)
# Prints the runs, the saves that had landed before the kills and the losses.
set -u
BUILD=${1:-build}
cmake --build "$BUILD" --target notella kill_check >/dev/null || exit 1
HERE=$(dirname "$(readlink -f "$0")")
exec bash "$HERE/../tests/e2e/kill.sh" "$BUILD/notella" "$BUILD/tests/e2e/kill_check" "${2:-1000}"
