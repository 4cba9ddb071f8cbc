#!/usr/bin/env bash
# Builds Vantorb (optimised) and runs its main job on an example: compiles
# a program and shows its report, function tree and first equations, then
# runs a small network step by step.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantorb-cli
example=${1:-examples/multiplication.prv}
"$build/cli/vantorb-cli" compile "$example"
"$build/cli/vantorb-cli" equations "$example" "$build/example.equ"
echo "First dynamic equations (all in $build/example.equ):"
head -n 5 "$build/example.equ"
"$build/cli/vantorb-cli" demo 3
