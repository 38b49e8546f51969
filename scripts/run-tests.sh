#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds everything, runs
# every test, the stub's under Wine included (they bring their own X
# display and Wine prefix; see tests/wine_tests.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
bash scripts/build.sh
ctest --preset host --output-on-failure -j2

# The host tests again under AddressSanitizer and UBSan (the Wine tests and
# the checks of the stub build ran above), then each fuzz target for 30 s.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2 -LE wine -E "^Stub"
bash scripts/run-fuzz.sh 30
