#!/usr/bin/env bash
# Prints every file that data/installed-files promises and that is missing
# under an installed tree (a prefix such as /usr, or a package unpacked);
# exits 1 when one is missing. Argument: the tree.
set -euo pipefail
root=$1
manifest="$(dirname "$0")/../data/installed-files"
status=0
while read -r file; do
  [[ -z $file || $file == \#* ]] && continue
  if [[ ! -e $root/$file ]]; then
    echo "missing: $file"
    status=1
  fi
done <"$manifest"
exit $status
