# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts: the Debian packages they need, a function that installs
# those still missing, and one that builds the program without its tests.

BUILD_PACKAGES=(cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools libxcb1-dev libxcb-randr0-dev
                fonts-dejavu-core)
TEST_PACKAGES=(qtbase5-private-dev xvfb xauth desktop-file-utils appstream dpkg-dev lintian binutils)
# The second build the tests run on.
QT6_PACKAGES=(qt6-base-dev qt6-base-dev-tools qt6-base-private-dev)
PACKAGE_PACKAGES=(dpkg-dev lintian)

install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures build/ for use (optimised, with debug info, without the tests), with any
# further CMake options given, and builds the given target.
build_target() {
    local target=$1
    shift
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF "$@"
    cmake --build build --parallel "$(nproc)" --target "$target"
}
