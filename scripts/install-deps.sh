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
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
