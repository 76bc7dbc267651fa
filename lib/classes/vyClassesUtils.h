// lib/classes/vyClassesUtils.h
// Unit vyClasses' shared routines: operating-system tests, paths and system places, the
// registry, the shell, sounds, keyboard state, resources, closing the application and the
// processor clock. The portable ones (strings, paths, the command-line splitter, hex,
// Percent, InitStruct, TvyOSVersion) are declared in vyClassesText.h, included here.
// Callers include "vyClasses.h".
#pragma once

#include <windows.h>

#include <string>

#include "Classes.h"
#include "Controls.h"
#include "vyClassesText.h"

// Operating system, from GetVersionExA.
TvyOSVersion GetOSVersion();
bool IsWinNT();
bool IsWin2KOrLater();
bool IsWinXPOrLater();
// Running under Wine (its ntdll exports wine_get_version), whatever version it reports.
bool IsWine();
// Visual styles are on: XP or later, and uxtheme.dll's IsThemeActive says so.
bool ThemesActive();

// The program the registry associates with an extension (".html"), without its
// parameters; empty when none is found.
std::string GetAssociatedProgram(const std::string& extension);
// System places, each with a trailing "\".
std::string GetTempDir();
std::string GetSystemDir();
std::string GetWindowsDir();
// An environment variable's value; empty when unset.
std::string GetEnvVar(const std::string& name);
// Whether the open key holds a value of that name ("" is the default value).
bool RegValueExists(HKEY key, const std::string& name);

// Opens a web address ("http://" is put in front when it names no scheme); with
// newWindow the browser registered for ".html" is started afresh with it, quoted.
void OpenURL(const std::string& url, bool newWindow);
// Opens the mail program with a "mailto:" address; nothing is encoded.
void SendMail(const std::string& address, const std::string& name = {}, const std::string& subject = {},
              const std::string& body = {}, const std::string& copyTo = {}, const std::string& blindCopyTo = {});
// Plays a system event sound by its index (see SystemSoundName); either flag plays it
// asynchronously. A missing event sound stays silent.
void PlaySystemSound(int sound, bool async, bool noWait = false);
// Shift, Alt and Ctrl as they are down now.
TShiftState GetShiftState();
// The key's name for the keystroke data of a key message.
std::string GetKeyName(LPARAM keyData);
// Appends a resource's bytes to stream; false when there is no stream, no such resource,
// an empty one, or the write fails. name and type may be MAKEINTRESOURCE values.
bool LoadResourceToStream(HINSTANCE module, const char* name, const char* type, TMemoryStream* stream);
// Closes the main form (its close query may refuse) and asks the application to end.
void CloseApplication();
// The processor clock in MHz, measured now against the high-resolution counter; 0 when
// there is no such counter or no time-stamp counter.
int GetCPUSpeed();
