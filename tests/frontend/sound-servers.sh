# Sound servers of a test's own, sourced by the end-to-end runs and the
# measurements. Each runs under $XDG_RUNTIME_DIR (the caller makes it
# private) with two null sinks: "vx-test-sink", which is recorded, and
# "vx-other-sink", the server's default output, so that only a player that
# keeps to the output it was given is heard. Each is ended by its id.
# Needs: $WORK (a folder for logs and configuration) and fail().

PW_PIDS=""
PULSE_PID=""
BUS_PID=""

# Waits up to 30 s for command "$@" to succeed.
await() {
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 300 ] || fail "no answer from: $*"
        sleep 0.1
    done
}

# A session bus: WirePlumber wants one.
start_bus() {
    dbus-daemon --session --fork --print-address=3 --print-pid=4 \
        3>"$WORK/bus.address" 4>"$WORK/bus.pid"
    BUS_PID=$(cat "$WORK/bus.pid")
    DBUS_SESSION_BUS_ADDRESS=$(cat "$WORK/bus.address")
    export DBUS_SESSION_BUS_ADDRESS
}

# PipeWire with a null sink as the default output, and WirePlumber to link
# clients to it. SERVER_STARTED holds the time of the start.
start_pipewire() {
    mkdir -p "$WORK/pwconfig/pipewire/pipewire.conf.d"
    cat >"$WORK/pwconfig/pipewire/pipewire.conf.d/vx-null-sink.conf" <<'CONF'
context.objects = [
    { factory = adapter
      args = {
          factory.name     = support.null-audio-sink
          node.name        = "vx-test-sink"
          node.description = "Vexaline Test Sink"
          media.class      = "Audio/Sink"
          audio.position   = [ FL FR ]
          monitor.channel-volumes = true
          object.linger    = true
          priority.session = 1000
      }
    }
    { factory = adapter
      args = {
          factory.name     = support.null-audio-sink
          node.name        = "vx-other-sink"
          node.description = "Vexaline Other Sink"
          media.class      = "Audio/Sink"
          audio.position   = [ FL FR ]
          object.linger    = true
          priority.session = 2000
      }
    }
]
CONF
    SERVER_STARTED=$(date +%s.%N)
    XDG_CONFIG_HOME="$WORK/pwconfig" pipewire >>"$WORK/pipewire.out" 2>&1 &
    PW_PIDS=$!
    await pw-cli info 0
    XDG_CONFIG_HOME="$WORK/pwconfig" wireplumber >>"$WORK/wireplumber.out" 2>&1 &
    PW_PIDS="$PW_PIDS $!"
    await sh -c 'pw-metadata 0 default.audio.sink | grep -q vx-other-sink'
}

stop_pipewire() {
    for pid in $PW_PIDS; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    PW_PIDS=""
}

# PulseAudio with the native protocol and a null sink, nothing else.
start_pulse() {
    cat >"$WORK/pulse.pa" <<'CONF'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=vx-test-sink sink_properties=device.description=Vexaline-Test-Sink
load-module module-null-sink sink_name=vx-other-sink sink_properties=device.description=Vexaline-Other-Sink
set-default-sink vx-other-sink
CONF
    SERVER_STARTED=$(date +%s.%N)
    pulseaudio --daemonize=no --exit-idle-time=-1 -n -F "$WORK/pulse.pa" --log-level=debug \
        >>"$WORK/pulse.out" 2>&1 &
    PULSE_PID=$!
    await pactl info
}

stop_pulse() {
    [ -n "$PULSE_PID" ] || return 0
    kill "$PULSE_PID" 2>/dev/null || true
    wait "$PULSE_PID" 2>/dev/null || true
    PULSE_PID=""
}

stop_servers() {
    stop_pipewire
    stop_pulse
    [ -z "$BUS_PID" ] || kill "$BUS_PID" 2>/dev/null || true
    BUS_PID=""
}

# CPU ticks of process $1 so far.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Percent of one core that process $1 used over $2 seconds.
cpu_over() {
    before=$(ticks "$1")
    sleep "$2"
    after=$(ticks "$1")
    awk -v a="$before" -v b="$after" -v s="$2" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f", (b - a) * 100 / hz / s }'
}
