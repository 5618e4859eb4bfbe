#!/usr/bin/env bash
# Runs the test program's suites, the end-to-end tests among them, on the
# i686 build as it ships: build/i686/tests/sorvane_tests.exe starts
# build/i686/sorvane.exe beside it, both 32-bit, under user-mode emulation
# (qemu-i386 through a binfmt_misc entry) and Debian's 32-bit Wine loader in
# a WoW64 prefix. Far too slow for the ordinary test command; not part of CI.
#
# The emulator and the 32-bit Wine are unpacked into the build folder, not
# installed: the system's Wine stays 64-bit only, so the ordinary tests that
# others run on this machine at the same time keep their speed. What it
# changes on the machine, it undoes on every path, a failure or Ctrl+C
# included: the binfmt_misc entry it registers, the binfmt_misc mount when it
# made it, the packages the ordinary build needed and it installed.
#
# Arguments go to CTest, for example `bash scripts/test-shipped.sh -R match`.
# SHIPPED_TIMEOUT sets the time-out of one suite in seconds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
shipped=$build/shipped
private=$shipped/root
binfmt=/proc/sys/fs/binfmt_misc
entry=sorvane-i386
began=$(date +%s)

mounted_binfmt=
registered=
packages_before=$shipped/packages-before.txt

installed_packages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture}\n' 2>/dev/null |
        awk '$1 ~ /^.i/ {print $2}' | sort
}

shipped_cleanup() {
    local status=$?
    trap - EXIT INT TERM
    set +e
    if declare -F wine_env_stop > /dev/null; then
        wine_env_stop
    fi
    if [ -n "$registered" ] && [ -e "$binfmt/$entry" ]; then
        echo -1 > "$binfmt/$entry"
    fi
    if [ -n "$mounted_binfmt" ]; then
        umount "$binfmt"
    fi
    # Whatever the ordinary build needed and this command installed goes again.
    if [ -s "$packages_before" ]; then
        local added
        added=$(comm -13 "$packages_before" <(installed_packages))
        if [ -n "$added" ]; then
            echo "Removing what this command installed: $added"
            DEBIAN_FRONTEND=noninteractive apt-get purge -y $added > /dev/null
        fi
        rm -f "$packages_before"
    fi
    echo "test-shipped: $(( $(date +%s) - began )) s in all"
    exit "$status"
}
trap shipped_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$shipped"
installed_packages > "$packages_before"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
ls -l "$build/i686/sorvane.exe" "$build/i686/tests/sorvane_tests.exe"

# The 32-bit Wine of the same version as the system's 64-bit one (the two
# share one wineserver), its i386 libraries and the emulator, fetched with a
# private apt state (the system's lists and architectures stay as they are)
# and unpacked under the build folder.
wine_version=$(dpkg-query -W -f='${Version}' wine64)
if [ "$(cat "$private/.version" 2>/dev/null)" != "$wine_version" ]; then
    echo "Unpacking wine32:i386 $wine_version and qemu-user-static into $private"
    apt_dir=$shipped/apt
    rm -rf "$apt_dir" "$private"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$private/etc"
    : > "$apt_dir/status"
    cat > "$apt_dir/apt.conf" <<EOF
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "$apt_dir/status";
Dir::Cache "$apt_dir/cache";
APT::Architectures { "amd64"; "i386"; };
APT::Install-Recommends "false";
Debug::NoLocking "true";
EOF
    export APT_CONFIG=$apt_dir/apt.conf
    apt-get update -q > /dev/null
    apt-get install --download-only -y -q "wine32:i386=$wine_version" \
        "libwine:i386=$wine_version" qemu-user-static > /dev/null
    unset APT_CONFIG
    for deb in "$apt_dir"/cache/archives/*.deb; do
        dpkg -x "$deb" "$private"
    done
    rm -rf "$apt_dir"
    # The 32-bit loader finds its libraries in its own root only, never
    # in the host's 32-bit compatibility folders.
    rm -rf "$private/etc/ld.so.conf.d"
    printf '%s\n' /lib/i386-linux-gnu /usr/lib/i386-linux-gnu > "$private/etc/ld.so.conf"
    ldconfig -r "$private" -X
    # Wine starts a 64-bit program through the loader named like the 32-bit
    # one with "64" added: the system's.
    ln -sf /usr/lib/wine/wine64 "$private/usr/lib/wine/wine64"
    echo "$wine_version" > "$private/.version"
fi
qemu=$private/usr/bin/qemu-i386-static
wine32=$private/usr/lib/wine/wine

# The kernel here does not run 32-bit code itself: the emulator does, for
# every 32-bit program that Wine starts. F opens the emulator now, so its
# path needs no root of its own.
if ! mountpoint -q "$binfmt"; then
    mount -t binfmt_misc binfmt_misc "$binfmt"
    mounted_binfmt=1
fi
if [ -e "$binfmt/$entry" ]; then
    echo "$binfmt/$entry exists already: another run of this command?" >&2
    exit 1
fi
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":$entry:M::$magic:$mask:$qemu:F" > "$binfmt/register"
registered=1
export QEMU_LD_PREFIX=$private
export WINELOADER=$private/usr/lib/wine/wine64

source "$root/scripts/wine-env.sh"
prefix_began=$(date +%s)
# wine_env_start would set traps of its own, which stop Wine only; this
# command's cleanup stops Wine too and must hold at every moment, so its
# trap calls are ignored while it runs.
trap() { :; }
# The prefix's 32-bit system folder is filled from the 32-bit Wine's DLLs.
WINEDLLPATH=$private/usr/lib/i386-linux-gnu/wine wine_env_start "$build/i686/wineprefix" fresh
unset -f trap
echo "test-shipped: WoW64 prefix made in $(( $(date +%s) - prefix_began )) s"

# Every wait of the harness grows alike: a program start takes about 45 s
# under the emulator and a running program answers about 20 times slower.
export SORVANE_TIME_SCALE=${SORVANE_TIME_SCALE:-20}
timeout=${SHIPPED_TIMEOUT:-5400}

# Cases that cannot run under the emulator, with the reason.
excluded=()
exclude() {
    excluded+=("$1")
    echo "test-shipped: left out: $1 ($2)"
}

# One CTest test per test file, as in the ordinary run, started through
# the 32-bit loader and with time-outs of the emulated run.
tests=$shipped/ctest
rm -rf "$tests"
mkdir -p "$tests"
exclusion=
if [ ${#excluded[@]} -gt 0 ]; then
    exclusion=$(IFS=,; echo "--test-case-exclude=${excluded[*]}")
fi
for file in "$root"/tests/test_*.cpp; do
    name=$(basename "$file" .cpp)
    name=${name#test_}
    {
        printf 'add_test([=[%s]=] "%s" "%s" "--source-file=*test_%s.cpp" "--no-intro" "--no-version"' \
            "$name" "$wine32" "$build/i686/tests/sorvane_tests.exe" "$name"
        [ -n "$exclusion" ] && printf ' "%s"' "$exclusion"
        printf ')\nset_tests_properties([=[%s]=] PROPERTIES TIMEOUT %s)\n' "$name" "$timeout"
    } >> "$tests/CTestTestfile.cmake"
done

# As in the ordinary run, root gives up reading past permissions.
runner=()
drop=(setpriv --bounding-set=-dac_override,-dac_read_search --)
if [ "$(id -u)" -eq 0 ] && "${drop[@]}" true 2>/dev/null; then
    runner=("${drop[@]}")
fi

run_began=$(date +%s)
set +e
"${runner[@]}" ctest --test-dir "$tests" --output-on-failure "$@"
result=$?
set -e
echo "test-shipped: suites of the i686 build ran in $(( $(date +%s) - run_began )) s"
exit "$result"
