# Timing helpers for run-bench.sh (sourced). Every measurement becomes one
# row of $BENCH_TSV:
#   dataset  tool  operation  seconds  archive_bytes  peak_rss_kb  runs
# A command that fails stops the benchmark: its figures would mean nothing.

# run_timed STDOUT_FILE COMMAND...
# Runs COMMAND once with its output to STDOUT_FILE and its errors appended
# to $BENCH_LOG. Sets TIMED_SECONDS (wall clock, from nanosecond stamps:
# GNU time's %e has only two decimals) and TIMED_RSS_KB (peak resident set
# from GNU time).
run_timed() {
  local out=$1 rc=0 start end
  shift
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$BENCH_WORK/time.out" "$@" >"$out" 2>>"$BENCH_LOG" || rc=$?
  end=$(date +%s%N)
  if [ "$rc" -ne 0 ]; then
    echo "BENCHMARK FAILED: exit code $rc from: $*" >&2
    tail -n 20 "$BENCH_LOG" >&2
    exit 1
  fi
  TIMED_SECONDS=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", (e - s) / 1e9 }')
  TIMED_RSS_KB=$(tail -n 1 "$BENCH_WORK/time.out")
}

# best_of RUNS STDOUT_FILE COMMAND...
# The fastest of RUNS runs (the least disturbed by other load) and the
# largest peak memory of them. Sets BEST_SECONDS and BEST_RSS_KB.
best_of() {
  local runs=$1 i
  shift
  BEST_SECONDS='' BEST_RSS_KB=0
  for ((i = 0; i < runs; i++)); do
    run_timed "$@"
    note_run
  done
}

# Folds the last run_timed into BEST_SECONDS / BEST_RSS_KB.
note_run() {
  if [ -z "$BEST_SECONDS" ] || awk -v a="$TIMED_SECONDS" -v b="$BEST_SECONDS" 'BEGIN { exit !(a < b) }'; then
    BEST_SECONDS=$TIMED_SECONDS
  fi
  if [ "$TIMED_RSS_KB" -gt "$BEST_RSS_KB" ]; then BEST_RSS_KB=$TIMED_RSS_KB; fi
}

# record DATASET TOOL OPERATION SECONDS ARCHIVE_BYTES PEAK_RSS_KB RUNS
record() {
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$BENCH_TSV"
  printf '  %-9s %-26s %-10s %9.3f s  %12s bytes  %7s KB peak\n' "$1" "$2" "$3" "$4" "${5:--}" "$6"
}
