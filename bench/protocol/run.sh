#!/usr/bin/env bash
# Message round trips and output relaying between two protocol peers on
# loopback, beside raw blocking TCP moving the same bytes, measured in the
# same run. Each figure is the median of REPS runs, so that load from
# elsewhere counts as little as possible.
# Usage: bench/protocol/run.sh   (REPS=5, COUNT=20000 round trips;
# BENCH=path runs another build of protocol_bench instead of building one)
set -euo pipefail
cd "$(dirname "$0")/../.."
reps=${REPS:-5}
count=${COUNT:-20000}
bench=${BENCH:-}
if [ -z "$bench" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target protocol_bench >/dev/null
  bench=build/linux/bench/protocol/protocol_bench
fi

# Lines "name: number ..." in, "name: median number" out, per name.
median() {
  awk -F: -v unit="$1" '
    { key = $1; split($2, words, " "); values[key] = values[key] " " words[1] + 0 }
    END {
      for (k in values) {
        n = split(values[k], list, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
        printf "%s: median %s %s (%d runs)\n", k, (n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2), unit, n
      }
    }' | sort
}

runs=$(mktemp)
trap 'rm -f "$runs"' EXIT
echo "$bench at commit $(git rev-parse --short HEAD), $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 0; r < reps; r++)); do "$bench" roundtrip "$count"; done | median us
for ((r = 0; r < reps; r++)); do "$bench" codec 100; done | sed 's/; parse:/\nparse 100 MB:/' | median MB/s
# Lines of 4 KB (a pipe read each), and of 64 KB (what a client that falls
# behind takes from its runner's queue at once).
# The last: the threads and buffers alone, no formatting or parsing.
for run in "relay 25 4" "relay 50 4" "relay 100 4" "relay 100 64" "transport 100"; do
  for ((r = 0; r < reps; r++)); do "$bench" $run; done >"$runs"
  sed 's/: [0-9.]* s, /: /' "$runs" | median MB/s
  sed 's/: .*processor /, processor: /' "$runs" | median s
done
