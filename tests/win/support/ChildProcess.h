// tests/win/support/ChildProcess.h
// Running a program (usually this test program again, with other arguments) and reading
// what it printed.
#pragma once

#include <windows.h>

#include <string>

struct TChildResult {
    bool Started = false;
    bool Finished = false;
    DWORD ExitCode = 1;
    std::string Output; // standard output and error together
};

// Runs the command line with the given environment variable set for the child only (none
// when name is empty) and without our GoogleTest report setting, so that a child GoogleTest
// program does not overwrite this program's report. Waits at most timeoutMs.
TChildResult RunChild(const std::string& commandLine, const std::string& name = {}, const std::string& value = {},
                      DWORD timeoutMs = 60000);
// This program's full path.
std::string SelfPath();
