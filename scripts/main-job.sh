#!/usr/bin/env bash
# The main job: set up, build all, make a sample archive from a small tree
# (Japanese names included), extract it and check that every byte and time
# came back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

corvane=build/host/cli/corvane
work=build/sample
rm -rf "$work"
mkdir -p "$work/in/sample/表示/ソース" "$work/in/sample/empty"
printf 'Hello from Corvane.\n' > "$work/in/sample/readme.txt"
seq 1 20000 > "$work/in/sample/表示/numbers.txt"
head -c 100000 /dev/urandom > "$work/in/sample/表示/ソース/random.bin"
cp "$work/in/sample/表示/numbers.txt" "$work/in/sample/表示/ソース/numbers-copy.txt"
touch -d '2001-02-03 04:05:06' "$work/in/sample/readme.txt"

"$corvane" create "$work/sample.exe" "$work/in/sample" \
  --description "サンプルの書庫です。" --run readme.txt
"$corvane" list "$work/sample.exe"
"$corvane" test "$work/sample.exe"
"$corvane" extract "$work/sample.exe" -d "$work/out" --quiet

diff -r "$work/in/sample" "$work/out/sample"
# The archive keeps times in units of 100 ns: compare them to that.
file_times() {
  ( cd "$1" && find sample -type f -printf '%p %T@\n' | sort |
    sed -E 's/([0-9]+\.[0-9]{7})[0-9]*$/\1/' )
}
file_times "$work/in" > "$work/times-in.txt"
file_times "$work/out" > "$work/times-out.txt"
diff "$work/times-in.txt" "$work/times-out.txt"
echo "Main job done: $work/sample.exe extracted to $work/out, every byte and time stamp equal."
