#!/usr/bin/env bash
# Prints the path of a pristine minimal Debian 12 root (debootstrap --variant=minbase from
# this machine's Debian mirror), made the first time and kept in TAMANOTE_ROOT_CACHE
# (/var/tmp/tamanote-package-root). Callers work in a copy of it, never in it.
# Needs root and, the first time, the network.
set -euo pipefail

cache=${TAMANOTE_ROOT_CACHE:-/var/tmp/tamanote-package-root}
pristine=$cache/bookworm-minbase
if [ ! -f "$pristine/.complete" ]; then
  # The Debian mirror this machine uses, from either form of apt's sources (a machine may
  # have only /etc/apt/sources.list, or only .sources files).
  uris() {
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | sed -n 's/^URIs: *//p' || true
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -nE 's/^deb +(\[[^]]*\] +)?([^ ]+).*/\2/p' || true
  }
  mirror=$(uris | awk '$1 !~ /security/ {print $1; exit}' || true)
  security=$(uris | awk '$1 ~ /security/ {print $1; exit}' || true)
  mirror=${mirror:-http://deb.debian.org/debian}
  echo "debootstrap from $mirror into $pristine" >&2
  rm -rf "$pristine"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$pristine" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -20 "$cache/debootstrap.log" >&2; echo "minimal-root: debootstrap failed" >&2; exit 1; }
  # The updates and security suites too, as a Debian 12 machine has them.
  {
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    echo "deb ${security:-http://security.debian.org/debian-security} bookworm-security main"
  } >"$pristine/etc/apt/sources.list"
  touch "$pristine/.complete"
fi
echo "$pristine"
