# Sourced by the scripts that drive the real program: a display of its own (Xvfb, no window
# manager) and settings, data, cache and runtime folders of its own under $work, all removed on
# exit. Needs Xvfb, xdotool and python3 (scripts/bootstrap); without them the caller exits 77.

for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing" >&2; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
end_session() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap end_session EXIT

# Xvfb writes the display number it took.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "$0: Xvfb did not start" >&2; exit 77; }
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

export VELORA_HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$VELORA_HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The program's visible window, waited for up to 10 s; empty when none came.
program_window() {
    timeout 10 xdotool search --sync --onlyvisible --pid "$1" --name Velora 2>/dev/null | head -n 1
}
