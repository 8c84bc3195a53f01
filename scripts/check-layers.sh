#!/usr/bin/env bash
# Checks on includes that the compiler cannot refuse.
#
#   check-layers.sh widgets [QTWIDGETS_INCLUDE_DIR]
#     Qt's own include root is on every layer's path, so <QtWidgets/QWidget> is found even
#     where Qt Widgets is not linked. Fails on any Qt Widgets header included below the
#     windows (src/files, src/rules, src/render, src/cli). Given Qt Widgets' include
#     folder, the bare class headers (<QWidget>, <QApplication>, …) are refused by name too.
#
#   check-layers.sh pairs
#     Fails when two units in src/files include each other (a.cpp/a.h includes b.h while
#     b.cpp/b.h includes a.h), so that neither can be built or understood without the other.
#
#   check-layers.sh listed
#     The test and benchmark lists name their sources one by one; fails on a tst_*.cpp or
#     bench_*.cpp that no list names, which would otherwise never be built or run.
set -euo pipefail
cd "$(dirname "$0")/.."

widgets() {
  local names=""
  if [ -n "${1:-}" ] && [ -d "$1" ]; then
    names=$(find "$1" -maxdepth 1 -type f -name 'Q*' ! -name '*.h' -printf '%f\n' | sort | paste -sd'|')
  fi
  local pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](QtWidgets/[^>"]*'
  [ -n "$names" ] && pattern+="|($names)"
  pattern+=')[>"]'
  local found
  found=$(grep -rnE --include='*.cpp' --include='*.h' "$pattern" src/files src/rules src/render src/cli || true)
  if [ -n "$found" ]; then
    sed 's/^\([^:]*:[0-9]*\):.*/layers: \1: includes a Qt Widgets header below the windows/' <<<"$found" >&2
    return 1
  fi
  echo "layers: no Qt Widgets header below the windows"
}

listed() {
  local missing=0 file
  while read -r file; do
    local dir=${file%/*}
    if ! grep -qsE "(^|[[:space:]/])${file#tests/}([[:space:]]|\)|$)" tests/CMakeLists.txt &&
      ! grep -qsE "(^|[[:space:]])${file##*/}([[:space:]]|\)|$)" "$dir/CMakeLists.txt"; then
      echo "layers: $file is in no test list" >&2
      missing=1
    fi
  done < <(find tests -name 'tst_*.cpp' | sort)
  while read -r file; do
    if ! grep -qE "(^|[[:space:]])$(basename "$file")([[:space:]]|\)|$)" bench/CMakeLists.txt; then
      echo "layers: $file is in no benchmark list" >&2
      missing=1
    fi
  done < <(find bench -name 'bench_*.cpp' | sort)
  [ "$missing" = 0 ] && echo "layers: every test and benchmark source is listed"
  return "$missing"
}

pairs() {
  # One line per edge "unit included-unit", a unit being a path under src/files without
  # its extension; includes are written from the include root (store/x.h) or beside (x.h).
  local edges
  edges=$(find src/files -name '*.cpp' -o -name '*.h' | sort | while read -r file; do
    local unit=${file#src/files/}
    unit=${unit%.*}
    local dir=${unit%/*}
    sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)\.h".*/\1/p' "$file" | while read -r inc; do
      if [ -f "src/files/$inc.h" ]; then
        echo "$unit $inc"
      elif [ -f "src/files/$dir/$inc.h" ]; then
        echo "$unit $dir/$inc"
      fi
    done
  done | awk '$1 != $2' | sort -u)
  local found
  found=$(awk '{ edge[$1 " " $2] = 1 } END { for (e in edge) { split(e, u, " ");
                if (u[1] < u[2] && (u[2] " " u[1]) in edge) print u[1] " " u[2] } }' <<<"$edges" | sort)
  if [ -n "$found" ]; then
    while read -r a b; do
      echo "layers: src/files/$a and src/files/$b include each other" >&2
    done <<<"$found"
    return 1
  fi
  echo "layers: no two units in src/files include each other"
}

case "${1:-}" in
widgets) widgets "${2:-}" ;;
pairs) pairs ;;
listed) listed ;;
*)
  echo "usage: $0 widgets [QTWIDGETS_INCLUDE_DIR] | pairs | listed" >&2
  exit 2
  ;;
esac
