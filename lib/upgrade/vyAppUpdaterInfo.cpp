// lib/upgrade/vyAppUpdaterInfo.cpp
#include "vyAppUpdaterInfo.h"

#include <algorithm>
#include <array>
#include <climits>
#include <ctime>

namespace {

char LowerAZ(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAZ(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = LowerAZ(c);
    return out;
}

// The value that starts at start: up to the first "}" of a block, else up to the first
// character below 32, or to the end of the text. A value longer than its bound is refused
// (empty, as if missing) before anything is copied, so reading stays linear.
std::string ValueAt(std::string_view text, size_t start, bool block)
{
    const size_t limit = block ? MaxInfoFileBytes : MaxInfoValue;
    const size_t stop = std::min(text.size(), start + limit + 1);
    size_t end = start;
    if (block) {
        while (end < stop && text[end] != '}') ++end;
    } else {
        while (end < stop && static_cast<unsigned char>(text[end]) >= 32) ++end;
    }
    if (end - start > limit) return {};
    return std::string(text.substr(start, end - start));
}

// The entries of the keys the file may hold, found in one pass, so that reading all keys
// costs no more than reading the text a few times. Only those keys are kept (url, url0,
// url1 to url<MaxInfoFiles>, date, version, method, message, and the digest of each url
// key: sha256, sha2560, sha2561 ...): the index is of fixed size whatever the text holds.
// Gives the same values as InfoFileValue.
class TEntryIndex {
public:
    static constexpr size_t MaxKey = 32;
    enum : size_t {
        Url, Url0, Date, Version, Method, Message, Numbered,
        Digests = Numbered + MaxInfoFiles, // then the url slots again, for their digests
        Slots = Digests + Numbered + MaxInfoFiles
    };

    // The slot of the digest beside a url key's slot.
    static constexpr size_t DigestOf(size_t urlSlot) { return Digests + urlSlot; }

    explicit TEntryIndex(std::string_view text) : FText(text)
    {
        FPlain.fill(std::string_view::npos);
        FBlock.fill(std::string_view::npos);
        for (size_t p = text.find('#'); p != std::string_view::npos; p = text.find('#', p + 1)) {
            const size_t limit = std::min(text.size(), p + 1 + MaxKey + 1);
            size_t e = p + 1;
            while (e < limit && text[e] != '=' && text[e] != '#') ++e;
            if (e >= limit || text[e] != '=') continue;
            const size_t slot = SlotOf(text.substr(p + 1, e - p - 1));
            if (slot == Slots) continue;
            if (FPlain[slot] == std::string_view::npos) FPlain[slot] = e + 1;
            if (e + 1 < text.size() && text[e + 1] == '{' && FBlock[slot] == std::string_view::npos)
                FBlock[slot] = e + 2;
        }
    }

    // The slot of a key as written (any letter case); Slots for a key not kept.
    static size_t SlotOf(std::string_view key)
    {
        char lower[MaxKey];
        if (key.size() > MaxKey) return Slots;
        for (size_t i = 0; i < key.size(); ++i) lower[i] = LowerAZ(key[i]);
        const std::string_view k(lower, key.size());
        if (k == "date") return Date;
        if (k == "version") return Version;
        if (k == "method") return Method;
        if (k == "message") return Message;
        if (k.starts_with("url")) return UrlSlot(k.substr(3));
        if (!k.starts_with("sha256")) return Slots;
        const size_t slot = UrlSlot(k.substr(6));
        return slot == Slots ? Slots : DigestOf(slot);
    }

    std::string Value(size_t slot, bool block) const
    {
        const size_t at = (block ? FBlock : FPlain)[slot];
        return at == std::string_view::npos ? std::string() : ValueAt(FText, at, block);
    }

private:
    // The slot of the url key with this suffix: "" url, "0" url0, "1" to "<MaxInfoFiles>"
    // url<n> (no leading zero); Slots for any other.
    static size_t UrlSlot(std::string_view suffix)
    {
        if (suffix.empty()) return Url;
        if (suffix == "0") return Url0;
        if (suffix.size() > 3 || suffix[0] == '0') return Slots;
        size_t n = 0;
        for (char c : suffix) {
            if (c < '0' || c > '9') return Slots;
            n = n * 10 + static_cast<size_t>(c - '0');
        }
        return n <= MaxInfoFiles ? Numbered + n - 1 : Slots;
    }

    std::string_view FText;
    std::array<size_t, Slots> FPlain;
    std::array<size_t, Slots> FBlock;
};

// The files in download order; and when asked, each one's digest as stated beside it
// ("sha256" + the url key's suffix), or empty.
std::vector<std::string> ListOf(const TEntryIndex& index, std::vector<std::string>* digests)
{
    std::vector<std::string> files;
    size_t bytes = 0;
    // False when the list is full: it ends there.
    const auto add = [&](std::string value, size_t slot) {
        if (files.size() == MaxInfoFiles || bytes + value.size() > MaxInfoListBytes) return false;
        bytes += value.size();
        files.push_back(std::move(value));
        if (digests) digests->push_back(index.Value(TEntryIndex::DigestOf(slot), false));
        return true;
    };
    for (size_t slot : {TEntryIndex::Url, TEntryIndex::Url0}) {
        std::string value = index.Value(slot, false);
        if (!value.empty() && !add(std::move(value), slot)) return files;
    }
    for (size_t n = files.size() + 1; n <= MaxInfoFiles; ++n) {
        std::string value = index.Value(TEntryIndex::Numbered + n - 1, false);
        if (value.empty() || !add(std::move(value), TEntryIndex::Numbered + n - 1)) break;
    }
    return files;
}

// A whole decimal number: an optional sign and at least one digit, nothing else.
std::optional<int> WholeNumber(std::string_view s)
{
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::string TwoDigits(int n)
{
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

} // namespace

// --- Reading the file ------------------------------------------------------------------

std::optional<TvyInfoValueSpan> InfoFileValueSpan(std::string_view text, std::string_view key, bool block)
{
    const std::string lower = LowerAZ(text);
    const std::string pattern = "#" + LowerAZ(key) + (block ? "={" : "=");
    const size_t at = lower.find(pattern);
    if (at == std::string::npos) return std::nullopt;
    const size_t start = at + pattern.size();
    return TvyInfoValueSpan{start, ValueAt(text, start, block).size()};
}

std::string InfoFileValue(std::string_view text, std::string_view key, bool block)
{
    const auto span = InfoFileValueSpan(text, key, block);
    return span ? std::string(text.substr(span->Start, span->Length)) : std::string();
}

std::vector<std::string> InfoFileList(std::string_view text)
{
    return ListOf(TEntryIndex(text), nullptr);
}

TvyUpgradeMethod InfoFileMethod(std::string_view value)
{
    if (!value.empty() && value.front() == '1') return TvyUpgradeMethod::umUseExternalSetup;
    if (!value.empty() && value.front() == '2') return TvyUpgradeMethod::umRedirectToURL;
    return TvyUpgradeMethod::umSelfUpgrade;
}

TvyInfoFile ReadInfoFile(std::string_view text)
{
    const TEntryIndex index(text);
    TvyInfoFile info;
    info.Files = ListOf(index, &info.Digests);
    info.Date = index.Value(TEntryIndex::Date, false);
    info.Version = index.Value(TEntryIndex::Version, false);
    info.Message = index.Value(TEntryIndex::Message, true);
    info.Method = InfoFileMethod(index.Value(TEntryIndex::Method, false));
    return info;
}

// --- Dates and versions ----------------------------------------------------------------

std::optional<TvyDate> ParseVersionDate(std::string_view text)
{
    const size_t first = text.find('/');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto month = WholeNumber(text.substr(0, first));
    const auto day = WholeNumber(text.substr(first + 1, second - first - 1));
    const auto year = WholeNumber(text.substr(second + 1));
    if (!month || !day || !year) return std::nullopt;
    if (*year < 1 || *year > 9999 || *month < 1 || *month > 12) return std::nullopt;
    if (*day < 1 || *day > DaysInMonth(*year, *month)) return std::nullopt;
    return TvyDate{*year, *month, *day};
}

TvyDate VersionDateOr(std::string_view text, TvyDate today)
{
    return ParseVersionDate(text).value_or(today);
}

std::string FormatVersionDate(TvyDate date)
{
    std::string year = std::to_string(date.Year);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return TwoDigits(date.Month) + "/" + TwoDigits(date.Day) + "/" + year;
}

TvyDate Today()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (!local) return TvyDate{1970, 1, 1};
    return TvyDate{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

int CompareVersionText(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool InfoIsNewer(const TvyInfoFile& info, TvyAppUpdaterVersionControl control, std::string_view versionDate,
                 std::string_view versionNumber, TvyDate today)
{
    if (control == TvyAppUpdaterVersionControl::byNumber) return CompareVersionText(info.Version, versionNumber) > 0;
    return VersionDateOr(info.Date, today) > VersionDateOr(versionDate, today);
}

bool InfoOffersUpdate(const TvyInfoFile& info, TvyAppUpdaterVersionControl control, std::string_view versionDate,
                      std::string_view versionNumber, TvyDate today)
{
    return !info.Files.empty() && InfoIsNewer(info, control, versionDate, versionNumber, today);
}

// --- TvyAppUpdaterInfo -----------------------------------------------------------------

const TClassInfo& TvyAppUpdaterInfo::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyAppUpdaterInfo;
        TClassInfo i{"TvyAppUpdaterInfo", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(ObjProp("Files", &C::Files));
        i.Props.push_back(EnumProp("UpgradeMethod", &C::UpgradeMethod, &C::SetUpgradeMethod,
                                   {"umSelfUpgrade", "umUseExternalSetup", "umRedirectToURL"},
                                   std::optional(DefaultUpgradeMethod)));
        i.Props.push_back(StrProp<C>("UpgradeMsg", &C::UpgradeMsg, &C::SetUpgradeMsg));
        return i;
    }();
    return info;
}

TvyAppUpdaterInfo::TvyAppUpdaterInfo() : FFiles(new TStrings)
{
}

void TvyAppUpdaterInfo::SetFiles(const TStrings* value)
{
    if (value == FFiles.get()) return;
    if (value)
        FFiles->Assign(*value);
    else
        FFiles->Clear();
}

void TvyAppUpdaterInfo::Assign(const TPersistent& source)
{
    if (auto* s = dynamic_cast<const TvyAppUpdaterInfo*>(&source)) {
        SetFiles(s->Files());
        FUpgradeMethod = s->FUpgradeMethod;
        FUpgradeMsg = s->FUpgradeMsg;
        return;
    }
    TPersistent::Assign(source);
}
