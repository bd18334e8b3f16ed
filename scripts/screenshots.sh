#!/usr/bin/env bash
# Regenerates docs/screenshots/ from real runs: on hosts in network
# namespaces of its own (srv with a virtual display, a window manager and a
# notification area; pc01 and pc02 without), srv runs a resident client
# (-R) and a build server (-B) with default settings while pc01 and pc02
# serve as resident clients; each window is captured with its frame, as a
# person sees it. Once with the Linux program (Qt), once with the Windows
# program under Wine (Win32). Needs root and what scripts/install-deps.sh
# installs; builds what it runs. Arguments: the toolkits (default: linux
# windows).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out="$root/docs/screenshots"
[ "$(id -u)" = 0 ] || { echo "screenshots: needs root for its network namespaces" >&2; exit 1; }
mkdir -p "$out"

toolkits=("${@:-linux}")
[ $# -gt 0 ] || toolkits=(linux windows)
for toolkit in "${toolkits[@]}"; do
  [ "$toolkit" = windows ] && source scripts/wine-env.sh
  cmake --preset "$toolkit" >/dev/null
  cmake --build --preset "$toolkit" --target bramle
done
if [ -n "${WINEPREFIX:-}" ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
fi

work=$(mktemp -d)
ns=shot$$
hosts=(srv pc01 pc02)
subnet=10.78.0
source scripts/hosts.sh
cleanup() {
  for host in "${hosts[@]}"; do
    [ -d "$work/$host/prefix" ] && on "$host" env WINEPREFIX="$work/$host/prefix" wineserver -k >/dev/null 2>&1
  done
  hosts_down
  rm -rf "$work"
}
trap cleanup EXIT
hosts_up

# The display: Xvfb, then a window manager and a notification area on it.
mkfifo "$work/display"
start srv sh -c 'exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$0"' "$work/display"
read -r number <"$work/display"
display=":$number"
start srv openbox
start srv trayer --edge top --align right --widthtype request --height 24 --transparent false --tint 0xdddddd
on srv timeout 30 xdotool search --sync --class trayer >/dev/null

# Waits for the shown window whose title matches $1; activates it and
# prints its id.
window() {
  local id= tries=0
  # Wine briefly shows helper windows under the same title: a window gone
  # before it could be asked about is looked for again.
  until [ -n "$id" ] && on srv xdotool getwindowname "$id" >/dev/null 2>&1; do
    [ $((tries += 1)) -le 20 ] || { echo "screenshots: no window $1" >&2; return 1; }
    id=$(on srv sh -c 'timeout 60 xdotool search --sync --onlyvisible --name "$0" 2>/dev/null | tail -n 1' "$1")
  done
  on srv xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  echo "$id"
}
# Captures the window with its frame; $1 the window's title, $2 the file.
shoot() {
  local id
  id=$(window "$1")
  on srv import -silent -frame -window "$id" "$2"
}
# Types keys ($2...) into the window titled $1.
key() {
  window "$1" >/dev/null
  on srv xdotool key --delay 100 "${@:2}"
}

# The tray icon's menu, opened by a right click; the picture is the screen's
# top right corner with the notification area and the menu below it.
# The program's other windows (the server's) have the same class: the menu
# is the one more that shows.
shown() { on srv xdotool search --onlyvisible --class "$1" | wc -l; }
until_shown() {
  on srv timeout 30 sh -c 'until [ "$(xdotool search --onlyvisible --class "$0" | wc -l)" "$1" "$2" ]; do :; done' "$@"
}
menu() {
  local icon before
  before=$(shown "$1")
  icon=$(on srv xdotool search --onlyvisible --class trayer | head -n 1)
  eval "$(on srv xdotool getwindowgeometry --shell "$icon")"
  on srv xdotool mousemove $((X + WIDTH - 12)) $((Y + 12)) click 3
  # Wine's menu is no window of the program's class: any one will do.
  if [ "$1" = bramle ]; then until_shown "$1" -gt "$before"; else until_shown "$1" -gt 0; fi
}
# Closes the open menu: Qt's with a click on the empty desktop, Wine's with
# Escape.
menu_close() {
  local open
  open=$(shown "$1")
  if [ "$1" = bramle ]; then
    on srv xdotool mousemove 5 760 click 1
    until_shown "$1" -lt "$open"
  else
    on srv xdotool key Escape
  fi
}

run() {
  local toolkit=$1 program
  rm -rf "$work/src"/*
  # Six targets on whichever clients take them: the first two end at once,
  # the others once the file "release" exists. Started directly (no shell
  # syntax on the line), as a client with default settings runs no built-in
  # or shell line.
  {
    printf 'all: a.o b.o c.o d.o e.o f.o\n'
    for t in a b c d e f; do printf '%s.o:\n\tsh work.sh %s.o\n' "$t" "$t"; done
  } >"$work/src/Makefile"
  cat >"$work/src/work.sh" <<'SCRIPT'
case $1 in a.o | b.o) ;; *) while [ ! -f release ]; do sleep 1; done ;; esac
echo built >"$1"
SCRIPT
  if [ "$toolkit" = linux ]; then
    program=("$root/build/linux/bramle")
  else
    program=(wine "$work/srv/bramle.exe")
    for host in "${hosts[@]}"; do
      cp "$root/build/windows/bramle.exe" "$work/$host/bramle.exe"
      cp -a "$WINEPREFIX" "$work/$host/prefix"
      on "$host" env WINEPREFIX="$work/$host/prefix" sh -c 'wineserver -p && wine cmd /c exit' >/dev/null 2>&1
    done
    # The Windows program's commands: the same wait as a batch file.
    sed -i 's|\tsh work.sh|\tcmd /c work.bat|' "$work/src/Makefile"
    printf '%s\r\n' '@echo off' 'if "%1"=="a.o" goto done' 'if "%1"=="b.o" goto done' ':wait' \
      'ping -n 2 127.0.0.1 >nul' 'if not exist release goto wait' ':done' 'echo built>%1' >"$work/src/work.bat"
  fi
  local wine_env=()
  [ "$toolkit" = windows ] && wine_env=(env WINEPREFIX="$work/srv/prefix")

  # The settings dialogs as a fresh installation shows them.
  for option in E W; do
    on srv "${wine_env[@]}" "${program[@]}" -$option </dev/null >>"$work/log" 2>&1 &
    local dialog=$!
    shoot '^Bramleの設定' "$out/$toolkit-$([ $option = E ] && echo server || echo client)-settings.png"
    key '^Bramleの設定' Escape
    wait "$dialog"
  done

  # The clients: pc01 and pc02 without a display, srv's own in the tray.
  for host in pc01 pc02; do
    if [ "$toolkit" = linux ]; then
      start "$host" env DISPLAY= "${program[@]}" -R
    else
      start "$host" env DISPLAY= WINEPREFIX="$work/$host/prefix" wine "$work/$host/bramle.exe" -R
    fi
  done
  start srv "${wine_env[@]}" "${program[@]}" -R
  on srv timeout 30 sh -c 'until xdotool search --onlyvisible --class trayer getwindowgeometry | grep -q "Geometry: [2-9][0-9]x"; do sleep 1; done'

  start srv "${wine_env[@]}" "${program[@]}" -B
  # Two targets done, the others running: the window as it looks mid-build.
  on srv timeout 60 sh -c 'until [ -f a.o ] && [ -f b.o ]; do sleep 1; done'
  shoot '^分散コンパイル$' "$out/$toolkit-server-status.png"

  local class
  class=$([ "$toolkit" = linux ] && echo bramle || echo bramle.exe)
  menu "$class"
  on srv import -silent -window root -crop 420x360+604+0 "$out/$toolkit-menu.png"
  menu_close "$class"
  menu "$class"
  on srv xdotool mousemove 860 76 click 1  # 状況(&V)..., where both menus show it
  shoot '^状況$' "$out/$toolkit-client-status.png"
  key '^状況$' Escape
  menu "$class"
  on srv xdotool mousemove 860 128 click 1  # Bramleについて(&A)...
  shoot '^バージョン情報$' "$out/$toolkit-about.png"
  key '^バージョン情報$' Return

  # The rest of the build, then the server's window closes and everyone ends.
  touch "$work/src/release"
  key '^分散コンパイル$' Escape
  for pid in "${pids[@]:3}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  pids=("${pids[@]:0:3}")
}

for toolkit in "${toolkits[@]}"; do run "$toolkit"; done
python3 scripts/compress-png.py "$out"/*.png
ls "$out"
