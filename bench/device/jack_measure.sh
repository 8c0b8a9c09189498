#!/bin/sh
# The deck on a JACK server (dummy driver, 256-frame periods) under Xvfb:
#   - start to the window mapped, painted and titled with the song, three
#     times (the X server's events, see jack_startup.sh);
#   - whole-process CPU and the server's xruns over SECONDS of a 320 kbit/s
#     MP3 at +8 %, side by side with `mpg123 -o jack` on the same file and
#     with a trivial PortAudio client, each alone on the server;
#   - the same xrun count with both cores kept busy.
# usage: jack_measure.sh BUILD_DIR [SECONDS]   (needs jackd, sox, lame,
# mpg123, Xvfb, xdotool). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-60}
. "$(dirname "$0")/jack_bench_lib.sh"
jack_bench_under_xvfb "$0" "$@"
jack_bench_setup

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
    "$build/bench/frontend/vx_startup_watch" song "$build/app/vexaline" "$work/song.mp3" |
        sed "s/^/start to window (run $run): /"
done
start_deck
window=$(wait_for_song_window)
deck_to_plus_8 "$window"
sleep 2
measure "$deck" "deck, MP3 at +8 %"
end_process "$deck"

# Runs the command in $2.. in the background, measures it as $1, ends it.
measure_command() {
    label=$1
    shift
    "$@" 2>/dev/null &
    pid=$!
    pids="$pids $pid"
    sleep 2
    measure "$pid" "$label"
    end_process "$pid"
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
