#!/usr/bin/env bash
# bench/soak.sh: the program left sampling at 20 Hz for a long time beside the floor
# (TrayFloor) in a Wine virtual desktop with a taskbar, printing every BENCH_INTERVAL seconds
# (default 300) a line per process: memory (resident and private), and for the two programs
# their GDI objects and windows (bench/GuiObjects.cpp says how they are counted: Wine's
# GetGuiResources answers 0). A leak shows as a column that keeps growing; the wineserver
# holds every window, icon and other USER object, so its memory covers what is not counted.
#
# BENCH_SECONDS (default 5000: 100,000 ticks) in all. The programs run from copies in the
# prefix's directory, so the build tree may be rebuilt meanwhile. BENCH_SESSION (default
# soak) names the prefix, so that two soaks can run at once. Run it under nice.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass TrayFloor GuiObjects

seconds=${BENCH_SECONDS:-5000}
interval=${BENCH_INTERVAL:-300}
bench_session "${BENCH_SESSION:-soak}"
copies=$WINEPREFIX.soak
mkdir -p "$copies"
cp build/win/app/Tallyglass.exe build/win/bench/TrayFloor.exe build/win/bench/GuiObjects.exe "$copies/"
bench_start "$copies/Tallyglass.exe"
bench_start "$copies/TrayFloor.exe"
prog=$(bench_pid Tallyglass.exe)
floor=$(bench_pid TrayFloor.exe)
names=(Tallyglass TrayFloor wineserver explorer)
pids=("$prog" "$floor" "$BENCH_SERVER" "$BENCH_DESKTOP")
hz=$(getconf CLK_TCK)

# sample ELAPSED: one line per process.
sample() {
    local elapsed=$1 objects i
    objects=$(wine "$(tg_winpath "$copies/GuiObjects.exe")" Tallyglass.exe TrayFloor.exe 2>/dev/null | tr -d '\r')
    for i in "${!pids[@]}"; do
        local p=${pids[$i]} gdi=- wnd=- line
        line=$(grep "^${names[$i]}.exe " <<<"$objects" || true)
        if [ -n "$line" ]; then
            gdi=$(sed -n 's/.* gdi=\([-0-9]*\).*/\1/p' <<<"$line")
            wnd=$(sed -n 's/.* windows=\([-0-9]*\).*/\1/p' <<<"$line")
        fi
        kill -0 "$p" 2>/dev/null || { echo "${names[$i]} has ended" >&2; exit 1; }
        printf '%8d %8d  %-12s %10d %10d %8s %8s %10.1f\n' "$elapsed" $((elapsed * 20)) "${names[$i]}" \
            "$(bench_kb "$p" VmRSS)" "$(bench_kb "$p" RssAnon)" "$gdi" "$wnd" \
            "$(echo "$(bench_cpu_ticks "$p") / $hz" | bc -l)"
    done
}

sleep 5 # start-up is not what is measured
printf '%8s %8s  %-12s %10s %10s %8s %8s %10s\n' "seconds" "ticks" "process" "RSS KiB" "priv KiB" "GDI" "windows" "CPU s"
start=$(date +%s)
sample 0
while :; do
    now=$(date +%s)
    elapsed=$((now - start))
    [ "$elapsed" -ge "$seconds" ] && break
    left=$((seconds - elapsed))
    sleep $((left < interval ? left : interval))
    sample $(($(date +%s) - start))
done
