#!/bin/sh
# In one run on a JACK dummy server of its own (256-frame periods) under
# Xvfb, over SECONDS each: the deck playing a 320 kbit/s MP3 at +8 % and at
# pitch 0, the deck paused on it, `mpg123 -o jack` on the same file, and
# last the deck at +8 % once the server is gone (what it costs until the
# server is back).
# Each line gives the whole process's CPU % of one core, wakeups a second
# (voluntary and involuntary context switches) and the server's xruns, then
# the same per thread.
# usage: cpu_side_by_side.sh BUILD_DIR [SECONDS]   (needs jackd, sox, lame,
# mpg123, Xvfb, xdotool)
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-20}
. "$(dirname "$0")/jack_bench_lib.sh"
jack_bench_under_xvfb "$0" "$@"
jack_bench_setup

start_deck
window=$(wait_for_song_window)
sleep 2
measure_threads "$deck" "deck, pitch 0"
deck_to_plus_8 "$window"
sleep 2
measure_threads "$deck" "deck, +8 %"
deck_play_pause "$window"
sleep 2
measure_threads "$deck" "deck, paused"
end_process "$deck"

start_mpg123
sleep 2
measure_threads "$player" "mpg123 -o jack, same file"
end_mpg123

start_deck
window=$(wait_for_song_window)
deck_to_plus_8 "$window"
end_process "$jackd_pid"
sleep 3
measure_threads "$deck" "deck, +8 %, the server gone"
end_process "$deck"
