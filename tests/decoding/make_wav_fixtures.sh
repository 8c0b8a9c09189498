#!/bin/sh
# Makes the small seed files of the WAV fuzz target: a few PCM layouts as sox
# writes them, and two hand-made odd ones (chunks before the format, a data
# chunk that claims more than the file holds).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../fuzz/seeds/fuzz_wav"
mkdir -p "$out"

sox -n -r 8000 -c 1 -b 8 "$out/mono8.wav" synth 0.01 sine 440
sox -n -r 11025 -c 2 -b 16 "$out/stereo16.wav" synth 0.01 sine 440
sox -n -r 8000 -c 2 -b 24 "$out/stereo24.wav" synth 0.005 sine 440

# RIFF, a LIST chunk with an odd size and its pad byte, "fmt " (16-bit mono
# 8000 Hz), and a data chunk claiming 0xFFFFFF00 bytes of which 8 exist.
printf 'RIFF\377\377\377\377WAVELIST\003\000\000\000abc\000fmt \020\000\000\000\001\000\001\000\100\037\000\000\200\076\000\000\002\000\020\000data\000\377\377\377\001\002\003\004\005\006\007\010' \
    >"$out/odd-chunks.wav"
# MPEG Layer III tag with extra bytes, and an empty data chunk.
printf 'RIFF\062\000\000\000WAVEfmt \036\000\000\000\125\000\001\000\104\254\000\000\000\020\000\000\001\000\000\000\014\000\001\000\002\000\000\000\020\002\001\000\161\005data\000\000\000\000' \
    >"$out/mpeg-in-wave.wav"
