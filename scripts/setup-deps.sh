#!/usr/bin/env bash
# Installs every Debian package the Kestrel suite needs to build, test and run.
# Idempotent: packages already present are left alone; `apt-get update` runs
# only when something is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential g++ cmake ninja-build pkg-config git clang clang-format
  libclang-rt-14-dev llvm
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libavcodec-dev libavutil-dev libavformat-dev libswscale-dev
  libsdl2-dev libopencore-amrnb-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # test-time tools and data
  ffmpeg xvfb xauth unifont sox fonts-dejavu-core fonts-wqy-microhei python3 iproute2
)

if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
else
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "setup-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
