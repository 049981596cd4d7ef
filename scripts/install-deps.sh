#!/usr/bin/env bash
# Installs every Debian package the build, tests, fuzzers, benchmarks and demo need (the
# Authenticode signing tool and openssl for the signing tests and the demo's signature; qemu and
# debootstrap for the emulated machine that runs the 32-bit build where this kernel cannot).
# Idempotent: returns at once when everything is already there.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  zlib1g-dev googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  wine wine32:i386 wine64 xvfb x11-utils xauth imagemagick
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine locales libc-bin
  osslsigncode openssl
  qemu-system-x86 debootstrap e2fsprogs
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
