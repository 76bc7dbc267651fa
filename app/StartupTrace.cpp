// app/StartupTrace.cpp
#include "StartupTrace.h"

#include <windows.h>

#include <cstdio>

void TraceStartup(const char* event)
{
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("TG_STARTUP_TRACE", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    // 100 ns units since 1601; 11644473600 s lie between 1601 and 1970.
    const unsigned long long since1601 = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const unsigned long long micro = since1601 / 10 - 11644473600ULL * 1000000ULL;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s %llu.%03llu\n", event, micro / 1000, micro % 1000);
        std::fclose(f);
    }
}
