#!/usr/bin/env bash
# Builds the Debian package tamanote_<version>-<revision>_<arch>.deb in the top folder, from a
# release build of its own in build-package/ (made afresh: no tests, benchmarks or
# tools), with Debian's hardening flags. The programs are stripped in the package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --package
dir=build-package
rm -rf "$dir"

# Debian's build flags, with every hardening feature (bindnow and PIE too), and -O2 as
# Debian builds rather than CMake's -O3.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-DNDEBUG" \
  -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DTAMANOTE_BUILD_TESTS=OFF -DTAMANOTE_BUILD_BENCH=OFF -DTAMANOTE_BUILD_TOOLS=OFF >/dev/null
cmake --build "$dir" -j"${JOBS:-$(nproc 2>/dev/null || echo 2)}"
cmake --build "$dir" --target package

deb=$(cd "$dir" && ls tamanote_*.deb)
rm -f tamanote_*.deb
cp "$dir/$deb" .
echo "package: $deb"
