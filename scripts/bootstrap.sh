#!/bin/sh
# Installs every Debian package Vexaline needs to build, test and run.
# Idempotent and non-interactive: it asks apt only for what is missing and
# refreshes the package lists at most once per run.
set -eu

PACKAGES="
g++ cmake ninja-build make pkg-config
clang libclang-rt-14-dev
qt6-base-dev qt6-qpa-plugins libgl-dev
libpng-dev zlib1g-dev
libmpg123-dev
portaudio19-dev
libsamplerate0-dev
libxcb1-dev
libgtest-dev libgmock-dev libbenchmark-dev
libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
libtag1-dev
libaubio-dev libsqlite3-dev
lame twolame sox libsox-fmt-base mpg123 flac vorbis-tools opus-tools ffmpeg
jackd2 libjack-jackd2-dev
lintian appstream desktop-file-utils dpkg-dev file
xvfb xauth xdotool x11-utils
fonts-dejavu-core
librtmidi-dev libasound2-dev
librubberband-dev
libqm-dsp-dev libebur128-dev fluidsynth timgm6mb-soundfont loudgain
libpipewire-0.3-dev libpulse-dev libsoxr-dev
pipewire pipewire-bin pipewire-jack wireplumber pulseaudio pulseaudio-utils dbus alsa-utils
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "bootstrap: installing$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
