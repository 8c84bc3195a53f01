#!/usr/bin/env bash
# Installs from Debian's packages what building, running and testing need; with
# --package, also what building and checking the Debian package needs
# (scripts/package.sh, scripts/test-package.sh).
# Does nothing (and says nothing) when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libicu-dev libsqlite3-dev libxxhash-dev
  libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-ipafont-gothic fontconfig
  qt6-qpa-plugins qt6-translations-l10n
  scdoc
)
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev fakeroot librsvg2-bin lintian appstream desktop-file-utils debootstrap)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
