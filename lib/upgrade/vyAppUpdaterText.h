// lib/upgrade/vyAppUpdaterText.h
// The text rules of unit vyAppUpdater: the name a download is stored under, which first
// address a redirect may open, the swap program's command line and the overall progress.
// The addresses come from the information file, outside input. No <windows.h> here:
// compiled natively too, unit-tested and fuzzed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vyAppUpdaterInfo.h"

// What a download is stored under in the program's folder ("<name>.uTMP" while it is a
// temporary file): the file-name part of its address. None when that name could leave the
// folder or name no plain file there: empty, only dots and blanks ("." and ".." among
// them), holding a control character or one that file names cannot hold (\ / : * ? " < > |),
// or a device name (CON, NUL, COM1 and the like, with or without an extension).
std::optional<std::string> UpgradeFileName(std::string_view url);

// An address a redirect may hand to the shell: "http://" or "https://" (any letter case)
// followed by a host, and nothing a command line could split or end: no blanks, quotes,
// backslashes, control characters or bytes above 126.
bool IsWebAddress(std::string_view url);
// The address a redirect opens for a file-list entry: "http://" put first when it names no
// scheme ("://"); nothing when the result is no web address by IsWebAddress.
std::optional<std::string> RedirectAddress(std::string_view entry);

// Whether bytes are a whole PE image: the DOS header leads to a PE signature, the file and
// optional headers and the section table lie within the bytes, and so does the raw data
// of every section. A download cut short fails this.
bool IsWholePEImage(std::string_view bytes);

// The restart parameters as the upgrader keeps them: an empty text becomes one blank.
std::string RestartParamsValue(std::string_view value);

// "+" + restart parameters + the method's digit ("0" replace files, "1" external setup).
std::string SwapParameter(std::string_view restartParams, TvyUpgradeMethod method);

// The swap program's command line: its path and the running executable's full path, each
// quoted (the swap program takes the quoted target whole, whatever "+" or runs of blanks
// the folder's name holds), and the swap parameter, separated by blanks.
std::string SwapCommandLine(std::string_view swapPath, std::string_view exePath, std::string_view restartParams,
                            TvyUpgradeMethod method);

// Progress over all files: Percent(index, count) + percentsDone div count.
std::uint8_t UpgradeTotalPercent(int index, int count, std::uint8_t percentsDone);
