#!/usr/bin/env bash
# End-to-end checks of zurhost and the script example, run by ctest under Wine
# in the build's prefix. Usage: e2e-test.sh <case> <bin folder> [wine loader]
# The loader is the one of the build's bitness: a 32-bit zurhost and script
# host load the 32-bit servers.
set -u
case=$1
cd "$2" || exit 1
WINE64=${3:-/usr/lib/wine/wine64}
scratch=e2e-$case
rm -rf "$scratch" && mkdir -p "$scratch"
failures=0

zurhost() { "$WINE64" zurhost.exe "$@" 2>&1; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() { grep -qE -- "$2" <<<"$1" || fail "no line matching: $2"; }

require_layer() {
  printf 'delete Valve-2\n' > "$scratch/probe.scenario"
  local out
  out=$(zurhost 'examples\plant.xml' "$scratch\\probe.scenario")
  if grep -qE 'cannot create the layer|E_NOTIMPL|CLASS_E_CLASSNOTAVAILABLE|registering .*Layer.dll failed' <<<"$out"; then
    echo "FAIL: the layer cannot judge edits:"; echo "$out" | tail -3
    exit 1
  fi
}

case $case in
scenario)
  require_layer
  out=$(zurhost 'examples\plant.xml' 'examples\bottling.scenario'); rc=$?
  echo "$out"
  [ $rc = 0 ] || fail "exit status $rc, expected 0"
  expect_line "$out" '^#  +Edit +Verdict +Bus +Message +Error database +Expected$'
  expect_line "$out" "^10 +insert \"Valve terminal @3\" as Valve-3 into PLC-1 +0x80040302 DP_E_ADDRESS_IN_USE +PROFIBUS DP +Station address 3 of 'Valve terminal @3' is already used by 'Valve-1' on the bus of 'PLC-1'\. +PROFIBUS DP sample assistant +ok \(DP_E_ADDRESS_IN_USE\)$"
  expect_line "$out" "^11 +insert \"Valve terminal @6\" as Valve-3 into PLC-1 +0x00040310 DP_W_LAST_PLACE +PROFIBUS DP +'Valve terminal @6' takes the last"
  expect_line "$out" '^28 edits, 0 expectations failed$'
  ;;
failing-expectation)
  require_layer
  printf '# one stated verdict that does not hold\ndelete Valve-2 => DP_E_HAS_DEVICES\n' > "$scratch/wrong.scenario"
  out=$(zurhost 'examples\plant.xml' "$scratch\\wrong.scenario"); rc=$?
  echo "$out"
  [ $rc = 1 ] || fail "exit status $rc, expected 1"
  expect_line "$out" '^2 +delete Valve-2 +0x00000000 S_OK +PROFIBUS DP +FAILED \(expected DP_E_HAS_DEVICES\)$'
  expect_line "$out" '^1 edits, 1 expectations failed$'
  out=$(zurhost --json 'examples\plant.xml' "$scratch\\wrong.scenario"); rc=$?
  [ $rc = 1 ] || fail "--json: exit status $rc, expected 1"
  expect_line "$out" '"met": false'
  ;;
bad-projects)
  printf '<project><topology><component name="A">' > "$scratch/malformed.xml"
  printf '<project name="x"><topology/></project>' > "$scratch/noroot.xml"
  for f in malformed:'not a well-formed project' noroot:'missing root: <topology> must hold exactly one root <component> \(found 0\)'; do
    out=$(zurhost "$scratch\\${f%%:*}.xml" 'examples\bottling.scenario'); rc=$?
    echo "$out"
    [ $rc = 2 ] || fail "${f%%:*}: exit status $rc, expected 2"
    expect_line "$out" "^zurhost: .*${f#*:}"
  done
  require_layer
  sed 's/protocol="CANopen" role="slave" address="11"/protocol="Modbus TCP" role="slave" address="11"/' examples/plant.xml > "$scratch/unknown.xml"
  printf 'new Drive-2 => E_FAIL\n' > "$scratch/unknown.scenario"
  out=$(zurhost "$scratch\\unknown.xml" "$scratch\\unknown.scenario"); rc=$?
  echo "$out"
  [ $rc = 0 ] || fail "unknown protocol: exit status $rc, expected 0"
  expect_line "$out" "^warning: protocol 'Modbus TCP' of the project has no assistant under BindedAssistants; the layer asks nobody about it$"
  expect_line "$out" '^1 +new Drive-2 +0x80004005 E_FAIL .*ok \(E_FAIL\)$'
  ;;
vbscript)
  zurhost 'examples\plant.xml' >/dev/null   # registers the servers
  require_layer
  out=$("$WINE64" cscript.exe //nologo 'examples\check.vbs' 2>&1); rc=$?
  echo "$out"
  [ $rc = 0 ] || fail "exit status $rc, expected 0"
  expect_line "$out" "^insert Valve terminal @3 into PLC-1 \| DP_E_ADDRESS_IN_USE \| PROFIBUS DP \| Station address 3"
  expect_line "$out" '^0 expectations failed'
  ;;
*) echo "unknown case $case"; exit 2 ;;
esac
exit $((failures > 0))
