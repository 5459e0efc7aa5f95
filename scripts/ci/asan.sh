#!/usr/bin/env bash
# The test suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (LeakSanitizer included): every test, every release path.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)"
