#!/usr/bin/env bash
# Times multiplication N x N under the macro and the event engine with the
# command-line tool and writes multiplication.dat (N, engine, iterations,
# wall seconds of the run), then draws multiplication.svg from it with
# gnuplot. Made by hand on one machine, never in CI; run from anywhere:
#
#   docs/speed/multiplication.sh [PATH-TO-vantorb-cli]
#
# The tool defaults to build/release/cli/vantorb-cli (a Release build).
# Runs are done one at a time; the event engine stops at N = 1000 (12 M
# iterations, some ten seconds), the macro engine goes on to 10^6 x 10^6
# (1.2 * 10^13 iterations). Set VANTORB_SWEEP_PLOT_ONLY=1 to redraw the plot from
# the data file alone.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
cli="${1:-$root/build/release/cli/vantorb-cli}"
program="$root/examples/multiplication.prv"
data="$here/multiplication.dat"

event_sizes="10 20 40 100 200 400 1000"
macro_sizes="10 20 40 100 200 400 1000 2000 4000 10000 100000 1000000"

run() {  # engine N
  local out iterations seconds
  out="$("$cli" run "$program" "$2" "$2" --engine "$1" --stats --limit 100000000000000)"
  iterations="$(sed -n 's/^iterations: //p' <<<"$out")"
  seconds="$(sed -n 's/^wall time: \([0-9.e+-]*\) s$/\1/p' <<<"$out")"
  printf '%s %s %s %s\n' "$2" "$1" "$iterations" "$seconds"
}

if [[ -z "${VANTORB_SWEEP_PLOT_ONLY:-}" ]]; then
  {
    echo "# multiplication N x N: N engine iterations seconds (the run's wall time)"
    for n in $macro_sizes; do run macro "$n"; done
    for n in $event_sizes; do run event "$n"; done
  } >"$data.new"
  mv "$data.new" "$data"
fi

gnuplot -e "data='$data'; output='$here/multiplication.svg'" "$here/multiplication.gp"
