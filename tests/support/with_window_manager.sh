#!/usr/bin/env bash
# Runs a command on a virtual display of its own, under a window manager, so that its windows get
# real frames and title bars; stops both afterwards, whatever happens. The command's own time is
# bounded too, so that nothing outlives a hung run.
# Usage: with_window_manager.sh SECONDS COMMAND [ARGUMENT...]
# WAYTRACE_TEST_SCREEN sets the screen's size (default 1600x1200).
set -uo pipefail

limit=$1
shift
work=$(mktemp -d)
xvfb_pid=
wm_pid=

cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

fail() {
    echo "with_window_manager: $1" >&2
    for log in "$work"/*.log; do
        [ -s "$log" ] && sed 's/^/  /' "$log" >&2
    done
    exit 1
}

# Waits up to ten seconds for a condition.
wait_for() {
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

for tool in Xvfb openbox xprop timeout; do
    command -v "$tool" >/dev/null || fail "$tool is missing; scripts/test installs it"
done

# The server takes the first free display number itself and tells it once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 "${WAYTRACE_TEST_SCREEN:-1600x1200}x24" 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for test -s "$work/display" || fail "the virtual display did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY XAUTHORITY

# The window manager keeps whatever it writes in a home of its own, gone afterwards.
mkdir "$work/home"
env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME HOME="$work/home" \
    openbox --sm-disable >"$work/wm.log" 2>&1 &
wm_pid=$!
managing() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for managing || fail "the window manager did not start managing windows"

timeout --kill-after=10 "$limit" "$@"
status=$?
# A failure with the window manager gone is the manager's, not the program's: say so.
if [ "$status" -ne 0 ] && ! kill -0 "$wm_pid" 2>/dev/null; then
    echo "with_window_manager: the window manager ended during the run" >&2
    sed 's/^/  /' "$work/wm.log" >&2
fi
exit "$status"
