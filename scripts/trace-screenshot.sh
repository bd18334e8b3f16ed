#!/usr/bin/env bash
# Draws docs/screenshots/linux-trace.png from the trace (-Z) of a real
# distributed build: on hosts in network namespaces of its own, pc01, pc02
# and pc03 serve as resident clients (-R) while srv runs the build server
# (-B, console view, its in-process client building too); the clients find
# it by its announcement. scripts/trace-picture.py draws the trace. Needs
# root and what scripts/install-deps.sh installs; builds what it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
[ "$(id -u)" = 0 ] || { echo "trace-screenshot: needs root for its network namespaces" >&2; exit 1; }
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramle

work=$(mktemp -d)
ns=trace$$
hosts=(srv pc01 pc02 pc03)
subnet=10.79.0
source scripts/hosts.sh
cleanup() {
  hosts_down
  rm -rf "$work"
}
trap cleanup EXIT
hosts_up

# 24 compiles of different lengths (a sleep stands in for the compiler),
# three libraries of eight and a link; started directly, as a client with
# default settings runs no shell line.
{
  printf 'app: lib1.a lib2.a lib3.a\n\tsh step.sh app 0.5\n'
  for l in 1 2 3; do
    members=$(for i in $(seq $((l * 8 - 7)) $((l * 8))); do printf ' o%d.o' "$i"; done)
    printf 'lib%d.a:%s\n\tsh step.sh lib%d.a 0.3\n' "$l" "$members" "$l"
  done
  for i in $(seq 1 24); do printf 'o%d.o:\n\tsh step.sh o%d.o %d.%d\n' "$i" "$i" $((i % 3)) $((i * 7 % 10)); done
} >"$work/src/Makefile"
printf 'sleep "$2"\necho built >"$1"\n' >"$work/src/step.sh"

for host in pc01 pc02 pc03; do start "$host" "$root/build/linux/bramle" -R; done
timeout 30 sh -c 'until [ "$(grep -c "Bramle 常駐完了" "$0" 2>/dev/null)" -ge 3 ]; do sleep 0.2; done' "$work/log"
on srv "$root/build/linux/bramle" -B -Z "$work/trace.json" >>"$work/log" 2>&1
python3 scripts/trace-picture.py "$work/trace.json" docs/screenshots/linux-trace.png
