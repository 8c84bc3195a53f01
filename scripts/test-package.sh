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

# The package is built by the owner of this folder, so that root leaves nothing here
# that the owner cannot remove (build-package/, the .deb) when run with sudo or su.
scripts/install-deps.sh --package
owner=$(stat -c %u .)
if [ "$owner" -ne 0 ]; then
  group=$(stat -c %g .)
  home=$(getent passwd "$owner" | cut -d: -f6 || true)
  echo "test-package: building the package as the owner of this folder (uid $owner)"
  setpriv --reuid="$owner" --regid="$group" --clear-groups \
    env HOME="${home:-/tmp}" scripts/package.sh
else
  scripts/package.sh
fi
version=$(sed -n 's/^project(tamanote VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
revision=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE \([0-9]*\))/\1/p' packaging/cpack.cmake)
deb=tamanote_${version}-${revision}_$(dpkg --print-architecture).deb
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
  /usr/share/doc/tamanote/copyright /usr/share/doc/tamanote/changelog.Debian.gz
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
# What remains and why: see "Lintian" under "Install the package" in README.md. Any other
# tag, even a pedantic or informational one, is new and fails.
known='hardening-no-fortify-functions'
lintian --display-info --pedantic "$deb" 2>&1 | grep -v "root privileges" | tee "$work/lintian" || true
if grep -vE "^[A-Z]: tamanote[^:]*: ($known)( |$)" "$work/lintian" | grep -qE '^[EWIPX]: '; then
  fail "lintian reports a new tag"
fi
[ -s "$work/lintian" ] || echo "(no tags)"

echo "== desktop-file-validate"
desktop-file-validate "$work/x/usr/share/applications/$id.desktop" && echo "(valid)" ||
  fail "desktop-file-validate"

echo "== appstreamcli validate --pedantic"
# The one pedantic note, an upper-case letter in the id, is the id the desktop entry has.
appstreamcli validate --pedantic --no-net "$work/x/usr/share/metainfo/$id.metainfo.xml" |
  tee "$work/appstream" || fail "appstreamcli validate"
if grep -E '^[EWIP]: ' "$work/appstream" | grep -qv 'cid-contains-uppercase-letter'; then
  fail "appstreamcli reports a new issue"
fi

echo "== installing into a clean Debian 12 root"
cache=${TAMANOTE_ROOT_CACHE:-/var/tmp/tamanote-package-root}
pristine=$(scripts/minimal-root.sh)
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
  echo "\$ tamanote --version (no display)"
  in_root tamanote --version || fail "tamanote --version without a display in the clean root"
  echo "\$ tamanote-cli users (before the program ever ran: no data folder)"
  status=0
  in_root tamanote-cli users || status=$?
  [ "$status" -eq 1 ] || fail "tamanote-cli users without a data folder exits $status, not 1"
  [ ! -e "$root/tmp/home/.local/share/tamanote" ] || fail "tamanote-cli users made the data folder"
  mkdir -p "$root/tmp/home/.local/share/tamanote"
  echo "\$ tamanote-cli users (an empty data folder)"
  if in_root tamanote-cli users; then echo "(exit 0)"; else fail "tamanote-cli users in the clean root"; fi
  echo "\$ tamanote-cli check"
  if in_root tamanote-cli check; then echo "(exit 0)"; else fail "tamanote-cli check in the clean root"; fi
  echo "\$ dpkg -L tamanote | grep -E 'man1/|completions/'"
  in_root dpkg -L tamanote | grep -E 'man1/|completions/' || fail "dpkg -L tamanote"
  echo "\$ apt-get remove --purge tamanote"
  in_root apt-get remove --purge -y -q tamanote >/dev/null || fail "apt-get remove tamanote"
  in_root dpkg -L tamanote >/dev/null 2>&1 && fail "tamanote is still installed"
fi

echo "== result"
if [ "$failed" -ne 0 ]; then
  echo "test-package: FAILED"
  exit 1
fi
echo "test-package: $deb passed"
