#!/bin/sh
# The deck on each desktop sound server, beside the server's own player on
# the same file, each alone on a server of this run's own (private runtime
# folder, a null sink) under Xvfb, at default settings:
#   - whole-process CPU over SECONDS (% of one core);
#   - the errors the server counted for the player's stream (PipeWire: the
#     profiler's cycles the node did not finish in time while the rest of
#     the graph did; PulseAudio: underruns in its log);
#   - the latency the server reports (PipeWire: the node's asked latency
#     and the graph's period; PulseAudio: the stream's buffer and sink
#     latency).
# The deck plays a 320 kbit/s MP3 (at pitch 0, then at +8 %); pw-play and
# paplay play the same song as WAV.
# With QUANTUM, only PipeWire is measured, its quantum forced to that many
# frames (clock.force-quantum), as a sound server under load may do.
# usage: desktop_measure.sh BUILD_DIR [SECONDS [QUANTUM]]   (needs pipewire, wireplumber,
# pulseaudio, dbus-daemon, sox, lame, Xvfb, xdotool). Every process it
# starts it ends by its id.
set -eu
build=$(realpath "${1:?build folder}")
seconds=${2:-60}
quantum=${3:-}
servers="pipewire pulse"
[ -z "$quantum" ] || servers=pipewire
here=$(dirname "$(realpath "$0")")
if [ -z "${VX_UNDER_XVFB:-}" ]; then
    VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$0" "$@"
fi
WORK=$(mktemp -d)
fail() { echo "desktop_measure: $*" >&2; exit 1; }
. "$here/../../tests/frontend/sound-servers.sh"
pid=""
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    stop_servers
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
unset VEXALINE_AUDIO PULSE_SERVER
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n' \
    >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
sox -R -n -r 44100 -c 2 -b 16 "$WORK/song.wav" synth "$((seconds + 30))" sine 200-4000 pinknoise vol 0.5
lame --quiet -b 320 "$WORK/song.wav" "$WORK/song.mp3"

# The server's count of errors over $1 seconds for the one player on it.
errors_over() {
    if [ "$server" = pipewire ]; then
        # The profiler leaves its plotting scripts in the folder it runs in.
        (cd "$WORK" && timeout -s INT "$1" pw-profiler -o profile.log >profiler.out 2>&1) || true
        node=$(sed -n 's/.*logging follower \([0-9]*\) .*/\1/p' "$WORK/profiler.out" | head -n 1)
        awk -F '\t' -v node="$node" '{
                mine = 3; others = 3
                for (i = 5; i + 6 <= NF; i += 8) {
                    if ($i == " ") continue
                    if ($i == node) mine = $(i + 6); else if ($(i + 6) != 3) others = $(i + 6)
                }
                if (mine != 3 && others == 3) errors++
                if (mine != 3 && others != 3) stalls++
                period = $4
            } END { printf "%d errors (%d more in whole-graph stalls), graph period %d us",
                    errors, stalls, period }' "$WORK/profile.log"
    else
        lines=$(wc -l <"$WORK/pulse.out")
        sleep "$1"
        printf "%d underruns" "$(tail -n +"$((lines + 1))" "$WORK/pulse.out" | grep -c "underrun of '" || true)"
    fi
}

latency_of() {
    if [ "$server" = pipewire ]; then
        pw-dump 2>/dev/null | grep -o "\"node.latency\": \"[0-9/]*\"" | tr '\n' ' '
    else
        pactl list sink-inputs | grep -E "Latency" | tr -s ' \t\n' ' '
    fi
}

# Measures process $pid as $1.
measure() {
    sleep 3
    before=$(ticks "$pid")
    counted=$(errors_over "$seconds")
    after=$(ticks "$pid")
    echo "$server, $1: cpu $(awk -v a="$before" -v b="$after" -v s="$seconds" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f", (b - a) * 100 / hz / s }') % of one core, $counted; latency: $(latency_of)"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

start_bus
for server in $servers; do
    start_$server
    [ -z "$quantum" ] || pw-metadata -n settings 0 clock.force-quantum "$quantum" >/dev/null
    "$build/app/vexaline" "$WORK/song.mp3" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --name song >/dev/null
    measure "deck, MP3 at pitch 0"
    "$build/app/vexaline" "$WORK/song.mp3" >/dev/null 2>&1 &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --name song | head -n 1)
    for _ in $(seq 20); do xdotool mousemove --window "$window" 342 205 click 1; sleep 0.05; done
    measure "deck, MP3 at +8 %"
    if [ "$server" = pipewire ]; then
        pw-play "$WORK/song.wav" &
        pid=$!
        measure "pw-play, same song as WAV"
    else
        paplay "$WORK/song.wav" &
        pid=$!
        measure "paplay, same song as WAV"
    fi
    stop_$server
done
