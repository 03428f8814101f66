#!/usr/bin/env bash
# Makes the figures of docs/benchmarks.md from the bench's data: the tables
# between its "figures" markers and the plot docs/bench/ns-per-check.svg.
# Usage: tools/bench-doc.sh            from docs/bench/figures.csv and .run
#        tools/bench-doc.sh DIR        takes DIR/x86_64.csv and .run (what
#                                      tools/bench.sh wrote) into docs/bench first
# docs/bench/before.csv (and before.run, its date and load), where present,
# gives the closing before/after table.
set -euo pipefail
cd "$(dirname "$0")/.."
data=docs/bench
if [ $# -gt 0 ]; then
  cp "$1/x86_64.csv" "$data/figures.csv"
  cp "$1/x86_64.run" "$data/figures.run"
fi
command -v gnuplot >/dev/null || { echo "bench-doc: gnuplot is missing (tools/setup.sh installs it)"; exit 1; }
doc=docs/benchmarks.md
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The data with every ratio: the bench gives each as the median of paired
# batches; data from before it did has them derived from the times.
with_ratios() {
  awk -F, -v OFS=, '
    function derive(r, name, a, b) { if (!((r, name) in v)) print r, name, sprintf("%.6f", v[r, a] / v[r, b]) }
    { print }
    NR > 1 { v[$1 "," $2 "," $3, $4] = $5; section[$1 "," $2 "," $3] = $1 }
    END {
      for (r in section)
        if (section[r] == "checks") {
          derive(r, "on_ratio", "layer_on", "floor_on"); derive(r, "off_ratio", "layer_off", "floor_off")
          derive(r, "on_off", "layer_on", "layer_off")
        } else if (section[r] == "proxy") {
          derive(r, "direct_ratio", "proxy", "direct"); derive(r, "floor_ratio", "proxy", "floor")
        }
    }' "$1"
}
csv=$tmp/figures.csv
with_ratios "$data/figures.csv" > "$csv"

# Rows of one section as "check k figure value", one per line.
rows() { awk -F, -v s="$1" 'NR > 1 && $1 == s { print $2, $3, $4, $5 }' "$2"; }

# The run: machine, date and load.
{
  echo "Run: $(sed -n 's/^date=//p' "$data/figures.run"); $(sed -n 's/^machine=//p' "$data/figures.run");"
  echo "$(sed -n 's/^system=//p' "$data/figures.run"); load average $(sed -n 's/^load=//p' "$data/figures.run")."
} > "$tmp/run.md"

# Checks: trace on first, trace off beside it.
rows checks "$csv" | awk '
  { v[$1 " " $2, $3] = $4; if (!(($1 " " $2) in seen)) { seen[$1 " " $2] = 1; order[n++] = $1 " " $2 } }
  END {
    print "| check | k | events | layer, on | floor, on | layer/floor, on | layer, off | floor, off | layer/floor, off | baseline | on/off |"
    print "|---|---|---|---|---|---|---|---|---|---|---|"
    for (i = 0; i < n; i++) {
      r = order[i]; split(r, p, " ")
      printf "| %s | %d | %d | %.0f | %.0f | %.2f | %.0f | %.0f | %.2f | %.0f | %.2f |\n", p[1], p[2], v[r, "events"],
        v[r, "layer_on"], v[r, "floor_on"], v[r, "on_ratio"], v[r, "layer_off"], v[r, "floor_off"], v[r, "off_ratio"],
        v[r, "baseline"], v[r, "on_off"]
    }
  }' > "$tmp/checks.md"

rows allocations "$csv" | awk '
  $1 != "ZURTrace" { v[$1 " " $2, $3] = $4; if (!(($1 " " $2) in seen)) { seen[$1 " " $2] = 1; order[n++] = $1 " " $2 } }
  END {
    print "| check | k | operator new, on | operator new, off | task blocks, on | task blocks, off | baseline task blocks | task blocks per event beyond the host |"
    print "|---|---|---|---|---|---|---|---|"
    for (i = 0; i < n; i++) {
      r = order[i]; split(r, p, " ")
      printf "| %s | %d | %.1f | %.1f | %.1f | %.1f | %.1f | %.2f |\n", p[1], p[2], v[r, "new_on"], v[r, "new_off"],
        v[r, "task_on"], v[r, "task_off"], v[r, "base_task"], v[r, "task_per_event"]
    }
  }' > "$tmp/allocations.md"

rows proxy "$csv" | awk '
  { v[$2, $3] = $4; if (!($2 in seen)) { seen[$2] = 1; order[n++] = $2 } }
  END {
    print "| k | proxy | direct | floor | proxy/direct | proxy/floor |"
    print "|---|---|---|---|---|---|"
    for (i = 0; i < n; i++) {
      k = order[i]
      printf "| %d | %.0f | %.0f | %.0f | %.2f | %.2f |\n", k, v[k, "proxy"], v[k, "direct"], v[k, "floor"],
        v[k, "direct_ratio"], v[k, "floor_ratio"]
    }
  }' > "$tmp/proxy.md"

rows catalogue "$csv" | awk '
  BEGIN { print "| assistants | Init, us | per assistant, us |"; print "|---|---|---|" }
  { printf "| %d | %.0f | %.1f |\n", $2, $4, $4 / $2 }' > "$tmp/catalogue.md"

# What the issue holds the bench to, from one run's data: worst case over
# every check and k.
summary() {
  awk -F, '
    NR == 1 { next }
    $1 == "checks" { v[$2 " " $3, $4] = $5; rows[$2 " " $3] = 1 }
    $1 == "proxy" { p[$3, $4] = $5; ks[$3] = 1 }
    $1 == "allocations" && $2 != "ZURTrace" { a[$2 " " $3, $4] = $5; arows[$2 " " $3] = 1 }
    END {
      onMax = 0; offMin = 99; offMax = 0; pMax = 0; newMax = 0; evMax = 0
      for (r in rows) {
        on = v[r, "on_ratio"]; off = v[r, "off_ratio"]
        if (on > onMax) onMax = on
        if (off < offMin) offMin = off
        if (off > offMax) offMax = off
      }
      for (k in ks) if (p[k, "floor_ratio"] > pMax) pMax = p[k, "floor_ratio"]
      for (r in arows) {
        if (a[r, "new_on"] > newMax) newMax = a[r, "new_on"]
        if (a[r, "new_off"] > newMax) newMax = a[r, "new_off"]
        if (a[r, "task_per_event"] > evMax) evMax = a[r, "task_per_event"]
      }
      r = "CheckInsertDrop 4"
      printf "%.2f\t%.2f\t%.2f\t%.2f to %.2f\t%.2f\t%.0f\n", onMax, v[r, "on_off"], evMax, offMin,
        offMax, pMax, newMax
    }' "$1"
}
if [ -f "$data/before.csv" ]; then
  paste <(printf '%s\n' "traced layer / traced floor, largest" "trace on / trace off, CheckInsertDrop, k = 4" \
            "task-memory blocks per event beyond the host's, largest" "layer / floor (trace off), all checks and k" \
            "proxy / floor, largest" "operator new per check, largest, k up to 64") \
        <(printf '%s\n' "at most 1.05" "at most 1.35" "0" "0.95 to 1.07" "at most 1.05" "0") \
        <(summary <(with_ratios "$data/before.csv") | tr '\t' '\n') <(summary "$csv" | tr '\t' '\n') |
    awk -F'\t' 'BEGIN { print "| figure | target | before | after |"; print "|---|---|---|---|" }
                { printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }' > "$tmp/before-after.md"
  if [ -f "$data/before.run" ]; then
    printf '\nBefore: %s; load average %s.\n' "$(sed -n 's/^date=//p' "$data/before.run")" \
      "$(sed -n 's/^load=//p' "$data/before.run")" >> "$tmp/before-after.md"
  fi
else
  echo "(no docs/bench/before.csv)" > "$tmp/before-after.md"
fi

# The plot: ns per check against k, one panel per check.
checks=$(rows checks "$csv" | awk '!seen[$1]++ { print $1 }' | tr '\n' ' ')
for check in $checks; do
  rows checks "$csv" | awk -v c="$check" '
    $1 == c { v[$2, $3] = $4; if (!($2 in seen)) { seen[$2] = 1; order[n++] = $2 } }
    END { for (i = 0; i < n; i++) { k = order[i]
      print k, v[k, "layer_on"], v[k, "floor_on"], v[k, "layer_off"], v[k, "floor_off"], v[k, "baseline"] } }' \
    > "$tmp/$check.dat"
done
{
  echo "set terminal svg size 960,720 dynamic noenhanced font 'sans,11' background '#ffffff'"
  echo "set output '$data/ns-per-check.svg'"
  echo "set multiplot layout 2,2 title 'ns per check against k, x86_64: $(sed -n 's/^date=//p' "$data/figures.run"), load $(sed -n 's/^load=//p' "$data/figures.run")'"
  echo "set logscale xy; set xtics (1, 4, 16, 64); set key top left; set grid"
  echo "set xlabel 'k (protocols)'; set ylabel 'ns per check'"
  for check in $checks; do
    echo "set title '$check'"
    echo "plot '$tmp/$check.dat' using 1:2 with linespoints lw 2 lc rgb '#c0392b' title 'layer, trace on', \
      '' using 1:3 with linespoints dt 2 lc rgb '#c0392b' title 'floor, trace on', \
      '' using 1:4 with linespoints lw 2 lc rgb '#2471a3' title 'layer, trace off', \
      '' using 1:5 with linespoints dt 2 lc rgb '#2471a3' title 'floor, trace off', \
      '' using 1:6 with linespoints lc rgb '#555555' title 'baseline'"
  done
  echo "unset multiplot"
} > "$tmp/plot.gp"
gnuplot "$tmp/plot.gp"

# Each generated part replaces what lies between its two markers.
for part in run checks allocations proxy catalogue before-after; do
  awk -v part="$part" -v file="$tmp/$part.md" '
    $0 == "<!-- figures: " part " -->" { print; while ((getline line < file) > 0) print line; skip = 1; next }
    $0 == "<!-- end: " part " -->" { skip = 0 }
    !skip { print }' "$doc" > "$tmp/doc" && cp "$tmp/doc" "$doc"
done
echo "bench-doc: $doc and $data/ns-per-check.svg made from $data/figures.csv"
