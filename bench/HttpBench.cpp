// bench/HttpBench.cpp
// Downloads one URL a number of times with TvyCustomHTTP into memory, with a progress
// handler, and prints each run and the median time. bench/http_throughput.sh runs it beside
// curl against the same local server. Usage: HttpBench URL [RUNS] [cache] [noprogress]
// [buffer=BYTES]: the defaults are the client's own, but without the system's cache.
#include "Forms.h"
#include "vyHTTP.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: HttpBench URL [RUNS] [cache] [noprogress] [buffer=BYTES]\n");
        return 2;
    }
    const std::string url = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    bool cache = false, withProgress = true;
    int buffer = 0;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "cache") == 0) cache = true;
        if (std::strcmp(argv[i], "noprogress") == 0) withProgress = false;
        if (std::strncmp(argv[i], "buffer=", 7) == 0) buffer = std::atoi(argv[i] + 7);
    }

    InitFramework();
    int status = 0;
    {
        TOwnedPtr<TvyCustomHTTP> http(new TvyCustomHTTP(nullptr));
        // curl keeps no cache; the system's cache writes the whole body to disk a second time.
        http->SetUseCache(cache);
        if (buffer > 0) http->SetBufferSize(buffer);
        long progress = 0;
        int lastPercent = 0;
        bool done = false, ok = false;
        int size = 0;
        if (withProgress)
            http->OnProgress = [&](TObject*, const std::string&, int, int, int, int, uint8_t percent, float, TStream*) {
                ++progress;
                lastPercent = percent;
            };
        http->OnDone = [&](TObject*, const std::string&, int bytes, TStream*) {
            ok = true;
            size = bytes;
            done = true;
        };
        http->OnFailed = [&](TObject*) { done = true; };

        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        std::vector<double> times;
        for (int run = 1; run <= runs; ++run) {
            done = ok = false;
            progress = 0;
            http->SetURL(url);
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            if (!http->Get()) {
                std::fprintf(stderr, "busy\n");
                status = 1;
                break;
            }
            while (!done) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            QueryPerformanceCounter(&end);
            if (!ok) {
                std::fprintf(stderr, "run %d failed (status %d)\n", run, http->StatusCode());
                status = 1;
                break;
            }
            const double s = Seconds(start, end, frequency);
            times.push_back(s);
            std::printf("run %d: %d bytes in %.3f s, %.1f MB/s, %ld progress events, last %d%%\n", run, size, s,
                        size / s / 1e6, progress, lastPercent);
            std::fflush(stdout);
        }
        if (!times.empty()) {
            std::sort(times.begin(), times.end());
            std::printf("median_seconds %.4f\nbytes %d\n", times[times.size() / 2], size);
        }
    }
    DoneFramework();
    return status;
}
