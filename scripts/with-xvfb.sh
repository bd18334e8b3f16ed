#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb), ended with it.
# Without Xvfb the command runs with no display at all, so that window tests
# skip instead of failing.
set -uo pipefail

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "with-xvfb: Xvfb is not installed; running without a display" >&2
  env -u DISPLAY -u WAYLAND_DISPLAY "$@"
  exit $?
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Under Wine, only a wineserver that started on this display can show
# windows, and the prefix's own server may already run without one: such a
# command gets a copy of the prefix whose server starts here and ends with it.
wine_copy=
case "${1:-}" in
  *wine*)
    if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
      cp -a "$WINEPREFIX" "$dir/prefix"
      export WINEPREFIX="$dir/prefix"
      wine_copy=1
    fi
    ;;
esac
mkfifo "$dir/display"
# Xvfb writes its display number to the pipe once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" </dev/null >/dev/null 2>&1 &
xvfb=$!
if ! read -r number <"$dir/display"; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
env -u WAYLAND_DISPLAY DISPLAY=":$number" "$@"
status=$?
[ -z "$wine_copy" ] || { wineserver -k; wineserver -w; } >/dev/null 2>&1
kill "$xvfb"
wait "$xvfb" 2>/dev/null
exit $status
