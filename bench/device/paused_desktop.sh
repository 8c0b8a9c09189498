#!/bin/sh
# A paused deck on each desktop sound server: paused_wake_bench run against
# PipeWire and PulseAudio servers of this run's own (private runtime folder,
# null sinks, as the end-to-end runs start them): each thread's wake-ups a
# second and the process's CPU while paused, and the delay from Play to the
# first frames the stream takes after it went quiet.
# usage: paused_desktop.sh BUILD_DIR [SECONDS]   (needs pipewire, wireplumber,
# pulseaudio, dbus-daemon, sox). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-10}
here=$(dirname "$(realpath "$0")")
WORK=$(mktemp -d)
fail() { echo "paused_desktop: $*" >&2; exit 1; }
. "$here/../../tests/frontend/sound-servers.sh"
trap 'stop_servers; rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM HUP
unset PULSE_SERVER JACK_DEFAULT_SERVER
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

for server in pipewire pulse; do
    if [ "$server" = pipewire ]; then
        start_bus
        start_pipewire
    else
        start_pulse
    fi
    echo "== $server"
    VEXALINE_AUDIO=$server "$build/bench/engine/paused_wake_bench" "$seconds"
    stop_servers
done
