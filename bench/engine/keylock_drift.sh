#!/bin/sh
# Key lock over a long play: a click train of MINUTES (default 10) rendered
# by vx-render at +8 % with key lock on. Each click's loudest output frame is
# compared with where the tempo puts the click; prints the worst error, the
# mean error over the first and the last ten clicks (their difference is the
# drift), the render's CPU time and the stretcher's latency.
# usage: keylock_drift.sh BUILD_DIR [MINUTES [off]]   (needs sox); "off"
# renders without key lock, the control for the fixture and the measure.
# VEXALINE_KEYLOCK=r3-short|r3|r2 picks the stretcher's engine.
set -eu
build=$(realpath "${1:?build folder}")
minutes=${2:-10}
keylock=--keylock
[ "${3:-on}" = off ] && keylock=
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
period=0.4371
clicks=$(awk -v m="$minutes" -v p="$period" 'BEGIN { printf "%d", m * 60 / p }')
sox -R -D -n -r 44100 -c 2 -b 16 "$work/clicks.wav" \
    synth 0.0007 square 1000 gain -3 pad 0.0503 0.3861 repeat "$((clicks - 1))"
/usr/bin/time -f "render cpu %U s user, %S s system" \
    "$build/tools/render/vx-render" $keylock --pitch 8000 --report 100000000 \
    "$work/clicks.wav" "$work/out.wav" | grep -E "rendered|key lock"
sox "$work/out.wav" -t dat - remix 1 | awk -v p="$period" -v n="$clicks" '
    BEGIN { speed = 47627 / 44100 }
    /^;/ { next }
    {
        i = NR - 3; x = $2 < 0 ? -$2 : $2
        k = int((i / 44100 * speed - 0.0503) / p + 0.5)
        if (k >= 0 && k < n && x > best[k]) { best[k] = x; at[k] = i }
    }
    END {
        worst = 0; missing = 0
        for (k = 0; k < n; k++) {
            if (best[k] < 0.25) { missing++; continue }
            e = (at[k] - (0.0503 + k * p) * 44100 / speed) / 44.1
            if (e < 0 ? -e > worst : e > worst) worst = e < 0 ? -e : e
            if (k < 10) first += e / 10
            if (k >= n - 10) last += e / 10
        }
        printf "%d clicks, %d missing; worst %.3f ms; first ten %.3f ms, last ten %.3f ms: drift %.3f ms\n",
            n, missing, worst, first, last, last - first
    }'
