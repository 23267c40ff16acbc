#!/usr/bin/env bash
# Sets everything up and runs the whole test suite, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORLEX_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel 2
