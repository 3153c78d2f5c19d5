#!/usr/bin/env bash
# After a message box closes, the window it belonged to has the keyboard focus again, with no
# window manager to give it back. Runs `velora-window` on a one-message Maildir under its own
# Xvfb, reads the message (F1), chooses Find Next from the menu (F2, Up to the last item) so that
# "not found" is told in a message box, closes the box (Enter) and compares the focus.
#
# Usage: scripts/message_box_focus.sh [PROGRAM]     (default build/dev/velora-window)
# Exit status 0 when the focus came back, 1 when not, 77 when Xvfb or xdotool is missing.
set -u

program=${1:-build/dev/velora-window}
[ -x "$program" ] || { echo "message_box_focus: no program at $program" >&2; exit 2; }
. "$(dirname "$0")/xvfb_session.sh"

mkdir -p "$work/mail/cur" "$work/mail/new" "$work/mail/tmp"
printf 'From: ann@example.org\r\nSubject: Hi\r\nDate: Fri, 04 Dec 2026 10:00:00 +0000\r\n\r\n%s\r\n' \
    "The cat sat on the mat." >"$work/mail/cur/1.M1.host:2,"

"$program" --maildir "$work/mail" >/dev/null 2>"$work/stderr" &
pid=$!
window=$(program_window "$pid")
[ -n "$window" ] || { echo "message_box_focus: no window" >&2; kill -KILL "$pid"; exit 1; }
xdotool windowfocus --sync "$window"
for key in F1 F2 Up Return; do
    sleep 0.5
    xdotool key "$key"
done
sleep 1
with_box=$(xdotool getwindowfocus)
xdotool key Return
sleep 1
after=$(xdotool getwindowfocus)
kill -TERM "$pid"
wait "$pid"

if [ "$with_box" = "$window" ]; then
    echo "message_box_focus: no message box came up" >&2
    exit 1
fi
if [ "$after" != "$window" ]; then
    echo "message_box_focus: the focus went to $after, not to the program's window $window" >&2
    exit 1
fi
echo "message_box_focus: the focus is back on the program's window"
