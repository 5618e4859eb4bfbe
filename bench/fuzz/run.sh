#!/usr/bin/env bash
# Fuzzing of the word matcher and query splitting (against a plain
# reference), the bounded decoder, the packer and decoder round trip, the
# command-line splitter and parser with their override checks, and the display
# text of a result: each target
# built natively (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and run for a fixed number of executions, 10,000,000 unless given:
#   bash bench/fuzz/run.sh [RUNS] [TARGET...]
# TARGET is match, unpack, pack_roundtrip, command_line or display_text (all
# by default).
# FUZZ_SECONDS=N also ends each target after N seconds (the round trip runs
# about four thousand inputs a second under the sanitizers).
# Not part of the Windows build nor of the tests. The seed corpora in
# bench/fuzz/corpus are copied, never written. Prints, per target,
#   figure: fuzz_executions_TARGET N runs
#   figure: fuzz_findings_TARGET N inputs
# and leaves any input that found a fault in build/fuzz-inputs/TARGET/findings.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${BUILD_DIR:-$root/build}/fuzz-inputs
runs=${1:-10000000}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(match unpack pack_roundtrip command_line display_text)

bash "$root/scripts/install-deps.sh" clang libclang-rt-14-dev

flags=(-std=c++17 -O2 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -Wall -Wextra -Werror -I"$root")
sources_of() {
    case $1 in
        match) echo "catalogue/match.cpp" ;;
        unpack) echo "integration/unpacker.cpp" ;;
        pack_roundtrip) echo "integration/unpacker.cpp" ;;
        # The parser needs a few Win32 names; the shim gives them natively.
        command_line) echo "-Ibench/fuzz/shim integration/argument_split.cpp
                            integration/command_line.cpp integration/settings.cpp" ;;
        display_text) echo "-Ibench/fuzz/shim catalogue/display_text.cpp" ;;
    esac
}
# Sources built without tracing their comparisons: the packer's parse
# compares offsets and costs in its innermost loops, and tracing them spent
# two thirds of the round trip's time on guidance that the decoder's own
# comparisons give as well. Its branches are still covered.
untraced_of() {
    case $1 in
        pack_roundtrip) echo "tools/packer.cpp" ;;
    esac
}
# Sources built alone for AVX2, as the Windows build builds them: the rest
# of the target stays plain, and takes their code only where this machine
# runs it.
avx2_of() {
    case $1 in
        match) echo "catalogue/match_wide.cpp" ;;
    esac
}
# The matcher's target reads words and path pieces from a dictionary.
options_of() {
    case $1 in
        match) echo "-dict=$root/bench/fuzz/match.dict" ;;
    esac
}
# The packer's parse grows with the square of its input: short inputs keep
# the round trip near the others' pace and still cover every token kind.
max_len_of() {
    case $1 in
        pack_roundtrip) echo 256 ;;
        match) echo 1024 ;;
        *) echo 4096 ;;
    esac
}

status=0
for target in "${targets[@]}"; do
    dir=$build/$target
    rm -rf "$dir/corpus" "$dir/findings"
    mkdir -p "$dir/corpus" "$dir/findings"
    cp "$root/bench/fuzz/corpus/$target/"* "$dir/corpus/"
    objects=()
    for source in $(untraced_of "$target"); do
        object=$dir/$(basename "$source" .cpp).o
        (cd "$root" && clang++ "${flags[@]}" -fno-sanitize-coverage=trace-cmp -c "$source" \
            -o "$object")
        objects+=("$object")
    done
    for source in $(avx2_of "$target"); do
        object=$dir/$(basename "$source" .cpp).o
        (cd "$root" && clang++ "${flags[@]}" -mavx2 -c "$source" -o "$object")
        objects+=("$object")
    done
    # shellcheck disable=SC2046
    (cd "$root" && clang++ "${flags[@]}" "bench/fuzz/fuzz_$target.cpp" $(sources_of "$target") \
        "${objects[@]}" -o "$dir/fuzz_$target")
    log=$dir/fuzz.log
    start=$(date +%s)
    (cd "$dir/findings" && "$dir/fuzz_$target" -runs="$runs" -seed=13 \
        -max_len="$(max_len_of "$target")" -max_total_time="${FUZZ_SECONDS:-0}" \
        $(options_of "$target") -print_final_stats=1 "$dir/corpus") > "$log" 2>&1 \
        || status=$?
    tail -n 3 "$log"
    executed=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
    findings=$(find "$dir/findings" -type f | wc -l)
    echo "figure: fuzz_executions_$target ${executed:-0} runs"
    echo "figure: fuzz_findings_$target $findings inputs"
    echo "figure: fuzz_seconds_$target $(( $(date +%s) - start )) s"
done
exit "$status"
