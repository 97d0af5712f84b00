#!/usr/bin/env bash
# Installs what the tests need, builds ぽまりん and runs every test.
set -euo pipefail
POMARIN_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source "$POMARIN_SOURCE/scripts/common.sh"
TEST_PACKAGES=(xvfb xauth openbox x11-utils xdotool wmctrl imagemagick dbus python3 python3-pil
    openssl)
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_pomarin
cd "$POMARIN_SOURCE/build"
ctest --output-on-failure --timeout 300
