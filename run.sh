#!/usr/bin/env bash
# Installs what is missing, builds, and starts タマノート. Arguments go to the program
# (for example --data DIR).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc 2>/dev/null || echo 2)" --target tamanote tamanote-cli

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "$(uname)" = "Linux" ]; then
  echo "No display found. Run it under a virtual one, from the package xvfb:" >&2
  if [ "$(id -u)" -eq 0 ]; then
    echo "  apt-get install -y xvfb" >&2
  else
    echo "  su -c 'apt-get install -y xvfb'    (or: sudo apt-get install -y xvfb)" >&2
  fi
  echo "  xvfb-run -a ./build/src/tamanote${*:+ $*}" >&2
  exit 1
fi
exec ./build/src/tamanote "$@"
