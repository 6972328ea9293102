#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each in turn
# over its seed corpus in tests/fuzz/corpus/<target>:
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS (default 60);
#                                           new inputs collect in build/fuzz/corpus/<target>
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N inputs from the seeds
#                                           alone, the same every time (scripts/test.sh)
# A crash or hang stops the script and leaves its input in
# build/fuzz/artifacts/; once fixed, add it to the seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/fuzz

limit=(-max_total_time=60)
fixed=
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="$2" -seed=1)
  fixed=1
  shift 2
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(xml_reader screens bitmap settings plugin_values lcdd_reply json)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out/artifacts"
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  [ -n "$fixed" ] && corpus=$scratch/$target
  mkdir -p "$corpus"
  echo "=== fuzz_$target ${limit[*]} ==="
  # -timeout: an input that takes this long counts as a hang.
  status=0
  "$out/bin/fuzz_$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/${target}-" \
    "$corpus" "$root/tests/fuzz/corpus/$target" >"$scratch/log" 2>&1 || status=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|==[0-9]+==|SUMMARY|.*runtime error|Test unit written)' "$scratch/log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$scratch/log"
    echo "fuzz_$target failed; its input is in $out/artifacts/"
    exit 1
  fi
done
