#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh and checks it: the files it holds and
# their permissions, lintian, the AppStream data, and an installation with apt into a
# clean Debian 12 root made by debootstrap, where both programs must start.
# Needs root (debootstrap, chroot) and the network the first time; not part of ./test.sh.
# The clean root is kept in /var/tmp/tamanote-package-root (TAMANOTE_ROOT_CACHE) so that
# a second run needs no debootstrap; each run installs into a fresh copy of it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "test-package: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi

scripts/package.sh
version=$(sed -n 's/^project(tamanote VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=tamanote_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "test-package: $deb was not made" >&2; exit 1; }

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
work=$(mktemp -d)
root=""
cleanup() {
  if [ -n "$root" ]; then
    umount "$root/proc" 2>/dev/null || true
    umount "$root/dev" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== control"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

echo "== file list"
dpkg-deb -c "$deb" >"$work/list"
id=io.github.tamanote.Tamanote
required=(
  /usr/bin/tamanote /usr/bin/tamanote-cli
  "/usr/share/applications/$id.desktop"
  "/usr/share/metainfo/$id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$id.svg"
  /usr/share/man/man1/tamanote.1.gz /usr/share/man/man1/tamanote-cli.1.gz
  /usr/share/man/ja/man1/tamanote.1.gz /usr/share/man/ja/man1/tamanote-cli.1.gz
  /usr/share/bash-completion/completions/tamanote-cli
  /usr/share/doc/tamanote/copyright /usr/share/doc/tamanote/changelog.gz
)
for size in 16 22 24 32 48 64 128 256 512; do
  required+=("/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for f in "${required[@]}"; do
  grep -q " \.$f\$" "$work/list" || fail "missing from the package: $f"
done
# Programs 0755, everything else 0644, folders 0755, all owned by root.
while read -r mode owner _ _ _ path; do
  case $mode in
    d*) want=drwxr-xr-x ;;
    *) case $path in ./usr/bin/*) want=-rwxr-xr-x ;; *) want=-rw-r--r-- ;; esac ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has $mode, not $want"
  [ "$owner" = root/root ] || fail "$path is owned by $owner"
done <"$work/list"
echo "$(wc -l <"$work/list") entries, ${#required[@]} required files checked"

dpkg-deb -x "$deb" "$work/x"
for b in tamanote tamanote-cli; do
  if readelf -S "$work/x/usr/bin/$b" | grep -qE '\.(symtab|debug_info)'; then fail "/usr/bin/$b is not stripped"; fi
done
for size in 16 22 24 32 48 64 128 256 512; do
  png=$work/x/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || continue
  # The PNG header holds the width and height as big-endian numbers at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done

echo "== lintian"
# What remains and why: see "Lintian" under "Install the package" in README.md.
lintian --display-info --pedantic "$deb" 2>&1 | grep -v "root privileges" | tee "$work/lintian" || true
grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
[ -s "$work/lintian" ] || echo "(no tags)"

echo "== appstreamcli"
appstreamcli validate --no-net "$work/x/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

echo "== installing into a clean Debian 12 root"
cache=${TAMANOTE_ROOT_CACHE:-/var/tmp/tamanote-package-root}
pristine=$cache/bookworm-minbase
if [ ! -f "$pristine/.complete" ]; then
  # The Debian mirror this machine uses.
  mirror=$(grep -hE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null |
    grep -v security | awk '{print $2; exit}')
  [ -n "$mirror" ] || mirror=$(grep -hE '^deb +(\[[^]]*\] +)?https?://' /etc/apt/sources.list 2>/dev/null |
    grep -v security | sed -E 's/^deb +(\[[^]]*\] +)?//' | awk '{print $1; exit}')
  mirror=${mirror:-http://deb.debian.org/debian}
  echo "debootstrap from $mirror into $pristine"
  rm -rf "$pristine"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$pristine" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -20 "$cache/debootstrap.log"; echo "test-package: debootstrap failed" >&2; exit 1; }
  # The updates and security suites too, as a Debian 12 machine has them.
  security=$(grep -hE '^URIs:.*security' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2; exit}')
  {
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    echo "deb ${security:-http://security.debian.org/debian-security} bookworm-security main"
  } >"$pristine/etc/apt/sources.list"
  touch "$pristine/.complete"
fi
root=$cache/run
rm -rf "$root"
cp -a "$pristine" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp "$deb" "$root/tmp/"
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime LANG=C.UTF-8 "$@"
}
in_root apt-get update -qq
if ! in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$deb" >"$work/apt" 2>&1; then
  tail -30 "$work/apt"
  fail "apt-get install ./$deb in the clean root"
else
  grep -E '^(The following NEW|Setting up tamanote)' "$work/apt" || true
  echo "$(grep -c '^Setting up' "$work/apt") packages set up"
  mkdir -p "$root/tmp/home"
  mkdir -m 700 "$root/tmp/runtime"
  echo "\$ tamanote-cli --version"
  in_root tamanote-cli --version || fail "tamanote-cli --version in the clean root"
  echo "\$ tamanote-cli users"
  if in_root tamanote-cli users; then echo "(exit 0)"; else fail "tamanote-cli users in the clean root"; fi
  echo "\$ tamanote-cli check"
  if in_root tamanote-cli check; then echo "(exit 0)"; else fail "tamanote-cli check in the clean root"; fi
  echo "\$ QT_QPA_PLATFORM=offscreen tamanote --version"
  in_root env QT_QPA_PLATFORM=offscreen tamanote --version || fail "tamanote --version in the clean root"
  echo "\$ dpkg -L tamanote | grep -E 'man1/|completions/'"
  in_root dpkg -L tamanote | grep -E 'man1/|completions/' || fail "dpkg -L tamanote"
  echo "\$ ls -A ~/.local/share/tamanote (made by the commands)"
  ls -A "$root/tmp/home/.local/share/tamanote" || fail "the default data folder was not made"
fi

echo "== result"
if [ "$failed" -ne 0 ]; then
  echo "test-package: FAILED"
  exit 1
fi
echo "test-package: $deb passed"
