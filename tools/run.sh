#!/usr/bin/env bash
# Sets everything up, builds the program and starts it from the repository folder (its working
# folder: dev/device and the picture folders are looked up there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORLEX_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target korlex-tool
cd "$root"
exec "$build/app/korlex-tool"
