#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# warnings as errors, and runs every test but the long ones (CTest label
# "long": differential runs over many networks), or with --long every test.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

case ${1:-} in
  "") selection=(-LE long) ;;
  --long) selection=() ;;
  *) echo "usage: scripts/check.sh [--long]" >&2; exit 1 ;;
esac

scripts/bootstrap.sh
build=build/check
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVANTORB_SANITIZE=ON -DVANTORB_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Leak checking is part of AddressSanitizer on Linux; keep it on explicitly.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# A test that hangs fails after ten minutes instead of holding up the rest.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 "${selection[@]}"
