// app/StartupTrace.h
// Moments of start-up for bench/startup.sh. Only when the environment variable
// TG_STARTUP_TRACE names a file is anything written: one line "<event> <milliseconds>"
// appended per call, the wall-clock time since 1970 with three decimals, so that a script
// can set it against the moment it started the process.
#pragma once

void TraceStartup(const char* event);
