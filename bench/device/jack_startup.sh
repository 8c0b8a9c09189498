#!/bin/sh
# The deck's start on a JACK server (dummy driver, 256-frame periods) under
# Xvfb, RUNS times: milliseconds from the launch to the window mapped, first
# exposed, first painted and titled with the song, as the X server reports
# them (vx_startup_watch: events, not polling), then the medians.
# The deck plays through PortAudio's JACK host unless VX_BENCH_AUDIO names
# another path (VX_BENCH_AUDIO=jack: the deck's own JACK client).
# usage: jack_startup.sh BUILD_DIR [RUNS]   (needs jackd, sox, lame,
# Xvfb). Every process it starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
runs=${2:-10}
seconds=5
. "$(dirname "$0")/jack_bench_lib.sh"
jack_bench_under_xvfb "$0" "$@"
jack_bench_setup

for run in $(seq "$runs"); do
    "$build/bench/frontend/vx_startup_watch" song "$build/app/vexaline" "$work/song.mp3" |
        sed "s/^/run $run: /"
done | tee "$work/runs.txt"
for what in mapped exposed painted titled; do
    awk -v what="$what" '$3 == what && $4 != "never" { print $4 }' "$work/runs.txt" | sort -n |
        awk -v what="$what" '{ v[NR] = $1 } END {
            if (NR) printf "median %s %.1f ms (min %.1f, max %.1f)\n", what, v[int((NR + 1) / 2)], v[1], v[NR] }'
done
