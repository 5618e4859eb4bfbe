#!/usr/bin/env bash
# Builds both targets and runs every test of the x86_64 build under Wine in a
# fresh prefix and a private Xvfb display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

# The shipped 32-bit program and the x86_64 one that Wine runs.
for arch in i686 x86_64; do
    ls -l "$build/$arch/sorvane.exe"
done

source "$root/scripts/wine-env.sh"
wine_env_start "$build/x86_64/wineprefix" fresh

# CTest's summary is the last thing this command prints.
ctest --test-dir "$build/x86_64" --output-on-failure "$@"
