#!/bin/sh
# Builds the engine and app tests and the program with ThreadSanitizer and
# runs the tests of the parallel build under it (the black-box tests run the
# sanitized program, so its worker threads are checked too).
set -e
cd "$(dirname "$0")/.."
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan --target bramle engine_tests app_tests exec_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
build/linux-tsan/tests/engine_tests --gtest_filter='TargetScheduler*:BuildEngine*:*Differential*'
build/linux-tsan/tests/app_tests --gtest_filter='*Parallel*:*JobCounts*:*Interrupt*:*Cancel*'
build/linux-tsan/tests/exec_tests
