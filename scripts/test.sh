#!/usr/bin/env bash
# Installs what the tests need, builds ぽまりん and runs every test: the program's own build, every
# test again built with AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run
# of each parser of outside bytes. Ends with the time each stage took.
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
        python3 "$POMARIN_SOURCE/tests/fixtures/courier.py" prepare --packages "$courier"
fi
installed=$SECONDS

configure_build "$POMARIN_SOURCE/build-sanitize" -DPOMARIN_SANITIZE=ON
build_targets "$POMARIN_SOURCE/build-sanitize" all
CXX=clang++ configure_build "$POMARIN_SOURCE/build-fuzz" -DPOMARIN_FUZZ=ON
build_targets "$POMARIN_SOURCE/build-fuzz" fuzz_targets
configure_build "$POMARIN_SOURCE/build" \
    -DPOMARIN_SANITIZE_BUILD="$POMARIN_SOURCE/build-sanitize" \
    -DPOMARIN_FUZZ_BUILD="$POMARIN_SOURCE/build-fuzz"
build_targets "$POMARIN_SOURCE/build" all
built=$SECONDS

status=0
(cd "$POMARIN_SOURCE/build" && ctest --output-on-failure --timeout 300) || status=$?
echo "Installing took $((installed - started)) s, building $((built - installed)) s," \
    "testing $((SECONDS - built)) s."
exit "$status"
