#!/bin/sh
# Makes the MPEG audio fixtures of the decoder tests in tests/data/mpeg/ and
# the seed files of the MPEG fuzz targets. Needs sox, lame and twolame.
# Deterministic: sox -R repeats its noise, the encoders are run with fixed
# settings, and corruption is written at fixed offsets.
set -eu
# Seeded random bytes: garbage that may hold anything, the same every run.
garbage() {
    python3 -c 'import random, sys; random.seed(int(sys.argv[2])); sys.stdout.buffer.write(random.randbytes(int(sys.argv[1])))' "$1" "$2"
}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out="$root/tests/data/mpeg"
seeds="$root/tests/fuzz/seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Music-like test signal: a swept tone in one channel, pink noise with a
# tremolo in the other, so that frames differ and the bit reservoir is used.
signal() { # rate channels seconds file
    sox -R -n -r "$1" -c 2 -b 16 "$work/st.wav" synth "$3" sine 200-4000 pinknoise \
        tremolo 3 60 vol 0.5
    sox -R "$work/st.wav" -c "$2" "$4"
}
lame_q() { lame --quiet --noreplaygain "$@"; }

signal 44100 2 2 "$work/s44.wav"
signal 48000 2 2 "$work/s48.wav"
signal 22050 1 2 "$work/s22m.wav"
signal 8000 1 3 "$work/s8m.wav"

lame_q -b 128 --tt "Song Title" --ta "Some Artist" --id3v1-only "$work/s44.wav" \
    "$out/cbr128_id3v1.mp3"
lame_q -V 2 "$work/s44.wav" "$out/vbr_xing.mp3"
lame_q -V 2 -t "$work/s44.wav" "$out/vbr_noxing.mp3"
lame_q -V 9 "$work/s44.wav" "$out/vbr_v9.mp3"
# Low bitrates at 44.1 kHz: small MPEG-1 frames, whose bit reservoir
# reaches many frames back.
lame_q -b 32 --resample 44.1 "$work/s44.wav" "$out/cbr32_44k.mp3"
lame_q -V 9 --resample 44.1 "$work/s44.wav" "$out/vbr_v9_44k.mp3"
lame_q -b 128 --tt "Tagged" --id3v2-only --pad-id3v2-size 3000 "$work/s44.wav" "$out/id3v2.mp3"
lame_q -b 32 -m m "$work/s22m.wav" "$out/mpeg2_l3_22k_mono.mp3"
lame_q -b 16 -m m "$work/s8m.wav" "$out/mpeg25_8k.mp3"
twolame --quiet -b 192 "$work/s48.wav" "$out/layer2_48k.mp2"
# Layer II at the device's rate: played untouched by the converter.
twolame --quiet -b 192 "$work/s44.wav" "$out/layer2_44k.mp2"

# 48 kHz at 128 kbit/s has no padding: every frame is 384 bytes, so whole
# frames are cut off by size. Without the Info frame (-t) every frame is audio.
lame_q -b 128 -t "$work/s48.wav" "$work/cbr48.mp3"
head -c $((20 * 384)) "$work/cbr48.mp3" >"$out/frames20.mp3"
head -c $((21 * 384)) "$work/cbr48.mp3" >"$out/frames21.mp3"

# A stretch of 700 bytes of garbage in the middle of the stream.
cp "$out/cbr128_id3v1.mp3" "$out/corrupt_middle.mp3"
garbage 700 3 |
    dd of="$out/corrupt_middle.mp3" bs=1 seek=15000 conv=notrunc status=none
# The last frame cut short.
head -c $(($(wc -c <"$out/vbr_noxing.mp3") - 200)) "$out/vbr_noxing.mp3" >"$out/truncated.mp3"
# A stream whose sample rate and channel count change midway.
lame_q -b 128 -t "$work/s44.wav" "$work/part1.mp3"
cat "$work/part1.mp3" "$out/mpeg2_l3_22k_mono.mp3" >"$out/format_change.mp3"

# Fuzz seeds: small, whole files.
for target in fuzz_mpeg_index fuzz_mpeg_decoder; do
    mkdir -p "$seeds/$target"
    cp "$out/frames21.mp3" "$out/mpeg25_8k.mp3" "$seeds/$target/"
    head -c 6000 "$out/vbr_xing.mp3" >"$seeds/$target/vbr_xing_head.mp3"
    head -c 6000 "$out/layer2_48k.mp2" >"$seeds/$target/layer2_head.mp2"
    # Leading tags of 100 bytes: two in a row, and one with a footer.
    { printf 'ID3\003\000\000\000\000\000\144'; head -c 100 /dev/zero
      printf 'ID3\003\000\000\000\000\000\144'; head -c 100 /dev/zero
      cat "$out/frames21.mp3"; } >"$seeds/$target/two_tags.mp3"
    { printf 'ID3\004\000\020\000\000\000\144'; head -c 100 /dev/zero
      printf '3DI\004\000\020\000\000\000\144'
      head -c 6000 "$out/vbr_xing.mp3"; } >"$seeds/$target/tag_footer_xing.mp3"
done
mkdir -p "$seeds/fuzz_id3v1_title"
tail -c 128 "$out/cbr128_id3v1.mp3" >"$seeds/fuzz_id3v1_title/tag.bin"
printf 'TAG%-30s%-30s' "Caf\351 Titel" "K\374nstler" >"$seeds/fuzz_id3v1_title/latin1.bin"
head -c 68 /dev/zero >>"$seeds/fuzz_id3v1_title/latin1.bin"
ls -l "$out"
