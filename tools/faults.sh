#!/usr/bin/env bash
# Plants the faults of tools/faults.txt one at a time, builds the x86_64 tree,
# runs its ctest cases (all but the lint ones) and prints, as a markdown
# table, which cases caught each fault. Each file is restored right after its
# fault's run, and on every way out. Run it on a tree whose suites pass.
# The fault sits in the working tree while it runs: commit nothing with -a then.
# At the end the tree is built again without faults; after an interrupted run,
# build it yourself before running ctest, or its binaries hold the last fault.
#
# Usage: tools/faults.sh [--only N[,M...]] [--first] [--check]
#   --only N,M  only these faults (numbered as in the table)
#   --first     each fault's cases run one by one, fastest first (by ctest's
#               own timings), up to the first that fails
#   --check     only checks that each fault's text occurs exactly once
# Exit status: 0 every fault was planted and built; 1 one was refused (its
# text does not occur exactly once) or did not build, or the tree did not
# build again without faults; 2 bad usage.
set -uo pipefail
cd "$(dirname "$0")/.."
LIST=tools/faults.txt
BUILD=build/x64
# Two cases at a time: measured on this machine's two cores, -j2 took a third
# less time than serial and caught the same faults.
JOBS=${FAULTS_JOBS:-2}

usage() { echo "usage: tools/faults.sh [--only N[,M...]] [--first] [--check]" >&2; exit 2; }
only="" first=0 check=0
while [ $# -gt 0 ]; do
  case $1 in
    --only) [ $# -ge 2 ] && [[ $2 =~ ^[0-9]+(,[0-9]+)*$ ]] || usage; only=$2; shift 2 ;;
    --first) first=1; shift ;;
    --check) check=1; shift ;;
    *) usage ;;
  esac
done

# The list's reader. "fields": one tab-separated line per fault (number, file,
# hole or "-", matches of its text, table cell of the change); "plant N": the fault
# written into its file, refused unless its text occurs exactly once.
faults_py() {
  python3 - "$LIST" "$@" <<'PY'
import sys
path, cmd = sys.argv[1], sys.argv[2]
faults = []
for n, para in enumerate(open(path, encoding="utf-8").read().split("\n\n")):
    f = {}
    for line in para.splitlines():
        if line.startswith("#") or ":" not in line:
            continue
        key, _, value = line.partition(":")
        f[key.strip()] = value.strip()
    if "file" not in f:
        continue
    for key in ("what", "from", "to"):
        if key not in f:
            sys.exit(f"{path}: paragraph {n + 1} ({f['file']}): no '{key}:' line")
    faults.append(f)

def matches(f):
    try:
        return open(f["file"], encoding="utf-8").read().count(f["from"])
    except OSError:
        return 0

def cell(f):
    code = lambda s: "`" + s.replace("|", "\\|") + "`" if s else "(dropped)"
    hole = f"hole {f['hole']}: " if f.get("hole") else ""
    return f"{hole}{f['what']}: {code(f['from'])} → {code(f['to'])}"

if cmd == "fields":
    for i, f in enumerate(faults, 1):
        print("\t".join([str(i), f["file"], f.get("hole") or "-", str(matches(f)), cell(f)]))
elif cmd == "plant":
    f = faults[int(sys.argv[3]) - 1]
    text = open(f["file"], encoding="utf-8").read()
    if text.count(f["from"]) != 1:
        sys.exit(f"{f['file']}: the fault's text occurs {text.count(f['from'])} times, not once")
    open(f["file"], "w", encoding="utf-8").write(text.replace(f["from"], f["to"]))
PY
}

fields=$(faults_py fields) || exit 2
if [ $check = 1 ]; then
  awk -F'\t' '$4 != 1 { bad = 1; print "fault " $1 " (" $2 "): its text occurs " $4 " times" }
              END { exit bad }' <<<"$fields" && echo "$(wc -l <<<"$fields") faults, each text occurs once"
  exit
fi
if [ -n "$only" ]; then
  fields=$(awk -F'\t' -v only=",$only," 'index(only, "," $1 ",")' <<<"$fields")
  [ -n "$fields" ] || usage
fi

tmp=$(mktemp -d)
planted=""
restore() {
  # cat, not cp -p: the file must be newer than its object, or ninja keeps
  # the fault's build.
  [ -n "$planted" ] && cat "$tmp/original" >"$planted"
  planted=""
}
. tools/wine-env.sh
trap 'restore; wine_prefix_down; rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM
wine_prefix_up "$BUILD"
# The programs see every BSTR the runtime frees (as in tools/test.sh).
export OANOCACHE=1

# The cases, fastest first by the timings ctest keeps of earlier runs (a case
# it has not timed yet goes last; a tree never tested keeps ctest's order).
cases_fastest_first() {
  ctest --preset x64 -N -E '^lint_' | sed -n 's/^ *Test *#[0-9]*: //p' |
    awk -v costs="$BUILD/Testing/Temporary/CTestCostData.txt" '
      BEGIN { while ((getline line < costs) > 0 && line != "---") { split(line, f, " "); cost[f[1]] = f[3] } }
      { print ($1 in cost ? cost[$1] : 1e9), $1 }' |
    sort -g | cut -d' ' -f2
}

# Prints the cases that failed, comma-separated ("" when none).
run_cases() {
  if [ $first = 1 ]; then
    local name
    for name in $(cases_fastest_first); do
      ctest --preset x64 -R "^$name\$" >"$tmp/ctest.log" 2>&1 || { echo "$name"; return; }
    done
    return
  fi
  ctest --preset x64 -E '^lint_' -j$JOBS >"$tmp/ctest.log" 2>&1
  sed -n '/The following tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \([^ ]*\) (\([^)]*\)).*/\1 \2/p' "$tmp/ctest.log" |
    sed 's/ Failed$//' | paste -sd, - | sed 's/,/, /g'
}

echo "Faults of tools/faults.txt on $(git rev-parse --short HEAD), $(date -u '+%Y-%m-%d %H:%M') UTC$(
  [ $first = 1 ] && echo ", up to the first failing case")"
echo
echo "| # | file | change | caught by | s |"
echo "|---|---|---|---|---|"
total=0 caught=0 status=0 t_all=$SECONDS
# The list comes on fd 3: ctest's and Wine's programs read stdin.
while IFS=$'\t' read -r -u 3 n file hole count change; do
  total=$((total + 1)) t0=$SECONDS
  echo "fault $n ($file): building" >&2
  cp "$file" "$tmp/original"
  if ! faults_py plant "$n" 2>"$tmp/plant.log"; then
    result="REFUSED: its text occurs $count times" status=1
  else
    planted=$file
    if ! cmake --build --preset x64 >"$tmp/build.log" 2>&1; then
      result="does not build" status=1
    else
      echo "fault $n: testing" >&2
      result=$(run_cases)
      if [ -n "$result" ]; then caught=$((caught + 1)); else result="NOT CAUGHT"; fi
    fi
    restore
  fi
  echo "fault $n: $result ($((SECONDS - t0)) s)" >&2
  echo "| $n | $file | $change | $result | $((SECONDS - t0)) |"
done 3<<<"$fields"
# The last fault's binaries would stay behind for the next ctest.
echo "rebuilding the tree without faults" >&2
cmake --build --preset x64 >"$tmp/build.log" 2>&1 || { echo "the tree does not build without faults" >&2; status=1; }
echo
echo "$caught of $total caught; $((SECONDS - t_all)) s in all."
exit $status
