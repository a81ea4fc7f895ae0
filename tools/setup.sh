#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on a Debian machine, as root.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake make g++ pkg-config git
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine wine32:i386 wine64 xvfb xauth
  clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  espeak-ng sox
  libcairo2-dev fonts-liberation libstb-dev
  libx11-dev libxext-dev libxtst-dev
  imagemagick fonts-dejavu-core
  libsndfile1-dev ffmpeg
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libsamplerate0-dev
  x11-xserver-utils lsp-plugins-vst
  nsis lintian dpkg-dev zip unzip file man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# Wine's 32-bit part comes from the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
