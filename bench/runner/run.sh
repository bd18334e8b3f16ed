#!/usr/bin/env bash
# Per-command overhead of DirectRunner and BatchRunner beside GNU make running
# the same number of trivial commands, serially. Each figure is the best of
# REPS interleaved runs, so that load from elsewhere on the machine counts
# as little as possible. Build first:
#   cmake --preset linux && cmake --build --preset linux
# With WINE=1 the Windows build is measured too, under Wine (cmd.exe).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
count=${COUNT:-1000}
reps=${REPS:-5}
bench=$root/build/linux/bench/runner/runner_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A makefile with one phony target per command.
makefile() {
  local recipe=$1 file=$2
  {
    printf 'all:'
    for ((i = 0; i < count; i++)); do printf ' t%d' "$i"; done
    printf '\n.PHONY: all'
    for ((i = 0; i < count; i++)); do printf ' t%d' "$i"; done
    printf '\n'
    for ((i = 0; i < count; i++)); do printf 't%d:\n\t%s\n' "$i" "$recipe"; done
  } > "$file"
}
makefile "@true" "$work/true.mk"
makefile "@echo x" "$work/echo.mk"

# Prints milliseconds per command of one run.
run_make() {
  local start end
  start=$(date +%s%N)
  make -s -f "$1" -C "$work" > /dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) -v n="$count" 'BEGIN { printf "%.3f\n", ns / 1e6 / n }'
}
run_bench() { "$bench" "$@" | sed -n 's/.* \([0-9.]*\) ms\/command.*/\1/p'; }

declare -A best
record() {
  local key=$1 value=$2
  if [ -z "${best[$key]:-}" ] || awk -v a="$value" -v b="${best[$key]}" 'BEGIN { exit !(a < b) }'; then
    best[$key]=$value
  fi
}

for ((r = 0; r < reps; r++)); do
  record "make @true" "$(run_make "$work/true.mk")"
  record "child true" "$(run_bench child "$count" true)"
  record "direct true" "$(run_bench direct "$count" true)"
  record "batch true" "$(run_bench batch "$count" true)"
  record "make @echo x" "$(run_make "$work/echo.mk")"
  record "direct echo x" "$(run_bench direct "$count" echo x)"
  record "batch echo x" "$(run_bench batch "$count" echo x)"
done

echo "Linux: $count commands per run, best of $reps runs, $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
for key in "make @true" "child true" "direct true" "batch true" "make @echo x" "direct echo x" "batch echo x"; do
  printf '  %-14s %8s ms/command\n' "$key" "${best[$key]}"
done

if [ "${WINE:-0}" = 1 ]; then
  source "$root/scripts/wine-env.sh"
  wcount=${WINE_COUNT:-100}
  echo "Windows build under Wine: $wcount commands per run"
  for variant in direct batch; do
    wine "$root/build/windows/bench/runner/runner_bench.exe" "$variant" "$wcount" echo x
  done
fi
