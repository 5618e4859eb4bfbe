#!/usr/bin/env bash
# CTest's emulator for the x86_64 build: runs a test program under Wine.
# Once in a long run Wine has ended a test process before it printed a thing,
# in a hundredth of a second and with nothing in the output to tell why. A
# run that ends like that (non-zero, no output, within two seconds) is told
# apart from a test that ran and failed, reported with its exit code and
# started once more; every test program prints a summary when it runs.
set -uo pipefail
output=$(mktemp)
trap 'rm -f "$output"' EXIT
for attempt in 1 2; do
    start=$(date +%s%N)
    wine "$@" 2>&1 | tee "$output"
    status=${PIPESTATUS[0]}
    elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
    if [ "$status" -eq 0 ] || [ -s "$output" ] || [ "$elapsed" -ge 2000 ] || [ "$attempt" -eq 2 ]; then
        exit "$status"
    fi
    echo "wine ended with exit code $status after $elapsed ms before the program printed anything; starting it once more"
done
