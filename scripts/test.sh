#!/usr/bin/env bash
# The one command that checks everything: installs what the tests need,
# then builds and runs every test — natively under AddressSanitizer +
# UndefinedBehaviorSanitizer, under ThreadSanitizer and optimised (-O2,
# with the Debian package and plugin SDK checks), and the Windows program
# (x86_64) end to end under Wine. The i686 Windows build is compiled as a
# check of the 32-bit plugin layouts; both Windows zips are made and their
# contents listed and checked. Each libFuzzer target (clang) runs a fixed
# number of inputs. The README's demo command runs for 3 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-test-deps.sh

# ccache makes a later run of this script mostly cache hits, even from another
# checkout of the same sources.
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD

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

# The package is made, lintian-checked, unpacked into a scratch root and
# shows the demo through glancer init; the plugin template is built against
# a staged install and its driver loads (tests/packaging).
run_preset ci-release
ctest --preset ci-release -j "$jobs"

scripts/fuzz.sh --runs 2000

# The README's first command: the release build (-O3) and the demo.
scripts/demo.sh 3 >/dev/null

run_preset mingw32
cpack --preset mingw32

run_preset mingw64
GLANCER_REQUIRE_WINE=1 ctest --test-dir build/mingw64 --output-on-failure
cpack --preset mingw64

newest() { ls -t "$@" | head -n 1; }
zip32=$(newest build/mingw32/Glancer-*-win32.zip)
python3 tests/packaging/windows_zips.py "$zip32" "$(newest build/mingw64/Glancer-*-win64.zip)"

# A plugin author's 32-bit build of the template against the zip's sdk folder.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
python3 -m zipfile -e "$zip32" "$unpacked"
sdk=$(echo "$unpacked"/Glancer-*/sdk)
cmake -S "$sdk/plugin-template" -B "$unpacked/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw32.cmake" -DCMAKE_PREFIX_PATH="$sdk" >/dev/null
cmake --build "$unpacked/build"
echo "Plugin template built against $(basename "$zip32")'s SDK"
