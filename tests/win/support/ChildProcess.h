// tests/win/support/ChildProcess.h
// Running this test program again with other arguments and reading what it printed.
#pragma once

#include <windows.h>

#include <string>

struct TChildResult {
    bool Finished = false;
    DWORD ExitCode = 1;
    std::string Output; // standard output and error together
};

// Runs the command line with the variable name=value set for the child, and without our
// report setting, so that a child GoogleTest program does not overwrite this program's.
TChildResult RunChild(const std::string& commandLine, const char* name, const char* value, DWORD timeoutMs = 60000);
// This program's full path.
std::string SelfPath();
// Runs a copy of this program that Wine's per-program settings make report another Windows
// version ("win98", "winxp"), with the arguments given and name=value set for it; the copy
// and its setting are removed afterwards.
TChildResult RunAsWindowsVersion(const std::string& version, const std::string& args, const char* name,
                                 const char* value, DWORD timeoutMs = 60000);
