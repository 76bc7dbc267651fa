#!/usr/bin/env bash
# bench/sampling.sh: the program sampling at 20 Hz against a bare 50 ms timer program,
# side by side under one wineserver for BENCH_SECONDS (default 60; 1000 s is a soak of
# 20,000 ticks). Reports CPU time, peak and final resident memory and the memory growth
# over the run of each and of the wineserver (which holds every window, icon and GDI
# handle, so a handle leak shows there), and the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
tg_ensure_deps
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win --target Tallyglass MinimalTimer >/dev/null

seconds=${BENCH_SECONDS:-60}
prefix=$(tg_prefix bench)
export WINEPREFIX=$prefix
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() { wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
sleep 1

win() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }
setsid wine "$(win build/win/app/Tallyglass.exe)" </dev/null >/dev/null 2>&1 &
setsid wine "$(win build/win/bench/MinimalTimer.exe)" </dev/null >/dev/null 2>&1 &

pid_of() { # the Linux process that runs the named Windows program: its argv[0] is the .exe
    local name=$1 p q arg0
    for _ in $(seq 100); do
        p=
        for q in $(pgrep -f "$name"); do
            arg0=$(tr '\0' '\n' <"/proc/$q/cmdline" 2>/dev/null | head -n 1)
            case "$arg0" in *"$name") p=$q ;; esac
        done
        [ -n "$p" ] && { echo "$p"; return; }
        sleep 0.2
    done
    echo "no process for $name" >&2; exit 1
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
kb() { awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status"; }

prog=$(pid_of Tallyglass.exe)
base=$(pid_of MinimalTimer.exe)
sleep 5 # start-up is not what is measured
server=
for q in $(pgrep wineserver); do
    tr '\0' '\n' <"/proc/$q/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && server=$q
done
[ -n "$server" ] || { echo "no wineserver for $prefix" >&2; exit 1; }
p0=$(cpu_ticks "$prog"); b0=$(cpu_ticks "$base")
pr0=$(kb "$prog" VmRSS); br0=$(kb "$base" VmRSS); sr0=$(kb "$server" VmRSS)
sleep "$seconds"
p1=$(cpu_ticks "$prog"); b1=$(cpu_ticks "$base")
pr1=$(kb "$prog" VmRSS); br1=$(kb "$base" VmRSS); sr1=$(kb "$server" VmRSS)
ph=$(kb "$prog" VmHWM); bh=$(kb "$base" VmHWM)
hz=$(getconf CLK_TCK)

awk -v s="$seconds" -v hz="$hz" -v pc=$((p1 - p0)) -v bc=$((b1 - b0)) \
    -v pr0="$pr0" -v pr1="$pr1" -v br0="$br0" -v br1="$br1" -v ph="$ph" -v bh="$bh" \
    -v sr0="$sr0" -v sr1="$sr1" 'BEGIN {
    printf "%-22s %14s %14s %10s\n", "over " s " s", "Tallyglass", "MinimalTimer", "ratio"
    pcs = pc / hz; bcs = bc / hz
    printf "%-22s %14.2f %14.2f %10s\n", "CPU time (s)", pcs, bcs, (bcs > 0 ? sprintf("%.2f", pcs / bcs) : "n/a")
    printf "%-22s %14.2f %14.2f\n", "CPU share (%)", 100 * pcs / s, 100 * bcs / s
    printf "%-22s %14d %14d %10.2f\n", "peak RSS (KiB)", ph, bh, ph / bh
    printf "%-22s %14d %14d\n", "RSS growth (KiB)", pr1 - pr0, br1 - br0
    printf "%-22s %14d  (shared; %d -> %d KiB)\n", "wineserver growth (KiB)", sr1 - sr0, sr0, sr1
}'
