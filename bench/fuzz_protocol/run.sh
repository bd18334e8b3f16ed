#!/usr/bin/env bash
# Builds the protocol's libFuzzer target with clang, address and
# undefined-behaviour sanitizers, and fuzzes it for a bounded time.
# Usage: bench/fuzz_protocol/run.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "clang++ not found: no libFuzzer build"; exit 0; }

build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRAMLE_TESTS=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target fuzz_protocol

corpus=bench/out/fuzz_protocol_corpus
mkdir -p "$corpus"
# Seeds: lines of each side (first byte even) and texts (first byte odd).
printf '%s' '0CommandOut(01,"a\"b\\c")' >"$corpus/seed-out"
printf '%s' '0CommandExec("cl \"x\"",02,"","a\rb")' >"$corpus/seed-exec"
printf '%s' '0BuildClientConnect("build-01",333)' >"$corpus/seed-connect"
printf '%s' '0ERR(0,"x")' >"$corpus/seed-err"
printf '1a\r\n\nb\\' >"$corpus/seed-text"
"$build/bench/fuzz_protocol/fuzz_protocol" -max_total_time="$seconds" -max_len=4096 "$corpus"
