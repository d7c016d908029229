#!/usr/bin/env bash
# Builds the library's libFuzzer targets with clang under ASan+UBSan and runs
# each for a bounded time (FUZZ_SECONDS, default 60) from the stored corpus.
# Inputs that fail land in fuzz-artifacts/; keep them in
# fendrel/fuzz/regressions/<target>/ so that CTest replays them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds="${FUZZ_SECONDS:-60}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVANTA_FUZZ=ON -DORVANTA_SANITIZE=ON -DORVANTA_BUILD_PUNDOR=OFF -DORVANTA_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz -j2 --target fendrel_fuzz_reader fendrel_fuzz_exports
mkdir -p fuzz-artifacts
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in reader exports; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  cp -n fendrel/fuzz/corpus/"$target"/* fendrel/fuzz/regressions/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "fuzzing $target for ${seconds}s"
  build-fuzz/bin/fendrel_fuzz_"$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="fuzz-artifacts/$target-" "$corpus"
done
