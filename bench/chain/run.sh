#!/usr/bin/env bash
# A chain of trivial targets, each needing the next (t0 <- t1 <- ... ), built
# from clean by bramle at -J1 and -J8 beside make -j1/-j8 and ninja -j1/-j8
# in the same run. Only one command can run at a time on a chain, so -J8 and
# -J1 should take the same time, and the time per target should not grow
# with the chain's length: the scheduler's cost is linear. Each command is
# `touch` of the target's file (the walk needs the file). Build first:
#   cmake --preset linux && cmake --build --preset linux
# COUNTS="10000 100000" REPS=1 by default; each figure is the best of REPS.
# DRY=1 lists the commands instead (bramle -N, make -n, ninja -n): no
# process starts, so what is left is each tool's own cost per target.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
counts=${COUNTS:-"10000 100000"}
reps=${REPS:-1}
bramle=$root/build/linux/bramle
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v ninja > /dev/null || { echo "ninja is missing: bash scripts/install-deps.sh" >&2; exit 1; }

# The same chain for the three tools, in a directory of its own each.
generate() {
  local count=$1 dir=$2 last=$(($1 - 1))
  mkdir -p "$dir"
  awk -v n="$count" -v last="$last" 'BEGIN {
    for (i = 0; i < n; i++) {
      if (i < last) printf "t%d: t%d\n\ttouch t%d\n", i, i + 1, i; else printf "t%d:\n\ttouch t%d\n", i, i
    }
  }' > "$dir/Makefile"
  awk -v n="$count" -v last="$last" 'BEGIN {
    printf "rule touch\n  command = touch $out\n"
    for (i = 0; i < n; i++) {
      if (i < last) printf "build t%d: touch t%d\n", i, i + 1; else printf "build t%d: touch\n", i
    }
    printf "default t0\n"
  }' > "$dir/build.ninja"
}

# Seconds of one build from clean.
timed() {
  local dir=$1
  shift
  find "$dir" -name 't*' -delete
  rm -f "$dir/.ninja_log" "$dir/.ninja_deps"
  local start end
  start=$(date +%s%N)
  (cd "$dir" && "$@" > /dev/null)
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.2f\n", ns / 1e9 }'
}

declare -A best
record() {
  local key=$1 value=$2
  if [ -z "${best[$key]:-}" ] || awk -v a="$value" -v b="${best[$key]}" 'BEGIN { exit !(a < b) }'; then
    best[$key]=$value
  fi
}

tools=("bramle -J1" "bramle -J8" "make -j1" "make -j8" "ninja -j1" "ninja -j8")
dry=${DRY:+-n}
for count in $counts; do
  generate "$count" "$work/$count"
  for ((r = 0; r < reps; r++)); do
    for tool in "${tools[@]}"; do
      case $tool in
        bramle*) record "$count $tool" "$(timed "$work/$count" "$bramle" ${dry:+-N} "${tool#bramle }")" ;;
        make*) record "$count $tool" "$(timed "$work/$count" make -r -s $dry "${tool#make }")" ;;
        ninja*) record "$count $tool" "$(timed "$work/$count" ninja $dry "${tool#ninja }")" ;;
      esac
    done
  done
done

echo "Chains of trivial targets (touch), built from clean${DRY:+, commands listed only}; best of $reps; $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| %-12s' "tool"
for count in $counts; do printf '| %14s | %10s ' "$count: s" "ms/target"; done
printf '|\n'
printf '|%s' "--------------"
for count in $counts; do printf '|%s|%s' "----------------" "------------"; done
printf '|\n'
for tool in "${tools[@]}"; do
  printf '| %-12s' "$tool"
  for count in $counts; do
    s=${best["$count $tool"]}
    printf '| %14s | %10s ' "$s" "$(awk -v s="$s" -v n="$count" 'BEGIN { printf "%.3f", s * 1000 / n }')"
  done
  printf '|\n'
done
