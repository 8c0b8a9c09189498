#!/bin/sh
# Starts the player from the build folder given as the first argument. With
# no files to play, it plays a demo track of our own making, synthesised into
# the build folder the first time.
BUILD="${1:-build}"
[ $# -gt 0 ] && shift
if [ ! -x "$BUILD/app/vexaline" ]; then
    echo "The player is not built yet: run 'make build' first." >&2
    exit 1
fi
if [ $# -eq 0 ]; then
    DEMO=$(ls "$BUILD"/demo/vexaline-demo.* 2>/dev/null | head -n 1)
    if [ -z "$DEMO" ]; then
        mkdir -p "$BUILD/demo"
        DEMO=$("$(dirname "$0")/make-demo-track.sh" "$BUILD/demo/vexaline-demo") || {
            echo "Could not make the demo track (is sox installed?); starting empty." >&2
            DEMO=""
        }
    fi
    [ -n "$DEMO" ] && set -- "$DEMO"
fi
exec "$BUILD/app/vexaline" "$@"
