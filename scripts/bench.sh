#!/usr/bin/env bash
# THE benchmark command: builds both targets, runs the x86_64 benchmark
# program under Wine in a fresh prefix, and the native peers (grep, find) on
# the same data in the same run. Every figure is one line of the form
#   figure: NAME VALUE UNIT
# Benchmarks are not tests: nothing here fails on a slow figure.
# Options for shorter runs while working on the filter, passed to its
# benchmark program: --repeats N (runs per median, 15 by default) and
# --sweep (the walk at a range of prefetch distances, and nothing else).
set -euo pipefail
filter_args=("$@")
sweep_only=0
for arg in "$@"; do
    [ "$arg" = --sweep ] && sweep_only=1
done
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" > /dev/null

source "$root/scripts/wine-env.sh"
wine_env_start "$build/x86_64/bench-prefix" fresh

bench_exe=$build/x86_64/bench/sorvane_bench.exe
data=$build/bench-data
rm -rf "$data"
mkdir -p "$data"
figures=$data/figures.txt
: > "$figures"

echo "== The shipped programs, whole and by section"
bash "$root/scripts/program-sizes.sh" | tee -a "$figures"

figure() {  # NAME VALUE UNIT
    echo "figure: $1 $2 $3" | tee -a "$figures"
}

value_of() {  # NAME -> the value printed for it
    awk -v name="$1" '$1 == "figure:" && $2 == name { v = $3 } END { print v }' "$figures"
}

# Median wall time in milliseconds of RUNS runs of a command.
median_ms() {
    local runs=$1; shift
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] / 1000 }'
}

ratio() {  # A B SCALE -> A / B * SCALE
    awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { printf "%.3f", (b > 0 ? a / b * s : 0) }'
}

echo "== Filter over two catalogues of 1,000,000 entries: realistic (real_) and generated (gen_)"
# The realistic paths go to paths.txt, the generated ones to
# paths.txt.generated; each query's "grep:" line names its rarest word and
# the number of leading paths its pass walks.
paths=$data/paths.txt
wine "$bench_exe" filter "$(winepath -w "$paths")" "${filter_args[@]}" | tee "$data/filter.txt" | tee -a "$figures"
if [ "$sweep_only" = 1 ]; then
    echo "All figures: $figures"
    exit 0
fi

# Native grep over the same paths, one per line, whole process. Its count
# must be read through a pipe: GNU grep stops at the first match when its
# output is /dev/null, even with -c.
grep_count() { local count; count=$(grep -F -c -e "$1" "$2" || true); }
while read -r _ name lines word; do
    file=$paths
    [[ $name == gen_* ]] && file=$paths.generated
    if [ "$lines" -lt "$(wc -l < "$file")" ]; then
        head -n "$lines" "$file" > "$data/walked.txt"
        file=$data/walked.txt
    fi
    figure "${name}_grep" "$(median_ms 9 grep_count "$word" "$file")" ms
    figure "${name}_vs_grep" "$(ratio "$(value_of "$name")" "$(value_of "${name}_grep")" 100)" %
done < <(grep '^grep: ' "$data/filter.txt")
rm -f "$data/walked.txt"

# One line per query: time, times the floor over the same bytes, times the
# walk alone over the same entries, times the walk that also reads each of
# them to its end, percent of grep's time over the same paths.
awk '$1 == "query:" { q[++n] = $2; text[$2] = substr($0, index($0, $3)) }
     $1 == "figure:" { v[$2] = $3 }
     END {
         printf "walk alone: real %.3f ms (%.2f x floor), gen %.3f ms (%.2f x floor)\n",
                v["real_walk"], v["real_walk_vs_floor"], v["gen_walk"], v["gen_walk_vs_floor"]
         printf "walk reading every entry to its end: real %.2f x walk, gen %.2f x walk\n",
                v["real_read_walk_vs_walk"], v["gen_read_walk_vs_walk"]
         printf "%-22s %9s %8s %7s %7s %8s %9s  %s\n", "query", "ms", "x floor", "x walk",
                "x read", "% grep", "walked", "words"
         for (i = 1; i <= n; ++i)
             printf "%-22s %9.3f %8.2f %7.2f %7.2f %8.1f %9d  %s\n", q[i], v[q[i]],
                    v[q[i] "_vs_floor"], v[q[i] "_vs_walk"], v[q[i] "_vs_read_walk"],
                    v[q[i] "_vs_grep"], v[q[i] "_walked"], text[q[i]]
     }' "$figures"

echo "== Scan of a generated tree"
# 25 groups of 10 projects of 8 folders of 100 files: 202,275 entries, made
# natively in the prefix's drive C so that Wine sees it as C:\benchtree.
tree=$WINEPREFIX/drive_c/benchtree
mkdir -p "$tree"
(
    cd "$tree"
    awk 'BEGIN {
        for (g = 0; g < 25; ++g)
            for (p = 0; p < 10; ++p)
                for (s = 0; s < 8; ++s)
                    printf "group%02d/project%03d/module%d\n", g, g * 10 + p, s
    }' | xargs mkdir -p
    # Names of many lengths, as on a real drive.
    awk 'BEGIN {
        split(".txt .cpp .h .dll .png .log .xml .json .c .manifest .js", ext, " ")
        split("readme main configuration window x helper-functions data " \
              "report-final-version a settings index network-socket util", stem, " ")
        for (g = 0; g < 25; ++g)
            for (p = 0; p < 10; ++p)
                for (s = 0; s < 8; ++s)
                    for (f = 0; f < 100; ++f)
                        printf "group%02d/project%03d/module%d/%s%d%s\n",
                               g, g * 10 + p, s, stem[f % 13 + 1], f, ext[f % 11 + 1]
    }' | xargs touch
)
find_count() { find "$tree" | wc -l; }
tree_entries=$(( $(find_count) - 1 ))  # find lists the root itself too
figure find_tree_entries "$tree_entries" entries
find_ms=$(median_ms 5 find_count)
figure find_rate "$(awk -v n="$tree_entries" -v t="$find_ms" 'BEGIN { printf "%.0f", n / t * 1000 }')" entries/s

wine "$bench_exe" scan 'C:\benchtree' | tee -a "$figures"
figure scan_vs_find "$(ratio "$(value_of scan_rate)" "$(value_of find_rate)" 100)" %

echo "== Keystroke round trip in the real program, on the same tree"
# From outside the process: a change of the search text (a word found
# nowhere) until the list is refilled, beside a bare cross-process message.
wine "$build/x86_64/tests/sorvane_driver.exe" keystroke 'C:\benchtree' | tee -a "$figures"

echo "All figures: $figures"
