#!/usr/bin/env bash
# bench/startup.sh: how long the program takes from the start of its process to its first
# notification-area entry and to its first live (sampled) tray picture, beside a bare Win32
# program (TrayFloor) started the same way under the same wineserver and virtual desktop.
# Both write their moments when TG_STARTUP_TRACE names a file (app/StartupTrace.h):
#   main  the program's own code begins (WinMain; before it: Wine's process start, the
#         loading of the executable and its libraries, static initialisers)
#   init  the library's one-time initialisations are done (the program only)
#   tray  the notification-area entry shows its first picture
#   live  the first sampled picture has been handed to the notification area
# Each figure is in milliseconds from the moment this script started the process. The two
# programs take turns, BENCH_RUNS (default 5) times, each run on a desktop of its own: under
# one wineserver and desktop, every start of the program is slower than the one before (40
# starts take its first picture from 250 to 450 ms, while the floor does not drift), so runs
# on a shared desktop would measure how many came before. Each program is closed the
# ordinary way (taskkill's WM_CLOSE).
# BENCH_BASELINE names another build of the program (a copy under another file name) to
# take its turn in each run too, in alternating order: a change's effect under the same load.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass TrayFloor MinimalTimer

runs=${BENCH_RUNS:-5}

# session: a fresh desktop and wineserver, warmed by a first Wine program.
in_session=
session() {
    if [ -n "$in_session" ]; then bench_end; fi
    in_session=1
    bench_session startup
    trace=$WINEPREFIX.trace
    # Wine closes a virtual desktop, and its explorer, soon after its last program ends; every
    # start would then wait for a new desktop. A bare timer program keeps it open meanwhile.
    bench_start build/win/bench/MinimalTimer.exe
    bench_pid MinimalTimer.exe >/dev/null
    # A first Wine program of the desktop warms what every program shares.
    run_one build/win/bench/TrayFloor.exe >/dev/null
}

# run_one EXE: starts EXE with the trace on, waits for its first live picture, ends it and
# prints "main init tray live" in milliseconds from the start ("-" for a moment it lacks).
run_one() {
    local exe=$1 name t0 pid
    name=$(basename "$exe")
    rm -f "$trace"
    t0=$(date +%s%N)
    TG_STARTUP_TRACE=$(tg_winpath "$trace") bench_start "$exe"
    for _ in $(seq 600); do
        grep -q '^live ' "$trace" 2>/dev/null && break
        sleep 0.05
    done
    grep -q '^live ' "$trace" 2>/dev/null || { echo "$name showed no live picture within 30 s" >&2; exit 1; }
    pid=$(bench_pid "$name")
    wine taskkill /im "$name" >/dev/null 2>&1 || true
    for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    awk -v t0="$t0" '{ at[$1] = $2 - t0 / 1e6 }
        END { n = split("main init tray live", e, " ")
              for (i = 1; i <= n; i++) printf "%s%s", (e[i] in at ? sprintf("%.0f", at[e[i]]) : "-"), (i < n ? " " : "\n") }' "$trace"
}

printf '%-4s %-24s %-24s %s' "run" "TrayFloor main/tray/live" "Tallyglass main/init/tray/live" "live - floor's main"
[ -n "${BENCH_BASELINE:-}" ] && printf '   %-24s %s' "baseline main/init/tray/live" "live - floor's main"
echo
lives=() bases=() fmains=() plives=() blives=()
for run in $(seq "$runs"); do
    session
    floor=$(run_one build/win/bench/TrayFloor.exe)
    # With a baseline, the two builds alternate which starts first.
    base=
    [ -n "${BENCH_BASELINE:-}" ] && [ $((run % 2)) -eq 0 ] && base=$(run_one "$BENCH_BASELINE")
    prog=$(run_one build/win/app/Tallyglass.exe)
    [ -n "${BENCH_BASELINE:-}" ] && [ -z "$base" ] && base=$(run_one "$BENCH_BASELINE")
    read -r fmain _ ftray flive <<<"$floor"
    read -r pmain pinit ptray plive <<<"$prog"
    lives+=($((plive - fmain)))
    fmains+=("$fmain") plives+=("$plive")
    printf '%-4s %-24s %-24s %8s ms' "$run" "$fmain/$ftray/$flive" "$pmain/$pinit/$ptray/$plive" $((plive - fmain))
    if [ -n "${BENCH_BASELINE:-}" ]; then
        read -r bmain binit btray blive <<<"$base"
        bases+=($((blive - fmain)))
        blives+=("$blive")
        printf '   %-24s %8s ms' "$bmain/$binit/$btray/$blive" $((blive - fmain))
    fi
    echo
done
spread() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "min %d ms, median %d ms, max %d ms", v[1], v[int((NR + 1) / 2)], v[NR] }'; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf "first live picture after the bare program's start, over %d runs: %s\n" "$runs" "$(spread "${lives[@]}")"
# The bare program's start varies by tens of milliseconds from one process to the next; the
# difference of the medians leaves that spread out of each figure.
printf "median first live picture %d ms - median start of the bare program %d ms = %d ms\n" \
    "$(median "${plives[@]}")" "$(median "${fmains[@]}")" $(($(median "${plives[@]}") - $(median "${fmains[@]}")))
if [ -n "${BENCH_BASELINE:-}" ]; then
    printf 'the same for the baseline: %s\n' "$(spread "${bases[@]}")"
    printf "baseline: median first live picture %d ms - median start of the bare program = %d ms\n" \
        "$(median "${blives[@]}")" $(($(median "${blives[@]}") - $(median "${fmains[@]}")))
fi
true
