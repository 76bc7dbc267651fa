// lib/upgrade/vyAppUpdaterLanguageText.h
// The portable side of the upgrader's localized texts: the languages, the rule that picks
// one, the identifiers of the texts, and the formatter that fills their placeholders.
// No <windows.h> here: compiled natively too and unit-tested.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

enum TvyAppUpdaterLanguage : unsigned char {
    wlAuto, wlEnglish, wlRussian, wlGerman, wlDutch, wlItalian, wlChineseBIG5,
    wlPortuguese, wlEstonian, wlDanish, wlUkrainian, wlFrench };

// What the string table and the rule know about one language.
struct TvyUpgradeLanguageInfo {
    TvyAppUpdaterLanguage Language;
    unsigned short PrimaryLangId; // the low 10 bits of a LANGID that wlAuto matches
    unsigned short CodePage;      // the ANSI code page its texts are written for
    const char* Name;
};
// Every language but wlAuto, in the order of the enumeration (which is the look-up order).
const std::vector<TvyUpgradeLanguageInfo>& vyUpgradeLanguages();

// Base identifier of the language's block; wlAuto resolves through userLangId (a LANGID).
int vyAppUpdaterLanguageBase(TvyAppUpdaterLanguage language, unsigned short userLangId);

// Offsets of the 37 texts (text n has identifier base + n), named after their use.
enum TvyUpgradeText : int {
    utWizardCaption = 0,     // dialog and message box captions
    utDownloadingTitle,      // wizard title while downloading
    utCompletedTitle,        // wizard title on the finish page
    utCurrentFile,           // group caption
    utAllFiles,              // group caption
    utDownloadingFrom,       // label above the address
    utFileSize,              // %.1f
    utTransferRate,          // %.1f
    utTimeLeft,              // %d:%.2d:%.2d
    utDownloadingNofM,       // %d %d
    utFinishNote,            // %s: the program
    utPasswordCaption,
    utUserName,
    utPassword,
    utYes,
    utNo,
    utOK,
    utCancel,
    utNext,
    utLater,
    utWarning,
    utError,
    utPreparing,             // time line before the first figures
    utUpgradeMessage,        // %s: the program, %s: the announcement
    utNoNewerVersion,
    utNoInfoFile,
    utHostUnreachable,       // %s: the host
    utAbortQuestion,         // closing the wizard early
    utFileNotFound,          // %s: the file
    utPasswordProtected,     // %s: the file
    utCannotStore,
    utConnectionLost = 31,
    utSwapNotStarted,        // the swap program could not be written or started
    utNameNotAllowed,        // %s: the file
    utCannotStoreFile,       // %s: the file
    utDamagedFile,           // %s: the file
    utUnverifiedFile,        // %s: the file; not the one the signed information file states
};
constexpr int vyUpgradeTextCount = 37;
// A language owns this many identifiers from its base; the texts use the first 37.
constexpr int vyUpgradeBlockSize = 50;
constexpr int vyUpgradeTextAppTitle = 50997, vyUpgradeTextDesignEnv = 50998,
              vyUpgradeTextSignature = 50999;

// One argument of a text used as a format string ("%s", "%d", "%.1f", "%.2d").
struct TvyTextArg {
    enum TKind { akString, akInteger, akReal };
    TvyTextArg(const std::string& s) : Kind(akString), Str(s) {}
    TvyTextArg(const char* s) : Kind(akString), Str(s ? s : "") {}
    TvyTextArg(int i) : Kind(akInteger), Int(i) {}
    TvyTextArg(long i) : Kind(akInteger), Int(i) {}
    TvyTextArg(long long i) : Kind(akInteger), Int(i) {}
    TvyTextArg(unsigned i) : Kind(akInteger), Int(i) {}
    TvyTextArg(unsigned long i) : Kind(akInteger), Int(static_cast<long long>(i)) {}
    TvyTextArg(unsigned long long i) : Kind(akInteger), Int(static_cast<long long>(i)) {}
    TvyTextArg(double r) : Kind(akReal), Real(r) {}
    TKind Kind;
    std::string Str;
    long long Int = 0;
    double Real = 0;
};

// Formats safely: a placeholder without an argument, or of another kind, never crashes
// (it yields an empty text for that placeholder); unknown placeholders stay as written.
// A placeholder is "%" [-] [width] [.precision] followed by s, d or f; "%%" is one "%".
// An integer argument also fills a real placeholder; "%f" without a precision shows two
// decimals. Numbers use "." as the decimal point whatever the locale.
std::string vyFormatText(const std::string& format, std::initializer_list<TvyTextArg> args);
std::string vyFormatText(const std::string& format, const TvyTextArg* args, std::size_t count);
// The placeholders of a format text in order, each as written ("%s", "%.2d"; "%%" is none).
std::vector<std::string> vyTextPlaceholders(const std::string& format);
