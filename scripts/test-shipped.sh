#!/usr/bin/env bash
# Runs the test program's suites, the end-to-end tests among them, on the
# i686 build as it ships: build/i686/tests/sorvane_tests.exe starts
# build/i686/sorvane.exe beside it, both 32-bit, under user-mode emulation
# (qemu-i386 through a binfmt_misc entry) and Debian's 32-bit Wine loader in
# a WoW64 prefix. Far too slow for the ordinary test command; not part of CI.
#
# The emulator is unpacked into the build folder; Debian's 32-bit Wine is
# installed for the run (the packages are kept in the build folder for the
# next run). What it changes on the machine, it undoes on every path, a
# failure or Ctrl+C included: the binfmt_misc entry it registers, the
# binfmt_misc mount when it made it, the i386 architecture when it added it,
# and every package it installed, the ordinary build's included.
#
# Arguments go to CTest, for example `bash scripts/test-shipped.sh -R match`.
# SHIPPED_TIMEOUT sets the time-out of one suite in seconds; SHIPPED_CASES
# picks cases of the suites by name, as doctest's --test-case does
# (`SHIPPED_CASES='dropped*' bash scripts/test-shipped.sh -R end_to_end`).
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
added_architecture=
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
            # The i386 C library and a few others count as essential.
            DEBIAN_FRONTEND=noninteractive apt-get purge -y --allow-remove-essential $added \
                > /dev/null
        fi
        rm -f "$packages_before"
    fi
    if [ -n "$added_architecture" ]; then
        dpkg --remove-architecture i386
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

# The emulator, fetched with a private apt state (the system's lists stay
# as they are) and unpacked under the build folder.
if [ ! -x "$private/usr/bin/qemu-i386-static" ]; then
    echo "Unpacking qemu-user-static into $private"
    apt_dir=$shipped/apt
    rm -rf "$apt_dir" "$private"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$private"
    : > "$apt_dir/status"
    cat > "$apt_dir/apt.conf" <<EOF
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "$apt_dir/status";
Dir::Cache "$apt_dir/cache";
APT::Install-Recommends "false";
Debug::NoLocking "true";
EOF
    APT_CONFIG=$apt_dir/apt.conf apt-get update -q > /dev/null
    APT_CONFIG=$apt_dir/apt.conf apt-get install --download-only -y -q qemu-user-static > /dev/null
    dpkg -x "$apt_dir"/cache/archives/qemu-user-static_*.deb "$private"
    rm -rf "$apt_dir"
fi
qemu=$private/usr/bin/qemu-i386-static

# The 32-bit Wine of the same version as the system's 64-bit one (the two
# share one wineserver), installed for this run only: Wine's 32-bit side
# finds its DLLs and libraries only where the packages put them (the
# wineserver, a 64-bit program, opens them by name), so unpacked elsewhere
# it cannot make a prefix's 32-bit system folder. The cleanup purges it and
# takes the i386 architecture away again when this command added it. While
# it is installed, `wine` picks the 32-bit loader for every new prefix, so
# the ordinary test command is better not run meanwhile.
wine_version=$(dpkg-query -W -f='${Version}' wine64)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_architecture=1
fi
echo "Installing wine32:i386 $wine_version for this run"
mkdir -p "$shipped/debs/partial"
# A mirror in the middle of a sync fails one list now and then; the lists
# that did arrive are enough when they hold wine32, and the install says so
# plainly when they do not.
for attempt in 1 2 3; do
    apt-get update -q > /dev/null && break
    echo "test-shipped: apt-get update failed (attempt $attempt)"
    if [ "$attempt" -lt 3 ]; then
        sleep 20
    fi
done
# An i386 library must have the version of its amd64 twin; where the lists
# lack it (a list that failed above), apt would have to change the machine's
# own packages, which this command never does: it stops instead.
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o Dir::Cache::archives="$shipped/debs" \
    "wine32:i386=$wine_version" "libwine:i386=$wine_version" > /dev/null; then
    echo "test-shipped: wine32:i386 cannot be installed beside this machine's packages" \
        "(are the i386 package lists complete?); nothing was run" >&2
    exit 1
fi
wine32=/usr/lib/wine/wine

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

source "$root/scripts/wine-env.sh"
prefix_began=$(date +%s)
# wine_env_start would set traps of its own, which stop Wine only; this
# command's cleanup stops Wine too and must hold at every moment, so its
# trap calls are ignored while it runs.
trap() { :; }
wine_env_start "$build/i686/wineprefix" fresh
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
        [ -n "${SHIPPED_CASES:-}" ] && printf ' "--test-case=%s"' "$SHIPPED_CASES"
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
