# bench/benchlib.sh: what the Wine benchmarks share. Source it from a bench script after
# scripts/lib.sh; it defines functions only.

# bench_build TARGET...: the tools, then the Release tree the tests use, only the named targets
# (BENCH_NOBUILD=1: what is built already, e.g. while another build holds the tree).
bench_build() {
    [ "${BENCH_NOBUILD:-0}" = 1 ] && return 0
    tg_ensure_deps
    cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/win -j 2 --target "$@" >/dev/null
}

# bench_session NAME: Xvfb, the prefix build/wineprefix-NAME set to a Wine virtual desktop
# with a taskbar (so the notification area is really drawn), and its wineserver with the
# desktop process already running. Sets WINEPREFIX, DISPLAY, BENCH_SERVER (the wineserver's
# pid) and BENCH_DESKTOP (explorer's pid); bench_end stops it all.
bench_session() {
    local name=$1
    WINEPREFIX=$(tg_prefix "$name")
    export WINEPREFIX
    tg_prefix_desktop "$WINEPREFIX" Tallyglass 1024x768
    DISPLAY=$(tg_xvfb_start)
    export DISPLAY
    trap bench_end EXIT
    tg_wineserver_start "$WINEPREFIX"
    BENCH_SERVER=$(bench_pid wineserver)
    BENCH_DESKTOP=$(bench_pid explorer.exe)
}

bench_end() {
    tg_wineserver_stop "$WINEPREFIX"
    tg_xvfb_stop "$DISPLAY"
}

# bench_pid NAME: the Linux process of this prefix whose argv[0] ends in NAME (a Windows
# program's argv[0] is its .exe path; the server's may end in "64"), waiting up to 20 s.
bench_pid() {
    local name=$1 q arg0
    for _ in $(seq 100); do
        for q in $(pgrep -f "$name"); do
            arg0=$( (tr '\0' '\n' <"/proc/$q/cmdline") 2>/dev/null | head -n 1)
            case "$arg0" in *"$name" | *"$name"64) ;; *) continue ;; esac
            (tr '\0' '\n' <"/proc/$q/environ") 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
            echo "$q"
            return 0
        done
        sleep 0.2
    done
    echo "no process for $name" >&2
    return 1
}

# bench_start EXE [ARGS...]: starts a Windows program of the build detached.
bench_start() {
    local exe=$1
    shift
    setsid wine "$(tg_winpath "$exe")" "$@" </dev/null >/dev/null 2>&1 &
}

bench_cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
bench_kb() { awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status"; }
