#!/usr/bin/env bash
# The bash completion of vantorb-cli (the file given as $1), asked as bash
# asks it: the words of the line so far, the last one being completed.

export LC_ALL=C  # one sort order
source "$1" || exit 1
folder=$(mktemp -d) || exit 1
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
touch -- add.prv MUL.PRV sum.Equ notes.txt -x.prv
mkdir programs

failures=0
# check "EXPECTED WORDS, SORTED" WORD...
check() {
  local expected=$1 got
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  _vantorb_cli
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [[ $got != "$expected" ]]; then
    echo "vantorb-cli ${*:2}<TAB>: got '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
}

check "equations eval" vantorb-cli e
check "--help --version" vantorb-cli --
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli run ""
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli --version info ""
check "" vantorb-cli run add.prv ""
check "-x.prv MUL.PRV add.prv programs" vantorb-cli eval ""
check "-x.prv MUL.PRV add.prv programs" vantorb-cli eval --bound 5 -- ""
check "--limit" vantorb-cli trace --token E --l
check "--engine" vantorb-cli run add.prv 3 4 --e
check "--values" vantorb-cli run add.prv 3 4 --v
check "" vantorb-cli run add.prv --values ""
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli run --values E ""
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli run --values = E ""
check "--help --output -h -o" vantorb-cli graph -
check "dense" vantorb-cli run --engine d
check "macro" vantorb-cli run --engine m
check "event" vantorb-cli run --engine = e
check "dense event macro reference" vantorb-cli run add.prv --engine =
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli run --limit = 5 ""
check "notes.txt" vantorb-cli equations add.prv -o n
check "" vantorb-cli run --limit ""
check "-x.prv" vantorb-cli run -- -x
check "" vantorb-cli run -- -x.prv ""
check "" vantorb-cli frobnicate ""
check "sweep" vantorb-cli sw
check "--csv" vantorb-cli sweep add.prv 0..3 --c
check "--csv --engine --help --jobs --limit -h" vantorb-cli sweep -
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli sweep ""
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli sweep --jobs 4 ""
check "-x.prv MUL.PRV add.prv programs sum.Equ" vantorb-cli sweep --jobs=4 ""
check "" vantorb-cli sweep add.prv ""
check "" vantorb-cli sweep add.prv --jobs ""
check "dense event macro reference" vantorb-cli sweep add.prv 0..3 --engine ""
check "notes.txt" vantorb-cli sweep add.prv 1 --csv n

((failures == 0)) || exit 1
echo "all completions as expected"
