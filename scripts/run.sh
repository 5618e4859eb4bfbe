#!/usr/bin/env bash
# Builds both targets and starts the program. Our machines cannot execute the
# shipped 32-bit build, so this runs the x86_64 build of the same sources
# under Wine, on the current display or, without one, on a private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

source "$root/scripts/wine-env.sh"
wine_env_start "$build/run-prefix"
[ -n "${DISPLAY:-}" ] && echo "Sorvane is running on display $DISPLAY; close its window to end."
# In the background, so that a signal to this script is handled at once.
wine "$build/x86_64/sorvane.exe" "$@" &
wait $!
