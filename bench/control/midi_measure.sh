#!/bin/sh
# The deck driven by a controller on a JACK server (dummy driver) under Xvfb:
#   - a play note to sound at the player's JACK output, at 64, 128 and
#     256-frame periods (vx_midi_to_sound: both ends on the server's clock);
#   - the program's wakeups per second (every thread, and the window thread
#     alone) while a connected controller sends nothing, against the same
#     deck with no controller mapping (which opens no MIDI client).
# usage: midi_measure.sh BUILD_DIR [ROUNDS]   (needs jackd, sox, Xvfb,
# xdotool). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
rounds=${2:-20}
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" VEXALINE_AUDIO=jack
export XDG_RUNTIME_DIR="$work/runtime" JACK_NO_AUDIO_RESERVATION=1
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="No"\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 600 sine 1000 vol 0.5

mapping() {
    mkdir -p "$XDG_CONFIG_HOME/Vexaline/controllers"
    printf '{"version": 1, "device": "vx-bench-pad", "bindings": [{"note": 11, "action": "play"}]}\n' \
        >"$XDG_CONFIG_HOME/Vexaline/controllers/pad.json"
}

start() { # period
    # One name per build and period: a server that died without
    # unregistering is reclaimed by the next run.
    export JACK_DEFAULT_SERVER="vx-midi-measure-$(printf %s "$build" | cksum | cut -d' ' -f1)-$1"
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p "$1" >"$work/jackd.out" 2>&1 &
    jackd_pid=$!
    until jack_lsp >/dev/null 2>&1; do sleep 0.1; done
    "$build/app/vexaline" "$work/tone.wav" >"$work/program.out" 2>&1 &
    program_pid=$!
    pids="$program_pid $jackd_pid"
    timeout 60 xdotool search --sync --onlyvisible --name tone >/dev/null
}

stop() {
    for pid in $program_pid $jackd_pid; do
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    done
    pids=""
}

# Context switches of the program's window thread, and of all its threads.
window_switches() {
    awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$program_pid/task/$program_pid/status"
}
all_switches() { cat /proc/"$program_pid"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'; }

wakeups() { # label
    sleep 2
    a=$(window_switches)
    all_a=$(all_switches)
    sleep 10
    b=$(window_switches)
    all_b=$(all_switches)
    echo "$1: $(((all_b - all_a) / 10)) wakeups per second, $(((b - a) / 10)) of them on the window thread"
}

mapping
for period in 64 128 256; do
    start "$period"
    echo "period $period:"
    "$build/bench/control/vx_midi_to_sound" "$rounds"
    stop
done

# A controller connected and silent: its client stays on the server.
start 256
mkfifo "$work/idle"
"$build/tests/frontend/vx_jack_midi_send" vx-bench-pad <"$work/idle" >/dev/null 2>&1 &
sender_pid=$!
exec 4>"$work/idle"
echo wait >&4
wakeups "idle controller connected"
exec 4>&-
wait "$sender_pid" 2>/dev/null || true
stop

rm -r "$XDG_CONFIG_HOME/Vexaline/controllers"
start 256
wakeups "no controller mapping"
stop
