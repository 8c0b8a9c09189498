#!/bin/sh
# Soak on a JACK dummy server of its own (256-frame periods, no real-time)
# under Xvfb: the deck playing a 320 kbit/s MP3 at +8 % for MINUTES, then
# `mpg123 -o jack` on the same file for as long. For every minute: xruns,
# CPU % of one core and resident memory, so growth with play time shows.
# usage: soak.sh MINUTES [BUILD_DIR]   (BUILD_DIR defaults to ./build; needs
# jackd, sox, lame, mpg123, Xvfb, xdotool)
set -eu
minutes=${1:?minutes}
build=$(realpath "${2:-build}")
seconds=$((minutes * 60))
. "$(dirname "$0")/jack_bench_lib.sh"
jack_bench_under_xvfb "$0" "$@"
jack_bench_setup

# One line a minute of process $1, labelled $2.
soak() {
    for minute in $(seq "$minutes"); do
        cpu0=$(ticks "$1")
        xruns0=$(xruns)
        sleep 60
        cpu1=$(ticks "$1")
        [ -n "$cpu1" ] || { echo "$2: ended in minute $minute"; return; }
        echo "$2 minute $minute: xruns $(($(xruns) - xruns0))," \
            "cpu $(awk -v a="$cpu0" -v b="$cpu1" -v hz="$(getconf CLK_TCK)" \
                'BEGIN { printf "%.2f", (b - a) * 100 / hz / 60 }') %," \
            "rss $(($(rss_kb "$1") / 1024)) MB"
    done
}

start_deck
window=$(wait_for_song_window)
deck_to_plus_8 "$window"
sleep 2
soak "$deck" "deck +8 %"
end_process "$deck"

start_mpg123
sleep 2
soak "$player" "mpg123 -o jack"
end_mpg123
