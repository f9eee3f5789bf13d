#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Ladlewise and runs every test against Qt 5, then against Qt 6 in build-qt6/,
# then against Qt 5 again with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize/. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${QT6_PACKAGES[@]}"

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@"
    cmake --build "$dir" --parallel "$(nproc)"
    ctest --test-dir "$dir" --output-on-failure --timeout 300
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DLADLEWISE_WERROR=ON
run_suite build-qt6 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DLADLEWISE_WERROR=ON -DLADLEWISE_QT=6
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DLADLEWISE_WERROR=ON -DLADLEWISE_SANITIZE=ON
