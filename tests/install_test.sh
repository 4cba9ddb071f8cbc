#!/usr/bin/env bash
# The install rules: installs the build into a scratch prefix, checks that
# everything promised is there, then runs the installed programs from it:
# vantorb-cli computes 7 x 8 with the installed multiplication example, and
# both programs tell the version without a display.
# Arguments: cmake, the build directory, the project's version and, when
# the Python module is built, its installed path relative to the prefix.
set -euo pipefail
cmake=$1 build=$2 version=$3 module=${4:-}
source="$(cd "$(dirname "$0")/.." && pwd)"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
"$source/scripts/missing_installed_files.sh" "$prefix"

expect() {  # expect TEXT COMMAND...: the command succeeds and prints TEXT
  local text=$1 output
  shift
  output=$("$@") || { echo "failed: $*" >&2; exit 1; }
  if ! grep -qxF "$text" <<<"$output"; then
    printf 'expected "%s" from %s, got:\n%s\n' "$text" "$*" "$output" >&2
    exit 1
  fi
}
if [[ -n $module && ! -f $prefix/$module ]]; then
  echo "missing: $module" >&2
  exit 1
fi
# vantorb-cli's page carries each command's own help.
for command in info equations run eval graph trace; do
  zcat "$prefix/share/man/man1/vantorb-cli.1.gz" | grep -qx "\.SS $command" ||
    { echo "vantorb-cli(1) lacks the command $command" >&2; exit 1; }
done
# Rendered at 80 columns: its own sections, nothing wider, no warning.
page="$prefix/share/man/man1/vantorb-cli.1.gz"
for section in SYNOPSIS "EXIT STATUS" EXAMPLES; do
  zcat "$page" | grep -qE "^\.SH \"?$section\"?$" ||
    { echo "vantorb-cli(1) lacks the section $section" >&2; exit 1; }
done
warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null)
[[ -z $warnings ]] || { echo "vantorb-cli(1): $warnings" >&2; exit 1; }
wide=$(MANWIDTH=80 man -l "$page" 2>/dev/null | LC_ALL=C.UTF-8 grep -E '^.{81}' || true)
[[ -z $wide ]] || { printf 'vantorb-cli(1) is wider than 80 columns:\n%s\n' "$wide" >&2; exit 1; }
examples="$prefix/share/doc/vantorb/examples"
expect "result: 56" "$prefix/bin/vantorb-cli" run "$examples/multiplication.prv" 7 8 --limit 100000
expect "vantorb-cli $version" "$prefix/bin/vantorb-cli" --version
expect "vantorb $version" env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vantorb" --version
echo "installed into $prefix: all promised files, and the programs run"
