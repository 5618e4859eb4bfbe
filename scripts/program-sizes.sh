#!/usr/bin/env bash
# Prints the size of each shipped program, whole and by section, as figure
# lines (figure: exe_i686 N bytes, figure: exe_i686_text N bytes, ...); the
# removal stub is packed inside each program and is printed too.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

for arch in i686 x86_64; do
    for program in sorvane.exe:exe stub/removal_stub.exe:stub; do
        file=$build/$arch/${program%%:*}
        name=${program##*:}_$arch
        echo "figure: $name $(stat -c %s "$file") bytes"
        # Sizes in memory, as the section table holds them.
        "$arch-w64-mingw32-objdump" -h "$file" | while read -r index section size _; do
            [[ $index =~ ^[0-9]+$ ]] || continue
            echo "figure: ${name}_${section#.} $((16#$size)) bytes"
        done
    done
done
