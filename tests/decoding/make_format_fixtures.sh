#!/bin/sh
# Makes the fixtures of the FFmpeg and extended WAV decoder tests in
# tests/data/formats/ and the seed files of their fuzz targets. Needs sox,
# flac, ffmpeg, oggenc, opusenc and lame. The audio is deterministic: sox -R
# repeats its noise, the encoders run with fixed settings, and damage is
# written at fixed offsets; Ogg files get new random stream serial numbers.
set -eu
# Seeded random bytes: garbage that may hold anything, the same every run.
garbage() {
    python3 -c 'import random, sys; random.seed(int(sys.argv[2])); sys.stdout.buffer.write(random.randbytes(int(sys.argv[1])))' "$1" "$2"
}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out="$root/tests/data/formats"
seeds="$root/tests/fuzz/seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*

ff() { ffmpeg -nostdin -loglevel error -y "$@"; }

# Music-like test signal: a swept tone in one channel, pink noise with a
# tremolo in the other, so that frames differ and no stretch is silent.
sox -R -n -r 44100 -c 2 -b 24 "$work/s24.wav" synth 1 sine 200-4000 pinknoise \
    tremolo 3 60 vol 0.5
sox -R "$work/s24.wav" -b 16 "$work/s16.wav"
# Uncompressed layouts need less to show their samples.
sox -R "$work/s24.wav" "$work/h24.wav" trim 0 0.4
sox -R "$work/s16.wav" "$work/h16.wav" trim 0 0.4
# Six channels, each its own tone, for the fold to stereo.
sox -R -n -r 44100 -c 6 -b 16 "$out/surround16.wav" synth 0.25 sine 300 sine 500 sine 700 \
    sine 900 sine 1100 sine 1300 vol 0.3

# Lossless sources, tagged the way each format is tagged.
flac -s -8 -f -T ARTIST="Flac Artist" -T TITLE="Flac Title" -o "$out/flac16.flac" "$work/s16.wav"
flac -s -5 -f -o "$out/flac24.flac" "$work/s24.wav"
flac -s -5 -f -o "$out/surround.flac" "$out/surround16.wav"
ff -i "$work/h16.wav" -write_id3v2 1 -metadata artist="Aiff Artist" -metadata title="Aiff Title" \
    -fflags +bitexact "$out/aiff16.aiff"
sox -R "$work/h24.wav" "$out/aiff24.aif"
sox -R "$work/h16.wav" -e floating-point -b 32 "$out/float.aifc"
ff -i "$work/s16.wav" -c:a alac -fflags +bitexact "$out/alac.m4a"

# Lossy codecs.
ff -i "$work/s16.wav" -c:a aac -b:a 128k -metadata artist="Aac Artist" \
    -metadata title="Aac Title" -fflags +bitexact "$out/aac.m4a"
oggenc -Q -q 4 -a "Vorbis Artist" -t "Vorbis Title" -o "$out/vorbis.ogg" "$work/s16.wav"
opusenc --quiet --bitrate 96 --artist "Opus Artist" --title "Opus Title" "$work/s16.wav" \
    "$out/opus.opus"

# Longer files, so that the length count decodes only their ends.
sox -R -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 8 sine 440 vol 0.1
flac -s -5 -f -o "$out/long.flac" "$work/long.wav"
opusenc --quiet --bitrate 24 "$work/long.wav" "$out/long.opus"
ff -i "$work/long.wav" -c:a aac -b:a 48k -fflags +bitexact "$out/long.m4a"

# WAV layouts beyond 8/16-bit PCM: extensible 24-bit, float, 32-bit, and RIFF
# INFO tags.
sox -R "$work/h24.wav" "$out/ext24.wav"
sox -R "$work/h16.wav" -e floating-point -b 32 "$out/float32.wav"
sox -R "$work/h16.wav" -e signed -b 32 "$out/int32.wav"
ff -i "$work/h16.wav" -c:a pcm_s16le -metadata artist="Wave Artist" \
    -metadata title="Wave Title" -fflags +bitexact "$out/info.wav"

# Damaged and mislabelled files.
size=$(wc -c <"$out/flac16.flac")
head -c $((size / 2)) "$out/flac16.flac" >"$out/truncated.flac"
cp "$out/flac16.flac" "$out/corrupt_middle.flac"
garbage 3000 1 |
    dd of="$out/corrupt_middle.flac" bs=1 seek=$((size / 2)) conv=notrunc status=none
cp "$out/aac.m4a" "$out/corrupt_middle.m4a"
size=$(wc -c <"$out/aac.m4a")
garbage 2000 2 |
    dd of="$out/corrupt_middle.m4a" bs=1 seek=$((size / 2)) conv=notrunc status=none
: >"$out/empty.flac"
sox -R -n -r 44100 -c 2 "$work/short.wav" synth 0.3 sine 440
lame --quiet -b 128 "$work/short.wav" "$out/mp3_inside.flac"
ff -f lavfi -i testsrc=size=32x32:rate=5:duration=0.4 -c:v mpeg4 -fflags +bitexact \
    "$out/video_only.mp4"
# A sound track whose codec no decoder knows: the sample entry's code renamed.
python3 - "$out/alac.m4a" "$out/unknown_codec.m4a" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
at = data.index(b'alac', data.index(b'stsd'))
open(sys.argv[2], 'wb').write(data[:at] + b'zzzz' + data[at + 4:])
PY

# Fuzz seeds: small, whole files.
mkdir -p "$seeds/fuzz_ffmpeg_decoder"
for name in flac16.flac aiff16.aiff alac.m4a vorbis.ogg opus.opus; do
    head -c 12000 "$out/$name" >"$seeds/fuzz_ffmpeg_decoder/$name"
done
cp "$out/aac.m4a" "$seeds/fuzz_ffmpeg_decoder/aac.m4a"
mkdir -p "$seeds/fuzz_wav"
for name in ext24.wav float32.wav int32.wav surround16.wav; do
    head -c 600 "$out/$name" >"$seeds/fuzz_wav/$name"
done
ls -l "$out"
