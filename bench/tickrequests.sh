#!/usr/bin/env bash
# bench/tickrequests.sh: what one tick costs in wineserver requests, free of the machine's
# load. Nearly all of a tick's cost under Wine is round trips to the wineserver (timers,
# messages, icons, and a display-settings check of three requests each time a bitmap of the
# screen's format is selected into a context), so the count per tick compares builds better
# than CPU seconds on a busy machine. The program and the floor (TrayFloor) run side by side,
# hidden, in a Wine virtual desktop with a taskbar under a wineserver that traces every
# request (wineserver -d1); a tick is the stretch from one notification to the next
# (send_message: Shell_NotifyIcon's message to the taskbar). Start-up is skipped.
#
# TICKS_PROGRAMS names the programs, the first two compared request by request (default:
# the product and the floor; a copy of an older build works too), TICKS_SECONDS (default
# 25) how long they run, TICKS_SKIP (default 60) the ticks left out at the start.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass TrayFloor

read -r -a programs <<<"${TICKS_PROGRAMS:-build/win/app/Tallyglass.exe build/win/bench/TrayFloor.exe}"
WINEPREFIX=$(tg_prefix ticks)
export WINEPREFIX
tg_prefix_desktop "$WINEPREFIX" Tallyglass 1024x768
DISPLAY=$(tg_xvfb_start)
export DISPLAY
trap bench_end EXIT
trace=$WINEPREFIX.requests.log
setsid -w wineserver -p -d1 </dev/null >"$trace" 2>&1 || true
setsid -w wine cmd /c exit </dev/null >/dev/null 2>&1 || true
for exe in "${programs[@]}"; do bench_start "$exe"; done
# Each program's first thread, by the unix pid it announces to the server.
declare -A tids
for exe in "${programs[@]}"; do
    pid=$(bench_pid "$(basename "$exe")")
    for _ in $(seq 100); do
        tid=$(sed -n "s/^\([0-9a-f]\{4\}\): init_first_thread( unix_pid=$pid,.*/\1/p" "$trace" | head -n 1)
        [ -n "$tid" ] && break
        sleep 0.2
    done
    tids[$exe]=$tid
done
sleep "${TICKS_SECONDS:-25}"
bench_end
trap - EXIT

args=()
for exe in "${programs[@]}"; do args+=("${tids[$exe]}=$(basename "$exe" .exe)"); done
/usr/bin/python3 - "$trace" "${TICKS_SKIP:-60}" "${args[@]}" <<'PY'
import collections, re, sys
trace, skip, progs = sys.argv[1], int(sys.argv[2]), dict(a.split("=", 1) for a in sys.argv[3:])
ticks = {t: [] for t in progs}
request = re.compile(r"^([0-9a-f]{4}): (\w+)\((.*)$")
with open(trace, errors="replace") as f:
    for line in f:
        m = request.match(line)
        if not m or m.group(1) not in progs or ") = " in line:
            continue  # replies and other threads
        tid, name = m.group(1), m.group(2)
        if name == "send_message":
            ticks[tid].append(collections.Counter())
        if ticks[tid]:
            ticks[tid][-1][name] += 1
per = {}
for tid, name in progs.items():
    counted = ticks[tid][skip:-1]
    if not counted:
        sys.exit("%s: too few ticks traced (%d)" % (name, len(ticks[tid])))
    total = sum(counted, collections.Counter())
    per[name] = {k: v / len(counted) for k, v in total.items()}
    print("%-16s %6.1f requests per tick over %d ticks" % (name, sum(per[name].values()), len(counted)))
names = list(per)
if len(names) >= 2:
    a, b = per[names[0]], per[names[1]]
    print("\n%8s %8s  request (per tick, where they differ)" % (names[0][:8], names[1][:8]))
    for k in sorted(set(a) | set(b), key=lambda k: -abs(a.get(k, 0) - b.get(k, 0))):
        if abs(a.get(k, 0) - b.get(k, 0)) >= 0.05:
            print("%8.2f %8.2f  %s" % (a.get(k, 0), b.get(k, 0), k))
PY
