#!/usr/bin/env bash
# Ends the real program while words flash, by each of the desktop's three ways (the window closed,
# SIGTERM, SIGINT), ROUNDS times in a row each, and counts the ends that fail: an exit status other
# than 0, no end within 10 s (a hang), or a sanitizer report on stderr. Runs `velora-window read`
# on a generated text under its own Xvfb; the Action key (Enter) starts the words.
#
# Usage: scripts/exit_soak.sh [ROUNDS] [PROGRAM]     (defaults: 50, build/dev/velora-window)
# Prints one line per way and a total; exit status 1 when any end failed, 77 when Xvfb or xdotool
# is missing (scripts/bootstrap installs them).
set -u

rounds=${1:-50}
program=${2:-build/dev/velora-window}
flash_seconds=${FLASH_SECONDS:-1.5}

[ -x "$program" ] || { echo "exit_soak: no program at $program" >&2; exit 2; }
# On an asan build: the leaks inside system libraries that the tests suppress too.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/lsan.supp:print_suppressions=0}
. "$(dirname "$0")/xvfb_session.sh"

for i in $(seq 400); do echo "Sentence number $i has a few plain words in it, and then it ends."; done \
    >"$work/text.txt"

# WM_DELETE_WINDOW, as a window manager's close button sends it (there is no window manager).
close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class Client(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("client", Client), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = Event()
event.client.type = 33  # ClientMessage
event.client.window = window
event.client.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.client.format = 32
event.client.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
x.XCloseDisplay(display)
PY
}

# One run: start, flash, end by $1. Prints nothing on success, the reason otherwise.
run_once() {
    local way=$1 pid window status
    "$program" read "$work/text.txt" >/dev/null 2>"$work/stderr" &
    pid=$!
    window=$(program_window "$pid")
    if [ -z "$window" ]; then
        if kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
            echo "no window within 10 s"
        else
            wait "$pid"
            echo "ended at start with status $?: $(grep -m1 -v '^$' "$work/stderr")"
        fi
        return
    fi
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --window "$window" Return 2>/dev/null
    sleep "$flash_seconds"
    case $way in
        close) close_window "$window" ;;
        term) kill -TERM "$pid" ;;
        int) kill -INT "$pid" ;;
    esac
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
        echo "hang"; return
    fi
    wait "$pid"
    status=$?
    if grep -qE 'Sanitizer|runtime error' "$work/stderr"; then
        echo "sanitizer: $(grep -m1 -E 'Sanitizer|runtime error' "$work/stderr")"
    elif [ "$status" -ne 0 ]; then
        echo "exit status $status: $(grep -m1 -v '^$' "$work/stderr")"
    fi
}

total_failures=0
for way in close term int; do
    failures=0
    for round in $(seq "$rounds"); do
        reason=$(run_once "$way")
        if [ -n "$reason" ]; then
            failures=$((failures + 1))
            echo "  $way round $round: $reason"
        fi
    done
    echo "$way: $rounds runs, $failures failures"
    total_failures=$((total_failures + failures))
done
echo "total: $((rounds * 3)) runs, $total_failures failures"
[ "$total_failures" -eq 0 ]
