#!/usr/bin/env bash
# Runs the Windows build under Wine, in a throw-away prefix that is ended and
# removed afterwards: its unit tests (when built), then the end-to-end tests
# against morvane.exe. NATIVE_MORVANE, when given, is checked against the
# registry file that Wine writes.
# Usage: tests/wine_tests.sh WINDOWS_BUILD_DIR [NATIVE_MORVANE]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine=${MORVANE_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
export WINEDEBUG=-all LC_ALL=C.UTF-8
WINEPREFIX=$(mktemp -d /tmp/morvane-wine-XXXXXX)
export WINEPREFIX
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
start=$(date +%s)
"$wine" wineboot -i </dev/null >/dev/null 2>&1
"$wineserver" -w
# Wine links COM and LPT ports to the machine's own devices (com1 ->
# /dev/ttyS0), anew at every start: whatever a test hands to a device name
# must never reach real hardware, so every such port is /dev/null.
ports=$WINEPREFIX/ports.reg
{
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  for n in 1 2 3 4 5 6 7 8 9; do printf '"COM%s"="/dev/null"\r\n"LPT%s"="/dev/null"\r\n' $n $n; done
} >"$ports"
"$wine" reg import "Z:${ports//\//\\}" </dev/null >/dev/null
"$wineserver" -k
python3 "$here/../scripts/sample_prefix.py" serve "$wine"
for port in "$WINEPREFIX"/dosdevices/{com,lpt}[1-9]; do
  if [[ -L $port && $(readlink "$port") != /dev/null ]]; then
    echo "$port still leads to $(readlink "$port")" >&2
    exit 1
  fi
done
echo "Wine prefix ready in $(($(date +%s) - start)) s"
build=$(realpath "$1")
native=${2:+$(realpath "$2")}
if [[ -f $build/morvane_tests.exe ]]; then
  "$wine" "$build/morvane_tests.exe" --gtest_brief=1 </dev/null
fi
export MORVANE_PLATFORM=wine MORVANE_BINARY=$build/morvane.exe MORVANE_NATIVE_BINARY=$native \
  MORVANE_WINE=$wine
python3 "$here/e2e_test.py" EndToEnd
# Last: it ends the server to have the registry written.
python3 "$here/e2e_test.py" RegistryThatWineWrites
