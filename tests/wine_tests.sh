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
# The prefix links COM and LPT ports to the machine's own devices: whatever a
# test hands to a device name must never reach real hardware.
for port in "$WINEPREFIX"/dosdevices/{com,lpt}[0-9]*; do
  [[ -L $port ]] && ln -sfn /dev/null "$port"
done
# A server that stays up between the runs; the first program starts Wine's
# services, which keep its output open, so let that be one nobody waits for.
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" reg query 'HKLM\SOFTWARE' </dev/null >/dev/null 2>&1 || true
echo "Wine prefix ready in $(($(date +%s) - start)) s"
build=$(realpath "$1")
native=${2:+$(realpath "$2")}
if [[ -f $build/morvane_tests.exe ]]; then
  "$wine" "$build/morvane_tests.exe" --gtest_brief=1 </dev/null
fi
MORVANE_PLATFORM=wine MORVANE_BINARY=$build/morvane.exe MORVANE_NATIVE_BINARY=$native MORVANE_WINE=$wine \
  python3 "$here/e2e_test.py"
