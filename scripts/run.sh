#!/bin/sh
# Starts the player from the build folder given as the first argument.
BUILD="${1:-build}"
[ $# -gt 0 ] && shift
if [ ! -x "$BUILD/app/vexaline" ]; then
    echo "The player itself is not built yet; only the engine and its tests exist so far." >&2
    exit 1
fi
exec "$BUILD/app/vexaline" "$@"
