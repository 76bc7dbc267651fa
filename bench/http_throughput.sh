#!/usr/bin/env bash
# bench/http_throughput.sh: download throughput of a 20 MB body over loopback. The HTTP
# client (TvyCustomHTTP over the system's WinInet, under Wine, a progress event per 4 KB
# chunk, bench/HttpBench.cpp) against curl, both fetching from the same local server in the
# same run; BENCH_RUNS downloads each (default 5), medians compared. BENCH_MB sets the size.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
tg_ensure_deps
build=${BENCH_BUILD:-build/win}
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target HttpBench >/dev/null

runs=${BENCH_RUNS:-5}
megabytes=${BENCH_MB:-20}
work=$(mktemp -d)
prefix=$(tg_prefix bench)
export WINEPREFIX=$prefix
display=$(tg_xvfb_start)
export DISPLAY=$display
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    tg_wineserver_stop "$prefix"
    tg_xvfb_stop "$display"
    rm -rf "$work"
}
trap cleanup EXIT
tg_wineserver_start "$prefix"

# The server: one fixed body with its Content-Length, from memory, on a free port.
python3 - "$megabytes" "$work/port" <<'PY' &
import http.server, socketserver, sys
body = bytes(range(256)) * (int(sys.argv[1]) * 1024 * 1024 // 256)
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True
    def log_message(self, *args):
        pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
with Server(("127.0.0.1", 0), Handler) as s:
    with open(sys.argv[2] + ".tmp", "w") as f:
        f.write(str(s.server_address[1]))
    import os
    os.rename(sys.argv[2] + ".tmp", sys.argv[2])
    s.serve_forever()
PY
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || tg_die "the benchmark server did not start"
url="http://127.0.0.1:$(cat "$work/port")/body.bin"

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

echo "curl:"
for _ in $(seq "$runs"); do
    curl -s -o /dev/null -w '%{time_total}\n' "$url"
done | tee "$work/curl"
curl_s=$(median <"$work/curl")

echo "vyHTTP:"
# BENCH_ARGS: more HttpBench options (cache, noprogress, buffer=BYTES) for comparison runs.
wine "$(tg_winpath "$build/bench/HttpBench.exe")" "$url" "$runs" ${BENCH_ARGS:-} </dev/null | tr -d '\r' | tee "$work/vy"
vy_s=$(awk '$1 == "median_seconds" {print $2}' "$work/vy")
[ -n "$vy_s" ] || tg_die "HttpBench reported no time"

awk -v mb="$megabytes" -v c="$curl_s" -v v="$vy_s" 'BEGIN {
    bytes = mb * 1024 * 1024
    printf "%-28s %12s %12s\n", "median of runs", "vyHTTP", "curl"
    printf "%-28s %12.3f %12.3f\n", "seconds for " mb " MiB", v, c
    printf "%-28s %12.1f %12.1f\n", "throughput (MB/s)", bytes / v / 1e6, bytes / c / 1e6
    printf "throughput ratio vyHTTP/curl: %.3f\n", c / v
}'
