#!/usr/bin/env bash
# Builds Ladlewise in build/ and starts it, installing what the build needs first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
install_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build --parallel --target ladlewise
exec build/src/ladlewise "$@"
