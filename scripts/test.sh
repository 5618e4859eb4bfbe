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

# Root reads every folder whatever its permissions say; without that right
# the tests can make a folder truly unreadable. Nothing else they touch is
# shut to its owner.
runner=()
drop=(setpriv --bounding-set=-dac_override,-dac_read_search --)
if [ "$(id -u)" -eq 0 ] && "${drop[@]}" true 2>/dev/null; then
    runner=("${drop[@]}")
fi

# CTest's summary is the last thing this command prints.
"${runner[@]}" ctest --test-dir "$build/x86_64" --output-on-failure "$@"
