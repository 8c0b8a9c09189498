#!/bin/sh
# Renders a five-minute 44.1 kHz MPEG file with vx-render and prints its
# speed and the time each worker tick held the system lock.
# usage: render_speed.sh BUILD_DIR   (needs sox and lame)
set -eu
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -R -n -r 44100 -c 2 -b 16 "$work/song.wav" synth 300 sine 200-4000 pinknoise vol 0.5
lame --quiet -b 192 "$work/song.wav" "$work/song.mp3"
for pitch in 0 8000; do
    echo "pitch $pitch:"
    "$build/tools/render/vx-render" --pitch "$pitch" --report 600000 \
        "$work/song.mp3" "$work/out.wav" | tail -3
done
