#!/bin/sh
# End to end on a real sound server: the program plays through PortAudio to a
# JACK server of this test's own (dummy driver, a unique name, so parallel
# runs never meet) while a JACK client of the test records its output ports.
# Checks: a song's samples arrive untouched at pitch 0; a 1 kHz tone at +8 %
# measures 1080 Hz; on a server at 48 kHz the tone keeps its pitch. Then,
# through the player's own JACK client: the server killed during play and
# started again, sound is back within 3 s of the new server's start and the
# program still runs. Every process started here is ended by its id.
#
# Usage: e2e-jack.sh PROGRAM RECORDER CHECKER WORK-FOLDER
# Without a display it re-runs itself on one of its own (scripts/with-display.sh).
set -eu
PROGRAM=$(realpath "$1")
RECORD=$(realpath "$2")
CHECK=$(realpath "$3")
WORK=$(realpath -m "$4")

if [ -z "${VX_E2E_UNDER_XVFB:-}" ]; then
    rm -rf "$WORK"
    mkdir -p "$WORK"
    VX_E2E_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi

JACKD_PID=""
PROGRAM_PID=""
cleanup() {
    for pid in $PROGRAM_PID $JACKD_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

# On failure the program's and the servers' own words go with the reason.
fail() {
    echo "e2e-jack: $*" >&2
    for log in program.out jackd.out; do
        echo "--- the end of $log:" >&2
        tail -n 40 "$WORK/$log" >&2 2>/dev/null || true
    done
    exit 1
}

export QT_QPA_PLATFORM=xcb
export JACK_DEFAULT_SERVER="vx-e2e-$$-$(date +%s%N)"
export JACK_NO_AUDIO_RESERVATION=1
export VEXALINE_AUDIO=portaudio:jack
export XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"

# Starts the server at rate $1 and waits until it answers; SERVER_STARTED
# holds the time of its start.
start_server() {
    SERVER_STARTED=$(date +%s.%N)
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r "$1" -p 256 \
        >>"$WORK/jackd.out" 2>&1 &
    JACKD_PID=$!
    tries=0
    until jack_lsp >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 300 ] || fail "the JACK server did not start"
        sleep 0.1
    done
}

stop_server() {
    kill "$JACKD_PID"
    wait "$JACKD_PID" 2>/dev/null || true
    JACKD_PID=""
}

# Starts the program on song $1 and waits for its window.
start_program() {
    "$PROGRAM" "$1" >>"$WORK/program.out" 2>&1 &
    PROGRAM_PID=$!
    timeout 60 xdotool search --sync --onlyvisible --name "$(basename "$1" .wav)" >/dev/null ||
        fail "the window never showed $1"
}

stop_program() {
    kill "$PROGRAM_PID"
    wait "$PROGRAM_PID" 2>/dev/null || true
    PROGRAM_PID=""
}

CLIENT=PortAudio
record() { "$RECORD" "$WORK/$1.f32" "$2" "$CLIENT" || fail "no recording $1"; }

near() { awk -v a="$1" -v b="$2" -v tol="$3" 'BEGIN { d = a - b; exit !(d <= tol && d >= -tol) }'; }

sox -q -n -r 44100 -c 2 -b 16 "$WORK/music.wav" synth 20 pinknoise vol 0.4
sox -q -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth 120 sine 1000 vol 0.5

start_server 44100

# Transparency: what reaches the server is the song's own samples.
start_program "$WORK/music.wav"
record music 4
"$CHECK" match "$WORK/music.wav" "$WORK/music.f32" || fail "the music did not arrive untouched"
stop_program

# Moves the pitch slider to its end: +8 % with the range of the settings.
pitch_up() {
    window=$(xdotool search --onlyvisible --name tone | head -n 1)
    for _ in $(seq 20); do
        xdotool mousemove --window "$window" 342 205 click 1
        sleep 0.05
    done
    sleep 0.5
}

# Records two seconds as $1 from a server at rate $2 and checks that the
# tone measures $3 Hz within $4 Hz.
expect_tone() {
    record "$1" 2
    hz=$("$CHECK" freq "$WORK/$1.f32" "$2")
    echo "$1: $hz Hz at $2 Hz"
    near "$hz" "$3" "$4" || fail "$1 measures $hz Hz, not $3 Hz"
}

# Pitch: a 1 kHz tone, then the same at +8 %.
start_program "$WORK/tone.wav"
expect_tone tone 44100 1000 0.5
pitch_up
expect_tone fast 44100 1080 1
stop_program
stop_server

# A server at 48 kHz: the device refuses 44.1 kHz, the mixer converts.
start_server 48000
start_program "$WORK/tone.wav"
pitch_up
expect_tone wide 48000 1080 1
stop_program
stop_server

# Recovery: the player's own JACK client comes back after a server restart.
export VEXALINE_AUDIO=jack
CLIENT=Vexaline
start_server 44100
start_program "$WORK/tone.wav"
record before 1
near "$("$CHECK" rms "$WORK/before.f32")" 0.35 0.05 || fail "no sound before the restart"
stop_server
# Long enough for the player to notice and find no server at least once.
sleep 1
start_server 44100
# The recording's time runs from the recorder's start, a few hundredths of a
# second after this.
recording_started=$(date +%s.%N)
"$RECORD" "$WORK/back.f32" 5 "$CLIENT" --from-start || fail "no recording after the restart"
onset=$("$CHECK" onset "$WORK/back.f32" 44100) || fail "no sound after the restart"
back=$(awk -v a="$SERVER_STARTED" -v b="$recording_started" -v c="$onset" \
    'BEGIN { printf "%.2f", b - a + c }')
echo "back: sound $back s after the new server's start"
awk -v t="$back" 'BEGIN { exit !(t <= 3) }' || fail "sound came back $back s after the server, not within 3 s"
kill -0 "$PROGRAM_PID" || fail "the program ended with the server"
expect_tone after 44100 1000 0.5
stop_program
stop_server
echo "e2e-jack: passed"
