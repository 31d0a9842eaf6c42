#!/usr/bin/env bash
# Runs the Windows build under Wine, in a throw-away prefix that is ended and
# removed afterwards: its unit tests (when built), then the end-to-end tests
# against morvane.exe. NATIVE_MORVANE, when given, is checked against the
# registry file that Wine writes. Every Wine program starts through
# scripts/wine.
# Usage: tests/wine_tests.sh WINDOWS_BUILD_DIR [NATIVE_MORVANE]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../scripts/wine
export LC_ALL=C.UTF-8
WINEPREFIX=$(mktemp -d /tmp/morvane-wine-XXXXXX)
export WINEPREFIX
cleanup() {
  "$wine" server -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
start=$(date +%s)
python3 "$here/../scripts/sample_prefix.py" wineprefix
echo "Wine prefix ready in $(($(date +%s) - start)) s"
build=$(realpath "$1")
native=${2:+$(realpath "$2")}
if [[ -f $build/morvane_tests.exe ]]; then
  "$wine" "$build/morvane_tests.exe" --gtest_brief=1 </dev/null
fi
export MORVANE_PLATFORM=wine MORVANE_BINARY=$build/morvane.exe MORVANE_NATIVE_BINARY=$native
python3 "$here/e2e_test.py" EndToEnd Table Restores PreviewMatchesRun RoundTrip
# Last: it ends the server to have the registry written.
python3 "$here/e2e_test.py" RegistryThatWineWrites
