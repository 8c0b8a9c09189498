#!/bin/sh
# The real program under a virtual X server with the Null sound device:
# milliseconds from launch to a visible window (polled every 10 ms), and
# resident memory after three seconds of playing the song given (or the demo
# track).
# Usage: program_startup_rss.sh PROGRAM [SONG]
set -eu
PROGRAM=$(realpath "$1")
SONG=${2:-}
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
if [ -z "$SONG" ]; then
    SONG=$("$(dirname "$0")/../../scripts/make-demo-track.sh" "$WORK/demo")
fi
export XDG_CONFIG_HOME="$WORK/config" VEXALINE_AUDIO=null QT_QPA_PLATFORM=xcb
START=$(date +%s%N)
"$PROGRAM" "$SONG" >/dev/null 2>&1 &
PID=$!
until xdotool search --onlyvisible --class vexaline >/dev/null 2>&1; do sleep 0.01; done
SHOWN=$(date +%s%N)
sleep 3
RSS=$(awk '/^VmRSS/ {print $2}' /proc/$PID/status)
HWM=$(awk '/^VmHWM/ {print $2}' /proc/$PID/status)
kill $PID
echo "startup to visible window: $(( (SHOWN - START) / 1000000 )) ms"
echo "resident memory while playing: $((RSS / 1024)) MB (peak $((HWM / 1024)) MB)"
