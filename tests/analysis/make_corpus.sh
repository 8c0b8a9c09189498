#!/bin/sh
# Renders the realistic test corpus: the arrangements make_corpus.py writes,
# played by FluidSynth with the General MIDI sound font from Debian, some
# encoded to MP3, FLAC and Ogg Vorbis. Writes corpus.txt ("file bpm
# first-beat-ms key-tonic mode music-start-ms", first beat -1 where an
# encoder's delay moves it) into the folder given.
set -eu
out=$1
font=/usr/share/sounds/sf2/TimGM6mb.sf2
list="$out/corpus.txt"
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$list" ] && [ "$list" -nt "$0" ] && [ "$list" -nt "$here/make_corpus.py" ] && exit 0
mkdir -p "$out"
python3 "$here/make_corpus.py" "$out"
: >"$list.tmp"
n=0
while read -r name bpm first tonic mode start; do
    fluidsynth -ni -q -g 0.8 -r 44100 -F "$out/$name.wav" "$font" "$out/$name.mid" >/dev/null
    rm -f "$out/$name.mid"
    file="$name.wav"
    case $((n % 4)) in
    1) lame --quiet -b 192 "$out/$name.wav" "$out/$name.mp3" && file="$name.mp3" first=-1 ;;
    2) flac --silent -f -o "$out/$name.flac" "$out/$name.wav" && file="$name.flac" ;;
    3) oggenc --quiet -q 5 -o "$out/$name.ogg" "$out/$name.wav" && file="$name.ogg" first=-1 ;;
    esac
    [ "$file" = "$name.wav" ] || rm -f "$out/$name.wav"
    echo "$file $bpm $first $tonic $mode $start" >>"$list.tmp"
    n=$((n + 1))
done <"$out/corpus-truth.txt.tmp"
rm -f "$out/corpus-truth.txt.tmp"
mv "$list.tmp" "$list"
