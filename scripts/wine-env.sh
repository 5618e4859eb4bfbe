# Sourced by the run and test scripts: a Wine prefix inside the build folder
# and an X display (Xvfb unless one is given). Call wine_env_start PREFIX
# [fresh]; the EXIT trap stops what was started.
export WINEDEBUG=-all
# Wine turns a program's file names into Unix names through the locale; a
# machine that sets none (a bare Debian has no LANG) would leave every name
# outside ASCII unreachable. The same UTF-8 locale everywhere, whatever the
# caller's.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset LANGUAGE
# No debugger: a crash ends the process at once instead of waiting on it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

wine_env_pids=()

wine_env_stop() {
    wineserver -k 2>/dev/null || true
    for pid in "${wine_env_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}

wine_env_start() {
    local prefix=$1 fresh=${2:-}
    if [ -n "$fresh" ]; then
        rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    export WINEPREFIX=$prefix
    trap wine_env_stop EXIT
    # A signal ends the script through exit, so the EXIT trap still runs.
    trap 'exit 130' INT
    trap 'exit 143' TERM

    if [ -z "${DISPLAY:-}" ] || [ -n "$fresh" ]; then
        # Xvfb picks a free display itself and writes its number to the pipe.
        exec {displayfd}<> <(:)
        Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
        wine_env_pids+=($!)
        local number
        read -r -t 30 number <&"$displayfd"
        exec {displayfd}>&-
        export DISPLAY=":$number"
    fi
    # One server for the whole run; it needs the prefix folder first.
    wineserver -p
    wineboot -i > /dev/null 2>&1 || true
    # The profile folders link to the host's home, which would make drive C
    # as large as that home and let runs see the host's files: make them
    # plain folders of the prefix.
    local link
    for link in "$prefix"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm "$link"
            mkdir "$link"
        fi
    done
}
