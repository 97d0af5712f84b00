#!/usr/bin/env bash
# Installs what the tests need, builds ぽまりん and runs every test: the program's own build, the
# mail library's tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# fuzzing run of its parsers.
set -euo pipefail
POMARIN_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source "$POMARIN_SOURCE/scripts/common.sh"
TEST_PACKAGES=(xvfb xauth openbox x11-utils xdotool wmctrl imagemagick dbus python3 python3-pil
    openssl clang libclang-rt-14-dev dovecot-core dovecot-pop3d dovecot-imapd)
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

cmake -S "$POMARIN_SOURCE" -B "$POMARIN_SOURCE/build-sanitize" -DPOMARIN_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$POMARIN_SOURCE/build-sanitize" --target sanitized_tests --parallel "$(nproc)"
CXX=clang++ cmake -S "$POMARIN_SOURCE" -B "$POMARIN_SOURCE/build-fuzz" -DPOMARIN_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$POMARIN_SOURCE/build-fuzz" --target fuzz_pop3_replies --parallel "$(nproc)"

build_pomarin -DPOMARIN_SANITIZE_BUILD="$POMARIN_SOURCE/build-sanitize" \
    -DPOMARIN_FUZZ_BUILD="$POMARIN_SOURCE/build-fuzz"
cd "$POMARIN_SOURCE/build"
ctest --output-on-failure --timeout 300
