#!/usr/bin/env bash
# bench/signature.sh: what checking a signed upgrade costs beside fetching it. The program's
# own executable (about 1.5 MB) is downloaded BENCH_RUNS times (default 5) over loopback by
# the HTTP client under Wine (bench/HttpBench.cpp), then the same file is hashed (SHA-256,
# read from disk) and a signed information file verified (Ed25519) as the upgrader does
# (bench/SignatureBench.cpp), each the best of five rounds. The checks should stay a small
# fraction of the download; on a loaded machine compare with the fastest download as well.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source bench/benchlib.sh
bench_build Tallyglass HttpBench SignatureBench

runs=${BENCH_RUNS:-5}
work=$(mktemp -d)
cp build/win/app/Tallyglass.exe "$work/"
WINEPREFIX=$(tg_prefix bench)
export WINEPREFIX
DISPLAY=$(tg_xvfb_start)
export DISPLAY
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    tg_wineserver_stop "$WINEPREFIX"
    tg_xvfb_stop "$DISPLAY"
    rm -rf "$work"
}
trap cleanup EXIT
tg_wineserver_start "$WINEPREFIX"

python3 -u -m http.server --bind 127.0.0.1 --directory "$work" 0 >"$work/server.log" 2>&1 &
server=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || tg_die "the benchmark server did not start"

wine "$(tg_winpath build/win/bench/HttpBench.exe)" "http://127.0.0.1:$port/Tallyglass.exe" "$runs" </dev/null |
    tr -d '\r' | tee "$work/download"
wine "$(tg_winpath build/win/bench/SignatureBench.exe)" "$(tg_winpath "$work/Tallyglass.exe")" </dev/null |
    tr -d '\r' | tee "$work/checks"

cat "$work/download" "$work/checks" | awk '
    $1 == "run" && (!fast || $6 < fast) { fast = $6 }
    $1 == "median_seconds" { d = $2 } $1 == "bytes" { b = $2 }
    $1 == "verify_seconds" { v = $2 } $1 == "hash_seconds" { h = $2 }
    END {
        if (!d || !v || !h) { print "missing figures"; exit 1 }
        printf "%-44s %10.2f ms\n", "download of " b " bytes (median)", d * 1000
        printf "%-44s %10.2f ms\n", "the fastest download", fast * 1000
        printf "%-44s %10.2f ms\n", "SHA-256 of the same file", h * 1000
        printf "%-44s %10.2f ms\n", "Ed25519 verification of the information file", v * 1000
        printf "checks / download: %.1f %% of the median, %.1f %% of the fastest\n", (h + v) / d * 100, (h + v) / fast * 100
    }'
