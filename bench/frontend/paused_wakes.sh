#!/bin/sh
# The whole program paused on a song under Xvfb with the Null sound device
# (opened without playing, measured once the start-up message has gone):
# each thread's wake-ups a second (voluntary and involuntary context
# switches) and CPU (its run time) over SECONDS, and the process's sums.
# QT_XCB_NO_MITSHM=1 in the environment measures without the toolkit's
# shared-memory images.
# usage: paused_wakes.sh PROGRAM SONG [SECONDS]   (needs Xvfb)
set -eu
program=$(realpath "$1")
song=$(realpath "$2")
seconds=${3:-10}
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" VEXALINE_AUDIO=null QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="No"\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
"$program" "$song" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 15 # the start-up message times out after 8 s

# One line a thread: id, name, context switches, run time in ns.
snapshot() {
    for task in /proc/"$pid"/task/*; do
        echo "$(basename "$task") $(tr ' ' _ <"$task/comm")" \
            "$(awk '/ctxt_switches/ { s += $2 } END { print s }' "$task/status")" \
            "$(awk '{ print $1 }' "$task/schedstat")"
    done | sort
}
snapshot >"$work/before"
sleep "$seconds"
snapshot >"$work/after"
join "$work/before" "$work/after" | awk -v s="$seconds" '{
    w = ($6 - $3) / s; c = ($7 - $4) / 1e9 / s * 100; W += w; C += c
    if (w > 0.05) printf "  %-8s %-16s %6.1f wake-ups/s %7.4f %%\n", $1, $2, w, c
} END { printf "process %.1f wake-ups/s, %.4f %% of a core\n", W, C }'
