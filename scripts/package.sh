#!/usr/bin/env bash
# Makes the Debian package (build/package/vantorb_VERSION_ARCH.deb) from a
# Release build with Debian's hardening flags, failing on any compiler
# warning, and checks it: the desktop entry and the metainfo validate, the
# manual pages render without a warning, the package holds every file the
# install rules promise, and lintian's findings are shown (errors fail).
# With --install-check (as root) it also installs the package with apt,
# runs both programs from PATH and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."

install_check=false
case ${1:-} in
  --install-check) install_check=true ;;
  "") ;;
  *) echo "usage: scripts/package.sh [--install-check]" >&2; exit 1 ;;
esac

scripts/bootstrap.sh
build=build/package
# Debian's own compiler and linker flags (hardening: fortified functions,
# stack protector, read-only relocations, immediate binding); no debugging
# information, as the package's programs are stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_STRIP=-g
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
# Installed under /usr, as in the package: the Python module's folder
# follows the prefix. Warnings are errors: an optimised build warns where
# the sanitized test build does not (GCC's -Wrestrict), and the package is
# not made from code that warns.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVANTORB_TESTS=OFF -DVANTORB_BENCHMARKS=OFF -DVANTORB_WERROR=ON \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/vantorb_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(echo "$build"/vantorb_*.deb)
echo "package: $package"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$package" "$unpacked"
usr="$unpacked/usr"

echo "checking the file list ($(dpkg-deb -c "$package" | wc -l) entries)"
scripts/missing_installed_files.sh "$usr"

echo "validating the desktop entry and the metainfo"
desktop-file-validate "$usr"/share/applications/*.desktop
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml

echo "rendering the manual pages"
for page in "$usr"/share/man/man1/*.1.gz; do
  warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null)
  if [[ -n $warnings ]]; then
    echo "$page: $warnings" >&2
    exit 1
  fi
done

echo "lintian:"
# Errors fail the check; warnings and notes are shown for a person to judge.
lintian --display-info --fail-on error "$package"

if $install_check; then
  export DEBIAN_FRONTEND=noninteractive
  echo "installing the package with apt"
  apt-get install -y -qq "./$package" >/dev/null
  trap 'apt-get remove -y -qq vantorb >/dev/null; rm -rf "$unpacked"' EXIT
  vantorb-cli --version
  vantorb-cli run /usr/share/doc/vantorb/examples/multiplication.prv 7 8 --limit 100000
  QT_QPA_PLATFORM=offscreen vantorb --version
  # Debian's interpreter finds the module with no variable set.
  env -u PYTHONPATH /usr/bin/python3 -c 'import vantorb
print("python:", vantorb.compile_file("/usr/share/doc/vantorb/examples/multiplication.prv").run(7, 8, limit=100000).result)'
  echo "removing the package"
fi
echo "package checked: $package"
