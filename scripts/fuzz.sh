#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each in turn
# over its seed corpus in tests/fuzz/corpus/<target>:
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS (default 60)
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N inputs (scripts/test.sh)
# Inputs that find new paths collect in build/fuzz/corpus/<target>; a crash
# stops the script and leaves its input in build/fuzz/artifacts/ (add it to
# the seed corpus once fixed).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

limit=(-max_total_time=60)
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="$2")
  shift 2
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(xml_reader screens bitmap settings plugin_values)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

out=$root/build/fuzz
mkdir -p "$out/artifacts"
for target in "${targets[@]}"; do
  mkdir -p "$out/corpus/$target"
  echo "=== fuzz_$target ${limit[*]} ==="
  # -timeout: an input that takes this long is a hang, reported like a crash.
  "$out/bin/fuzz_$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/${target}-" \
    "$out/corpus/$target" "$root/tests/fuzz/corpus/$target" 2>&1 |
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz_$target failed; see $out/artifacts/"; exit 1; }
done
