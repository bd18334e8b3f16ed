#!/usr/bin/env bash
# Message round trips and output relaying between two protocol peers on
# loopback, beside raw blocking TCP moving the same bytes. Each figure is
# the best of REPS runs, so that load from elsewhere counts as little as
# possible. Usage: bench/protocol/run.sh   (REPS=3, COUNT=20000 round trips)
set -euo pipefail
cd "$(dirname "$0")/../.."
reps=${REPS:-3}
count=${COUNT:-20000}
cmake --preset linux >/dev/null
cmake --build --preset linux --target protocol_bench >/dev/null
bench=build/linux/bench/protocol/protocol_bench

echo "commit $(git rev-parse --short HEAD), $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 0; r < reps; r++)); do "$bench" roundtrip "$count"; done | sort | awk -F: '
  { key = $1; value = $2 + 0; if (!(key in best) || value < best[key]) best[key] = value; line[key] = $0 }
  END { for (k in best) printf "%s: best %.1f us\n", k, best[k] }'
for ((r = 0; r < reps; r++)); do "$bench" codec 100; done | sort -t: -k2 -r | head -1
for size in 25 50 100; do
  for ((r = 0; r < reps; r++)); do "$bench" relay "$size"; done | awk -F'[:,]' '
    { key = $1; seconds = $2 + 0; if (!(key in best) || seconds < best[key]) { best[key] = seconds; text[key] = $0 } }
    END { for (k in best) print text[k] }'
done
