#!/usr/bin/env bash
# corvane extract with its files on a second thread (--threads 2) against
# one thread, and corvane test, on an idle machine and then beside a
# process that keeps one processor busy (`yes > /dev/null`), in one run,
# round by round. Extraction goes to a tmpfs and is compared with the
# first one.
#   bench/threads-beside-load.sh ARCHIVE [--runs N]   (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
archive=$1
shift
runs=7
if [ "${1:-}" = --runs ]; then runs=$2; fi
corvane=build/host/cli/corvane
[ -x "$corvane" ] || bash scripts/build.sh >/dev/null
work=$(mktemp -d /dev/shm/corvane-threads.XXXXXX)
yes_pid=
trap 'rm -rf "$work"; [ -z "$yes_pid" ] || kill "$yes_pid"' EXIT
"$corvane" extract -q --threads 1 -d "$work/first" "$archive"

# wall TIMES...: the best and the median of the wall times.
summary() {
  printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.2f | %.2f", t[1], t[int((NR + 1) / 2)] }'
}

rounds() {
  local -a one=() two=() tst=()
  for ((round = 0; round < runs; round++)); do
    for threads in 1 2; do
      rm -rf "$work/out"
      t=$( { /usr/bin/time -f %e "$corvane" extract -q --threads $threads -d "$work/out" \
               "$archive"; } 2>&1)
      diff -r "$work/first" "$work/out" >/dev/null
      if [ $threads = 1 ]; then one+=("$t"); else two+=("$t"); fi
    done
    tst+=("$( { /usr/bin/time -f %e "$corvane" test -q "$archive"; } 2>&1)")
  done
  echo "| $1 | $(summary "${one[@]}") | $(summary "${two[@]}") | $(summary "${tst[@]}") |"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $runs rounds; wall seconds"
echo
echo "| machine | extract --threads 1, best | median | extract --threads 2, best | median | test, best | median |"
echo "|---|--:|--:|--:|--:|--:|--:|"
rounds idle
yes >/dev/null &
yes_pid=$!
rounds 'beside `yes > /dev/null`'
