#!/usr/bin/env bash
# bench/sampling.sh: the program sampling at 20 Hz beside the floor (TrayFloor: the least
# work that shows a fresh tray picture at 20 Hz), the floor that also makes the program's
# three resource queries each tick (TrayFloor /queries, run as TrayFloorQueries.exe) and a
# bare 50 ms timer (MinimalTimer), all at once under one wineserver inside a Wine virtual
# desktop with a taskbar, so the notification area really draws every picture. Measured side
# by side because the machine's load moves CPU figures from one minute to the next; only
# figures of the same window compare.
#
# The program is started as users start it: hidden, with only its tray icon. BENCH_SHOWN=1
# brings its window up first, as a double click on the icon does (the tray callback posted
# by bench/GuiObjects.exe).
#
# BENCH_SECONDS (default 60) per measuring window, BENCH_RUNS (default 1) windows one after
# the other over the same processes; BENCH_PERF=1 adds each window's system calls and
# context switches per second of the program and the floor (perf stat); BENCH_BASELINE names
# another build of the program, under another file name, to run and measure beside it. For each window: CPU time of each program, of the
# wineserver and of the desktop process (explorer, which draws the tray), and the ratio
# program / floor; at the end the spread of the ratios, memory (resident and private) and
# its growth over the whole run (the wineserver holds every window, icon and GDI handle, so
# a handle leak shows there).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass TrayFloor MinimalTimer GuiObjects

seconds=${BENCH_SECONDS:-60}
runs=${BENCH_RUNS:-1}
bench_session bench
# A copy under its own name, so that its process can be told from the plain floor's.
cp build/win/bench/TrayFloor.exe "$WINEPREFIX.TrayFloorQueries.exe"
bench_start build/win/app/Tallyglass.exe
bench_start build/win/bench/TrayFloor.exe
bench_start "$WINEPREFIX.TrayFloorQueries.exe" /queries
bench_start build/win/bench/MinimalTimer.exe
prog=$(bench_pid Tallyglass.exe)
floor=$(bench_pid TrayFloor.exe)
floorq=$(bench_pid TrayFloorQueries.exe)
base=$(bench_pid MinimalTimer.exe)
names=(Tallyglass TrayFloor FloorQueries MinimalTimer wineserver explorer)
pids=("$prog" "$floor" "$floorq" "$base" "$BENCH_SERVER" "$BENCH_DESKTOP")
if [ -n "${BENCH_BASELINE:-}" ]; then
    # Another build of the program (a copy under another file name), measured in the same
    # windows: a change's effect, free of the machine's load.
    bench_start "$BENCH_BASELINE"
    names+=(baseline)
    pids+=("$(bench_pid "$(basename "$BENCH_BASELINE")")")
fi
counted=(0 1 2 ${BENCH_BASELINE:+6})
sleep 5 # start-up is not what is measured
objects() { wine "$(tg_winpath build/win/bench/GuiObjects.exe)" "$@" 2>/dev/null | tr -d '\r'; }
if [ "${BENCH_SHOWN:-0}" = 1 ]; then
    # The tray icon's callback message (VY_TRAY_CALLBACK) with a double click: the icon's
    # default menu item restores the window. The baseline gets the same.
    objects --post 14948 515 Tallyglass.exe >/dev/null
    [ -n "${BENCH_BASELINE:-}" ] && objects --post 14948 515 "$(basename "$BENCH_BASELINE")" >/dev/null
    sleep 2
fi
objects Tallyglass.exe ${BENCH_BASELINE:+"$(basename "$BENCH_BASELINE")"} | sed 's/^/started: /'
hz=$(getconf CLK_TCK)
declare -A rss0 anon0
for i in "${!pids[@]}"; do
    rss0[$i]=$(bench_kb "${pids[$i]}" VmRSS)
    anon0[$i]=$(bench_kb "${pids[$i]}" RssAnon)
done

ratios=()
printf '%-8s' "window"
printf '%14s' "${names[@]}" "prog/floor"
printf '   (CPU seconds per %s s)\n' "$seconds"
for run in $(seq "$runs"); do
    declare -a c0=() c1=()
    for i in "${!pids[@]}"; do c0[$i]=$(bench_cpu_ticks "${pids[$i]}"); done
    if [ "${BENCH_PERF:-0}" = 1 ]; then
        # Counts rather than times: how often each program enters the kernel (every
        # wineserver request is a write and a read) and gives up the processor. They hardly
        # move with the machine's load, so they compare across runs too.
        counters=()
        for i in "${counted[@]}"; do
            perf stat -x, -e raw_syscalls:sys_enter,context-switches -p "${pids[$i]}" \
                -o "$WINEPREFIX.perf-$i.csv" -- sleep "$seconds" >/dev/null 2>&1 &
            counters+=($!)
        done
        wait "${counters[@]}"
    else
        sleep "$seconds"
    fi
    for i in "${!pids[@]}"; do c1[$i]=$(bench_cpu_ticks "${pids[$i]}"); done
    printf '%-8s' "$run"
    for i in "${!pids[@]}"; do printf '%14.2f' "$(echo "(${c1[$i]} - ${c0[$i]}) / $hz" | bc -l)"; done
    ratio=$(awk -v p=$((c1[0] - c0[0])) -v f=$((c1[1] - c0[1])) 'BEGIN { printf (f > 0 ? "%.2f" : "n/a"), (f > 0 ? p / f : 0) }')
    ratios+=("$ratio")
    printf '%14s' "$ratio"
    awk -v p=$((c1[2] - c0[2])) -v f=$((c1[1] - c0[1])) \
        'BEGIN { printf "   queries/floor %s", (f > 0 ? sprintf("%.2f", p / f) : "n/a") }'
    [ -n "${BENCH_BASELINE:-}" ] && awk -v p=$((c1[6] - c0[6])) -v f=$((c1[1] - c0[1])) \
        'BEGIN { printf "   baseline/floor %s", (f > 0 ? sprintf("%.2f", p / f) : "n/a") }'
    printf '   load %s\n' "$(cut -d' ' -f1 /proc/loadavg)"
    if [ "${BENCH_PERF:-0}" = 1 ]; then
        for i in "${counted[@]}"; do
            awk -F, -v n="${names[$i]}" -v s="$seconds" '$3 ~ /sys_enter/ { sc = $1 } $3 ~ /context-switches/ { cs = $1 }
                END { printf "         %-12s %8.0f system calls/s %8.0f context switches/s\n", n, sc / s, cs / s }' \
                "$WINEPREFIX.perf-$i.csv"
        done
    fi
done
printf 'ratio program / floor over %d window(s): %s\n' "$runs" \
    "$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "min %s, median %s, max %s", v[1], v[int((NR + 1) / 2)], v[NR] }')"

echo
printf '%-14s %12s %12s %12s %12s %12s\n' "memory (KiB)" "RSS" "private" "peak RSS" "RSS growth" "priv growth"
for i in "${!pids[@]}"; do
    p=${pids[$i]}
    rss=$(bench_kb "$p" VmRSS)
    anon=$(bench_kb "$p" RssAnon)
    printf '%-14s %12d %12d %12d %12d %12d\n' "${names[$i]}" "$rss" "$anon" "$(bench_kb "$p" VmHWM)" \
        $((rss - rss0[$i])) $((anon - anon0[$i]))
done
