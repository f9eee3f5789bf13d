#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Ladlewise and runs its benchmark: each figure against bare Qt doing the same.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}"

build_target bench_ladlewise -DLADLEWISE_BENCH=ON
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} build/bench/bench_ladlewise
