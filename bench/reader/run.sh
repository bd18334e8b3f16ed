#!/usr/bin/env bash
# Reading a makefile of many targets: bramle's load time (in-process, and
# the whole `bramle -P` run) against GNU make reading the same text.
# Usage: bench/reader/run.sh [targets]   (default 50000)
# Prints the figures and writes them to bench/reader/RESULTS.md.
set -euo pipefail
cd "$(dirname "$0")/../.."
targets=${1:-50000}
work=build/bench-reader
mkdir -p "$work"

cmake --preset linux >/dev/null
cmake --build --preset linux --target reader_bench bramle >/dev/null

load=$(build/linux/bench/reader/reader_bench "$targets" "$work")
echo "$load"
makefile="$PWD/$work/big.mak"
# GNU make needs the sources to exist before it plans a dry run.
if [ ! -f "$work/src$((targets - 1)).c" ]; then
  (cd "$work" && touch common.h && seq 0 $((targets - 1)) | sed 's/.*/src&.c/' | xargs touch)
fi

# The best wall-clock time of three runs of a command, in seconds.
best_of_three() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 ) || true
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

bramle_p=$(best_of_three build/linux/bramle -P "-F$makefile")
gnu_read=$(best_of_three make -C "$work" -f "$makefile" common.h)
gnu_n=$(best_of_three make -C "$work" -n -f "$makefile")
gnu_p=$(best_of_three make -C "$work" -p -n -f "$makefile")
median=$(sed -n 's/^load median: \([0-9.]*\) s$/\1/p' <<<"$load")
size=$(sed -n 's/.* targets, \([0-9]*\) bytes$/\1/p' <<<"$load")
long_line=$(sed -n 's/^long line: //p' <<<"$load")

report=$(cat <<REPORT
# Reader benchmark

A generated makefile of $targets targets ($size bytes: macros, a \`.c.obj\`
suffix rule, an \`all\` line continued over $((targets / 16)) lines naming every
object, and one dependency line with a comment and one command per object).
GNU make reads the same text. Wall-clock seconds on $(nproc) cores
($(uname -m)), $(date -u +%Y-%m-%d), bramle at commit $(git log -1 --format=%h).

| what | seconds |
|---|---|
| bramle: load into the model, in-process (median of 5) | $median |
| \`bramle -P\` (whole run: load, inference rules, model dump to /dev/null; best of 3) | $bramle_p |
| \`make common.h\` (GNU Make, read the makefile, then one up-to-date file; best of 3) | $gnu_read |
| \`make -n\` (GNU Make, read and dry-run every target; best of 3) | $gnu_n |
| \`make -p -n\` (GNU Make, the same plus its database dump; best of 3) | $gnu_p |

One logical line, read once in-process: $long_line.

Reproduce with \`bash bench/reader/run.sh [targets]\`.
REPORT
)
echo
echo "$report"
echo "$report" >bench/reader/RESULTS.md
