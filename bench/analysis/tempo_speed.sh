#!/bin/sh
# Makes a five-minute 44.1 kHz MP3 of known tempo (the 128 BPM kick-and-hat
# fixture repeated) and runs the tempo benchmarks on it.
# usage: tempo_speed.sh BUILD_DIR   (needs sox and lame)
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
