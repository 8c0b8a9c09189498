# Shared by the JACK benches: sourced, never run. The caller sets `build`
# (the build folder) and `seconds` (the length of the song to make), then
# calls jack_bench_setup. Every process started here is ended by its id.

# Runs the caller again under a virtual X server unless it already is.
jack_bench_under_xvfb() {
    if [ -z "${VX_UNDER_XVFB:-}" ]; then
        VX_UNDER_XVFB=1 exec "$(dirname "$0")/../../scripts/with-display.sh" "$@"
    fi
}

# Work folder, settings, a 320 kbit/s MP3 and a JACK dummy server of its own
# (256-frame periods) whose output lands in $work/jackd.out.
jack_bench_setup() {
    work=$(mktemp -d)
    pids=""
    trap jack_bench_cleanup EXIT
    export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" VEXALINE_AUDIO="${VX_BENCH_AUDIO:-portaudio:jack}"
    export JACK_DEFAULT_SERVER="vx-bench-$$" JACK_NO_START_SERVER=1
    mkdir -p "$XDG_CONFIG_HOME/Zyl/Vexaline"
    printf '[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n"PlayWhenOpen"="Yes"\n"PitchRange"=dword:00000000\n' \
        >"$XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg"
    sox -R -n -r 44100 -c 2 -b 16 "$work/song.wav" synth "$((seconds + 30))" sine 200-4000 pinknoise vol 0.5
    lame --quiet -b 320 "$work/song.wav" "$work/song.mp3"
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >"$work/jackd.out" 2>&1 &
    jackd_pid=$!
    pids="$jackd_pid"
    until jack_lsp >/dev/null 2>&1; do
        if ! kill -0 "$jackd_pid" 2>/dev/null; then
            echo "the JACK server did not start:" >&2
            tail -n 3 "$work/jackd.out" >&2
            exit 1
        fi
        sleep 0.1
    done
}

jack_bench_cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}

# Ends process $1, one the caller started, and waits for it.
end_process() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# Starts the deck on the song in the background; its id in $deck.
start_deck() {
    "$build/app/vexaline" "$work/song.mp3" >/dev/null 2>&1 &
    deck=$!
    pids="$pids $deck"
}

# Whether process $1 runs: a deck that ended is a zombie until the script
# that started it waits for it, and a zombie still answers kill -0.
running() { [ -r "/proc/$1/stat" ] && [ "$(awk '{ print $3 }' "/proc/$1/stat")" != Z ]; }

# Waits, polling every 10 ms, for a visible window titled with the song;
# prints the window's id. Gives up if the deck ends first.
wait_for_song_window() {
    until window=$(xdotool search --onlyvisible --name song 2>/dev/null | head -n 1) &&
        [ -n "$window" ]; do
        if ! running "$deck"; then
            echo "the deck ended before showing its window" >&2
            exit 1
        fi
        sleep 0.01
    done
    echo "$window"
}

# Starts `mpg123 -o jack` on the song; its id in $player.
start_mpg123() {
    mpg123 -q -o jack "$work/song.mp3" 2>"$work/mpg123.err" &
    player=$!
    pids="$pids $player"
}

# Ends mpg123, first saying why if it ended on its own (a client the server
# dropped for missing its periods, for one).
end_mpg123() {
    if ! kill -0 "$player" 2>/dev/null; then
        echo "mpg123 ended on its own:"
        tail -n 3 "$work/mpg123.err"
    fi
    end_process "$player"
}

# Clicks the deck's window $1 at $2,$3, $4 times.
click_deck() {
    for _ in $(seq "$4"); do
        xdotool mousemove --window "$1" "$2" "$3" click 1
        sleep 0.05
    done
}

# Raises the pitch of the deck's window $1 to +8 %; plays or pauses it.
deck_to_plus_8() { click_deck "$1" 342 205 20; }
deck_play_pause() { click_deck "$1" 291 150 1; }

# CPU ticks of process $1 so far; empty once it has ended.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || true; }
xruns() { grep -c XRun "$work/jackd.out" || true; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status" 2>/dev/null || true; }

# One line a thread of process $1: id, CPU ticks, context switches so far,
# name (the deck's main thread is its window thread).
thread_sample() {
    for task in /proc/"$1"/task/*; do
        tid=${task##*/}
        cpu=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$task/stat" 2>/dev/null) || continue
        switches=$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$task/status" 2>/dev/null) ||
            continue
        if [ "$tid" = "$1" ]; then name="main thread"; else name=$(cat "$task/comm" 2>/dev/null); fi
        echo "$tid $cpu $switches $name"
    done
}

# Measures process $1 over $seconds: the whole process's CPU % of one core,
# wakeups a second and xruns, then the same per thread. $2 labels it.
measure_threads() {
    before=$(thread_sample "$1")
    before_xruns=$(xruns)
    sleep "$seconds"
    after=$(thread_sample "$1")
    if [ -z "$after" ]; then
        echo "$2: ended before the measurement did"
        return
    fi
    printf '%s\n--\n%s\n' "$before" "$after" | awk -v s="$seconds" -v hz="$(getconf CLK_TCK)" \
        -v label="$2" -v xr="$(($(xruns) - before_xruns))" '
        $1 == "--" { after = 1; next }
        !after { cpu0[$1] = $2; sw0[$1] = $3; next }
        {
            name = $4; for (i = 5; i <= NF; ++i) name = name " " $i
            cpu = ($2 - cpu0[$1]) * 100 / hz / s; wake = ($3 - sw0[$1]) / s
            total_cpu += cpu; total_wake += wake
            lines[++n] = sprintf("    %-16s %6.2f %% %8.1f wakeups/s", name, cpu, wake)
        }
        END {
            printf "%s: cpu %.2f %% of one core, %.1f wakeups/s, xruns %d\n", label, total_cpu, total_wake, xr
            for (i = 1; i <= n; ++i) print lines[i]
        }'
}
