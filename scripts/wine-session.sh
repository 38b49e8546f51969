#!/usr/bin/env bash
# The Wine session of the stub's end-to-end tests, in a folder of its own:
#   wine-session.sh start DIR   make DIR/prefix once, start a private Xvfb
#                               (its display number goes to DIR/display)
#                               and a wine server for the tests
#   wine-session.sh stop DIR    stop both again
# The tests read DIR to find the display and the prefix (tests/wine/).
# On a machine whose kernel runs no 32-bit programs, Wine for 32-bit
# Windows cannot start at all: start then writes the reason to
# DIR/unavailable, and the tests report themselves skipped.
set -euo pipefail

action=${1:?start or stop}
dir=${2:?session folder}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export WINEPREFIX="$dir/prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8  # code page 932 for the stub

stop_session() {
  wineserver -k 2>/dev/null || true
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
  rm -f "$dir/display"
}

if [ "$action" = stop ]; then
  stop_session
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

for tool in wine wineserver Xvfb import; do
  command -v "$tool" >/dev/null || {
    echo "$tool is missing: run scripts/install-deps.sh --tests" >&2
    exit 1
  }
done
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || {
  echo "the ja_JP.UTF-8 locale is missing: run scripts/install-deps.sh --tests" >&2
  exit 1
}

stop_session  # a session left over by an interrupted run
rm -f "$dir/unavailable"

if ! out=$(wine --version 2>&1); then
  if grep -q 'Exec format error' <<<"$out"; then
    echo "this machine's kernel cannot run 32-bit programs, which Wine for 32-bit Windows needs ($out)" \
      | tee "$dir/unavailable" >&2
    exit 0
  fi
  echo "wine does not start: $out" >&2
  exit 1
fi

# A display of our own; -displayfd picks a free number and writes it.
rm -f "$dir/display.new"
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
  3>"$dir/display.new" </dev/null >"$dir/xvfb.log" 2>&1 &
echo $! >"$dir/xvfb.pid"
for _ in $(seq 200); do
  [ -s "$dir/display.new" ] && break
  sleep 0.05
done
[ -s "$dir/display.new" ] || { echo "Xvfb did not start; see $dir/xvfb.log" >&2; exit 1; }
mv "$dir/display.new" "$dir/display"
export DISPLAY=":$(tr -d '[:space:]' <"$dir/display")"

# The prefix, made once. Without a window manager, windows the X server
# does not manage show and hide at once instead of waiting for one.
if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >"$dir/wineboot.log" 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$dir/wineboot.log" 2>&1
  wineserver -w
  touch "$WINEPREFIX/.corvane-ready"
fi

# One server for the whole run, so that each test starts quickly; it ends
# by itself a minute after its last program, should stop never come.
setsid wineserver -p60 </dev/null >>"$dir/wineboot.log" 2>&1
echo "Wine session ready: display $DISPLAY, prefix $WINEPREFIX"
