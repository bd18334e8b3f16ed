#!/usr/bin/env bash
# Regenerates docs/screenshots/: each window of the Linux build (Qt) and of
# the Windows build (Win32, under Wine), shown on a virtual display with
# Japanese fonts. Needs what scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out="$root/docs/screenshots"
mkdir -p "$out"

cmake --preset linux >/dev/null
cmake --build --preset linux --target window_screenshots bramle_qt
BRAMLE_QT_MODULE="$root/build/linux/bramle_qt.so" \
  scripts/with-xvfb.sh build/linux/tests/window_screenshots "$out" linux-

source scripts/wine-env.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target window_screenshots
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i </dev/null >/dev/null 2>&1
fi
# A relative folder: Wine takes it as it stands.
scripts/with-xvfb.sh wine build/windows/tests/window_screenshots.exe docs/screenshots windows-
python3 scripts/compress-png.py "$out"/windows-*.png
wineserver -k >/dev/null 2>&1 || true
ls "$out"
