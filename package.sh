#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package ladlewise_<version>_<arch>.deb in this folder, with
# Debian's hardening flags, and checks it with lintian. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-package --parallel "$(nproc)"
(cd build-package && cpack -G DEB -B "$PWD/../")
rm -rf _CPack_Packages
lintian --fail-on error ladlewise_*.deb
ls ladlewise_*.deb
