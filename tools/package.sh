#!/usr/bin/env bash
# Builds the Debian package build-package/solvina_VERSION_ARCH.deb, compiled with Debian's
# hardening flags, and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) and file find the package's dependencies.
bash tools/install-deps.sh dpkg-dev file
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake --preset package --fresh >/dev/null
cmake --build build-package -j"$(nproc)" --target solvina solvina-cli solvina_install_files
rm -f build-package/solvina_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/solvina_*.deb
