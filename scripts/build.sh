#!/usr/bin/env bash
# Configures and builds both targets: build/i686 (the shipped 32-bit
# program) and build/x86_64 (the same sources, which the tests run under
# Wine). BUILD_DIR chooses another build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

# One build of a folder at a time: the test command and the emulated run
# may start together, and two Ninjas in one folder break its log.
mkdir -p "$build"
exec 8> "$build/build.lock"
flock 8

for arch in i686 x86_64; do
    cmake -S "$root" -B "$build/$arch" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/scripts/toolchain-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release > /dev/null
    cmake --build "$build/$arch"
done

# What a user downloads: each program's size.
for arch in i686 x86_64; do
    echo "$build/$arch/sorvane.exe: $(stat -c %s "$build/$arch/sorvane.exe") bytes"
done
