#!/bin/sh
# Makes songs of known key and loudness with sox: a plain chord progression
# (I-IV-V-I, or i-iv-V-i with the raised leading note) in each of the 24
# keys, played on plucked strings over a bass, after a lead-in of faint hiss
# of odd length; two of them detuned by 30 cents; and EBU Tech 3341's
# loudness test signals 1, 2, 3 and 5 (1 kHz tones whose loudness the
# document gives).
# Writes the songs and key-fixtures.txt ("file key music-start-ms", key as
# "tonic-pitch-class major|minor") and loudness-fixtures.txt ("file lufs")
# into the folder given.
set -eu
export SOX_OPTS="-V1 -R"
out=$1
list="$out/key-fixtures.txt"
[ -f "$list" ] && [ "$list" -nt "$0" ] && exit 0
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: >"$list.tmp"

# chord FILE CENTS BASS N1 N2 N3: two seconds of a chord, notes in
# semitones from A4, all shifted by CENTS.
chord() {
    file=$1 cents=$2
    shift 2
    set -- "$@"
    args=""
    for n in "$@"; do
        args="$args pluck %$(awk -v n="$n" -v c="$cents" 'BEGIN { printf "%.2f", n + c / 100 }')"
    done
    # shellcheck disable=SC2086
    sox -n -r 44100 -c 2 "$file" synth 1.9 $args fade 0 1.9 0.4 vol 0.25
}

# song NAME TONIC MODE CENTS LEADIN_S
song() {
    name=$1 tonic=$2 mode=$3 cents=$4 leadin=$5
    t=$((tonic - 9))        # the tonic in octave 4, in semitones from A4
    if [ "$mode" = major ]; then third=4; else third=3; fi
    chord "$work/i.wav" "$cents" $((t - 24)) "$t" $((t + third)) $((t + 7))
    chord "$work/iv.wav" "$cents" $((t - 19)) $((t + 5)) $((t + 5 + third)) $((t + 12))
    chord "$work/v.wav" "$cents" $((t - 17)) $((t + 7)) $((t + 11)) $((t + 14))
    sox -n -r 44100 -c 2 "$work/lead.wav" synth "$leadin" whitenoise vol 0.0003
    sox "$work/lead.wav" "$work/i.wav" "$work/iv.wav" "$work/v.wav" "$work/i.wav" \
        "$work/iv.wav" "$work/v.wav" "$work/i.wav" "$work/iv.wav" "$work/v.wav" "$work/i.wav" \
        "$out/$name.wav"
    start=$(awk -v s="$leadin" 'BEGIN { printf "%.1f", s * 1000 }')
    echo "$name.wav $tonic $mode $start" >>"$list.tmp"
}

tonic=0
for tonic in 0 1 2 3 4 5 6 7 8 9 10 11; do
    leadin=$(awk -v k="$tonic" 'BEGIN { printf "%.4f", 0.4321 + k * 0.1537 }')
    song "key-$tonic-major" "$tonic" major 0 "$leadin"
    song "key-$tonic-minor" "$tonic" minor 0 "$leadin"
done
song key-detuned-7-major 7 major 30 1.2345
song key-detuned-2-minor 2 minor -30 0.9876

# EBU Tech 3341 cases 1, 2, 3 and 5: stereo 1 kHz tones at 48 kHz.
tone() { # FILE SECONDS DBFS
    sox -n -r 48000 -c 2 -b 24 "$1" synth "$2" sine 1000 vol "$3"dB
}
loud="$out/loudness-fixtures.txt"
tone "$out/ebu-1.wav" 20 -23
tone "$out/ebu-2.wav" 20 -33
tone "$work/a.wav" 10 -36
tone "$work/b.wav" 60 -23
sox "$work/a.wav" "$work/b.wav" "$work/a.wav" "$out/ebu-3.wav"
tone "$work/c.wav" 20 -26
tone "$work/d.wav" 20.1 -20
sox "$work/c.wav" "$work/d.wav" "$work/c.wav" "$out/ebu-5.wav"
printf "ebu-1.wav -23\nebu-2.wav -33\nebu-3.wav -23\nebu-5.wav -23\n" >"$loud"
mv "$list.tmp" "$list"
