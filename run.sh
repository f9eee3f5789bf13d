#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Ladlewise in build/ and starts it, installing what the build needs first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}"

build_target ladlewise
exec build/src/ladlewise "$@"
