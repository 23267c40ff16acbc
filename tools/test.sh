#!/usr/bin/env bash
# Sets everything up and runs the whole test suite, built with AddressSanitizer and
# UndefinedBehaviorSanitizer; then the threaded tests again, built with ThreadSanitizer; then
# builds the Debian package from a lean build and checks it, and takes the screenshots with that
# build's program (into build-package/screenshots).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORLEX_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel 2

tsan="$root/build-tsan"
cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORLEX_TSAN=ON
cmake --build "$tsan" -j "$(nproc)"
ctest --test-dir "$tsan" --output-on-failure --parallel 2 -L threaded

bash "$root/tools/package.sh" "$root/build-package"
bash "$root/tools/screenshots.sh" --program "$root/build-package/app/korlex-tool" \
    --output "$root/build-package/screenshots"
