#!/usr/bin/env bash
# Builds the matcher's differential fuzz target natively (clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a fixed
# number of executions, 10,000,000 unless given:
#   bash bench/fuzz_match.sh [RUNS]
# Not part of the Windows build nor of the tests. Prints, like bench.sh,
#   figure: fuzz_executions N runs
#   figure: fuzz_findings N inputs
# and leaves any input that found a fault in build/fuzz/findings.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}/fuzz
runs=${1:-10000000}

bash "$root/scripts/install-deps.sh" clang libclang-rt-14-dev

mkdir -p "$build/corpus" "$build/findings"
clang++ -std=c++17 -O2 -g -msse2 -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -Wall -Wextra -Werror -I"$root" \
    "$root/bench/fuzz_match.cpp" "$root/catalogue/match.cpp" -o "$build/fuzz_match"

# A few seeds: mode byte, query, NUL, entries.
seed() { printf "$2" > "$build/corpus/$1"; }
seed full '\000rep txt\000c:\\data\\report.txt\000c:\\data\\\000c:\\rep\\txt'
seed files '\001 manifs\000c:\\windows\\winsxs\\manifests\\a.manifest\000c:\\x\\'
seed folders '\002c: \000c:\\program files\\\000c:\\a'
seed long '\000\\python311\\lib\\site-\\nativeimages_v4.0.3\000c:\\users\\a\\appdata\\local\\programs\\python\\python311\\lib\\site-packages\\numpy\\core\\__init__.py'

log=$build/fuzz.log
status=0
(cd "$build/findings" && "$build/fuzz_match" -runs="$runs" -seed=1 -max_len=1024 \
    -dict="$root/bench/fuzz_match.dict" -print_final_stats=1 "$build/corpus") > "$log" 2>&1 \
    || status=$?
tail -n 20 "$log"
executed=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
findings=$(find "$build/findings" -type f | wc -l)
echo "figure: fuzz_executions ${executed:-0} runs"
echo "figure: fuzz_findings $findings inputs"
exit "$status"
