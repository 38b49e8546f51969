#!/usr/bin/env bash
# Builds the host tools and tests, and the core for 32-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset windows >/dev/null
cmake --build --preset windows
