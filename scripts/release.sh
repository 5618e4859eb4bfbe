#!/usr/bin/env bash
# Builds both targets and writes dist/: one archive per target, named after
# the version in resources/version.h (the source of the version resource that
# the About box shows), each holding the program and a short read-me, and
# dist/SHA256SUMS. The same commit gives the same archives, byte for byte.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
dist=${DIST_DIR:-$root/dist}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

version=$(awk '$1 == "#define" && $2 ~ /^SORVANE_VERSION_(MAJOR|MINOR|PATCH|BUILD)$/ { v[$2] = $3 }
    END { printf "%s.%s.%s.%s", v["SORVANE_VERSION_MAJOR"], v["SORVANE_VERSION_MINOR"],
                 v["SORVANE_VERSION_PATCH"], v["SORVANE_VERSION_BUILD"] }' \
    "$root/resources/version.h")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "no version in resources/version.h" >&2; exit 1; }
grep -q "sorvane-$version-win64.zip" "$root/README.md" ||
    { echo "README.md does not name the archives of version $version" >&2; exit 1; }

# Every entry of the archives carries the time of the commit, not of the build.
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)

rm -rf "$dist"
mkdir -p "$dist"
for target in i686:win32:32 x86_64:win64:64; do
    IFS=: read -r arch name bits <<< "$target"
    archive=$dist/sorvane-$version-$name.zip
    python3 - "$archive" "$stamp" "$build/$arch/sorvane.exe" "$version" "$bits" <<'PY'
import sys, time, zipfile
archive, stamp, program, version, bits = sys.argv[1:]
when = time.gmtime(max(int(stamp), 315532800))[:6]
if bits == "64":
    which = """This is the 64-bit build, for 64-bit Windows. Take it there rather than
the 32-bit one: the system shows a 32-bit program SysWOW64 in place of the
real System32."""
else:
    which = """This is the 32-bit build, for 32-bit Windows. On 64-bit Windows take the
64-bit archive: the system shows a 32-bit program SysWOW64 in place of the
real System32."""
readme = f"""Sorvane {version} for {bits}-bit Windows

Sorvane finds files by name, fast. It reads the names of every file and
folder on a drive, or in a folder you hand it, and shows the paths that
contain every word you type, as you type.

No installation: sorvane.exe is the whole program. Put it in any folder and
start it; drop a folder on its window or choose a drive to begin. Press the
Help button for the user's guide.

{which}

Settings: in your registry, under
HKEY_CURRENT_USER\\Software\\Quellwright\\Sorvane. If you install the shell
extension (Help, Install Shell Extension), the folder verb lives under
HKEY_CLASSES_ROOT\\Folder\\shell\\Sorvane.

Uninstall: press Help, then Uninstall. It removes the folder verb and the
settings and deletes sorvane.exe once the program has ended. A small
helper that does the deleting stays in your temporary folder, named
DELFF73.exe; delete it by hand if you like, or let the next clean-up of
that folder take it.
"""
def entry(name):
    info = zipfile.ZipInfo(name, when)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0
    info.external_attr = 0x20  # archive bit, as Windows writes it
    return info
with zipfile.ZipFile(archive, "w") as z:
    with open(program, "rb") as f:
        z.writestr(entry("sorvane.exe"), f.read(), compresslevel=9)
    z.writestr(entry("README.txt"), readme.replace("\n", "\r\n").encode("ascii"), compresslevel=9)
PY
done
(cd "$dist" && sha256sum -- *.zip > SHA256SUMS)
ls -l "$dist"
cat "$dist/SHA256SUMS"
