#!/usr/bin/env bash
# Starts the window under a virtual X display, compiles an example and saves
# a picture of each tab and of the compiler information window into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
if ! command -v xvfb-run >/dev/null; then
  run_as_root=()
  [[ $(id -u) -eq 0 ]] || run_as_root=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${run_as_root[@]}" apt-get update -qq
  "${run_as_root[@]}" apt-get install -y -qq xvfb xauth >/dev/null
fi
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantorb
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/workbench/qt/vantorb" --screenshots docs "${1:-examples/multiplication.prv}"
ls docs/*.png
