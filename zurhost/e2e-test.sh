#!/usr/bin/env bash
# End-to-end checks of zurhost and the script example, run by ctest under Wine
# in the build's prefix, with the loader of the build's bitness (a 32-bit
# zurhost and script host load the 32-bit servers; default the 64-bit one).
#   e2e-test.sh <case> <bin folder> [wine loader]   one case: scenario, progress,
#                 failing-expectation, bad-inputs, warnings, vbscript
#   e2e-test.sh all <bin folder> [wine loader]      every case in one go
# Every Windows process start costs about 50 s where 32-bit programs run under
# emulation, so the cases are shaped around few of them: the table of bad
# inputs runs in one zurhost process (--batch), "all" probes the layer once.
set -u
what=$1
expected_table=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/zurhost" && pwd)/bottling.expected
cd "$2" || exit 1
WINE64=${3:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
scratch=e2e-$what
rm -rf "$scratch" && mkdir -p "$scratch"
failures=0
layer_checked=0

zurhost() { "$WINE64" zurhost.exe "$@" 2>&1; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Text as an extended regular expression that matches it alone.
ere() { sed 's/[][\.*^$(){}?+|]/\\&/g' <<<"$1"; }
expect_line() { grep -qE -- "$2" <<<"$1" || fail "${3:-}no line matching: $2"; }

# The first run registers the servers; a layer that cannot judge ends the test.
# Its full-width table is the scenario case's.
require_layer() {
  [ $layer_checked = 1 ] && return
  layer_checked=1
  local out
  out=$(zurhost --wide examples/plant.xml examples/bottling.scenario)
  if grep -qE 'cannot create the layer|E_NOTIMPL|CLASS_E_CLASSNOTAVAILABLE|registering .*Layer.dll failed' <<<"$out"; then
    echo "FAIL: the layer cannot judge edits:"; echo "$out" | tail -3
    exit 1
  fi
  scenario_output=$out
}

case_scenario() {
  require_layer
  local out=$scenario_output
  echo "$out"
  # Every row of the full table as the sample assistants judge the plant:
  # verdict, bus, message and error database of all 28 edits, and the
  # closing "28 edits, 0 expectations failed".
  diff -u "$expected_table" <(echo "$out") || fail "the full table differs from $expected_table"
  # An 80-column terminal: the message goes below its row.
  out=$(COLUMNS=80 "$WINE64" zurhost.exe examples/plant.xml examples/bottling.scenario)
  [ "$(awk '{ if (length($0) > 80) n++ } END { print n + 0 }' <<<"$out")" = 0 ] || fail "a line wider than 80 columns"
  expect_line "$out" '^10  insert "Valve terminal @3" as +DP_E_ADDRESS_IN_USE +PROFIBUS DP +ok$'
  expect_line "$out" "^      Station address 3 of 'Valve terminal @3' is already used by 'Valve-1' on$"
  # A word longer than its column breaks inside it.
  printf 'delete Pneumatic_valve_terminal_with_sixteen_outputs_on_the_filler_line\n' > "$scratch/long.scenario"
  out=$(COLUMNS=80 "$WINE64" zurhost.exe examples/plant.xml "$scratch/long.scenario")
  expect_line "$out" '^1  delete {45}0x80070057       NOT ASKED$'
  expect_line "$out" '^   Pneumatic_valve_terminal_with_sixteen_outputs_on_$'
  expect_line "$out" '^   the_filler_line$'
}

# A terminal sees a progress line on stderr while a long run loads (the
# console draws it with escape sequences, a blank as a step to the right:
# taken out here); a pipe never does.
case_progress() {
  require_layer
  awk 'BEGIN { printf "<project name=\"big\"><topology><component name=\"R\">";
    for (i = 0; i < 40000; i++) printf "<component name=\"D-%d\"/>", i; print "</component></topology></project>" }' \
    > "$scratch/big.xml"
  local out
  out=$(script -qc "'$WINE64' zurhost.exe --no-setup $scratch/big.xml >/dev/null" /dev/null |
    sed 's/\x1b\[1C/ /g; s/\x1b\[[0-9;?]*[a-zA-Z]//g')
  expect_line "$out" "zurhost: loading $scratch/big\.xml" "terminal: "
  out=$("$WINE64" zurhost.exe --no-setup "$scratch/big.xml" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "progress on a pipe: $out"
}

case_failing_expectation() {
  require_layer
  printf '# one stated verdict that does not hold\ndelete Valve-2 => DP_E_HAS_DEVICES\n' > "$scratch/wrong.scenario"
  local out rc
  out=$(zurhost --trace examples/plant.xml "$scratch/wrong.scenario"); rc=$?
  echo "$out"
  [ $rc = 1 ] || fail "exit status $rc, expected 1"
  expect_line "$out" '^2 +delete Valve-2 +0x00000000 S_OK +PROFIBUS DP +FAILED \(expected DP_E_HAS_DEVICES\)$'
  expect_line "$out" '^1 edits, 1 expectations failed$'
  expect_line "$out" '^  line 2: delete Valve-2 \([0-9]+\):$'
  expect_line "$out" '^    CAssistLayer::CheckDelete$'
  out=$(zurhost --json examples/plant.xml "$scratch/wrong.scenario"); rc=$?
  [ $rc = 1 ] || fail "--json: exit status $rc, expected 1"
  expect_line "$out" '"met": false'
  expect_line "$out" '"exitStatus": 1'
}

# Every bad input: the exit status and the message that names the fault.
# Columns: status | message (extended regular expression) | zurhost's arguments
# ($s stands for the scratch folder, $S for its absolute Unix path).
bad_inputs_table() {
  cat <<'EOF'
2|^zurhost: a project file is required$|--json
2|^zurhost: The following argument was not expected: --frobnicate$|--frobnicate examples/plant.xml
2|^zurhost: The following argument was not expected: c$|a b c
2|^zurhost: --conformance runs alone, not in a batch: the layer keeps the assistants of earlier runs in its process$|--conformance Samples.CANopen.1
0|^Usage: zurhost \[OPTIONS\] \[project\] \[scenario\]$|-h
0|^Usage: zurhost|--help
0|^zurhost 1\.[0-9]+ |--version
2|^zurhost: \$s/absent\.xml: no such file$|$s/absent.xml examples/bottling.scenario
2|^zurhost: \$s: a folder, not a file$|$s examples/bottling.scenario
2|^zurhost: \$s/deep\.xml: not a well-formed project: line 1, column [0-9]+: elements nest deeper than 257 levels, the XML parser's limit$|$s/deep.xml
2|^zurhost: \$s/twice\.xml: two connections join 'Valve-1:DP' and 'PLC-1:DP1'$|$s/twice.xml
2|^zurhost: \$s/self\.xml: a connection joins port 'PLC-1:DP1' to itself$|$s/self.xml
0|^1 +delete "Bottling line" +0x00000000 S_OK +PROFIBUS DP +\[not applied: the root component cannot be deleted\] +ok \(accepted\)$|examples/plant.xml $s/root.scenario
0|^2 +delete Valve-2 +0x00000000 S_OK +PROFIBUS DP +ok \(S_OK\)$|examples/plant.xml $s/root.scenario
0|^1 +delete Valve-2 +0x00000000 S_OK +PROFIBUS DP +ok \(S_OK\)$|examples/plant.xml $s/bom.scenario
0|^1 +delete Valve-2 +0x00000000 S_OK +PROFIBUS DP +ok \(S_OK\)$|examples/plant.xml $s/utf16.scenario
1|^1 +delete Nobody +0x80070057 +NOT ASKED: the project has no component 'Nobody'$|examples/plant.xml $s/nobody.scenario
1|^2 +connect Nobody:P1 Ghost:P2 +0x80070057 +NOT ASKED: the project has no port 'Nobody:P1'$|examples/plant.xml $s/nobody.scenario
0|^    "exitStatus": 0$|--json examples/plant.xml
0|^  PLC-1:DP1 - Valve-1:DP$|examples/plant.xml
1|^1 +delete Nobody +0x80070057 +NOT ASKED: the project has no component 'Nobody'$|examples/plant.xml $S/nobody.scenario
0|^  Valve terminal @3 \[Valve terminal\]  \(PROFIBUS DP slave address=3\)$|examples/plant.xml
1|^1 +insert "Valve terminal @3" as Valve-3 into PLC-1 +0x80040302 DP_E_ADDRESS_IN_USE +PROFIBUS DP .* +ok \(DP_E_ADDRESS_IN_USE\)$|examples/plant.xml $s/lines.scenario
1|^2 +drag move Drive-2 after Drive-1 +0x00000000 S_OK +CANopen$|examples/plant.xml $s/lines.scenario
1|^    CAssistLayer::CheckMoveDrag$|--trace examples/plant.xml $s/lines.scenario
1|^3 +set Valve-1 ~/@address = 126 +0x80040301 DP_E_ADDRESS_RANGE +PROFIBUS DP .* +ok \(rejected\)$|examples/plant.xml $s/lines.scenario
1|^4 +connect HMI-1:P1 HMI-1:P2 +0x8004030C PN_E_SAME_DEVICE +PROFINET IO +Ports 'P1' and 'P2' both belong to 'HMI-1'\. +PROFINET IO sample assistant$|examples/plant.xml $s/lines.scenario
1|^5 +set Drive-2 ~/@address = 0 +0x80040301 CAN_E_ADDRESS_RANGE +CANopen +Node-ID 0 of 'Drive-2' is outside 1\.\.127\. +CANopen sample assistant$|examples/plant.xml $s/lines.scenario
1|^6 +insert "IO module @10" as IO-1 into Gateway-1 +0x80040302 CAN_E_ADDRESS_IN_USE +CANopen .* +FAILED \(expected DP_E_ADDRESS_IN_USE\)$|examples/plant.xml $s/lines.scenario
1|^7 +new "Valve terminal @126" +0x80040301 DP_E_ADDRESS_RANGE .* +ok \(0x80040301\)$|examples/plant.xml $s/lines.scenario
1|^8 +new "Valve terminal @126" +0x80040301 DP_E_ADDRESS_RANGE .* +FAILED \(expected 0x80040302\)$|examples/plant.xml $s/lines.scenario
1|^9 +new "Valve terminal @126" +0x80040301 DP_E_ADDRESS_RANGE .* +FAILED \(expected accepted\)$|examples/plant.xml $s/lines.scenario
1|^10 +new "Valve terminal @6" +0x00000000 S_OK .* +FAILED \(expected rejected\)$|examples/plant.xml $s/lines.scenario
1|^11 +new "Valve terminal @6" +0x00000000 S_OK .* +ok \(0x0\)$|examples/plant.xml $s/lines.scenario
1|^11 edits, 4 expectations failed$|examples/plant.xml $s/lines.scenario
1|^1  delete バルブ-1  0x80070057 {32}NOT ASKED: the project has no component 'バルブ-1'$|examples/plant.xml $s/wide.scenario
1|^2  delete 𠀀𝄞é-2    0x80070057 {32}NOT ASKED: the project has no component '𠀀𝄞é-2'$|examples/plant.xml $s/wide.scenario
1|^3  delete Valve-3   0x80070057 {32}NOT ASKED: the project has no component 'Valve-3'$|examples/plant.xml $s/wide.scenario
0|^1 +check all +0x80040302 CAN_E_ADDRESS_IN_USE +CANopen +Node-ID 10 of 'Drive-2' is already used by 'Drive-1' on the bus of 'Gateway-1'\. +CANopen sample assistant$|$s/twin-node.xml $s/all.scenario
EOF
}

# Files zurhost refuses with exit status 2, written from the middle column (a
# printf format) into the scratch folder; the last column is the message after
# "zurhost: <path>: ", exactly. A scenario runs on the example plant.
bad_files_table() {
  cat <<'EOF'
empty.xml||not a well-formed project: the file is empty
malformed.xml|<project><topology><component name="A">|not a well-formed project: line 1, column 40: the file ends inside <component> opened at line 1, column 20
mismatch.xml|<project name="x">\n  <topology>\n    <component name="A">\n  </topology>\n</project>\n|not a well-formed project: line 4, column 3: the end tag </topology> does not close <component> opened at line 3, column 5
dtd.xml|<?xml version="1.0"?>\n<!DOCTYPE project [<!ENTITY a "b">]>\n<project name="x"/>\n|not a well-formed project: line 2, column 1: a document type declaration (<!DOCTYPE>); project files take none
element.xml|<plant/>|the document element must be <project>
noroot.xml|<project name="x"><topology/></project>|missing root: <topology> must hold exactly one root <component> (found 0)
twins.xml|<project><topology><component name="R"><component name="A"/><component name="A"/></component></topology></project>|two components are named 'A'
noname.xml|<project><topology><component name="R"><component/></component></topology></project>|a <component> has no name
noprotocol.xml|<project><topology><component name="A"><root><deviceInfo><device><DeviceManagerObject><communicationEntity role="slave"/></DeviceManagerObject></device></deviceInfo></root></component></topology></project>|a communication entity of 'A' has no protocol
role.xml|<project><topology><component name="A"><root><deviceInfo><device><DeviceManagerObject><communicationEntity protocol="X" role="boss"/></DeviceManagerObject></device></deviceInfo></root></component></topology></project>|the X entity of 'A' has role 'boss'; expected 'master' or 'slave'
cable.xml|<project><topology><component name="A"/></topology><connections><connection from="A:DP" to="B:DP"/></connections></project>|connection end 'A:DP' names no port of the project
empty.scenario||no edits: every line is blank or a comment
comments.scenario|# only a comment\n\n   # and another\n|no edits: every line is blank or a comment
latin1.scenario|set Valve-1 ~/@address = \xE9 => rejected\n|line 1, column 26: byte 0xE9 is not UTF-8 text; save the file as UTF-8, or as UTF-16 with a byte-order mark
nomark.scenario|d\0e\0l\0|line 1, column 2: a zero byte (UTF-16 without a byte-order mark?); save the file as UTF-8, or as UTF-16 with a byte-order mark
verb.scenario|remove Valve-2\n|line 1: cannot read "remove Valve-2"
insert.scenario|check all\ninsert A into B|line 2: cannot read "insert A into B"
set.scenario|set A path 5|line 1: cannot read "set A path 5"
onto.scenario|move A onto B|line 1: cannot read "move A onto B"
drag.scenario|drag delete A|line 1: "drag" goes with insert, move or replace
bare.scenario|\n\ndelete A =>|line 3: "=>" without a verdict
alone.scenario|  => S_OK|line 1: a verdict without an edit
code.scenario|check all\ndelete Valve-2 => 0xZZZ\n|line 2: verdict "0xZZZ" is not a code: expected 0x and one to eight hex digits
tail.scenario|delete Valve-2 => 0x80040302garbage\n|line 1: verdict "0x80040302garbage" is not a code: expected 0x and one to eight hex digits
nine.scenario|delete A => 0x800403020|line 1: verdict "0x800403020" is not a code: expected 0x and one to eight hex digits
unknown.scenario|delete Valve-2 => DP_E_NO_SUCH_THING\n|line 1: verdict "DP_E_NO_SUCH_THING" names no code: no error database has it, nor is it a system or layer name
case.scenario|delete Valve-2 => Accepted\n|line 1: verdict "Accepted": did you mean accepted?
or.scenario|delete A => S_OK or E_FAIL|line 1: verdict "S_OK or E_FAIL": expected accepted, rejected, a symbolic name such as DP_E_ADDRESS_IN_USE or a code such as 0x80040302
EOF
}

# The refused files as rows of the table of bad inputs; the files are written
# on the way.
bad_file_rows() {
  local s=$1 name text message args
  while IFS='|' read -r name text message; do
    printf -- "$text" > "$s/$name"
    args=$s/$name
    [[ $name == *.scenario ]] && args="examples/plant.xml $args"
    printf '2|^zurhost: %s: %s$|%s\n' "$(ere "$s/$name")" "$(ere "$message")" "$args"
  done < <(bad_files_table)
}

make_bad_inputs() {
  local s=$1
  { printf '<project name="d"><topology>'; for i in $(seq 300); do printf '<component name="c%d">' "$i"; done
    for i in $(seq 300); do printf '</component>'; done; printf '</topology></project>\n'; } > "$s/deep.xml"
  sed 's#<connection from="PLC-1:DP1" to="Valve-1:DP"/>#&<connection from="Valve-1:DP" to="PLC-1:DP1"/>#' examples/plant.xml > "$s/twice.xml"
  sed 's#<connection from="PLC-1:DP1" to="Valve-1:DP"/>#<connection from="PLC-1:DP1" to="PLC-1:DP1"/>#' examples/plant.xml > "$s/self.xml"
  printf 'delete "Bottling line" => accepted\ndelete Valve-2 => S_OK\n' > "$s/root.scenario"
  printf '\xEF\xBB\xBFdelete Valve-2 => S_OK\n' > "$s/bom.scenario"
  printf 'delete Valve-2 => S_OK\n' | iconv -f UTF-8 -t UTF-16 > "$s/utf16.scenario"
  printf 'delete Nobody\nconnect Nobody:P1 Ghost:P2\n' > "$s/nobody.scenario"
  # On the example plant: a comment after a verdict, a dragged move ending in
  # CR LF, a verdict right after "=>", rules the bottling scenario does not
  # reach and verdicts not met. In twin-node.xml Drive-2 has Drive-1's node-ID,
  # for check all to find.
  printf '%s\n' 'insert "Valve terminal @3" as Valve-3 into PLC-1 => DP_E_ADDRESS_IN_USE # no part of the verdict' \
    $'drag move Drive-2 after Drive-1\r' 'set Valve-1 ~/@address = 126 =>rejected' 'connect HMI-1:P1 HMI-1:P2' \
    'set Drive-2 ~/@address = 0' 'insert "IO module @10" as IO-1 into Gateway-1 => DP_E_ADDRESS_IN_USE' \
    'new "Valve terminal @126" => 0x80040301' 'new "Valve terminal @126" => 0x80040302' \
    'new "Valve terminal @126" => accepted' 'new "Valve terminal @6" => rejected' 'new "Valve terminal @6" => 0x0' \
    > "$s/lines.scenario"
  # Wide katakana; a wide and a narrow character that take surrogate pairs in
  # UTF-16, and an e with a combining accent: in the Edit column the verdict
  # still starts at the same display column on every row.
  printf 'delete \xe3\x83\x90\xe3\x83\xab\xe3\x83\x96-1\ndelete \xf0\xa0\x80\x80\xf0\x9d\x84\x9ee\xcc\x81-2\ndelete Valve-3\n' \
    > "$s/wide.scenario"
  sed 's/address="11"/address="10"/' examples/plant.xml > "$s/twin-node.xml"
  printf 'check all\n' > "$s/all.scenario"
}

case_bad_inputs() {
  require_layer
  local s=$scratch n=0 status regex args out block
  make_bad_inputs "$s"
  { bad_inputs_table; bad_file_rows "$s"; } > "$s/rows"
  : > "$s/batch"
  while IFS='|' read -r status regex args; do
    args=${args//\$S/$PWD/$s}
    printf '%s\n' "${args//\$s/$s}" >> "$s/batch"
  done < "$s/rows"
  out=$(zurhost --batch "$s/batch")
  echo "$out"
  while IFS='|' read -r status regex args; do
    n=$((n + 1))
    block=$(awk -v n=$n '/^== zurhost /{ k++ } k == n' <<<"$out")
    expect_line "$block" "^== exit $status$" "case $n ($args): "
    expect_line "$block" "${regex//\\\$s/$s}" "case $n ($args): "
  done < "$s/rows"
}

# The checks before the first edit: a debug option that short-cuts every
# check, an assistant bound but not registered, a protocol nobody judges.
case_warnings() {
  require_layer
  local key='HKEY_CURRENT_USER\Software\HostSim\Configuration' out rc
  sed 's/protocol="CANopen" role="slave" address="11"/protocol="Modbus TCP" role="slave" address="11"/' examples/plant.xml > "$scratch/unknown.xml"
  printf 'new Drive-2 => E_FAIL\n' > "$scratch/unknown.scenario"
  local reg='REGEDIT4\n\n[%s\\LayerOptions]\n"Debug"=%s\n\n[%s\\BindedAssistants]\n"My Bus"=%s\n"Other Bus"=%s\n\n[%s\\BindedAssistants_ErrDB]\n"Other Bus"=%s\n'
  printf "$reg" "$key" dword:00000000 "$key" '"My.Assistant.1"' '"No.Such.Assistant"' "$key" '"{0}"' > "$scratch/set.reg"
  printf "$reg" "$key" - "$key" - - "$key" - > "$scratch/unset.reg"
  "$WINE64" regedit /s "$scratch/set.reg" >/dev/null 2>&1
  out=$(zurhost "$scratch/unknown.xml" "$scratch/unknown.scenario"); rc=$?
  "$WINE64" regedit /s "$scratch/unset.reg" >/dev/null 2>&1
  echo "$out"
  [ $rc = 1 ] || fail "exit status $rc, expected 1 (E_FAIL stated, S_OK given under Debug 0)"
  expect_line "$out" "^warning: protocol 'Modbus TCP' of the project has no assistant under BindedAssistants; the layer asks nobody about it$"
  expect_line "$out" '^warning: LayerOptions\\Debug is 0 in the user.s scope \(HKCU\): the layer answers every check with S_OK at once, without asking any assistant; set it to 2 or delete it for normal work$'
  expect_line "$out" "^warning: the assistant \"My.Assistant.1\" bound to protocol 'My Bus' in the user's scope has no error database under BindedAssistants_ErrDB: the layer has no assistant for 'My Bus' and stops loading the user's scope there, so 'Other Bus', 'PROFIBUS DP', 'PROFINET IO' get none from it either$"
  expect_line "$out" "^warning: the assistant \"No.Such.Assistant\" bound to protocol 'Other Bus' in the user's scope is not registered \(0x800401F3 CO_E_CLASSSTRING\): the layer has no assistant for 'Other Bus'$"
  expect_line "$out" '^1 +new Drive-2 +0x00000000 S_OK +FAILED \(expected E_FAIL\)$'
  # The warnings come before the first edit's row.
  [ "$(grep -n '^warning: LayerOptions' <<<"$out" | cut -d: -f1)" -lt "$(grep -n '^1 ' <<<"$out" | head -1 | cut -d: -f1)" ] ||
    fail "the debug warning does not come first"
}

case_vbscript() {
  require_layer
  local out rc
  out=$("$WINE64" cscript.exe //nologo 'examples\check.vbs' 2>&1); rc=$?
  echo "$out"
  [ $rc = 0 ] || fail "exit status $rc, expected 0"
  expect_line "$out" "^insert Valve terminal @3 into PLC-1 \| DP_E_ADDRESS_IN_USE \| PROFIBUS DP \| Station address 3"
  expect_line "$out" '^0 expectations failed'
}

cases="scenario progress failing_expectation bad_inputs warnings vbscript"
[ "$what" = all ] || cases=${what//-/_}
for c in $cases; do
  declare -F "case_$c" >/dev/null || { echo "unknown case $what"; exit 2; }
  echo "=== $c"
  "case_$c"
done
exit $((failures > 0))
