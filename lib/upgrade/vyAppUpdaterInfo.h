// lib/upgrade/vyAppUpdaterInfo.h
// The upgrade information file a publisher puts on the web server, and TvyAppUpdaterInfo,
// the same facts kept with the upgrader's stored settings. The file is outside input: any
// bytes give an answer, never a fault. No <windows.h> here: compiled natively too,
// unit-tested and fuzzed.
//
// The file holds entries "#key=value" (the value ends before the first character below 32)
// and "#key={value}" (the value ends before the first "}", and may span lines), anywhere in
// the text. Keys match whatever the case of A-Z; the first occurrence wins; everything else
// is ignored.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"

enum class TvyUpgradeMethod { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };
enum class TvyAppUpdaterVersionControl { byDate, byNumber };

// --- Reading the file ------------------------------------------------------------------

// Bounds of what is read. A real information file is a few hundred bytes: a body larger
// than MaxInfoFileBytes is not one. A single-line value longer than MaxInfoValue, or a
// block longer than MaxInfoFileBytes, counts as missing. The file list ends after
// MaxInfoFiles files, or before the file that would take it past MaxInfoListBytes.
constexpr size_t MaxInfoFileBytes = 64 * 1024;
constexpr size_t MaxInfoValue = 2048;
constexpr size_t MaxInfoFiles = 256;
constexpr size_t MaxInfoListBytes = 64 * 1024;

// The value of "#key=" (or "#key={" for a block), empty when the key is missing.
std::string InfoFileValue(std::string_view text, std::string_view key, bool block);
// Where that value lies in the text; nothing when the key is missing.
struct TvyInfoValueSpan {
    size_t Start = 0, Length = 0;
};
std::optional<TvyInfoValueSpan> InfoFileValueSpan(std::string_view text, std::string_view key, bool block);

// The upgrade files in download order: url, url0, then url<n> from n = (files so far) + 1
// until a numbered key is missing or empty, or the list is full. Empty values are never
// listed.
std::vector<std::string> InfoFileList(std::string_view text);

// The method of a "method" value: "1..." external setup, "2..." redirect, else self-upgrade.
TvyUpgradeMethod InfoFileMethod(std::string_view value);

struct TvyInfoFile {
    std::vector<std::string> Files;
    // The value of the "sha256" key beside each file's url key ("sha256" for "url",
    // "sha2560" for "url0", "sha256<n>" for "url<n>"), as written; empty when missing.
    std::vector<std::string> Digests;
    std::string Date;    // as written; see VersionDateOr
    std::string Version; // compared with CompareVersionText
    std::string Message; // rich-label markup
    TvyUpgradeMethod Method = TvyUpgradeMethod::umSelfUpgrade;
};

TvyInfoFile ReadInfoFile(std::string_view text);

// --- Dates and versions ----------------------------------------------------------------

struct TvyDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    auto operator<=>(const TvyDate&) const = default;
};

// MM/DD/YYYY: three whole decimal numbers (an optional sign, digits, nothing else: a blank
// fails) that make a real date of the years 1 to 9999. Nothing when they do not.
std::optional<TvyDate> ParseVersionDate(std::string_view text);
// The date of the text, or today when it is none.
TvyDate VersionDateOr(std::string_view text, TvyDate today);
// Always MM/DD/YYYY with leading zeros, whatever the locale: 07/07/2002.
std::string FormatVersionDate(TvyDate date);
// The local calendar date now.
TvyDate Today();

// Byte by byte by character code, a proper prefix being the smaller: negative, zero or
// positive as a is before, equal to or after b. So "1.10" < "1.9" and "10.0" < "2.0".
int CompareVersionText(std::string_view a, std::string_view b);

// Whether the file announces something newer than the program's own date or version:
// byDate, the file's date strictly later than versionDate (both read by VersionDateOr);
// byNumber, the file's version text greater than versionNumber.
bool InfoIsNewer(const TvyInfoFile& info, TvyAppUpdaterVersionControl control, std::string_view versionDate,
                 std::string_view versionNumber, TvyDate today);
// Newer, and with at least one file to fetch.
bool InfoOffersUpdate(const TvyInfoFile& info, TvyAppUpdaterVersionControl control, std::string_view versionDate,
                      std::string_view versionNumber, TvyDate today);

// --- TvyAppUpdaterInfo -----------------------------------------------------------------

// The upgrader's published InfoFile: what the publisher writes into the information file,
// kept with the component's stored settings. The upgrader itself goes by the file on the
// server, never by this.
class TvyAppUpdaterInfo : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr TvyUpgradeMethod DefaultUpgradeMethod = TvyUpgradeMethod::umSelfUpgrade;

    TvyAppUpdaterInfo();

    TStrings* Files() const noexcept { return FFiles.get(); }
    // Copies the lines; a null list empties it.
    void SetFiles(const TStrings* value);
    TvyUpgradeMethod UpgradeMethod() const noexcept { return FUpgradeMethod; }
    void SetUpgradeMethod(TvyUpgradeMethod value) noexcept { FUpgradeMethod = value; }
    const std::string& UpgradeMsg() const noexcept { return FUpgradeMsg; }
    void SetUpgradeMsg(const std::string& value) { FUpgradeMsg = value; }

    void Assign(const TPersistent& source) override;

private:
    TOwnedPtr<TStrings> FFiles;
    TvyUpgradeMethod FUpgradeMethod = DefaultUpgradeMethod;
    std::string FUpgradeMsg;
};
