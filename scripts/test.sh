#!/usr/bin/env bash
# The one command that checks everything: installs what the tests need,
# then builds and runs every test — natively under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer, and the Windows
# program (x86_64) end to end under Wine; the i686 Windows build is
# compiled as a check of the 32-bit plugin layouts; each libFuzzer target
# (clang) runs a fixed number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-test-deps.sh

jobs=$(nproc)
run_preset() {
  local preset=$1
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}

run_preset asan
ctest --preset asan -j "$jobs"

run_preset tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -j "$jobs"

scripts/fuzz.sh --runs 2000

run_preset mingw32

run_preset mingw64
GLANCER_REQUIRE_WINE=1 ctest --test-dir build/mingw64 --output-on-failure
