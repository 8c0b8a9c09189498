#!/bin/sh
# Key lock on a JACK server (dummy driver, 256-frame periods) under Xvfb: the
# deck plays a 320 kbit/s MP3 at +8 % for SECONDS with key lock on, then
# with key lock off; for each, whole-process CPU (% of one core) and the
# server's xruns. The stretcher's latency comes from vx-render.
# usage: jack_keylock.sh BUILD_DIR [SECONDS]   (needs jackd, sox, lame,
# Xvfb, xdotool). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-60}
here=$(dirname "$(realpath "$0")")
. "$here/jack_bench_lib.sh"
jack_bench_under_xvfb "$0" "$@"
jack_bench_setup

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || true; }
xruns() { grep -c XRun "$work/jackd.out" || true; }

# Plays the song at +8 % with key lock $1 (Yes or No) and measures the deck.
run() {
    printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n"KeyLock"="%s"\n' \
        "$1" >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
    start_deck
    pid=$deck
    window=$(wait_for_song_window)
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
    end_process "$pid"
}
run Yes on
run No off
"$build/tools/render/vx-render" --keylock --pitch 8000 --duration 2000 "$work/song.mp3" |
    grep "key lock"
