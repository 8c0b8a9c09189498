#!/bin/sh
# End to end with a controller: the program plays through its own JACK
# client on a JACK server of this test's own (dummy driver, a unique name)
# and reads a controller that is a JACK MIDI client of the test's own,
# through a mapping file in the controllers folder. Checks, from the
# recorded sound: nothing plays before the play note; the cue note plays
# from the cue point only while it is held; the play note plays; the 14-bit
# pitch fader at its top gives +8 %; a jog wheel turning bends the pitch up
# and the bend ends when the wheel stops; the controller unplugged and
# plugged back is connected again (the time it took is printed) and pauses
# the deck. Every
# process started here is ended by its id.
#
# Usage: e2e-midi.sh PROGRAM SENDER RECORDER CHECKER WORK-FOLDER
# Without a display it re-runs itself on one of its own (scripts/with-display.sh).
set -eu
PROGRAM=$(realpath "$1")
SEND=$(realpath "$2")
RECORD=$(realpath "$3")
CHECK=$(realpath "$4")
WORK=$(realpath -m "$5")

if [ -z "${VX_E2E_UNDER_XVFB:-}" ]; then
    rm -rf "$WORK"
    mkdir -p "$WORK"
    VX_E2E_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi

JACKD_PID=""
PROGRAM_PID=""
SENDER_PID=""
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in $SENDER_PID $PROGRAM_PID $JACKD_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

fail() {
    echo "e2e-midi: $*" >&2
    exit 1
}

export QT_QPA_PLATFORM=xcb
# One name per work folder: a server that died without unregistering is
# reclaimed by the next run instead of filling the machine's few slots.
export JACK_DEFAULT_SERVER="vx-e2e-midi-$(printf %s "$WORK" | cksum | cut -d' ' -f1)"
export JACK_NO_AUDIO_RESERVATION=1
export VEXALINE_AUDIO=jack
export XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline" "$XDG_CONFIG_HOME/Vexaline/controllers" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="No"\n"PitchRange"=dword:00000000\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
cat >"$XDG_CONFIG_HOME/Vexaline/controllers/pad.json" <<'MAPPING'
{
  "version": 1,
  "device": "vx-e2e-pad",
  "bindings": [
    {"note": 11, "action": "play"},
    {"note": 12, "action": "cue"},
    {"cc": 0, "action": "pitch", "mode": "14-bit"},
    {"cc": 17, "action": "jog", "mode": "relative", "ticks-per-turn": 128}
  ]
}
MAPPING

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >"$WORK/jackd.out" 2>&1 &
JACKD_PID=$!
tries=0
until jack_lsp >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 900 ] || fail "the JACK server did not start"
    sleep 0.1
done

sox -q -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth 120 sine 1000 vol 0.5
"$PROGRAM" "$WORK/tone.wav" >"$WORK/program.out" 2>&1 &
PROGRAM_PID=$!
timeout 60 xdotool search --sync --onlyvisible --name tone >/dev/null || fail "the window never showed"

# The controller is plugged in after the program started: the program finds
# it by its port's name and connects it.
# Plugs the controller in and waits until the program connects it; PLUGGED
# holds the time it took.
plug() {
    rm -f "$WORK/pad" "$WORK/sender.out"
    mkfifo "$WORK/pad"
    started=$(date +%s.%N)
    "$SEND" vx-e2e-pad <"$WORK/pad" >"$WORK/sender.out" 2>&1 &
    SENDER_PID=$!
    exec 3>"$WORK/pad"
    pad wait
    tries=0
    until grep -q "done wait" "$WORK/sender.out"; do
        tries=$((tries + 1))
        [ "$tries" -lt 1500 ] || fail "the program never connected the controller"
        sleep 0.02
    done
    PLUGGED=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
}
unplug() {
    exec 3>&-
    wait "$SENDER_PID" 2>/dev/null || true
    SENDER_PID=""
}
pad() { echo "$*" >&3; }
plug

near() { awk -v a="$1" -v b="$2" -v tol="$3" 'BEGIN { d = a - b; exit !(d <= tol && d >= -tol) }'; }
record() { "$RECORD" "$WORK/$1.f32" "$2" Vexaline || fail "no recording $1"; }
expect_rms() {
    record "$1" 1
    rms=$("$CHECK" rms "$WORK/$1.f32")
    echo "$1: rms $rms"
    near "$rms" "$2" "$3" || fail "$1: level $rms, not $2"
}
expect_tone() {
    record "$1" "$2"
    hz=$("$CHECK" freq "$WORK/$1.f32" 44100)
    echo "$1: $hz Hz"
    awk -v h="$hz" -v lo="$3" -v hi="$4" 'BEGIN { exit !(h >= lo && h <= hi) }' ||
        fail "$1 measures $hz Hz, not $3 to $4 Hz"
}

expect_rms stopped 0 0.01

# Cue: a tap sets the cue point; held, it plays from there until let go.
pad send 90 0c 7f
pad send 80 0c 00
sleep 0.3
pad send 90 0c 7f
sleep 0.3
expect_rms cueplay 0.35 0.05
pad send 80 0c 00
sleep 0.3
expect_rms cuereleased 0 0.01

pad send 90 0b 7f
pad send 80 0b 00
sleep 0.3
expect_tone play 2 999.5 1000.5

# The pitch fader at its top: coarse part, then fine part.
pad send b0 00 7f
pad send b0 20 7f
sleep 0.5
expect_tone fader 2 1079 1081

# The jog wheel turning forward, three steps every 8 ms for 3 s, bends the
# pitch up; stopped, the pitch is the fader's again.
pad repeat 375 8 b0 11 03
sleep 0.5
expect_tone jog 1 1085 1200
sleep 3
expect_tone jogstopped 2 1079 1081

# Unplugged and plugged back: connected again, and it still plays the deck.
unplug
sleep 1
plug
# The time is a figure for the log, not a check: a loaded machine slows it.
echo "replugged: connected $PLUGGED s after the port came back"
pad send 90 0b 7f
pad send 80 0b 00
sleep 0.5
expect_rms replugpaused 0 0.01

kill -0 "$PROGRAM_PID" || fail "the program ended"
echo "e2e-midi: passed"
