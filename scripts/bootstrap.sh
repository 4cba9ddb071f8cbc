#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vantorb need, when
# any is missing. Silent and quick when everything is there. Needs root (or
# sudo) only when it has something to install.
set -euo pipefail

packages=(
  g++ cmake ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libgraphviz-dev pkg-config libcli11-dev
  clang libclang-rt-14-dev
  help2man libqt6svg6
  # making and checking the Debian package (scripts/package.sh)
  dpkg-dev file lintian desktop-file-utils appstream man-db
  pybind11-dev python3-dev python3-pytest python3-numpy python3-matplotlib
  # the Python module's optional parts, tested: frames, sweeps on Dask,
  # progress bars, the type stubs, notebook pictures
  python3-pandas python3-distributed python3-tqdm mypy graphviz
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "bootstrap: installing ${missing[*]}" >&2
run_as_root=()
[[ $(id -u) -eq 0 ]] || run_as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -qq
"${run_as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
