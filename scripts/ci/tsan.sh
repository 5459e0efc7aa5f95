#!/usr/bin/env bash
# The library under ThreadSanitizer: four threads share documents (first
# requests of the layer model at once, reads and writes, builders), and the
# Python package's read_many runs in threads over the same library. Builds
# only the library and the thread test.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"
ctest --preset tsan
