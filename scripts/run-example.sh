#!/usr/bin/env bash
# Installs what is missing, builds the Linux program and builds the example
# project in examples/ with it, then runs the program that was built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh example
cmake --preset linux >/dev/null
cmake --build --preset linux --target bramle >/dev/null
bramle="$PWD/build/linux/bramle"

cd examples
"$bramle" -S clean
echo '$ bramle'
"$bramle"
echo '$ ./hello Ada "Grace Hopper"'
./hello Ada "Grace Hopper"
echo '$ bramle            (again: everything is up to date)'
"$bramle"
echo '$ touch greet.h && bramle'
# File times count in whole seconds: let the next second begin first.
sleep 1
touch greet.h
"$bramle"
