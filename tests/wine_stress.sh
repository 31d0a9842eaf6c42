#!/usr/bin/env bash
# Starts N Wine programs the way the Wine tests do (reg add eleven times,
# then a reg delete, over and over, in one prefix whose server stays up) and
# counts those that fail, with the err: lines of each failure. Not part of
# CI: it measures how often a Wine process fails to start, on this machine
# and this Wine. MORVANE_WINE_RANDOMIZE=1 measures the same with the
# kernel's address-space randomisation left on.
# Usage: tests/wine_stress.sh N
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../scripts/wine
n=${1:?usage: tests/wine_stress.sh N}
WINEPREFIX=$(mktemp -d /tmp/morvane-stress-XXXXXX)
export WINEPREFIX LC_ALL=C.UTF-8
unset WINEDEBUG
cleanup() {
  "$wine" server -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
python3 "$here/../scripts/sample_prefix.py" wineprefix
key='HKLM\SOFTWARE\Unreal Technology\Installed Apps'
failed=0
for ((i = 1; i <= n; i++)); do
  if ((i % 12 == 0)); then
    args=(reg delete "$key" /f /reg:32)
  else
    args=(reg add "$key\\Spiel $((i % 12))" /v Folder /d "C:\\S$((i % 12))" /f /reg:32)
  fi
  if ! out=$("$wine" "${args[@]}" </dev/null 2>&1); then
    failed=$((failed + 1))
    printf 'start %d failed: %s\n' "$i" "$(grep -E 'err:|could not' <<<"$out" | head -3)" >&2
  fi
  ((i % 500 == 0)) && echo "$i starts, $failed failed" >&2
done
echo "$n Wine starts, $failed failed"
((failed == 0))
