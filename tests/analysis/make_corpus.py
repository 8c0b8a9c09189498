#!/usr/bin/env python3
"""Writes the arrangements of the realistic test corpus as General MIDI
files, and their truth.

Each song: silence of an odd length, a tempo-less intro (some songs: one chord held),
then bars of drums (kick, snare, hats, straight or swung; some songs have
none), a bass on the chord roots, chords and a lead over a plain
progression in its key, then the tonic chord held. The truth: the tempo that the
file's whole-microsecond tempo gives, where the first beat and the music
start, and the key.

usage: make_corpus.py FOLDER   (writes NAME.mid and corpus-truth.txt:
"NAME bpm first-beat-ms key-tonic major|minor music-start-ms")
"""
import random
import struct
import sys

TICKS = 480  # per quarter note

# name, bpm, tonic (0 = C), minor, swing, drums, intro bars, lead-in ms
SONGS = [
    ("slow-70", 70.0, 9, True, False, True, 0, 437.0),
    ("hiphop-78.5", 78.5, 2, False, True, True, 2, 211.0),
    ("soul-87", 87.0, 7, True, True, True, 0, 93.0),
    ("ballad-95.25", 95.25, 4, False, False, False, 1, 1234.5),
    ("pop-103", 103.0, 11, True, False, True, 0, 57.0),
    ("funk-111.11", 111.11, 5, False, True, True, 2, 333.0),
    ("house-124.5", 124.5, 10, True, False, True, 0, 789.0),
    ("house-128", 128.0, 1, False, False, True, 4, 12.0),
    ("garage-137", 137.0, 6, True, True, True, 0, 1500.0),
    ("trance-150.75", 150.75, 3, False, False, False, 0, 640.0),
    ("dnb-166", 166.0, 8, True, False, True, 2, 250.0),
    ("edge-180", 180.0, 0, False, False, True, 0, 99.0),
]
GROOVE_BARS = 16
OUTRO_BARS = 2


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    def note(self, tick, length, channel, pitch, velocity):
        self.events.append((tick, 1, bytes([0x90 | channel, pitch, velocity])))
        self.events.append((tick + length, 0, bytes([0x80 | channel, pitch, 0])))

    def program(self, channel, program):
        self.events.append((0, 0, bytes([0xC0 | channel, program])))

    def write(self, path, tempo_us):
        events = [(0, 0, b"\xff\x51\x03" + tempo_us.to_bytes(3, "big"))] + self.events
        events.sort(key=lambda e: (e[0], e[1]))
        data, now = b"", 0
        for tick, _, body in events:
            data += vlq(tick - now) + body
            now = tick
        data += vlq(0) + b"\xff\x2f\x00"
        header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS)
        with open(path, "wb") as out:
            out.write(header + b"MTrk" + struct.pack(">I", len(data)) + data)


def chords_of(tonic, minor):
    """I-IV-V-I (i-iv-V-i with the raised leading note), as MIDI notes."""
    third = 3 if minor else 4
    root = 60 + tonic
    return [
        [root, root + third, root + 7],
        [root + 5, root + 5 + third, root + 12],
        [root + 7, root + 11, root + 14],
        [root, root + third, root + 7],
    ]


def song(folder, name, bpm, tonic, minor, swing, drums, intro_bars, lead_ms, truth):
    tempo_us = round(60e6 / bpm)
    ms_per_tick = tempo_us / TICKS / 1000.0
    start = round(lead_ms / ms_per_tick)
    bar = 4 * TICKS
    track = Track()
    # The intro and outro chord is struck on a piano and held: one onset,
    # no pulse, and an attack sharp enough to tell where the music starts
    # (a pad fades in over tens of milliseconds).
    for channel, program in ((0, 1), (1, 33), (2, 0), (3, 73)):
        track.program(channel, program)
    progression = chords_of(tonic, minor)
    if intro_bars:
        for pitch in progression[0]:
            track.note(start, intro_bars * bar - 10, 0, pitch - 12, 70)
    groove = start + intro_bars * bar
    rng = random.Random(name)
    for b in range(GROOVE_BARS):
        at = groove + b * bar
        chord = progression[b % 4]
        for pitch in chord:
            track.note(at, bar - 40, 2, pitch, 72)
        for beat in range(4):
            t = at + beat * TICKS
            track.note(t, TICKS // 2, 1, chord[0] - 24, 100)
            track.note(t, TICKS // 2 - 20, 3, rng.choice(chord) + 12, 64)
            if not drums:
                continue
            if beat % 2 == 0:
                track.note(t, 60, 9, 36, 120)
            else:
                track.note(t, 60, 9, 38, 105)
            offbeat = TICKS * 2 // 3 if swing else TICKS // 2
            track.note(t, 30, 9, 42, 80)
            track.note(t + offbeat, 30, 9, 42, 60)
    outro = groove + GROOVE_BARS * bar
    for pitch in progression[0]:
        track.note(outro, OUTRO_BARS * bar, 0, pitch - 12, 70)
    track.write(f"{folder}/{name}.mid", tempo_us)
    period_ms = tempo_us / 1000.0
    first_ms = (groove * ms_per_tick) % period_ms
    mode = "minor" if minor else "major"
    truth.write(
        f"{name} {60e6 / tempo_us:.6f} {first_ms:.3f} {tonic} {mode} {start * ms_per_tick:.3f}\n")


def main():
    folder = sys.argv[1]
    with open(f"{folder}/corpus-truth.txt.tmp", "w") as truth:
        for entry in SONGS:
            song(folder, *entry, truth)


main()
