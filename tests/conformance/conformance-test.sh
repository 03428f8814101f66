#!/usr/bin/env bash
# zurhost --conformance on each faulty assistant and on the three samples:
# each faulty one fails exactly the rule of its row, with that first finding,
# and exits 1; the samples hold every rule and exit 0. The two that raise a
# structured exception leave the reference rules unjudged (the abandoned call
# held references), and only those.
#   conformance-test.sh <bin folder> [wine loader]
set -u
cd "$1" || exit 1
WINE=${2:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The null read of Faulty.TrustsNull.1 is an access violation (0xC0000005); where
# 32-bit programs run under user-mode emulation, Wine is told of an illegal
# instruction (0xC000001D) instead.
# The slow assistant sleeps 500 ms; on a loaded machine that call takes longer.
# ProgID | the one failing rule | its first finding (a regular expression) | rules left unjudged
table='
Faulty.Aggregates.1|aggregation|CoCreateInstance with an outer object answered 0x00000000, not CLASS_E_NOAGGREGATION$|
Faulty.LeaksSelf.1|own-references|the caller.s last Release\(\) left 1 references: the assistant lives on$|
Faulty.StackString.1|strings|CheckNewDevice\("Bottling line"\) answered 0x80040301 and handed out pbstrErrMsg that lies on the stack$|
Faulty.OutUnset.1|out-parameters|CheckDelete\(root, "Bottling line"\) answered 0x00000000 and left pbstrErrMsg unset \(80 findings\)$|
Faulty.Throws.1|exceptions|CheckMoveDrop\(root, "PLC-1", "Bottling line", 1\) raised exception 0xE0000017 \([0-9]+ findings\)$|host-references own-references
Faulty.Sleeps.1|timing|CheckReplaceDrop\(root, "Valve terminal @126", "Bottling line"\) took [0-9]{3,}\.[0-9]+ ms, over the budget of 250\.000 ms$|
Faulty.KeepsHost.1|host-references|after Term 1 more host objects are alive than before Init \(2 against 1\)$|
Faulty.SFalse.1|s-false|NewProjectCreated\(\) in cycle 1 answered S_FALSE, which the layer gives no meaning there \(3 findings\)$|
Faulty.NoMessage.1|failure-info|CheckInsertDrop\(root, "Valve terminal @3", "Bottling line", 1\) answered 0x80040305 without a message \([0-9]+ findings\)$|
Faulty.CallsBack.1|reentrancy|CheckConnect\(root, "PLC-1:DP1", "PLC-1:P1"\) called back into the layer \(QueryInterface \{C5CF7E32-360D-4BC8-B59F-AE37C9A359D9\}\)|
Faulty.OneCycle.1|lifecycle|InitEx\(topology, layer, "PROFIBUS DP"\) in cycle 2 answered 0x80004005 \([0-9]+ findings\)$|
Faulty.TrustsNull.1|robustness|CheckDelete\(root, null\) raised exception 0xC00000[01][5D]$|host-references own-references
Samples.ProfibusDP.1|||
Samples.ProfinetIO.1|||
Samples.CANopen.1|||
'

"$WINE" regsvr32 /s FaultyAssistants.dll || { echo "FAIL: FaultyAssistants.dll does not register"; exit 1; }
while IFS='|' read -r progid rule first unjudged; do
  [ -n "$progid" ] || continue
  args=(--conformance "$progid")
  [[ $progid == Faulty.* ]] && args+=(--protocol "PROFIBUS DP")
  out=$("$WINE" zurhost.exe "${args[@]}" 2>&1)
  status=$?
  failed=$(awk '$1 == "FAIL" { printf "%s ", $2 }' <<<"$out")
  open=$(awk '$1 == "----" { printf "%s ", $2 }' <<<"$out")
  [ "$status" = "$([ -n "$rule" ] && echo 1 || echo 0)" ] || fail "$progid: exit status $status"
  [ "$failed" = "${rule:+$rule }" ] || fail "$progid: failing rules '$failed', expected '$rule'"
  [ "$open" = "${unjudged:+$unjudged }" ] || fail "$progid: rules not judged '$open', expected '$unjudged'"
  [ -z "$rule" ] || grep -qE -- "^FAIL  $rule +$first" <<<"$out" || fail "$progid: first finding: $(grep "^FAIL" <<<"$out")"
  grep -qE '^(FAIL|pass|----)  timing +' <<<"$out" || fail "$progid: no timing line"
  echo "$progid: ${rule:-every rule holds} (exit $status)"
done <<<"$table"

# --json carries the same verdicts for scripts.
json=$("$WINE" zurhost.exe --conformance Faulty.SFalse.1 --protocol "PROFIBUS DP" --json 2>&1)
grep -q '"rule": "s-false",' <<<"$json" && grep -q '"result": "fail",' <<<"$json" &&
  grep -q '"exitStatus": 1' <<<"$json" || fail "--json: $json"
# A ProgID bound to no protocol needs --protocol; a bad command line names its fault.
out=$("$WINE" zurhost.exe --conformance Faulty.SFalse.1 2>&1); status=$?
[ $status = 2 ] && grep -q 'is bound to no protocol under BindedAssistants: name its protocol with --protocol' <<<"$out" ||
  fail "unbound ProgID: exit $status: $out"
out=$("$WINE" zurhost.exe --protocol X examples/plant.xml 2>&1); status=$?
[ $status = 2 ] && grep -q -- '--protocol goes with --conformance' <<<"$out" || fail "--protocol alone: exit $status: $out"

[ $failures = 0 ] && echo "conformance: all cases passed" || echo "conformance: $failures failures"
[ $failures = 0 ]
