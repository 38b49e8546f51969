#!/usr/bin/env bash
# Builds everything: the host tools and tests, and (as part of the same
# build) the core, the stub and the test driver for 32-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
cmake --build --preset host
