#!/usr/bin/env bash
# The stub under Wine beside `corvane extract --threads 1` (everything on one thread), both on a tmpfs:
# one large file of header text, and 20,000 small files 8 folders deep.
#   bench/stub-under-wine.sh [--runs N] [--mb N] [--also-stub NAME=FILE]... [--out DIR]
# The stub of this build is "new"; --also-stub times another stub image on
# the same payloads (an older build, say): the archive's first 26112 bytes
# are that stub instead. Installs what it needs (Wine, Xvfb) first.
# Runs go round by round, every command once a round; the best of each
# goes to DIR/stub-under-wine.md (default build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=3 mb=300 out=build/bench
declare -a others=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --also-stub) others+=("$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--mb N] [--also-stub NAME=FILE]... [--out DIR]" >&2; exit 2 ;;
  esac
done
stub_size=26112

bash scripts/install-deps.sh --tests >/dev/null
bash scripts/build.sh >/dev/null
corvane=$root/build/host/cli/corvane
driver=$root/build/host/windows/e2e_driver.exe
[ -x "$corvane" ] && [ -f "$driver" ] || { echo "the build left no corvane or e2e_driver.exe" >&2; exit 1; }

work=$(mktemp -d /dev/shm/corvane-stub-bench.XXXXXX)
session=$work/wine
cleanup() {
  bash scripts/wine-session.sh stop "$session" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
bash scripts/wine-session.sh start "$session" >/dev/null
if [ -f "$session/unavailable" ]; then
  echo "Wine cannot run here: $(cat "$session/unavailable")" >&2
  exit 1
fi
export WINEPREFIX=$session/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export DISPLAY=":$(tr -d '[:space:]' <"$session/display")"

# The inputs and their archives.
BENCH_WORK=$work
source bench/datasets.sh
mkdir -p "$work/large" "$work/small/d1/d2/d3/d4/d5/d6"
make_large_file "$work/large/headers.txt" $((mb << 20))
python3 bench/make_corpus.py --small-files 20000 "$work/small/d1/d2/d3/d4/d5/d6" >/dev/null
"$corvane" create -q "$work/large.exe" "$work/large/headers.txt"
"$corvane" create -q "$work/small.exe" "$work/small/d1"
"$corvane" create -q "$work/warm.exe" bench/datasets.sh

# stub_archive NAME ARCHIVE: the archive with stub NAME in front.
stub_archive() {
  local name=$1 archive=$2 file
  [ "$name" = new ] && { echo "$archive"; return; }
  for other in "${others[@]}"; do
    [ "${other%%=*}" = "$name" ] && file=${other#*=}
  done
  local spliced=${archive%.exe}-$name.exe
  if [ ! -f "$spliced" ]; then
    [ "$(stat -c %s "$file")" -eq $stub_size ] || { echo "$file is not a stub" >&2; exit 1; }
    { cat "$file"; tail -c +$((stub_size + 1)) "$archive"; } >"$spliced"
  fi
  echo "$spliced"
}

winpath() { echo "Z:${1//\//\\}"; }

# seconds COMMAND...: runs it, prints its wall time.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >"$work/last.out" 2>&1 || { echo "FAILED: $*" >&2; cat "$work/last.out" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", (e - s) / 1e9 }'
}

# The stub, driven by control id: the destination typed in, Expand
# clicked, the final box answered; the time is the whole run, Wine's
# start of the driver and the stub included.
run_stub() {
  local archive=$1 dest=$2
  printf 'start\t%s\t%s\ntimeout\t900\nmain\nset\t7\t%s\nclick\t3\nbox\nanswer\tok\nexit\n' \
    "$(winpath "$archive")" "$(winpath "$work")" "$(winpath "$dest")" >"$work/script.txt"
  wine "$driver" "$(winpath "$work/script.txt")" >"$work/transcript"
  grep -qP '^exit\t.*code=0' "$work/transcript" || { cat "$work/transcript" >&2; return 1; }
}

check_same() {
  diff -r -q "$1" "$2" >/dev/null || { echo "extraction differs: $1 $2" >&2; exit 1; }
}

# Wine's first start of a program in the session costs more than later
# ones: an untimed run takes it.
mkdir "$work/out"
run_stub "$work/warm.exe" "$work/out"

declare -A best
stubs=(new)
for other in "${others[@]}"; do stubs+=("${other%%=*}"); done
for ((round = 1; round <= runs; round++)); do
  for set in large small; do
    for name in "${stubs[@]}"; do
      archive=$(stub_archive "$name" "$work/$set.exe")
      rm -rf "$work/out"
      mkdir "$work/out"
      t=$(seconds run_stub "$archive" "$work/out")
      check_same "$work/$set" "$work/out"
      key="$set stub-$name"
      best[$key]=$(awk -v a="${best[$key]:-1e9}" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
    done
    rm -rf "$work/out"
    t=$(seconds "$corvane" extract -q --threads 1 -d "$work/out" "$work/$set.exe")
    check_same "$work/$set" "$work/out"
    key="$set corvane"
    best[$key]=$(awk -v a="${best[$key]:-1e9}" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
  done
done
rm -rf "$work/out"

mkdir -p "$out"
{
  echo "# The stub under Wine beside corvane extract"
  echo
  echo "Best of $runs, round by round, on a tmpfs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)."
  echo "Large: one ${mb} MB file of header text. Small: 20,000 files 8 folders deep."
  echo
  echo "| | large (s) | small (s) |"
  echo "|---|--:|--:|"
  for name in "${stubs[@]}"; do
    echo "| stub $name | ${best[large stub-$name]} | ${best[small stub-$name]} |"
  done
  echo "| corvane extract --threads 1 | ${best[large corvane]} | ${best[small corvane]} |"
} | tee "$out/stub-under-wine.md"
