#!/usr/bin/env bash
# Installs the cross toolchain, the build machine's own compiler (for the
# resource packer), Wine and the test tools when any is missing.
# Safe to run again: it does nothing when everything is already there.
# Given package names, it installs those instead (the fuzz commands' clang).
set -euo pipefail

packages=(cmake ninja-build g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 xvfb xauth doctest-dev xdotool x11-utils grep findutils
          python3)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
