#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds everything, runs
# every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset host --output-on-failure -j2
