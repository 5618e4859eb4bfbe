#!/usr/bin/env bash
# Runs the test program's suites, the end-to-end tests among them, on the
# i686 build as it ships: build/i686/tests/sorvane_tests.exe starts
# build/i686/sorvane.exe beside it, both 32-bit, under user-mode emulation
# (qemu-i386 through a binfmt_misc entry) and Debian's 32-bit Wine loader in
# a WoW64 prefix. Far too slow for the ordinary test command; not part of CI.
#
# The 32-bit Wine runs in a Debian root of its own under the build folder
# (build/shipped/chroot, made once with debootstrap and kept): the i386
# libraries that Wine needs must have the very versions of their amd64
# twins, which the machine's own, older or newer than the mirror's, need
# not have, and the machine's packages are never touched. The emulator and
# debootstrap are unpacked under the build folder too. What the command
# changes on the machine, it undoes on every path, a failure or Ctrl+C
# included: the binfmt_misc entry it registers, the binfmt_misc mount when
# it made it, and the mounts of the private root.
#
# Arguments go to CTest, for example `bash scripts/test-shipped.sh -R match`.
# SHIPPED_TIMEOUT sets the time-out of one suite in seconds; SHIPPED_CASES
# picks cases of the suites by name, as doctest's --test-case does
# (`SHIPPED_CASES='dropped*' bash scripts/test-shipped.sh -R end_to_end`).
set -euo pipefail
# The whole command is one block, read before it starts: a change to this
# file while a run goes on (they take hours) cannot reach that run.
{
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
build=$(mkdir -p "$build" && cd "$build" && pwd)
shipped=$build/shipped
private=$shipped/root
jail=$shipped/chroot
binfmt=/proc/sys/fs/binfmt_misc
entry=sorvane-i386
began=$(date +%s)

if [ "${SHIPPED_INSIDE:-}" = 1 ]; then
    inside=1
else
    inside=
fi

# The mount points inside the private root, deepest last; unmounted in
# reverse.
jail_mounts() {
    echo "$jail/proc" "$jail/dev" "$jail/tmp" "$jail$root"
    case $build/ in
        "$root"/*) ;;
        *) echo "$jail$build" ;;
    esac
}

unmount_jail() {
    local point
    for point in $(jail_mounts | tr ' ' '\n' | tac); do
        if mountpoint -q "$point" 2>/dev/null; then
            umount -R "$point" 2>/dev/null || umount -R -l "$point"
        fi
    done
}

if [ -z "$inside" ]; then
mounted_binfmt=
registered=
mounted_jail=

shipped_cleanup() {
    local status=$?
    trap - EXIT INT TERM
    set +e
    if [ -n "$mounted_jail" ]; then
        # Whatever the run left running in the private root ends first.
        chroot "$jail" wineserver -k 2>/dev/null
        unmount_jail
    fi
    if [ -n "$registered" ] && [ -e "$binfmt/$entry" ]; then
        echo -1 > "$binfmt/$entry"
    fi
    if [ -n "$mounted_binfmt" ]; then
        umount "$binfmt"
    fi
    echo "test-shipped: $(( $(date +%s) - began )) s in all"
    exit "$status"
}
trap shipped_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$shipped"
# One run at a time: they share the binfmt_misc entry and the private root.
exec 9> "$shipped/lock"
if ! flock -n 9; then
    echo "test-shipped: another run of this command is going on" >&2
    exit 1
fi
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
ls -l "$build/i686/sorvane.exe" "$build/i686/tests/sorvane_tests.exe"

# The emulator and debootstrap, fetched with a private apt state (the
# system's lists stay as they are) and unpacked under the build folder.
if [ ! -x "$private/usr/bin/qemu-i386-static" ] || [ ! -x "$private/usr/sbin/debootstrap" ]; then
    echo "Unpacking qemu-user-static and debootstrap into $private"
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
    # A list that fails (a mirror in the middle of a sync) is no matter
    # when the ones holding these two arrived.
    APT_CONFIG=$apt_dir/apt.conf apt-get update -q > /dev/null || true
    APT_CONFIG=$apt_dir/apt.conf apt-get install --download-only -y -q \
        qemu-user-static debootstrap > /dev/null
    dpkg -x "$apt_dir"/cache/archives/qemu-user-static_*.deb "$private"
    dpkg -x "$apt_dir"/cache/archives/debootstrap_*.deb "$private"
    rm -rf "$apt_dir"
fi
qemu=$private/usr/bin/qemu-i386-static

# The kernel here does not run 32-bit code itself: the emulator does, for
# every 32-bit program that Wine starts (and the i386 packages' own
# scripts while the private root is made). F opens the emulator now, so its
# path needs no root of its own.
if ! mountpoint -q "$binfmt"; then
    mount -t binfmt_misc binfmt_misc "$binfmt"
    mounted_binfmt=1
fi
# With the lock held, an entry still there was left by a run that was
# killed outright.
if [ -e "$binfmt/$entry" ]; then
    echo -1 > "$binfmt/$entry"
fi
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":$entry:M::$magic:$mask:$qemu:F" > "$binfmt/register"
registered=1

# A mount left behind by a run that was killed outright goes first: the
# root is remade or entered afresh.
unmount_jail

# The private root: a minimal Debian of this machine's release with Wine
# (64-bit and 32-bit), Xvfb and CTest, from the release's main lists only,
# so that every i386 library has the version of its amd64 twin. Made once
# (about two minutes) and kept; a root left half-made is made again.
if [ ! -e "$jail/.complete" ]; then
    echo "Making the private root $jail"
    rm -rf --one-file-system "$jail"
    mkdir -p "$jail"
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=http://deb.debian.org/debian
    DEBOOTSTRAP_DIR=$private/usr/share/debootstrap \
        "$private/usr/sbin/debootstrap" --variant=minbase --arch=amd64 \
        "$release" "$jail" "$mirror" > "$shipped/debootstrap.log" 2>&1 ||
        { tail -n 20 "$shipped/debootstrap.log" >&2; exit 1; }
    printf 'deb %s %s main\ndeb %s %s-updates main\n' \
        "$mirror" "$release" "$mirror" "$release" > "$jail/etc/apt/sources.list"
    mount -t proc proc "$jail/proc"
    mounted_jail=1
    chroot "$jail" dpkg --add-architecture i386
    chroot "$jail" apt-get update -q > /dev/null
    DEBIAN_FRONTEND=noninteractive chroot "$jail" apt-get install -y -q \
        --no-install-recommends wine wine64 wine32:i386 xvfb cmake > "$shipped/install.log" 2>&1 ||
        { tail -n 20 "$shipped/install.log" >&2; exit 1; }
    chroot "$jail" apt-get clean
    umount "$jail/proc"
    touch "$jail/.complete"
fi

mounted_jail=1
mount -t proc proc "$jail/proc"
# A /dev of its own with the few devices Wine and Xvfb open: the host's,
# bound here, would lie open to a remove that runs through the build folder.
mount -t tmpfs -o mode=755,size=1m devices "$jail/dev"
for device in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
    IFS=: read -r name major minor <<< "$device"
    mknod -m 666 "$jail/dev/$name" c "$major" "$minor"
done
mkdir "$jail/dev/pts" "$jail/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$jail/dev/pts"
ln -s pts/ptmx "$jail/dev/ptmx"
mount -t tmpfs tmpfs "$jail/dev/shm"
ln -s /proc/self/fd "$jail/dev/fd"
mount -t tmpfs tmpfs "$jail/tmp"
# The project and its build are seen read-only inside: the tests write only
# to the Wine prefix and the temporary folder, both inside the root, and a
# read-only mount is safe from a remove that runs through it.
for shared in $(jail_mounts | tr ' ' '\n' | tail -n +4); do
    outside=${shared#"$jail"}
    mkdir -p "$shared"
    mount --bind "$outside" "$shared"
    mount -o remount,bind,ro "$shared"
done


# Everything from here on runs inside the private root.
set +e
chroot "$jail" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    SHIPPED_INSIDE=1 BUILD_DIR="$build" SHIPPED_TIMEOUT="${SHIPPED_TIMEOUT:-}" \
    SHIPPED_CASES="${SHIPPED_CASES:-}" SORVANE_TIME_SCALE="${SORVANE_TIME_SCALE:-}" \
    bash "$root/scripts/test-shipped.sh" "$@" 9>&-
exit $?
fi

# Inside the private root: the prefix and the test list lie in its own
# folders, the project is read-only here.
wine32=/usr/lib/wine/wine
source "$root/scripts/wine-env.sh"
prefix_began=$(date +%s)
wine_env_start /root/wineprefix fresh
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
tests=/tmp/ctest
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
}
exit
