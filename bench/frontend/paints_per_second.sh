#!/bin/sh
# Paint-and-flush passes a second of the deck playing under Xvfb with the Null
# sound device, counted by a debugger breakpoint on the toolkit's repaint
# manager over SECONDS, with the toolkit's shared-memory images and without
# (QT_XCB_NO_MITSHM=1). The breakpoint slows each pass a little; compare
# runs of this bench only.
# usage: paints_per_second.sh PROGRAM SONG [SECONDS]   (needs gdb, Xvfb)
set -eu
program=$(realpath "$1")
song=$(realpath "$2")
seconds=${3:-10}
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" VEXALINE_AUDIO=null QT_QPA_PLATFORM=xcb

# Counts the flushes of a fresh deck; $1 labels the run.
count_flushes() {
    "$program" "$song" >/dev/null 2>&1 &
    pid=$!
    sleep 3
    # gdb takes a while to attach: the count runs from its `continue` to the
    # interrupt.
    stop=$(($(date +%s%N) + (seconds + 5) * 1000000000))
    hits=$(timeout -s INT "$((seconds + 5))" gdb -q -batch -p "$pid" \
        -ex 'set pagination off' -ex 'break QWidgetRepaintManager::paintAndFlush' -ex "ignore 1 1000000" \
        -ex "shell date +%s%N >$work/counting" -ex 'continue' -ex 'info breakpoints' \
        2>/dev/null | sed -n 's/.*already hit \([0-9]*\) time.*/\1/p')
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    awk -v hits="${hits:-0}" -v from="$(cat "$work/counting")" -v to="$stop" -v label="$1" \
        'BEGIN { printf "%s: %.1f paint-and-flush passes a second\n", label, hits / ((to - from) / 1e9) }'
}

count_flushes "shared-memory images"
QT_XCB_NO_MITSHM=1 count_flushes "no shared-memory images"
