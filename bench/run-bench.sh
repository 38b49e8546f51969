#!/usr/bin/env bash
# Measures corvane create / test / extract against gzip, xz, zstd, zip and
# libdeflate on the same bytes, on this machine, in one run:
#   bash bench/run-bench.sh [--runs N] [--quick] [--out DIR]
#   --runs N   reading commands run N times, the fastest counts (7)
#   --quick    only the generated corpus, not /usr/include nor the large
#              inputs (for development)
#   --out DIR  where results.md, chart.png and measurements.tsv go (build/bench)
# The same from the environment: BENCH_RUNS, BENCH_QUICK=1, BENCH_OUT.
# Installs what it needs and builds corvane first (as root on Debian 12).
# It fails only when a command fails or extracted files differ from their
# input; the targets at the end are reported, met or not.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

runs=${BENCH_RUNS:-7}
quick=${BENCH_QUICK:-0}
out=${BENCH_OUT:-build/bench}
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    --quick) quick=1; shift ;;
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    -h | --help) sed -n '2,11p' "$0"; exit 0 ;;
    *) echo "run-bench.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
done
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "run-bench.sh: the number of runs must be a whole number of at least 1" >&2
  exit 2
fi

# The levels corvane offers, its default and its strongest (cli/main.cpp).
# Every level is created; the default and the best are also read back
# (reading level 1 too would cost a minute on /usr/include).
levels=(1 2 3)
default_level=2
best_level=3
read_levels=("$default_level" "$best_level")

bash scripts/install-packages.sh gzip libdeflate-tools zstd xz-utils zip unzip time \
  gnuplot-nox python3-minimal tar
bash scripts/install-deps.sh
bash scripts/build.sh
corvane=$repo/build/host/cli/corvane
[ -x "$corvane" ] || { echo "run-bench.sh: no $corvane after the build" >&2; exit 1; }
compare_decoders=$repo/build/host/tests/compare_decoders
[ -x "$compare_decoders" ] || { echo "run-bench.sh: no $compare_decoders after the build" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
BENCH_WORK=$(mktemp -d /tmp/corvane-bench.XXXXXX)
BENCH_TSV=$BENCH_WORK/measurements.tsv
BENCH_LOG=$BENCH_WORK/commands.log
meta=$BENCH_WORK/meta.tsv
: >"$BENCH_TSV"
: >"$meta"

# Extraction writes to memory, so that it measures corvane rather than the
# disk: /dev/shm where it is a tmpfs, else a tmpfs of our own.
own_tmpfs=''
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
  shm=$(mktemp -d /dev/shm/corvane-bench.XXXXXX)
else
  shm=$BENCH_WORK/tmpfs
  mkdir "$shm"
  mount -t tmpfs -o size=2g corvane-bench "$shm"
  own_tmpfs=$shm
fi
cleanup() {
  if [ -n "$own_tmpfs" ]; then umount "$own_tmpfs" || true; fi
  rm -rf "$shm" "$BENCH_WORK"
}
trap cleanup EXIT

source bench/timing.sh
source bench/datasets.sh

printf 'load_start\t%s\n' "$(cat /proc/loadavg)" >>"$meta"
printf 'nproc\t%s\n' "$(nproc)" >>"$meta"
printf 'date\t%s\n' "$(date -u '+%Y-%m-%d %H:%M:%S UTC')" >>"$meta"
printf 'commit\t%s\n' "$(git rev-parse --short HEAD 2>/dev/null || echo unknown)" >>"$meta"
printf 'runs\t%s\n' "$runs" >>"$meta"
printf 'levels\t%s\t%s\n' "$default_level" "$best_level" >>"$meta"

# bench_create NAME TREE: corvane at every level, then the peers over a tar
# of the same tree (made once, untimed) and zip over the tree itself.
bench_create() {
  local name=$1 tree=$2 level w=$BENCH_WORK/$1
  for level in "${levels[@]}"; do
    run_timed "$w.create.out" "$corvane" create "$w-$level.exe" "$tree" --level "$level"
    record "$name" "corvane --level $level" create "$TIMED_SECONDS" "$(stat -c %s "$w-$level.exe")" \
      "$TIMED_RSS_KB" 1
  done
  tar cf "$w.tar" -C "$(dirname "$tree")" "$(basename "$tree")"
  # Each peer: label, output file, command. xz and zstd get one thread, as
  # corvane has.
  local peers=(
    "gzip -6|$w.tar.gz|gzip -6 -c $w.tar"
    "gzip -9|$w.tar.9.gz|gzip -9 -c $w.tar"
    "xz -6|$w.tar.xz|xz -6 -T1 -c $w.tar"
    "zstd -3|$w.tar.zst|zstd -3 -T1 -q -c $w.tar"
  )
  local peer label file command
  for peer in "${peers[@]}"; do
    IFS='|' read -r label file command <<<"$peer"
    # shellcheck disable=SC2086  # the command is split into its words on purpose
    run_timed "$file" $command
    record "$name" "$label" compress "$TIMED_SECONDS" "$(stat -c %s "$file")" "$TIMED_RSS_KB" 1
  done
  pushd "$(dirname "$tree")" >/dev/null
  run_timed /dev/null zip -9 -r -q "$w.zip" "$(basename "$tree")"
  popd >/dev/null
  record "$name" "zip -9" compress "$TIMED_SECONDS" "$(stat -c %s "$w.zip")" "$TIMED_RSS_KB" 1
}

# bench_read NAME TREE: corvane test and extract of every level's archive,
# and the peers' decompression to /dev/null, best of $runs each. The runs
# go round by round, each command once per round, so that a slow spell of
# the machine falls on all of them alike and the ratios compare like with
# like. Every extraction is checked against the input.
bench_read() {
  local name=$1 tree=$2 level round w=$BENCH_WORK/$1 dest=$shm/extracted key
  local -A best=() peak=()
  local -a order=()
  # keep KEY: folds the last run_timed into the best of KEY.
  keep() {
    if [ -z "${best[$1]:-}" ]; then
      order+=("$1")
      best[$1]=$TIMED_SECONDS
      peak[$1]=$TIMED_RSS_KB
    fi
    if awk -v a="$TIMED_SECONDS" -v b="${best[$1]}" 'BEGIN { exit !(a < b) }'; then
      best[$1]=$TIMED_SECONDS
    fi
    if [ "$TIMED_RSS_KB" -gt "${peak[$1]}" ]; then peak[$1]=$TIMED_RSS_KB; fi
  }
  tree_listing "$tree" >"$w.listing"
  for ((round = 0; round < runs; round++)); do
    for level in "${read_levels[@]}"; do
      run_timed /dev/null "$corvane" test -q "$w-$level.exe"
      keep "corvane --level $level|test"
      rm -rf "$dest"
      run_timed /dev/null "$corvane" extract "$w-$level.exe" -d "$dest" -q --overwrite
      keep "corvane --level $level|extract"
      check_extracted "$w.listing" "$dest/$(basename "$tree")" "$w-$level.exe"
    done
    # The default extraction writes the files on a second thread: the same
    # on one thread.
    rm -rf "$dest"
    run_timed /dev/null "$corvane" extract "$w-$default_level.exe" -d "$dest" -q --overwrite \
      --threads 1
    keep "corvane --level $default_level --threads 1|extract"
    check_extracted "$w.listing" "$dest/$(basename "$tree")" "$w-$default_level.exe"
    # What creating these files costs on this machine, whoever writes
    # them: tar extracting the tree from its tar (in the page cache) to the
    # tmpfs.
    rm -rf "$dest"
    mkdir -p "$dest"
    run_timed /dev/null tar -C "$dest" -xf "$w.tar"
    keep "tar -x (the tar, to the tmpfs)|extract"
    run_timed /dev/null gzip -dc "$w.tar.gz"
    keep "gzip -dc|decompress"
    run_timed /dev/null libdeflate-gunzip -c "$w.tar.gz"
    keep "libdeflate-gunzip -c|decompress"
    run_timed /dev/null zstd -dc -q "$w.tar.zst"
    keep "zstd -dc|decompress"
  done
  rm -rf "$dest"
  for key in "${order[@]}"; do
    record "$name" "${key%|*}" "${key#*|}" "${best[$key]}" '' "${peak[$key]}" "$runs"
  done
  # The engine's decoder against the plain one, byte for byte (untimed).
  for level in "${read_levels[@]}"; do
    if "$compare_decoders" "$w-$level.exe" "$shm/compare" >"$w.compare" 2>>"$BENCH_LOG"; then
      echo "$name level $level: $(cat "$w.compare")"
    else
      tail -n 5 "$BENCH_LOG" >&2
      echo "run-bench.sh: DECODERS DISAGREE on the $name archive at level $level" >&2
      exit 1
    fi
  done
}

trees=()
if [ "$quick" != 1 ]; then
  stage_usr_include "$BENCH_WORK/stage"
  trees+=("include|$BENCH_WORK/stage/include")
fi
make_corpus "$BENCH_WORK/generated" "$meta"
trees+=("corpus|$BENCH_WORK/generated/corpus")

# Large inputs: what create holds in memory for one 1 GiB file and for
# 20,000 small ones (creation only, at the default level).
bench_large() {
  local name=$1 path=$2 w=$BENCH_WORK/$1
  printf 'large\t%s\t%s\t%s\n' "$name" "$(tree_bytes "$path")" "$(find "$path" -type f | wc -l)" \
    >>"$meta"
  run_timed "$w.create.out" "$corvane" create -q "$w.exe" "$path" --level "$default_level"
  record "$name" "corvane --level $default_level" create-large "$TIMED_SECONDS" \
    "$(stat -c %s "$w.exe")" "$TIMED_RSS_KB" 1
  rm -f "$w.exe"
}

for entry in "${trees[@]}"; do
  IFS='|' read -r name tree <<<"$entry"
  describe_tree "$name" "$tree" >>"$meta"
  echo "== $name: $(tree_bytes "$tree") bytes in $(find "$tree" -type f | wc -l) files"
  bench_create "$name" "$tree"
  bench_read "$name" "$tree"
  rm -f "$BENCH_WORK/$name".* "$BENCH_WORK/$name"-*.exe  # room for the next tree
done

if [ "$quick" != 1 ]; then
  echo "== large inputs"
  make_large_file "$BENCH_WORK/large/one-gib.txt" $((1 << 30))
  bench_large one-gib-file "$BENCH_WORK/large/one-gib.txt"
  rm -f "$BENCH_WORK/large/one-gib.txt"
  python3 bench/make_corpus.py --small-files 20000 "$BENCH_WORK/large"
  bench_large small-files "$BENCH_WORK/large/small-files"
  rm -rf "$BENCH_WORK/large"
fi

printf 'load_end\t%s\n' "$(cat /proc/loadavg)" >>"$meta"
cp "$BENCH_TSV" "$out/measurements.tsv"
python3 bench/report.py "$BENCH_TSV" "$meta" "$out"
gnuplot -e "dir='$out'" bench/chart.gp
cat "$out/results.md"
echo "Results: $out/results.md, chart: $out/chart.png"
