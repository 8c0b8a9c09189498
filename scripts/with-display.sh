#!/bin/sh
# Runs a command on a virtual X display of its own and ends the display by
# its id afterwards; the command's exit status is returned. The X server
# picks a free display number itself and says which once it accepts
# connections, so runs started side by side never race for one number (as
# "xvfb-run -a" can, leaving a client with a display that is gone).
#
# Usage: with-display.sh COMMAND [ARGUMENT...]
set -eu
[ $# -gt 0 ] || { echo "usage: with-display.sh COMMAND [ARGUMENT...]" >&2; exit 2; }

folder=$(mktemp -d -t vx-display.XXXXXX)
number_file="$folder/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" \
    >"$folder/xvfb.out" 2>&1 &
xvfb_pid=$!
end_display() {
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$folder"
}
trap end_display EXIT
trap 'exit 143' TERM INT HUP

tries=0
until grep -q '^[0-9][0-9]*$' "$number_file" 2>/dev/null; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$tries" -ge 600 ]; then
        echo "with-display: the X server did not start:" >&2
        cat "$folder/xvfb.out" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
done
DISPLAY=":$(cat "$number_file")"
export DISPLAY
unset XAUTHORITY

status=0
"$@" || status=$?
exit "$status"
