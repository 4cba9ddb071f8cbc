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
examples="$prefix/share/doc/vantorb/examples"
expect "result: 56" "$prefix/bin/vantorb-cli" run "$examples/multiplication.prv" 7 8 --limit 100000
expect "vantorb-cli $version" "$prefix/bin/vantorb-cli" --version
expect "vantorb $version" env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vantorb" --version
echo "installed into $prefix: all promised files, and the programs run"
