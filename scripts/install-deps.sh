#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages. Safe
# to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config        # host build
  googletest libgtest-dev                 # tests
  libbenchmark-dev                        # benchmarks
  libcli11-dev nlohmann-json3-dev         # corvane's argument parser, JSON
  g++-mingw-w64-i686 python3-minimal       # 32-bit Windows build, its icon
  zip gzip                                # comparisons in the measurements
  clang libclang-rt-14-dev                # the fuzz targets (libFuzzer)
  wine wine32:i386                        # the stub's end-to-end tests:
  xvfb xauth imagemagick                  #   a private display, screenshots,
  locales fonts-ipafont-gothic            #   Japanese text and its glyphs
)

# wine32 is a 32-bit package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"

# The stub's code page 932 comes with the Japanese locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "Generating the ja_JP.UTF-8 locale"
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
