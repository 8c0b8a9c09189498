#!/bin/sh
# End to end: the real program under a virtual X server with the Null sound
# back end writing what it plays to a file. Opens a fixture song from the
# command line, presses Play with the mouse, lets it play, takes a
# screenshot, shows and hides the playlist panel, checks the activation key
# against a second copy, pauses and
# closes the window, then checks that the capture
# holds the song's audio and that the log and the settings were written.
#
# Usage: e2e.sh PROGRAM SCREEN-GRAB WORK-FOLDER
# Without a display it re-runs itself on one of its own (scripts/with-display.sh).
set -eu
PROGRAM=$(realpath "$1")
GRAB=$(realpath "$2")
WORK=$(realpath -m "$3")

if [ -z "${VX_E2E_UNDER_XVFB:-}" ]; then
    rm -rf "$WORK"
    mkdir -p "$WORK"
    VX_E2E_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi

fail() {
    echo "e2e: $*" >&2
    exit 1
}

# The program draws on the virtual display, whatever the caller's setting.
export QT_QPA_PLATFORM=xcb

# The fixture: eight seconds of a 440 Hz tone (stereo, 44.1 kHz, 16 bit).
SONG="$WORK/e2e-tone.wav"
sox -q -n -r 44100 -c 2 -b 16 "$SONG" synth 8 sine 440 vol 0.5

# Settings of our own: nothing plays before the Play button is pressed.
export XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"
export XDG_CACHE_HOME="$WORK/cache"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
SETTINGS="$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="No"\n' >"$SETTINGS"

CAPTURE="$WORK/capture.wav"
LOG="$(dirname "$PROGRAM")/vxs.log"
rm -f "$LOG"
VEXALINE_AUDIO="null:capture=$CAPTURE" "$PROGRAM" -log -key 3 "$SONG" >"$WORK/program.out" 2>&1 &
PID=$!
trap 'kill $PID 2>/dev/null || true' EXIT

WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "e2e-tone" | head -n 1)
[ -n "$WINDOW" ] || fail "the window never showed the song"
# The deck's buttons, in window pixels: Play, Close.
click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click 1; }
sleep 0.5
click 291 150
sleep 1.5
timeout 30 "$GRAB" "$WORK/screenshot.png" || fail "no screenshot"

# The playlist panel: P shows it below the deck and grows the window, a
# double click on the track display hides it, P shows it again; shown it
# stays, in the settings written at close.
height() { xdotool getwindowgeometry "$WINDOW" | awk '/Geometry/ {split($2, g, "x"); print g[2]}'; }
expect_height() {
    for _ in $(seq 20); do
        [ "$(height)" = "$1" ] && return 0
        sleep 0.1
    done
    fail "the window is $(height) pixels tall, not $1 ($2)"
}
expect_height 223 "panel hidden at start"
xdotool key p
expect_height 462 "P shows the panel"
xdotool mousemove --window "$WINDOW" 114 85 click --repeat 2 --delay 80 1
expect_height 223 "a double click on the track display hides it"
xdotool key p
expect_height 462 "P shows it again"

# A second copy opens 20 pixels further and on top; F3, the first copy's
# activation key, brings the first copy back to the front.
VEXALINE_AUDIO=null "$PROGRAM" >"$WORK/second.out" 2>&1 &
SECOND=$!
SECOND_WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --pid $SECOND | head -n 1)
[ -n "$SECOND_WINDOW" ] || fail "the second copy never showed"
topmost() { # xwininfo lists the root's children from the top down
    xwininfo -root -children | awk '/\("vexaline"/ {print $1; exit}'
}
sleep 0.5
[ "$(printf '0x%x' "$SECOND_WINDOW")" = "$(topmost)" ] || fail "the second copy is not on top"
xdotool key F3
sleep 0.5
[ "$(printf '0x%x' "$WINDOW")" = "$(topmost)" ] || fail "F3 did not bring the first copy to the front"
xdotool mousemove --window "$SECOND_WINDOW" 372 11 click 1
wait $SECOND || fail "the second copy ended with an error"

click 291 150 # pause: a deck on air refuses to close
sleep 0.3
click 372 11

for _ in $(seq 50); do
    kill -0 $PID 2>/dev/null || break
    sleep 0.1
done
kill -0 $PID 2>/dev/null && fail "the window did not close"
wait $PID || fail "the program ended with an error"
trap - EXIT

[ -s "$WORK/screenshot.png" ] || fail "empty screenshot"
[ -s "$CAPTURE" ] || fail "nothing was captured"
# What was played, without the silence around it, against the song itself:
# more than a second of it, as loud and of the same pitch.
stats() { sox "$1" -n silence 1 0.05 1% -1 0.05 1% stat 2>&1; }
field() { echo "$1" | awk -v name="$2" '$0 ~ "^" name {print $NF}'; }
PLAYED=$(stats "$CAPTURE")
ORIGINAL=$(stats "$SONG")
LENGTH=$(field "$PLAYED" "Length")
RMS=$(field "$PLAYED" "RMS +amplitude")
FREQ=$(field "$PLAYED" "Rough +frequency")
SONG_RMS=$(field "$ORIGINAL" "RMS +amplitude")
SONG_FREQ=$(field "$ORIGINAL" "Rough +frequency")
echo "e2e: played ${LENGTH}s, RMS $RMS (song $SONG_RMS), rough frequency $FREQ (song $SONG_FREQ)"
awk -v l="$LENGTH" -v r="$RMS" -v sr="$SONG_RMS" -v f="$FREQ" -v sf="$SONG_FREQ" \
    'BEGIN { exit !(l > 1.0 && r > 0.9 * sr && r < 1.1 * sr && f > 0.95 * sf && f < 1.05 * sf) }' ||
    fail "the capture does not hold the song"

grep -q -- "--------- Vxs log start ----------" "$LOG" || fail "no log start line in $LOG"
grep -q "> Playing e2e-tone.wav" "$LOG" || fail "the log does not name the song"
grep -q -- "---------- Vxs log end -----------" "$LOG" || fail "no log end line"
grep -q '"PlayWhenOpen"="No"' "$SETTINGS" || fail "settings not kept"
grep -q '"SecureClose"="Yes"' "$SETTINGS" || fail "settings not written at close"
grep -q '"PlaylistShown"="Yes"' "$SETTINGS" || fail "the shown playlist was not remembered"
# 100 for the first copy, 120 for the second, 140 for the next one.
grep -q '"StartX"=dword:0000008c' "$SETTINGS" || fail "start positions not cascaded"

# Without any sound output the player says so in a box, and ends with exit
# code 1 once the box is answered: the outputs are listed while the window
# shows, so this comes from the running loop. PortAudio through ALSA, with
# no JACK server; on a machine where that finds an output the deck opens the
# song instead, and this part is left out.
JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER="vx-e2e-none-$$" VEXALINE_AUDIO=portaudio \
    "$PROGRAM" "$SONG" >"$WORK/no-output.out" 2>&1 &
PID=$!
trap 'kill $PID 2>/dev/null || true' EXIT
no_output_fail() {
    echo "e2e: the program's output:" >&2
    cat "$WORK/no-output.out" >&2
    echo "e2e: the windows shown:" >&2
    for id in $(xdotool search --onlyvisible --name "." 2>/dev/null); do
        xdotool getwindowname "$id" >&2 || true
    done
    fail "$1"
}
BOX=""
DEADLINE=$(($(date +%s) + 60))
while [ "$(date +%s)" -lt "$DEADLINE" ]; do
    BOX=$(xdotool search --onlyvisible --name "^Vexaline$" | head -n 1)
    [ -n "$BOX" ] && break
    xdotool search --onlyvisible --name "e2e-tone" >/dev/null && break
    if ! kill -0 $PID 2>/dev/null; then
        STATUS=0
        wait $PID || STATUS=$?
        no_output_fail "without sound output the program ended ($STATUS) before any box"
    fi
    sleep 0.1
done
if [ -n "$BOX" ]; then
    xdotool search --onlyvisible --name "e2e-tone" >/dev/null && fail "the deck stayed shown"
    xdotool mousemove --window "$BOX" 10 10 click 1 key Return
    STATUS=0
    wait $PID || STATUS=$?
    [ "$STATUS" = 1 ] || fail "without sound output the program ended with $STATUS, not 1"
elif xdotool search --onlyvisible --name "e2e-tone" >/dev/null; then
    echo "e2e: PortAudio finds a sound output here: the run without one is left out"
    kill $PID
    wait $PID || true
else
    no_output_fail "no box said that there is no sound output"
fi
trap - EXIT

echo "e2e: ok"
