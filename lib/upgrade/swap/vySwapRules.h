// lib/upgrade/swap/vySwapRules.h
// The text rules of the swap program: its command line, the folder, the final names of
// ".uTMP" files. The swap program runs without any run-time library, so these work on
// fixed buffers and call nothing; no <windows.h> either, so they are tested natively too.
#pragma once

namespace vyswap {

// Paths for the ANSI file functions are at most 260 characters; a joined command line of a
// path and restart parameters fits many times over. Longer text is refused, never cut.
constexpr unsigned TextCapacity = 2048;

// A bounded, always zero-terminated text. Appending past the capacity sets Overflow and
// keeps what fitted.
struct TText {
    char S[TextCapacity + 1];
    unsigned Len;
    bool Overflow;

    void Clear()
    {
        Len = 0;
        Overflow = false;
        S[0] = 0;
    }
    void Append(const char* s, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            if (Len == TextCapacity) {
                Overflow = true;
                break;
            }
            S[Len++] = s[i];
        }
        S[Len] = 0;
    }
    void Append(const char* z)
    {
        unsigned n = 0;
        while (z[n]) ++n;
        Append(z, n);
    }
    void Append(char c) { Append(&c, 1); }
    void Assign(const char* s, unsigned n)
    {
        Clear();
        Append(s, n);
    }
};

inline bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

inline char UpperAZ(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The parameters of a command line after the program's name. A quoted name ends at its
// closing quote. An unquoted one is the program's own path when the line starts with it
// (letter case aside) and a blank or the end follows, so that a path with blanks, which the
// upgrading program passes unquoted, is skipped whole; otherwise it ends at the first blank.
inline const char* SkipProgramName(const char* cmd, const char* ownPath)
{
    const char* p = cmd;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
        return p;
    }
    unsigned n = 0;
    while (ownPath[n] && UpperAZ(p[n]) == UpperAZ(ownPath[n])) ++n;
    if (n > 0 && !ownPath[n] && (!p[n] || IsBlank(p[n]))) return p + n;
    while (*p && !IsBlank(*p)) ++p;
    return p;
}

struct TSwapCommand {
    int ParamCount;     // 0: started by hand
    bool ExternalSetup; // method digit "1": run the downloaded setup instead of replacing
    TText Target;       // the program's executable
    TText RestartParams;
    TText Joined;       // the parameters joined, as read
};

// Splits the parameters as the run-time library does (blanks and control characters
// separate them, double quotes group and are dropped), joins them, each followed by one
// blank (rebuilding an unquoted path with single blanks), and reads the result:
// everything before the first "+" is the target, trimmed of blanks; after it come the
// restart parameters and the method digit. Without a "+" the whole text is the target.
// A quoted first parameter is the target exactly as written, whatever "+" or runs of
// blanks it holds; the "+" is then looked for in the parameters after it.
// Returns false when the text does not fit.
inline bool ParseSwapCommand(const char* params, TSwapCommand& out)
{
    TText& joined = out.Joined;
    joined.Clear();
    out.ParamCount = 0;
    out.ExternalSetup = false;
    out.Target.Clear();
    out.RestartParams.Clear();

    const char* p = params;
    while (*p && IsBlank(*p)) ++p;
    const bool quotedTarget = *p == '"';
    if (quotedTarget) {
        ++p;
        while (*p && *p != '"') out.Target.Append(*p++);
        if (*p) ++p;
        ++out.ParamCount;
    }

    char lastChar = 0; // of the last parameter; 0 when it is empty
    for (;;) {
        while (*p && IsBlank(*p)) ++p;
        if (!*p) break;
        lastChar = 0;
        while (*p && !IsBlank(*p)) {
            if (*p == '"') {
                ++p;
                while (*p && *p != '"') joined.Append(lastChar = *p++);
                if (*p) ++p;
            } else {
                joined.Append(lastChar = *p++);
            }
        }
        joined.Append(' ');
        ++out.ParamCount;
    }
    if (joined.Overflow || out.Target.Overflow) return false;
    out.ExternalSetup = lastChar == '1';

    unsigned plus = 0;
    while (plus < joined.Len && joined.S[plus] != '+') ++plus;
    unsigned targetEnd = plus;
    if (plus < joined.Len) {
        // What follows "+" ends with the method digit and the blank of the join.
        unsigned end = joined.Len;
        if (end > plus + 1 && joined.S[end - 1] == ' ') --end;
        if (end > plus + 1 && joined.S[end - 1] >= '0' && joined.S[end - 1] <= '9') --end;
        out.RestartParams.Assign(joined.S + plus + 1, end - plus - 1);
    }
    if (quotedTarget) return true;
    unsigned targetStart = 0;
    while (targetStart < targetEnd && joined.S[targetStart] == ' ') ++targetStart;
    while (targetEnd > targetStart && joined.S[targetEnd - 1] == ' ') --targetEnd;
    out.Target.Assign(joined.S + targetStart, targetEnd - targetStart);
    return true;
}

// The length of the folder part of a path, up to and including its last "\"; 0 when there
// is none (the current folder).
inline unsigned FolderLength(const TText& path)
{
    unsigned n = path.Len;
    while (n > 0 && path.S[n - 1] != '\\') --n;
    return n;
}

// A target names one file: not empty, not ending in "\", no wildcards.
inline bool IsPlainTarget(const TText& target)
{
    if (target.Len == 0 || FolderLength(target) == target.Len) return false;
    for (unsigned i = 0; i < target.Len; ++i)
        if (target.S[i] == '*' || target.S[i] == '?') return false;
    return true;
}

inline bool EndsWith(const char* s, unsigned len, const char* tail, bool ignoreCase)
{
    unsigned n = 0;
    while (tail[n]) ++n;
    if (len < n) return false;
    for (unsigned i = 0; i < n; ++i) {
        const char a = s[len - n + i], b = tail[i];
        if (ignoreCase ? UpperAZ(a) != UpperAZ(b) : a != b) return false;
    }
    return true;
}

// The final name of a "<final>.uTMP" file as a directory listing names it (the listing
// matches the extension in any case). False when the name does not end so, or when what
// is left is no plain file name: empty, "." or "..".
inline bool FinalNameOf(const char* found, TText& final)
{
    unsigned len = 0;
    while (found[len]) ++len;
    if (!EndsWith(found, len, ".uTMP", true)) return false;
    final.Assign(found, len - 5);
    if (final.Len == 0) return false;
    if (final.Len == 1 && final.S[0] == '.') return false;
    if (final.Len == 2 && final.S[0] == '.' && final.S[1] == '.') return false;
    return true;
}

// A new executable is recognised by a lower-case "exe" at the end of its name, exactly so:
// "SETUP.EXE" is not one.
inline bool IsExecutableName(const TText& name)
{
    return EndsWith(name.S, name.Len, "exe", false);
}

} // namespace vyswap
