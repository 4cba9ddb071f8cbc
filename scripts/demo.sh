#!/usr/bin/env bash
# Builds Vantorb (optimised) and runs its main job on an example.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantorb-cli
"$build/cli/vantorb-cli" demo "${1:-3}"
