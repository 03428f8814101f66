#!/usr/bin/env bash
# The template assistant as an author meets it, run by ctest: install the kit
# from the build tree into a folder of its own, configure and build the
# installed template against it (out of tree, the kit's toolchain, nothing
# from the source tree), register it with regsvr32, run the kit's zurhost on
# the template's scenario, and unregister it; then the template's own ctest,
# which registers it, holds it to the conformance run (its JUnit file
# validates) and unregisters it. Also: a project of the other architecture is
# refused by the package.
# The Wine steps run in a prefix of the test's own, kept between runs: the
# kit's zurhost registers the kit's servers, and in the build's prefix those
# would take the place of the build's.
#   template-test.sh <build tree> <wine loader> <other architecture's toolchain file>
set -u
build=$1 wine=$2 other_toolchain=$3
schema=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/junit.xsd
work=$build/template-test
kit=$work/kit
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() { grep -qE -- "$2" <<<"$1" || fail "${3:-}no line matching: $2"; }
run() { "$@" >"$work/step.log" 2>&1 || { fail "$* failed:"; tail -20 "$work/step.log"; exit 1; }; }

rm -rf "$work" && mkdir -p "$work"
run cmake --install "$build" --prefix "$kit"
# The kit's users find their documents, and the template's README points at them.
for doc in share/doc/AssistantKit/assistant-guide.md share/doc/AssistantKit/host-integration.md \
    share/man/man1/zurhost.1; do
  [ -s "$kit/$doc" ] || fail "the kit lacks $doc"
  grep -qF "$doc" "$kit/template/README.md" || fail "the template's README does not name $doc"
done
toolchain=$kit/lib/cmake/AssistantKit/toolchain.cmake
run cmake -S "$kit/template" -B "$work/assistant" --toolchain "$toolchain" -DCMAKE_PREFIX_PATH="$kit" \
  -DASSISTANT_PROTOCOL="My Bus"
run cmake --build "$work/assistant"

# A mismatched architecture: the package says what is wrong and how to mend it.
out=$(cmake -S "$kit/template" -B "$work/other" --toolchain "$other_toolchain" -DCMAKE_PREFIX_PATH="$kit" \
  -DASSISTANT_PROTOCOL="My Bus" 2>&1) && fail "configured against a kit of the other architecture"
expect_line "$(tr -s ' \n' ' ' <<<"$out")" \
  "the kit in $kit builds (64-bit Windows modules \(x86_64\), but this project is configured for 32-bit Windows \(x86\)|32-bit Windows modules \(x86\), but this project is configured for 64-bit Windows \(x86_64\))\. Configure it afresh with the kit's toolchain \(--toolchain $toolchain\)" \
  "other architecture: "

# Named after the build tree's folder, so that x86 gets the WoW64 prefix.
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"
wine_prefix_up "$build/template-test-prefix/$(basename "$build")"
trap wine_prefix_down EXIT
cd "$work/assistant" || exit 1
"$wine" regsvr32 /s MyBusAssistant.dll || fail "regsvr32 answered $?"
trap '"$wine" regsvr32 /u /s MyBusAssistant.dll; wine_prefix_down' EXIT
out=$("$wine" "$kit/bin/zurhost.exe" scenario/plant.xml scenario/edits.scenario 2>&1)
rc=$?
echo "$out"
[ $rc = 0 ] || fail "zurhost: exit status $rc, expected 0"
[ -z "$(grep '^warning:' <<<"$out")" ] || fail "zurhost warned"
expect_line "$out" "^4 +new \"Sensor @64\" +0x80040401 MYBUS_E_ADDRESS_RANGE +My Bus +Address 64 of 'Sensor @64' is outside 1\.\.63\. +My Bus assistant +ok \(MYBUS_E_ADDRESS_RANGE\)$"
expect_line "$out" "^6 +insert \"Sensor, no address\" as Sensor-4 into Controller +0x00040402 MYBUS_W_NO_ADDRESS +My Bus +'Sensor, no address' has no My Bus address yet\. +My Bus assistant +ok \(MYBUS_W_NO_ADDRESS\)$"
expect_line "$out" "^7 +set Sensor-1 ~/@address = 70 +0x80040401 MYBUS_E_ADDRESS_RANGE +My Bus +Address 70 of 'Sensor-1' is outside 1\.\.63\."
expect_line "$out" '^8 edits, 0 expectations failed$'
# Unregistered, the binding and the class are gone again.
trap wine_prefix_down EXIT
"$wine" regsvr32 /u /s MyBusAssistant.dll || fail "regsvr32 /u answered $?"
"$wine" reg query 'HKCU\Software\HostSim\Configuration\BindedAssistants' /v 'My Bus' >/dev/null 2>&1 &&
  fail "the binding of 'My Bus' is still there"

# The template keeps every rule a host relies on, through its own ctest.
ctest --test-dir "$work/assistant" --output-on-failure >"$work/step.log" 2>&1 || fail "the template's ctest failed"
cat "$work/step.log"
expect_line "$(cat "$work/step.log")" '100% tests passed, 0 tests failed out of 3'
xmllint --noout --schema "$schema" conformance.xml 2>/dev/null &&
  [ "$(xmllint --xpath 'count(//testcase[not(*)])' conformance.xml)" = 18 ] ||
  fail "conformance.xml does not validate, or not every rule held"
[ $failures = 0 ] && echo "template assistant: passed" || echo "template assistant: $failures failure(s)"
[ $failures = 0 ]
