#!/usr/bin/env bash
# The mechanical checks of every change: the house format (.clang-format) on
# every C++ file, and clang-tidy (.clang-tidy) on every product file that the
# x86_64 build compiles. Needs a configured x86_64 tree (build/x64).
# Usage: tools/lint.sh [format|tidy]    both when no argument is given
# Exit status 0 when both are clean, 1 when a file needs formatting or has a
# finding (each is listed), 2 when the checks could not run.
set -uo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
status=0

check_format() {
  local bad
  bad=$(git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u)
  if [ -n "$bad" ]; then
    echo "lint: not in the house format (run clang-format -i on them):"
    echo "$bad" | sed 's/^/  /'
    return 1
  fi
  echo "lint: format: $(git ls-files '*.cpp' '*.h' '*.c' | wc -l) files clean"
}

# clang-tidy reads the cross compiler's command lines; it is given clang's own
# intrinsics and the MinGW-w64 headers and C++ library instead of GCC's.
check_tidy() {
  local db=build/x64/compile_commands.json
  [ -f "$db" ] || { echo "lint: no $db; configure the x64 preset first" >&2; return 2; }
  local gxx=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
  local args=(--quiet -p build/x64 "--header-filter=^$PWD/[a-z]+/[^/]+\.h$" --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++
              "--extra-arg=-isystem$gxx" "--extra-arg=-isystem$gxx/x86_64-w64-mingw32"
              "--extra-arg=-isystem$gxx/backward" --extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
  local files
  files=$(python3 -c '
import json, os, sys
root = os.getcwd() + "/"
for entry in json.load(open(sys.argv[1])):
    f = entry["file"]
    rel = f[len(root):] if f.startswith(root) else None
    if rel and rel.endswith(".cpp") and not rel.startswith(("tests/", "bench/", "build/")):
        print(rel)' "$db" | sort -u)
  local out rc
  out=$(echo "$files" | xargs -P "$(nproc)" -n 4 clang-tidy "${args[@]}" 2>&1)
  rc=$?
  local findings
  findings=$(grep -E '(warning|error): ' <<<"$out" | sort -u)
  if [ $rc != 0 ] || [ -n "$findings" ]; then
    echo "lint: clang-tidy findings:"
    echo "${findings:-$out}" | sed 's/^/  /'
    return 1
  fi
  echo "lint: tidy: $(echo "$files" | wc -l) files clean"
}

case $what in
format) check_format || status=$? ;;
tidy) check_tidy || status=$? ;;
all) check_format || status=$?; check_tidy || status=$? ;;
*) echo "usage: tools/lint.sh [format|tidy]" >&2; exit 2 ;;
esac
exit $status
