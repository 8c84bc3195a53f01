#!/usr/bin/env bash
# Follows README.md's "Get the source", "Set up" and "Install the package" commands in a
# fresh minimal Debian 12 root, as root and as an account without sudo rights, and checks
# what each of them claims: one line per claim, "ok" or "FAIL", with what was measured.
# Run as root; needs the network. Not part of ./test.sh or CI.
#   --quick   ./test.sh --quick instead of the full ./test.sh (build-asan/ and build-fuzz/
#             are then not made, and their sizes not checked)
# The committed source (HEAD) is what goes in, cloned with git inside the root.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-root-check: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi
quick=0
[ "${1:-}" = "--quick" ] && quick=1

claims=0
failures=0
# claim STATUS TEXT [MEASURED]: STATUS 0 means the claim holds.
claim() {
  claims=$((claims + 1))
  if [ "$1" -eq 0 ]; then
    echo "ok   $2${3:+ ($3)}"
  else
    echo "FAIL $2${3:+ ($3)}"
    failures=$((failures + 1))
  fi
}
# near MEASURED CLAIMED: within half again or half of the claimed figure.
near() { awk -v m="$1" -v c="$2" 'BEGIN { exit !(m >= c / 2 && m <= c * 1.5) }'; }
mb() { du -sxm "$@" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }

pristine=$(scripts/minimal-root.sh)
work=$(mktemp -d /var/tmp/tamanote-fresh.XXXXXX)
root=$work/root
log=$work/log
cleanup() {
  for m in dev/pts dev proc; do umount "$root/$m" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$pristine" "$root"
start=$(mb "$root")
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
echo "fresh-root-check: a copy of $pristine in $root; commands' output in $log"

user=newcomer
home=/home/$user
chroot "$root" useradd -m -s /bin/bash "$user"
ids=$(chroot "$root" id -u "$user"):$(chroot "$root" id -g "$user")
# As a person types it: a login shell of root, or of the account without sudo rights.
as_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb bash -c "$1" >>"$log" 2>&1; }
as_user() {
  chroot --userspec="$ids" "$root" env -i PATH=/usr/bin:/bin HOME="$home" USER="$user" TERM=dumb \
    bash -c "cd $home/tamanote 2>/dev/null || cd; $1" >>"$log" 2>&1
}
# What root runs in the account's folder: su -c keeps the folder.
su_c() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb bash -c "cd $home/tamanote && $1" >>"$log" 2>&1; }
status() { "$@" && echo 0 || echo $?; }

echo "== the minimal root"
claim "$(status test ! -e "$root/usr/bin/git")" "a minimal Debian 12 has no git"
claim "$(status test ! -e "$root/usr/bin/sudo")" "a minimal Debian 12 has no sudo"

echo "== Get the source"
claim "$(status as_root 'apt-get update && apt-get install -y git')" \
  "as root: apt-get update && apt-get install -y git"
git bundle create "$root/tmp/tamanote.bundle" HEAD >/dev/null 2>&1
chmod 644 "$root/tmp/tamanote.bundle"
claim "$(status as_user 'git clone /tmp/tamanote.bundle tamanote')" \
  "as $user: git clone (this source's HEAD as a bundle) makes tamanote/"

echo "== Set up, as an account without sudo rights"
rc=$(status as_user './run.sh')
said=$(status grep -q 'need root or sudo' "$log")
claim $(( rc == 1 ? said : 1 )) "./run.sh before su -c: says it needs root or sudo, exit 1" "exit $rc"
before=$(mb "$root")
t0=$SECONDS
rc=$(status su_c 'scripts/install-deps.sh')
t=$((SECONDS - t0))
claim "$rc" "su -c scripts/install-deps.sh installs the packages" "exit $rc, $t s"
down=$(mb "$root/var/cache/apt/archives")
installed=$(( $(mb "$root") - before - down ))
claim "$(status near "$down" 245)" "about 245 MB downloaded" "$down MB in apt's cache, git's included"
claim "$(status near "$installed" 1000)" "about 1 GB installed" "$installed MB"

t0=$SECONDS
rc=$(status as_user './run.sh 2>&1 | tee /tmp/run.out; exit ${PIPESTATUS[0]}')
t=$((SECONDS - t0))
claim $(( rc == 1 ? 0 : 1 )) "./run.sh without a display builds, says so, exits 1" "exit $rc"
claim "$(status grep -q 'No display found' "$root/tmp/run.out")" "./run.sh names the virtual display" "$(grep -m1 'apt-get install' "$root/tmp/run.out" | sed 's/^ *//')"
claim "$(status near $((t / 60)) 3)" "./run.sh takes 2 to 4 minutes on two cores" "$((t / 60)) min $((t % 60)) s"
claim "$(status as_user './build/src/tamanote --version | grep -q "^tamanote "')" \
  "./build/src/tamanote --version needs no display"
rc=$(status as_user './build/src/tamanote-cli users')
claim $(( rc == 1 ? 0 : 1 )) "tamanote-cli users before the program ran exits 1" "exit $rc"
claim "$(status test ! -e "$root$home/.local/share/tamanote")" "… and makes no data folder"

t0=$SECONDS
if [ "$quick" -eq 1 ]; then
  rc=$(status as_user './test.sh --quick 2>&1 | tee /tmp/test.out; exit ${PIPESTATUS[0]}')
else
  rc=$(status as_user './test.sh 2>&1 | tee /tmp/test.out; exit ${PIPESTATUS[0]}')
fi
t=$((SECONDS - t0))
claim "$rc" "./test.sh$([ "$quick" -eq 1 ] && echo ' --quick') passes as $user" "exit $rc, $((t / 60)) min"
[ "$quick" -eq 1 ] && claim "$(status near $((t / 60)) 6)" "./test.sh --quick takes about 6 minutes more" "$((t / 60)) min"
[ "$quick" -eq 0 ] && claim "$(status near $((t / 60)) 25)" "the full ./test.sh takes about 25 minutes" "$((t / 60)) min"
claim "$(status near "$(mb "$root$home/tamanote/build")" 1400)" "build/ is about 1.4 GB" "$(mb "$root$home/tamanote/build") MB"
if [ "$quick" -eq 0 ]; then
  claim "$(status near "$(mb "$root$home/tamanote/build-asan")" 2600)" "build-asan/ is about 2.6 GB" \
    "$(mb "$root$home/tamanote/build-asan") MB"
  claim "$(status near "$(mb "$root$home/tamanote/build-fuzz")" 130)" "build-fuzz/ is about 0.13 GB" \
    "$(mb "$root$home/tamanote/build-fuzz") MB"
fi
if [ "$quick" -eq 0 ]; then
  total=$(( $(mb "$root") - start ))
  claim "$(status test "$total" -le 6600)" "6.5 GB free is enough" "$total MB used since the minimal root"
fi
# Each test the README names as skipped without root says so, with its reason.
skipped=$(sed -n '/skips (with the reason/,/Everything else runs/p' README.md | tr '\n' ' ')
for exe in $(grep -o '`tst_[a-z]*`' <<<"$skipped" | tr -d '`'); do
  names=$(sed -E "s/.*\`$exe\` \(([^)]*)\).*/\1/" <<<"$skipped" | tr -d ',')
  out=$(chroot --userspec="$ids" "$root" env -i HOME="$home" QT_QPA_PLATFORM=offscreen \
    "$home/tamanote/build/tests/$exe" 2>&1 || true)
  for n in $names; do
    claim "$(status grep -qE "^SKIP +: [A-Za-z]+::$n\(" <<<"$out")" "$exe $n is skipped as $user"
  done
done

echo "== Install the package"
claim "$(status su_c 'scripts/install-deps.sh --package')" "su -c 'scripts/install-deps.sh --package'"
rc=$(status as_user 'cmake --build build --target package 2>&1 | tee /tmp/package-target.out; exit ${PIPESTATUS[0]}')
said=$(status grep -q 'does not make the package scripts/package.sh makes' "$root/tmp/package-target.out")
claim $(( rc != 0 ? said : 1 )) "cmake --build build --target package in build/ refuses with the reason" "exit $rc"
claim "$(status as_user 'scripts/package.sh')" "scripts/package.sh as $user"
deb=$(cd "$root$home/tamanote" && ls tamanote_*.deb 2>/dev/null || true)
claim "$(status test "$deb" = "tamanote_2.0-1_$(dpkg --print-architecture).deb")" \
  "it leaves tamanote_2.0-1_amd64.deb" "${deb:-none}"
claim "$(status test -z "$(find "$root$home/tamanote" -uid 0 -print -quit)")" "no root-owned file in the checkout"
claim "$(status su_c "apt-get install -y ./$deb")" "as root: apt-get install -y ./$deb"
claim "$(status as_user 'tamanote --version && tamanote-cli --version')" "the installed programs print their version"
claim "$(status as_root 'test -f /usr/share/doc/tamanote/changelog.Debian.gz')" "changelog.Debian.gz installed"
claim "$(status as_root 'dpkg-query -W -f="\${Version}" tamanote | grep -qx 2.0-1')" "package version 2.0-1"

echo "== Set up, as root"
claim "$(status as_root 'git clone /tmp/tamanote.bundle /root/tamanote')" "as root: git clone"
t0=$SECONDS
rc=$(status as_root 'cd /root/tamanote && ./run.sh')
claim $(( rc == 1 ? 0 : 1 )) "./run.sh as root without a display builds and exits 1" \
  "exit $rc, $(((SECONDS - t0) / 60)) min"

echo "== $claims claims checked, $failures failed"
[ "$failures" -eq 0 ]
