#!/usr/bin/env bash
# Installs what the tests need, builds ぽまりん and runs every test: the program's own build, every
# test again built with AddressSanitizer and UndefinedBehaviorSanitizer, the unit tests again
# built with clang, and a short fuzzing run of each parser of outside bytes. Ends with the time each stage took.
set -euo pipefail
POMARIN_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$POMARIN_SOURCE/scripts/common.sh"

started=$SECONDS
ensure_tools build run test fuzz
# Courier's pop3d conflicts with Dovecot's, so the tests run it unpacked, never installed.
courier=$POMARIN_SOURCE/build/courier-packages
if [ ! -f "$courier/unpacked" ]; then
    echo "Fetching Courier's pop3d for the tests"
    mkdir -p "$courier"
    run_logged "$courier/prepare.log" \
        python3 "$POMARIN_SOURCE/tests/fixtures/courier_mail_server.py" prepare \
        --packages "$courier"
fi
installed=$SECONDS

# Warnings are errors here, for the developers and CI; a user's build only shows them.
configure_build "$POMARIN_SOURCE/build-sanitize" -DPOMARIN_WERROR=ON -DPOMARIN_SANITIZE=ON
build_targets "$POMARIN_SOURCE/build-sanitize" all
CXX=clang++ configure_build "$POMARIN_SOURCE/build-fuzz" -DPOMARIN_WERROR=ON -DPOMARIN_FUZZ=ON
build_targets "$POMARIN_SOURCE/build-fuzz" fuzz_targets
# The program and its unit tests with the other compiler a user may have.
CXX=clang++ configure_build "$POMARIN_SOURCE/build-clang" -DPOMARIN_WERROR=ON
build_targets "$POMARIN_SOURCE/build-clang" all
configure_build "$POMARIN_SOURCE/build" -DPOMARIN_WERROR=ON \
    -DPOMARIN_SANITIZE_BUILD="$POMARIN_SOURCE/build-sanitize" \
    -DPOMARIN_FUZZ_BUILD="$POMARIN_SOURCE/build-fuzz" \
    -DPOMARIN_CLANG_BUILD="$POMARIN_SOURCE/build-clang"
build_targets "$POMARIN_SOURCE/build" all
built=$SECONDS

status=0
(cd "$POMARIN_SOURCE/build" && ctest --output-on-failure --timeout 300) || status=$?
echo "Installing took $((installed - started)) s, building $((built - installed)) s," \
    "testing $((SECONDS - built)) s."
exit "$status"
