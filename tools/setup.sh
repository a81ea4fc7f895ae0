#!/usr/bin/env bash
# Installs what the build, the demo and the tests need on a Debian machine, as root.
#   setup.sh ship   what building the shipped files and running the demo need
#   setup.sh        that, and what the test tiers need (hosts, peers, checkers)
#   setup.sh web    only what the page (the web module, its interface) and the web tier need
# Safe to run again: it installs only what is missing.
set -euo pipefail

# What building the shipped files and running the demo need, and why.
packages=(
  cmake make g++ pkg-config git                                     # the build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix             # both DLLs (not mingw-w64, whose
                                                                    # second pair of compilers is unused)
  wine wine32:i386 wine64 xvfb                                      # the demo's host program and its editor
  espeak-ng sox imagemagick                                         # the demo's speech, music and pictures
  libcairo2-dev fonts-liberation libstb-dev libx11-dev              # the editor on Linux, its "Arial"
  libsndfile1-dev libavformat-dev libavcodec-dev libavutil-dev libswresample-dev  # quellmar-duck
  libsamplerate0-dev libebur128-dev
  lv2-dev                                                           # the LV2 bundle
  nsis dpkg-dev zip                                                 # the packages
)
# The page in the browser (cmake/WebModule.cmake): the engine as a WebAssembly module, its
# TypeScript, and the demo's picture of the page; and why.
web_packages=(
  clang-14 lld-14 llvm-14                                           # the wasm32-wasi target, wasm-ld, llvm-ar, llvm-objdump
  wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32            # its C and C++ libraries
  libclang-rt-14-dev-wasm32                                         # the compiler's builtins for wasm32
  nodejs                                                            # npm's TypeScript compiler and the page's service worker list
  chromium                                                          # the demo's picture of the page and the web tier (puppeteer-core drives it; it downloads none)
)
# npm installs TypeScript for the interface: Debian's nodejs leaves it to a package of its own,
# which conflicts with a nodejs that carries its own npm.
command -v npm >/dev/null || web_packages+=(npm)
if [ "${1:-}" = web ]; then
  packages=("${web_packages[@]}")
else
  packages+=("${web_packages[@]}")
fi
if [ "${1:-}" != ship ] && [ "${1:-}" != web ]; then
  packages+=(
    googletest libgtest-dev libbenchmark-dev libxtst-dev libxext-dev x11-xserver-utils
    fonts-dejavu-core ffmpeg lintian unzip file man-db
    clang libclang-rt-14-dev
    lsp-plugins-vst lsp-plugins-lv2
    sordi lilv-utils liblilv-dev jalv jackd2 ardour
    pipewire pipewire-bin libpipewire-0.3-modules
    debootstrap
  )
fi

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
# The archive can be caught mid-sync (an index of the wrong size, apt's exit 100): the indexes are
# fetched again a little later; if one still fails, the install goes on with those that came, and
# fails itself, naming the package, only if one it needs is in none of them.
for attempt in 1 2 3 4; do
  apt-get update -qq && break
  if [ "$attempt" -eq 4 ]; then
    echo "setup: an index of the package archive could not be fetched; installing from the others" >&2
    break
  fi
  echo "setup: not every index of the package archive came; trying again in 30 s" >&2
  sleep 30
done
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
