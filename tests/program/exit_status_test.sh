#!/bin/sh
# The built program from the outside. Offscreen, it is ended with SIGTERM
# once its window is up, and again while its error box for a named pipe
# given on the command line is open: each time it must end within seconds
# as if the user had closed the window, with exit status 0 and nothing on
# standard error but Qt's own offscreen notes. Without any display it must
# fail with exit status 1 and one line on standard error.
# Usage: exit_status_test.sh PATH_OF_QUODLET
set -u
program=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private runtime folder, as a desktop session has one; without it Qt
# itself warns on standard error.
mkdir -m 700 "$work/runtime"
cd "$work" || exit 1

fail() {
    echo "FAIL: $*"
    exit 1
}

ended() {
    state=$(awk '/^State:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
    [ -z "$state" ] || [ "$state" = Z ]
}

# Starts the program with the arguments given, sends SIGTERM once the window
# (and the error box, if any) is up, and checks how it ended.
terminate_running() {
    what=$1
    shift
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$program" "$@" 2>"$work/stderr" &
    pid=$!
    # The program takes over SIGTERM just before it opens its window: wait
    # until it has (bit 14 of the caught-signal mask), then give the window
    # a moment to come up.
    caught=0
    for _ in $(seq 200); do
        mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || break
        [ -n "$mask" ] && [ $((0x$mask >> 14 & 1)) -eq 1 ] && { caught=1; break; }
        sleep 0.1
    done
    [ "$caught" -eq 1 ] || { kill -KILL "$pid" 2>/dev/null; fail "$what: the program never took over SIGTERM"; }
    sleep 1
    kill -TERM "$pid"
    # Ended within ten seconds: gone, or a zombie until waited for.
    for _ in $(seq 100); do
        ended && break
        sleep 0.1
    done
    ended || { kill -KILL "$pid"; fail "$what: still running ten seconds after SIGTERM"; }
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "$what: exit status $status after SIGTERM, expected 0; stderr: $(cat "$work/stderr")"
    if grep -vx "This plugin does not support propagateSizeHints()" "$work/stderr" | grep -q .; then
        fail "$what: standard error after SIGTERM is not empty: $(cat "$work/stderr")"
    fi
}

terminate_running "idle window"
mkfifo fifo.asm
terminate_running "error box for a named pipe" fifo.asm

env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    "$program" 2>"$work/stderr"
status=$?
[ "$status" -eq 1 ] || fail "exit status $status without a display, expected 1"
lines=$(wc -l <"$work/stderr")
[ "$lines" -eq 1 ] || fail "$lines lines on standard error without a display, expected 1: $(cat "$work/stderr")"
echo "ok: SIGTERM gave status 0 with the window idle and with an error box open; no display gave status 1 and: $(cat "$work/stderr")"
