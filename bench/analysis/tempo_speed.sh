#!/bin/sh
# Makes a five-minute 44.1 kHz MP3 of known tempo (the 128 BPM kick-and-hat
# fixture repeated) and runs the analysis benchmarks on it.
# usage: tempo_speed.sh BUILD_DIR   (needs sox and lame)
# With VX_TEMPO_MUSIC=1 also the whole pass on six minutes of rendered music
# (the test corpus joined, needs fluidsynth, flac and oggenc) and on a hot
# master of it (12 dB up, clipped), whose samples keep near their peak.
set -eu
build=${1:?build folder}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sh "$here/../../tests/analysis/make_tempo_fixtures.sh" "$work/songs"
one="$work/songs/kickhat-128.wav"
sox "$one" "$one" "$one" "$one" "$one" "$one" "$one" "$one" "$one" "$one" "$work/song.wav"
lame --quiet -b 192 "$work/song.wav" "$work/song.mp3"
VX_TEMPO_SONG="$work/song.mp3" "$build/bench/analysis/analysis_bench"
if [ "${VX_TEMPO_MUSIC:-0}" = 1 ]; then
    sh "$here/../../tests/analysis/make_corpus.sh" "$work/corpus"
    for song in $(grep -v '[.]mp3 ' "$work/corpus/corpus.txt" | cut -d' ' -f1); do
        sox "$work/corpus/$song" -r 44100 -c 2 -b 16 "$work/part-$song.wav"
    done
    sox "$work"/part-*.wav "$work/music.wav"
    sox "$work/music.wav" "$work/hot.wav" gain -n 12 gain -0.3 2>/dev/null
    for song in music hot; do
        lame --quiet -b 192 "$work/$song.wav" "$work/$song.mp3"
        echo "$song:"
        VX_TEMPO_SONG="$work/$song.mp3" "$build/bench/analysis/analysis_bench" \
            --benchmark_filter=AnalyzeSong/7/ # 7: every part
    done
fi
# With VX_TEMPO_LONG=1 also a three-hour song (8 kHz mono MP3): the time
# and memory of one analysis by vx-render --bpm.
if [ "${VX_TEMPO_LONG:-0}" = 1 ]; then
    sox "$one" -r 8000 -c 1 -t wav - repeat 359 | lame --quiet -b 8 - "$work/long.mp3"
    /usr/bin/time -f "three hours: %U s user, %M KiB peak" \
        "$build/tools/render/vx-render" --bpm "$work/long.mp3"
fi
