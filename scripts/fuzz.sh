#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, default 60) on a corpus seeded from the examples. Exits non-zero
# on any finding; the input that caused it is left in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/bootstrap.sh  # clang and its libFuzzer runtime among the rest

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVANTORB_FUZZ=ON -DVANTORB_TESTS=OFF \
  -DVANTORB_BENCHMARKS=OFF -DVANTORB_WINDOW=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target program_fuzz equation_fuzz number_fuzz run_number_fuzz macro_fuzz rule_fuzz \
  vantorb-cli

corpus="$build/corpus"
mkdir -p "$corpus/program" "$corpus/equation" "$corpus/number" "$corpus/run_number" "$corpus/macro" "$corpus/rule" \
  "$build/findings"
cp examples/*.prv "$corpus/program/"
for program in examples/*.prv; do
  "$build/cli/vantorb-cli" equations "$program" -o "$corpus/equation/$(basename "$program" .prv).equ" 2>/dev/null || true
done
cp fuzz/seeds/number/* "$corpus/number/"
cp fuzz/seeds/run_number/* "$corpus/run_number/"
cp fuzz/seeds/macro/* "$corpus/macro/"
cp fuzz/seeds/rule/* "$corpus/rule/"

status=0
for target in program equation number run_number macro rule; do
  echo "fuzzing $target for ${seconds}s"
  if ! "$build/fuzz/${target}_fuzz" "$corpus/$target" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$build/findings/${target}-" 2>"$build/${target}.log"; then
    echo "fuzz target $target found a problem:" >&2
    tail -n 40 "$build/${target}.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/${target}.log" || true
  fi
done
exit $status
