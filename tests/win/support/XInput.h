// tests/win/support/XInput.h
// Real mouse and keyboard input for Windows tests under Wine: xdotool on the X server the
// Wine desktop is drawn on, started from the test (Wine runs Unix programs too). Messages
// are pumped while it runs, since the input reaches the test's own windows.
#pragma once

#include <windows.h>

#include <string>

// Runs a /bin/sh command line (no double quotes in it) and pumps messages until it has
// finished or timeoutMs passed; false on failure or timeout.
bool RunXCommand(const std::string& shellCommand, DWORD timeoutMs = 15000);
// A left click at a point of the screen (Windows screen coordinates).
bool XClick(int x, int y);
// Types text (letters, digits; no quotes) as key presses.
bool XType(const std::string& text);
// Presses keys by their X names ("Return", "Escape", "BackSpace", "ctrl+a").
bool XKey(const std::string& keys);
