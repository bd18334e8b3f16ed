#!/usr/bin/env bash
# Builds bramle for Linux and for Windows and runs every test of both builds,
# the Windows one under Wine in code page 932. Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh || { echo "installing the build requirements failed"; exit 1; }

status=0
source scripts/wine-env.sh
if [ "$BRAMLE_WINDOWS_CPU" = x86_64 ]; then
  echo "This machine cannot run 32-bit programs: the Windows build is tested as a 64-bit build under 64-bit Wine."
fi
for preset in linux windows; do
  cmake --preset "$preset" >/dev/null || { echo "configure $preset failed"; exit 1; }
  cmake --build --preset "$preset" || { echo "build $preset failed"; exit 1; }
done

# Wine's server and services inherit the standard handles of whoever starts
# them first: make the prefix here, with its output sent nowhere.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i </dev/null >/dev/null 2>&1
  # The new prefix's registry is on disk only once its first server has ended
  # (the window tests run on a copy of the prefix).
  wineserver -w
fi
wineserver -p </dev/null >/dev/null 2>&1
# The first program also starts Wine's services; with a persistent server they
# would otherwise keep ctest's pipes open for ever.
wine cmd /c exit </dev/null >/dev/null 2>&1

results="$root/build/test-results"
rm -rf "$results"
mkdir -p "$results/linux" "$results/windows"
# Each test executable writes its own report: the sum below counts cases.
# The Windows executables want the folder as a Windows path.
GTEST_OUTPUT="xml:$results/linux/" ctest --preset linux || status=1
windows_results=$(wine winepath -w "$results/windows" 2>/dev/null)
GTEST_OUTPUT="xml:${windows_results}\\" ctest --preset windows || status=1
wineserver -k >/dev/null 2>&1 || true

passed=0
failed=0
skipped=0
for report in "$results"/*/*.xml; do
  [ -f "$report" ] || continue
  line=$(grep -m1 '<testsuites' "$report")
  tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
  failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
  errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$line")
  disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
  skips=$(grep -c 'result="skipped"' "$report")
  bad=$(( ${failures:-0} + ${errors:-0} ))
  passed=$(( passed + ${tests:-0} - bad - ${disabled:-0} - skips ))
  failed=$(( failed + bad ))
  skipped=$(( skipped + skips ))
done
reports=$(ls "$results"/linux/*.xml "$results"/windows/*.xml 2>/dev/null | wc -l)
echo "test reports: $reports ($(ls "$results"/windows/*.xml 2>/dev/null | wc -l) from the Windows build)"
# A test executable that dies leaves no report: ctest has said so already,
# and a Windows run without any report has not run at all.
[ "$(ls "$results"/windows/*.xml 2>/dev/null | wc -l)" -gt 0 ] || status=1
[ "$failed" -eq 0 ] || status=1
echo "$passed passed, $failed failed, $skipped skipped"
exit $status
