#!/bin/sh
# The deck on a JACK server (dummy driver, 256-frame periods) under Xvfb:
#   - start to a shown window, three times;
#   - whole-process CPU and the server's xruns over SECONDS of a 320 kbit/s
#     MP3 at +8 %, side by side with `mpg123 -o jack` on the same file and
#     with a trivial PortAudio client, each alone on the server;
#   - the same xrun count with both cores kept busy.
# usage: jack_measure.sh BUILD_DIR [SECONDS]   (needs jackd, sox, lame,
# mpg123, xvfb-run, xdotool). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-60}
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" VEXALINE_AUDIO=portaudio:jack
export JACK_DEFAULT_SERVER="vx-measure-$$"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
sox -R -n -r 44100 -c 2 -b 16 "$work/song.wav" synth "$((seconds + 30))" sine 200-4000 pinknoise vol 0.5
lame --quiet -b 320 "$work/song.wav" "$work/song.mp3"

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >"$work/jackd.out" 2>&1 &
jackd_pid=$!
pids="$jackd_pid"
until jack_lsp >/dev/null 2>&1; do sleep 0.1; done

# CPU ticks of process $1 so far; empty once it has ended.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || true; }
xruns() { grep -c XRun "$work/jackd.out" || true; }

# Measures process $1 over the run: prints CPU % of one core and xruns.
measure() {
    before_cpu=$(ticks "$1")
    before_xruns=$(xruns)
    sleep "$seconds"
    after_cpu=$(ticks "$1")
    if [ -z "$before_cpu" ] || [ -z "$after_cpu" ]; then
        echo "$2: ended before the measurement did"
        return
    fi
    hz=$(getconf CLK_TCK)
    echo "$2: cpu $(awk -v a="$before_cpu" -v b="$after_cpu" -v s="$seconds" -v hz="$hz" \
        'BEGIN { printf "%.2f", (b - a) * 100 / hz / s }') % of one core," \
        "xruns $(($(xruns) - before_xruns))"
}

for run in 1 2 3; do
    start=$(date +%s%N)
    "$build/app/vexaline" "$work/song.mp3" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --name song >/dev/null
    echo "start to window (run $run): $((($(date +%s%N) - start) / 1000000)) ms"
    if [ "$run" -lt 3 ]; then kill "$pid"; wait "$pid" || true; fi
done
pids="$pids $pid"
window=$(xdotool search --onlyvisible --name song | head -n 1)
for _ in $(seq 20); do xdotool mousemove --window "$window" 342 205 click 1; sleep 0.05; done
sleep 2
measure "$pid" "deck, MP3 at +8 %"
kill "$pid"; wait "$pid" || true

# Runs the command in $2.. in the background, measures it as $1, ends it.
measure_command() {
    label=$1
    shift
    "$@" 2>/dev/null &
    pid=$!
    pids="$pids $pid"
    sleep 2
    measure "$pid" "$label"
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
}

measure_command "mpg123 -o jack, same file" mpg123 -q -o jack "$work/song.mp3"
measure_command "trivial PortAudio client" "$build/bench/device/vx_pa_tone" "$((seconds + 5))"

# Both cores busy.
busy=""
for _ in 1 2; do sh -c 'while :; do :; done' & busy="$busy $!"; done
pids="$pids $busy"
measure_command "deck at pitch 0, both cores busy" "$build/app/vexaline" "$work/song.mp3"
measure_command "trivial PortAudio client, both cores busy" \
    "$build/bench/device/vx_pa_tone" "$((seconds + 5))"
kill $busy
