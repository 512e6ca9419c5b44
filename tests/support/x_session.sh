# Sourced by tests that need a desktop: starts Xvfb on a free display (-displayfd) with openbox,
# exports DISPLAY, and ends both when the sourcing shell exits.
# Usage: . x_session.sh [WIDTHxHEIGHT]
x_session_dir=$(mktemp -d "${TMPDIR:-/tmp}/tunvex-x.XXXXXX")
Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$x_session_dir/display" \
    2>"$x_session_dir/xvfb.log" &
x_session_xvfb=$!
for _ in $(seq 100); do
    [ -s "$x_session_dir/display" ] && break
    sleep 0.05
done
export DISPLAY=":$(cat "$x_session_dir/display")"
openbox --sm-disable >"$x_session_dir/openbox.log" 2>&1 &
x_session_wm=$!
x_session_end() {
    kill "$x_session_wm" "$x_session_xvfb" 2>/dev/null
    wait "$x_session_wm" "$x_session_xvfb" 2>/dev/null
    rm -rf "$x_session_dir"
}
trap x_session_end EXIT
# openbox owns the screen once it has set its _NET_SUPPORTING_WM_CHECK
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    sleep 0.05
done
