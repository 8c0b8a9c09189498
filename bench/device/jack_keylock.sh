#!/bin/sh
# Key lock on a JACK server (dummy driver, 256-frame periods) under Xvfb: the
# deck plays a 320 kbit/s MP3 at +8 % for SECONDS with key lock on, then
# with key lock off; for each, whole-process CPU (% of one core) and the
# server's xruns. The stretcher's latency comes from vx-render.
# usage: jack_keylock.sh BUILD_DIR [SECONDS]   (needs jackd, sox, lame,
# xvfb-run, xdotool). Every process it starts it ends by its id.
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
export JACK_DEFAULT_SERVER="vx-keylock-$$"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline"
sox -R -n -r 44100 -c 2 -b 16 "$work/song.wav" synth "$((seconds + 30))" sine 200-4000 pinknoise vol 0.5
lame --quiet -b 320 "$work/song.wav" "$work/song.mp3"

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >"$work/jackd.out" 2>&1 &
pids="$!"
until jack_lsp >/dev/null 2>&1; do sleep 0.1; done

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || true; }
xruns() { grep -c XRun "$work/jackd.out" || true; }

# Plays the song at +8 % with key lock $1 (Yes or No) and measures the deck.
run() {
    printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n"KeyLock"="%s"\n' \
        "$1" >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
    "$build/app/vexaline" "$work/song.mp3" >/dev/null 2>&1 &
    pid=$!
    pids="$pids $pid"
    window=$(xdotool search --sync --onlyvisible --name song | head -n 1)
    for _ in $(seq 20); do xdotool mousemove --window "$window" 342 205 click 1; sleep 0.05; done
    sleep 2
    before_cpu=$(ticks "$pid")
    before_xruns=$(xruns)
    sleep "$seconds"
    after_cpu=$(ticks "$pid")
    hz=$(getconf CLK_TCK)
    echo "deck, MP3 at +8 %, key lock $2: cpu $(awk -v a="$before_cpu" -v b="$after_cpu" \
        -v s="$seconds" -v hz="$hz" 'BEGIN { printf "%.2f", (b - a) * 100 / hz / s }') % of one" \
        "core, xruns $(($(xruns) - before_xruns))"
    kill "$pid"
    wait "$pid" || true
}
run Yes on
run No off
"$build/tools/render/vx-render" --keylock --pitch 8000 --duration 2000 "$work/song.mp3" |
    grep "key lock"
