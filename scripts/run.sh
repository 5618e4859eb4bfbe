#!/usr/bin/env bash
# Builds both targets and starts the program on a folder (the argument; by
# default the current folder). Our machines cannot execute the shipped 32-bit
# build, so this runs the x86_64 build of the same sources under Wine.
# With a display the program stays up until you close it. Without one it
# runs on a private Xvfb: it waits for the scan, types a query (QUERY, by
# default "readme"), saves a picture of the window and closes the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
folder=$(cd "${1:-.}" && pwd)
query=${QUERY:-readme}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

had_display=${DISPLAY:-}
source "$root/scripts/wine-env.sh"
wine_env_start "$build/run-prefix"
windows_folder=$(winepath -w "$folder")

if [ -n "$had_display" ]; then
    echo "Sorvane is scanning $folder on display $DISPLAY; close its window to end."
    # In the background, so that a signal to this script is handled at once.
    wine "$build/x86_64/sorvane.exe" "$windows_folder" &
    wait $!
else
    picture=$build/sorvane-window.png
    wine "$build/x86_64/tests/sorvane_driver.exe" show "$windows_folder" "$query" \
        "$(winepath -w "$build/sorvane-window.bmp")" > "$build/run-driver.txt" 2>&1 &
    wait $! || { cat "$build/run-driver.txt"; exit 1; }
    cat "$build/run-driver.txt"
    python3 "$root/scripts/bmp_to_png.py" "$build/sorvane-window.bmp" "$picture"
    echo "Scanned $folder and typed \"$query\": the window is in $picture"
fi
