#!/usr/bin/env bash
# Builds Vantorb (optimised: the tool, the window and the Python module, in
# build/release) and runs its main job on an example: compiles a program,
# shows its compiler information and first dynamic equations, and computes
# its target function. Arguments: a program (default the multiplication
# example) and the numbers to compute it for (default 7 8).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantorb-cli vantorb vantorb_python
cli="$build/cli/vantorb-cli"

example=${1:-examples/multiplication.prv}
if [[ $# -gt 1 ]]; then shift; arguments=("$@"); else arguments=(7 8); fi
"$cli" info "$example"
"$cli" equations "$example" -o "$build/example.equ"
echo "First dynamic equations (all in $build/example.equ):"
head -n 3 "$build/example.equ"
echo "Computing with arguments ${arguments[*]}:"
"$cli" run "$example" "${arguments[@]}"
echo "The same in the window: $build/workbench/qt/vantorb $example (F9, then Compute);"
echo "from Python: PYTHONPATH=$build/python /usr/bin/python3, then import vantorb."
