#!/usr/bin/env bash
# Installs what is missing, builds the Linux program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
BRAMLE_NO_WINE=1 bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramle
build/linux/bramle -H || true
