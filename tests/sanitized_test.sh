#!/usr/bin/env bash
# usage: sanitized_test.sh CTEST BUILD TEST REPORTS
#
# Runs one test of BUILD, a build made with POMARIN_SANITIZE, through that build's CTest with the
# sanitizers' settings, and fails when the test fails or when any program it started reported
# something, even one whose exit status or output the test does not read (the real program under
# Xvfb, a helper): AddressSanitizer and LeakSanitizer write their reports to files in REPORTS, and
# UndefinedBehaviorSanitizer, which in a GCC build writes only to the standard error, is looked for
# in the test's output (REPORTS/output.txt).
set -euo pipefail
ctest=$1 build=$2 name=$3 reports=$4
rm -rf "$reports"
mkdir -p "$reports"
# A test may run the program as another user (nobody), whose reports land here too.
chmod 1777 "$reports"

# Leaks of the system's libraries under Qt are theirs to fix; sanitizer-leaks.supp names them
# narrowly, so that a leak of ours is still found; the list of those used is not a report.
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/sanitizer-leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
"$ctest" --test-dir "$build" --tests-regex "^$name\$" --no-tests=error --verbose 2>&1 |
    tee "$reports/output.txt" || status=$?
if grep -q -E '(^|: )runtime error: ' "$reports/output.txt"; then
    echo "UndefinedBehaviorSanitizer reported the above."
    status=1
fi
for report in "$reports"/asan.*; do
    [ -f "$report" ] || continue
    echo "Sanitizer report $report:"
    cat "$report"
    status=1
done
exit "$status"
