#!/bin/sh
# Synthesises the demo track that `make run` plays: eight seconds of a plucked
# bass line and melody over a kick drum at 120 beats per minute, written as an
# MP3 (a WAV where lame is missing). Usage: make-demo-track.sh OUTPUT-BASE
# (without extension); prints the path of the file it wrote.
set -eu
OUT="$1"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
RATE=44100

note() { # note FILE PITCH...: half a beat of plucked notes
    sox -q -n -r $RATE -c 2 "$WORK/$1.wav" synth 0.25 pluck "$2" pluck "$3" \
        fade 0 0.25 0.1 vol 0.5
}

i=0
for pair in "C2 E4" "C3 G4" "G2 C5" "C3 G4" "A1 A4" "A2 E4" "E2 C5" "A2 E4" \
            "F2 F4" "F3 A4" "C3 C5" "F3 A4" "G2 G4" "G3 B4" "D3 D5" "B2 B4"; do
    set -- $pair
    note "n$(printf %02d $i)" "$1" "$2"
    i=$((i + 1))
done
sox -q "$WORK"/n*.wav "$WORK/melody.wav" repeat 1

# One kick per beat: a falling sine with a fast decay.
sox -q -n -r $RATE -c 2 "$WORK/kick.wav" synth 0.5 sine 110-40 fade 0 0.5 0.45 vol 0.9
sox -q "$WORK/kick.wav" "$WORK/beat.wav" repeat 15
sox -q -m "$WORK/melody.wav" "$WORK/beat.wav" "$WORK/demo.wav" norm -3

if command -v lame >/dev/null 2>&1; then
    lame --quiet -b 160 --tt "Vexaline demo" --ta "Vexaline" "$WORK/demo.wav" "$OUT.mp3"
    echo "$OUT.mp3"
else
    cp "$WORK/demo.wav" "$OUT.wav"
    echo "$OUT.wav"
fi
