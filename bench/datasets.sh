# The benchmark's input trees and how they are described and compared
# (sourced by run-bench.sh).

# stage_usr_include DIR: DIR/include, a copy of /usr/include with its
# times but without symbolic links (and anything else that is not a file
# or a folder): corvane skips links, so every tool must see these bytes.
stage_usr_include() {
  mkdir -p "$1"
  cp -a /usr/include "$1/"
  find "$1/include" ! -type f ! -type d -delete
}

# make_corpus DIR META: DIR/corpus from the fixed seed, and its digest (of
# names, bytes and times) in META, checked against the one recorded in
# bench/corpus.sha256: the same tree every run, or the figures do not
# compare with earlier ones.
make_corpus() {
  local digest expected state=same
  python3 bench/make_corpus.py "$1"
  digest=$( (tree_listing "$1/corpus" && tree_times "$1/corpus") | sha256sum | cut -d ' ' -f 1)
  expected=$(cat bench/corpus.sha256)
  if [ "$digest" != "$expected" ]; then
    state=DIFFERENT
    echo "!!!! WARNING: the generated corpus is not the recorded one (digest $digest," \
      "bench/corpus.sha256 has $expected): its figures do not compare with earlier runs" >&2
  fi
  printf 'corpus_digest\t%s\t%s\n' "$digest" "$state" >>"$2"
}

# tree_listing DIR: every folder, and every file with its SHA-256, by
# relative name in a fixed order.
tree_listing() {
  (
    cd "$1" || exit 1
    find . -type d -printf 'folder %p\n' | LC_ALL=C sort
    find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum
  )
}

# check_extracted LISTING DIR ARCHIVE: every folder, name and byte as in the input.
check_extracted() {
  if ! tree_listing "$2" | cmp -s "$1" -; then
    echo "!!!!!!!! EXTRACTED FILES DIFFER FROM THE INPUT: $3 -> $2 !!!!!!!!" >&2
    tree_listing "$2" | diff "$1" - | head -n 20 >&2 || true
    exit 1
  fi
}

# tree_times DIR: the last write time of everything in it, by relative name.
tree_times() {
  (cd "$1" || exit 1; find . -printf '%T@ %p\n' | LC_ALL=C sort -k 2)
}

# tree_bytes DIR: the bytes of all its files.
tree_bytes() {
  find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'
}

# describe_tree NAME DIR: the meta line "dataset NAME BYTES FILES".
describe_tree() {
  printf 'dataset\t%s\t%s\t%s\n' "$1" "$(tree_bytes "$2")" "$(find "$2" -type f | wc -l)"
}

# make_large_file PATH BYTES: one file of header text, /usr/include's files
# in a fixed order over and over, cut to BYTES.
make_large_file() {
  mkdir -p "$(dirname "$1")"
  local headers=$BENCH_WORK/headers.txt
  find /usr/include -type f -print0 | LC_ALL=C sort -z | xargs -0 cat >"$headers"
  local copies=$(($2 / $(stat -c %s "$headers") + 1)) i
  for ((i = 0; i < copies; i++)); do cat "$headers"; done | head -c "$2" >"$1" || true
  rm -f "$headers"
  [ "$(stat -c %s "$1")" -eq "$2" ] || { echo "make_large_file: $1 is short" >&2; exit 1; }
}
