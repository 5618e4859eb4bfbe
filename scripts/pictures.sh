#!/usr/bin/env bash
# Makes the README's pictures of the window, one per interface mode, as a
# user sees them: the program scans a small tree of documents, a query is
# typed, and the window is saved with its frame. Wine draws no caption bar
# on a bare X display (that is the window manager's work there), but draws
# the whole frame itself on a virtual desktop, so the pictures are taken on
# one. QUERY chooses the words typed (by default "report 2025").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
pictures=$root/resources/readme
query=${QUERY:-report 2025}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

# A display of our own even when the caller has one: the pictures must not
# depend on the caller's screen, theme or window manager.
unset DISPLAY
source "$root/scripts/wine-env.sh"
prefix=$build/pictures-prefix
wine_env_start "$prefix" fresh

# Wine's own fonts stand in for the ones a Windows user has by those names
# (Tahoma, MS Sans Serif, and Marlett, which draws the caption buttons).
# They go into this prefix alone, from Debian's package, so that those
# names find the same fonts on every machine and nothing changes for the
# test command's prefixes.
fonts=$build/wine-fonts
if [ ! -f "$fonts/usr/share/wine/fonts/marlett.ttf" ]; then
    rm -rf "$fonts"
    mkdir -p "$fonts"
    (cd "$fonts" && { apt-get download fonts-wine 2> /dev/null ||
                      { apt-get update > /dev/null && apt-get download fonts-wine; }; } &&
                    dpkg-deb -x fonts-wine_*.deb .)
fi
cp "$fonts"/usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"

# Every program of the prefix runs inside this one virtual desktop.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Pictures /f > /dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Pictures /d 1200x900 /f > /dev/null 2>&1

# A tree inside the prefix, so that the title shows a plain C: path and not
# this machine's folders.
tree=$prefix/drive_c/Documents
mkdir -p "$pictures"
while read -r path; do
    mkdir -p "$tree/$(dirname "$path")"
    echo "$path" > "$tree/$path"
done <<'EOF'
Reports/Annual report 2025.odt
Reports/Annual report 2024.odt
Reports/Quarterly report 2025 Q1.ods
Reports/Quarterly report 2025 Q2.ods
Reports/Quarterly report 2025 Q3.ods
Reports/Drafts/Annual report 2025 (draft).odt
Reports/Drafts/Notes.txt
Letters/2025/Tax office.odt
Letters/2025/Insurance claim.odt
Letters/2025/Report of damage 2025-03.pdf
Letters/2024/Landlord.odt
Projects/Garden/Plan.txt
Projects/Garden/Seed list 2025.ods
Projects/Kitchen/Invoice 2025-02.pdf
Projects/Kitchen/Progress report 2025.txt
Projects/Kitchen/Photos/Before.jpg
Projects/Kitchen/Photos/After.jpg
Photos/2025 Holiday/Beach.jpg
Photos/2025 Holiday/Harbour.jpg
Photos/2024 Winter/Snow.jpg
Music/Playlist.m3u
Readme.txt
EOF
folder=$(winepath -w "$tree")

# The two modes at 96 DPI, and the expanded one at 144 DPI (a screen at
# 150 %), where the program lays itself out at the larger text: the
# resolution is read by each program as it starts.
for shot in expanded:96 compact:96 expanded:144; do
    mode=${shot%%:*}
    dpi=${shot##*:}
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null 2>&1
    name=window-$mode
    [ "$dpi" != 96 ] && name=$name-${dpi}dpi
    # Each picture starts from the default settings: the previous run stored
    # its own mode and placement when it closed.
    wine reg delete 'HKCU\Software\Quellwright\Sorvane' /f > /dev/null 2>&1 || true
    bitmap=$build/sorvane-$name.bmp
    extra=()
    [ "$mode" = compact ] && extra=(compact)
    wine "$build/x86_64/tests/sorvane_driver.exe" show "$folder" "$query" \
        "$(winepath -w "$bitmap")" "${extra[@]}" > "$build/pictures-driver.txt" 2>&1 &
    wait $! || { cat "$build/pictures-driver.txt"; exit 1; }
    sed "s/^/$name: /" "$build/pictures-driver.txt"
    python3 "$root/scripts/bmp_to_png.py" "$bitmap" "$pictures/$name.png"
    echo "$name: $pictures/$name.png"
done
