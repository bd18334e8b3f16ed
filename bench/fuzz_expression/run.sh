#!/usr/bin/env bash
# Builds the expression evaluator's libFuzzer target with clang, address and
# undefined-behaviour sanitizers, and fuzzes it for a bounded time.
# Usage: bench/fuzz_expression/run.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "clang++ not found: no libFuzzer build"; exit 0; }

build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRAMLE_TESTS=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target fuzz_expression

corpus=bench/out/fuzz_expression_corpus
mkdir -p "$corpus"
# Seeds: a few valid expressions and protocol lines.
printf '%s' '1 + 2 * (3 - -4) == 11 && !0' >"$corpus/seed-arith"
printf '%s' 'G("a\"b", F(x)) || 0x10 >> 1 << 2 % 5' >"$corpus/seed-calls"
printf '%s' 'EXIST("*.none") == 0' >"$corpus/seed-exist"
printf '%s' 'H(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20)' >"$corpus/seed-twenty"
"$build/bench/fuzz_expression/fuzz_expression" -max_total_time="$seconds" -max_len=4096 "$corpus"
