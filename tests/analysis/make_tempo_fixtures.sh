#!/bin/sh
# Makes songs of known tempo for the tempo tests, with sox: kick-and-hat
# patterns (straight, swung, sixteenths) and tonal loops, some with a
# tempo-less intro and outro, at 44.1 and 48 kHz, at the range's ends, plus an MP3, a 24-bit FLAC,
# an Ogg Vorbis and a song
# without a beat. Beat n starts at sample round(n x period), so the tempo is
# exact however the period falls between samples.
# Writes the songs and tempo-fixtures.txt ("file bpm first-beat-ms", bpm 0
# for no beat, first beat -1 where the encoder's delay moves it)
# into the folder given.
set -eu
# sox warns about every hat padded past its beat; only errors matter here.
export SOX_OPTS="-V1 -R"
out=$1
list="$out/tempo-fixtures.txt"
# Made once per build folder, again when this script changes.
[ -f "$list" ] && [ "$list" -nt "$0" ] && exit 0
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: >"$list.tmp"

sounds() { # rate
    r=$1
    sox -n -r "$r" -c 1 "$work/kick$r.wav" synth 0.14 sine 160-45 fade 0 0.14 0.11 vol 0.9
    sox -n -r "$r" -c 1 "$work/hat$r.wav" synth 0.035 whitenoise highpass 6000 fade 0 0.035 0.03 vol 0.25
    for note in 0 1 2 3; do
        freq=$(echo "$note" | awk '{ split("220 262 196 330", f, " "); print f[$1 + 1] }')
        sox -n -r "$r" -c 1 "$work/note$note-$r.wav" synth 0.18 pluck "$freq" fade 0 0.18 0.1 vol 0.8
    done
}

# beat STYLE RATE LENGTH POSITION: one beat of LENGTH samples at the given
# position in its bar.
beat() {
    style=$1 r=$2 len=$3 pos=$4 file="$work/beat-$1-$2-$3-$4.wav"
    [ -f "$file" ] && { echo "$file"; return; }
    case $style in
    straight) hats=$(awk -v l="$len" 'BEGIN { printf "%d", l / 2 }') ;;
    swing) hats=$(awk -v l="$len" 'BEGIN { printf "%d", l * 2 / 3 }') ;;
    sixteenths) hats=$(awk -v l="$len" 'BEGIN { printf "%d %d %d", l / 4, l / 2, l * 3 / 4 }') ;;
    esac
    if [ "$style" = tonal ]; then
        sox "$work/note$pos-$r.wav" "$file" pad 0 "${len}s" trim 0 "${len}s"
    else
        set -- -m -v 1 "$work/kick$r.wav"
        for h in $hats; do set -- "$@" -v 1 "|sox $work/hat$r.wav -p pad ${h}s"; done
        sox "$@" "$file" pad 0 "${len}s" trim 0 "${len}s"
    fi
    echo "$file"
}

# song NAME STYLE BPM RATE SECONDS FRAMING: FRAMING "bare" or "framed"
# (8 s of a soft pad before and after the beat).
song() {
    name=$1 style=$2 bpm=$3 r=$4 seconds=$5 framing=$6
    beats=$(awk -v b="$bpm" -v s="$seconds" 'BEGIN { printf "%d", b * s / 60 }')
    set --
    n=0
    while [ "$n" -lt "$beats" ]; do
        len=$(awk -v b="$bpm" -v r="$r" -v n="$n" \
            'function rd(x) { return int(x + 0.5) } BEGIN { p = 60 * r / b; print rd((n + 1) * p) - rd(n * p) }')
        set -- "$@" "$(beat "$style" "$r" "$len" $((n % 4)))"
        n=$((n + 1))
    done
    sox "$@" "$work/beats.wav"
    if [ "$framing" = framed ]; then
        sox -n -r "$r" -c 1 "$work/pad.wav" synth 8 sine 110 sine 165 vol 0.2 fade 2 8 2
        sox "$work/pad.wav" "$work/beats.wav" "$work/pad.wav" "$work/framed.wav"
        mv "$work/framed.wav" "$work/beats.wav"
    fi
    sox "$work/beats.wav" -c 2 -b 16 "$out/$name.wav"
    first=$(awk -v b="$bpm" -v f="$framing" \
        'BEGIN { p = 60000 / b; s = f == "framed" ? 8000 : 0; printf "%.3f", s - int(s / p) * p }')
    echo "$name.wav $bpm $first" >>"$list.tmp"
}

sounds 44100
sounds 48000
song kickhat-70 straight 70 44100 40 bare
song swing-87.5 swing 87.5 48000 40 bare
song sixteenths-99.9 sixteenths 99.9 44100 35 framed
song kickhat-123.45 straight 123.45 44100 30 framed
song kickhat-128 straight 128 48000 30 bare
song tonal-93.33 tonal 93.33 48000 35 framed
song tonal-140 tonal 140 44100 30 bare
song swing-174 swing 174 44100 30 bare
song kickhat-179.5 straight 179.5 48000 30 bare
# Songs at exactly the range's ends keep their tempo: every loop style at
# both rates.
for style in straight swing sixteenths tonal; do
    for r in 44100 48000; do
        song "edge-$style-$r-70" "$style" 70 "$r" 30 bare
        song "edge-$style-$r-180" "$style" 180 "$r" 30 bare
    done
done
lame --quiet -b 192 "$out/kickhat-128.wav" "$out/kickhat-128.mp3"
echo "kickhat-128.mp3 128 -1" >>"$list.tmp"
# 24-bit and float sources, as FLAC and Ogg Vorbis decode.
sox "$out/swing-174.wav" -b 24 "$out/swing-174.flac"
echo "swing-174.flac 174 0" >>"$list.tmp"
oggenc --quiet -q 5 -o "$out/kickhat-123.45.ogg" "$out/kickhat-123.45.wav"
echo "kickhat-123.45.ogg 123.45 -1" >>"$list.tmp"
sox -n -r 44100 -c 2 -b 16 "$out/sine.wav" synth 30 sine 440 vol 0.5
echo "sine.wav 0 -1" >>"$list.tmp"
mv "$list.tmp" "$list"
