#!/usr/bin/env bash
# Installs those of the named Debian packages that are not installed yet
# (nothing at all, not even a package list update, when every one is):
#   install-packages.sh PACKAGE...
#
# A mirror that is partly out of step must not stop the set-up:
#  - a package list that fails to download ("Mirror sync in progress?")
#    is warned about, and the lists that did come are used;
#  - when the install fails because the lists of one suite are older or
#    newer than the packages on the machine (amd64 and i386 versions of a
#    shared library that differ: "held broken packages"), it is tried
#    again with the main suite as target, then with the security suite
#    pinned below the main one;
#  - what still cannot be installed is named, and the script fails.
set -uo pipefail

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "$@"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update -qq; then
  echo "warning: apt-get update failed for some package lists; going on with those that came" >&2
fi

apt_install() {
  apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null
}

suite=$( . /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-bookworm}" )
pin=/etc/apt/preferences.d/corvane-security-below-main
if ! apt_install; then
  echo "warning: install failed; trying again with $suite as the target release" >&2
  if ! apt_install -t "$suite"; then
    echo "warning: trying again with $suite-security pinned below $suite" >&2
    printf 'Package: *\nPin: release n=%s-security\nPin-Priority: 400\n' "$suite" >"$pin"
    apt_install -t "$suite" || true
    rm -f "$pin"
  fi
fi

still=()
for p in "${missing[@]}"; do
  installed "$p" || still+=("$p")
done
if [ ${#still[@]} -gt 0 ]; then
  echo "error: could not install: ${still[*]}" >&2
  exit 1
fi
