#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz", clang with AddressSanitizer and
# UBSan) and runs each one for SECONDS seconds, starting from its seed
# corpus (tests/fuzz/corpus/) and its saved reproducers
# (tests/fuzz/regressions/). Fails on any crash, leak, timeout or memory
# excess; what was found is in build/fuzz/findings/TARGET/.
#   run-fuzz.sh SECONDS
# CORVANE_FUZZ_KEEP=1 keeps the working corpora of earlier runs
# (build/fuzz/work/TARGET); CORVANE_FUZZ_SEED sets the fuzzer's seed (1).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: run-fuzz.sh SECONDS}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for target in read_path round_trip stub_icon; do
  work=build/fuzz/work/$target
  findings=build/fuzz/findings/$target
  [ "${CORVANE_FUZZ_KEEP:-0}" = 1 ] || rm -rf "$work"
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  inputs=("$work" "tests/fuzz/corpus/$target")
  if [ -n "$(ls -A "tests/fuzz/regressions/$target" 2>/dev/null)" ]; then
    inputs+=("tests/fuzz/regressions/$target")
  fi
  echo "fuzz_$target: ${seconds} s"
  if ! "build/fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=1 \
      -rss_limit_mb=2048 -seed="${CORVANE_FUZZ_SEED:-1}" -print_final_stats=1 \
      -artifact_prefix="$findings/" "${inputs[@]}" >"$findings/log.txt" 2>&1; then
    tail -n 60 "$findings/log.txt"
    echo "fuzz_$target found a fault: see $findings/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log.txt")
  echo "fuzz_$target: $runs runs, working corpus $(ls "$work" | wc -l) files, no findings"
done
