#!/usr/bin/env bash
# Installs what the build needs, or with --tests what the whole test suite
# needs besides, from Debian's packages. Safe to run again: it installs
# only what is missing.
#   install-deps.sh [--tests]
set -euo pipefail
here="$(dirname "$0")"

packages=(
  cmake ninja-build g++ pkg-config        # host build
  googletest libgtest-dev                 # tests (built with everything)
  libbenchmark-dev                        # benchmarks
  libcli11-dev nlohmann-json3-dev         # corvane's argument parser, JSON
  libicu-dev                              # Windows' code page 932 table
  libpng-dev                              # PNG pictures for create --icon
  g++-mingw-w64-i686 python3-minimal      # 32-bit Windows build (its -posix
                                          #   compilers: corvane.exe), the icon
  groff-base                              # the manual page as text for Windows
)
test_packages=(
  zip gzip                                # comparisons in the measurements
  clang libclang-rt-14-dev                # the fuzz targets (libFuzzer)
  wine wine32:i386                        # the stub's and corvane.exe's tests:
  xvfb xauth imagemagick                  #   a private display, screenshots,
  locales fonts-ipafont-gothic            #   Japanese text and its glyphs
  man-db                                  # the manual page's checks
  bash-completion                         # the completion, as bash loads it
  dpkg-dev                                # the .deb (dpkg-shlibdeps for Depends)
  icoutils                                # the archives' icons read back (wrestool, icotool)
)

if [ "${1:-}" = --tests ]; then
  packages+=("${test_packages[@]}")
  # wine32 is a 32-bit package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi

bash "$here/install-packages.sh" "${packages[@]}"

if [ "${1:-}" = --tests ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  # The stub's code page 932 comes with the Japanese locale.
  echo "Generating the ja_JP.UTF-8 locale"
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
