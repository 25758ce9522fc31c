#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, run and test Quavrel and Ostrelle.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # disc access, encoders
  libcdio-dev libcdio-paranoia-dev libcdio-utils libudev-dev libdiscid-dev zlib1g-dev
  libmp3lame-dev libvorbis-dev libogg-dev libflac-dev libtag1-dev libopusenc-dev libebur128-dev
  # the program
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins fonts-dejavu-core qt6-multimedia-dev
  # independent decoders and reference tools used by tests and benchmarks
  sox libsox-fmt-mp3 mpg123 ffmpeg vorbis-tools lame cd-paranoia flac opus-tools
  # the sound server whose null sink the digital playback is tested against
  pulseaudio pulseaudio-utils
  # the real clients the emulated drive is checked against (cd-info comes with libcdio-utils)
  cdparanoia cd-discid
  python3 time
  # Qt's French catalogues, loaded by the program
  qt6-translations-l10n
  # the Debian package and the checks of its install
  dpkg-dev file desktop-file-utils appstream
)

export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
