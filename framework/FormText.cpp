// framework/FormText.cpp
#include "FormText.h"

#include "SysUtils.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <utility>

bool operator==(const TFormValue& a, const TFormValue& b)
{
    return a.Kind == b.Kind && a.Integer == b.Integer
        && std::bit_cast<std::uint64_t>(a.Float) == std::bit_cast<std::uint64_t>(b.Float)
        && a.Text == b.Text && a.Set == b.Set && a.Binary == b.Binary && a.List == b.List
        && a.Items == b.Items;
}

bool operator==(const TFormProperty& a, const TFormProperty& b)
{
    return a.Name == b.Name && a.Value == b.Value;
}

bool operator==(const TFormObject& a, const TFormObject& b)
{
    return a.Kind == b.Kind && a.Name == b.Name && a.ClassName == b.ClassName
        && a.Properties == b.Properties && a.Children == b.Children;
}

namespace {

// Floats go through the C library rather than <charconv>: its floating-point conversions
// bring about 200 KB of tables into the program. The C locale is the only one the programs
// use, so '.' is the decimal point either way.

enum class TFloatRead { Ok, Invalid, OutOfRange };

// text is a decimal number already checked by the lexer (sign, digits, '.', exponent).
TFloatRead ReadFloat(std::string_view number, double& value)
{
    const std::string text(number);
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return TFloatRead::Invalid;
    // Overflow gives infinity, underflow zero; a subnormal result is still the nearest value.
    if (errno == ERANGE && (std::isinf(value) || value == 0)) return TFloatRead::OutOfRange;
    return TFloatRead::Ok;
}

// The shortest text that reads back as value: the fewest significant digits that do, then
// plain or exponent notation, whichever is shorter (plain on a tie), the exponent with a
// sign and at least two digits ("1e+21", "0.1", "123456789012345680").
std::string ShortestFloat(double value)
{
    char buf[40];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*e", precision, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    // buf: [-]d[.ddd]e(+|-)x...
    std::string digits;
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative) ++p;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int n = static_cast<int>(digits.size());

    std::string exp = std::to_string(exponent < 0 ? -exponent : exponent);
    if (exp.size() < 2) exp.insert(0, "0");
    std::string scientific = digits.substr(0, 1);
    if (n > 1) scientific += "." + digits.substr(1);
    scientific += (exponent < 0 ? "e-" : "e+") + exp;

    std::string plain;
    if (exponent < 0)
        plain = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    else if (n <= exponent + 1)
        plain = digits + std::string(static_cast<size_t>(exponent + 1 - n), '0');
    else
        plain = digits.substr(0, static_cast<size_t>(exponent + 1)) + "." + digits.substr(static_cast<size_t>(exponent + 1));
    std::string text = plain.size() <= scientific.size() ? plain : scientific;
    if (negative) text.insert(0, "-");
    return text;
}

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(unsigned char c) { return IsLetter(c) || IsDigit(c); }
bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsObjectKeyword(std::string_view s)
{
    return SameText(s, "object") || SameText(s, "inherited") || SameText(s, "inline");
}

// Dot-separated segments, each a letter or '_' followed by letters, digits and '_'.
// The lexer reads identifiers by the same rule, so whatever passes here reads back.
bool IsIdentifier(std::string_view s)
{
    size_t i = 0;
    for (;;) {
        if (i >= s.size() || !IsLetter(static_cast<unsigned char>(s[i]))) return false;
        while (i < s.size() && IsIdentChar(static_cast<unsigned char>(s[i]))) ++i;
        if (i == s.size()) return true;
        if (s[i] != '.') return false;
        ++i;
    }
}

std::string Quoted(std::string_view s)
{
    constexpr size_t MaxShown = 40;
    std::string text = "'";
    text.append(s.substr(0, MaxShown));
    if (s.size() > MaxShown) text += "...";
    text += "'";
    return text;
}

enum class TTokenKind { EndOfFile, Identifier, Integer, Float, String, Binary, Symbol };

struct TToken {
    TTokenKind Kind = TTokenKind::EndOfFile;
    int Line = 1;
    std::string_view Raw; // source text of identifiers, numbers and symbols
    long long Integer = 0;
    double Float = 0;
    std::string Text;     // String bytes
    std::vector<unsigned char> Binary;
};

class TParser {
public:
    explicit TParser(std::string_view text) : FText(text) {}

    TFormObject Run()
    {
        const TToken& first = Peek();
        if (first.Kind != TTokenKind::Identifier || !IsObjectKeyword(first.Raw))
            Fail(first.Line, Expected("'object'", first));
        TFormObject root = ParseObject(1);
        const TToken& rest = Peek();
        if (rest.Kind != TTokenKind::EndOfFile)
            Fail(rest.Line, "end of file expected after the final 'end' but " + Describe(rest) + " found");
        return root;
    }

private:
    std::string_view FText;
    size_t FPos = 0;
    int FLine = 1;
    int FLastContentLine = 1; // where the last token ended: the line a truncated file ends on
    TToken FToken;
    bool FHaveToken = false;
    std::vector<std::string_view> FProperties; // names being read, innermost last

    [[noreturn]] void Fail(int line, std::string_view what) const
    {
        throw EParserError(line, FProperties.empty() ? std::string() : std::string(FProperties.back()), what);
    }

    static std::string Describe(const TToken& t)
    {
        switch (t.Kind) {
        case TTokenKind::EndOfFile: return "end of file";
        case TTokenKind::String: return "a string";
        case TTokenKind::Binary: return "binary data";
        default: return Quoted(t.Raw);
        }
    }

    std::string Expected(std::string_view what, const TToken& found) const
    {
        if (found.Kind == TTokenKind::EndOfFile) return "unexpected end of file";
        return std::string(what) + " expected but " + Describe(found) + " found";
    }

    // Tokens are read only when asked for, so a lexical fault is reported with the
    // property the parser is reading at that moment, not the one before it.
    const TToken& Peek()
    {
        if (!FHaveToken) {
            Lex();
            FHaveToken = true;
        }
        return FToken;
    }

    void Consume() { FHaveToken = false; }

    bool AtEnd() const { return FPos >= FText.size(); }
    unsigned char Ch(size_t at) const { return at < FText.size() ? static_cast<unsigned char>(FText[at]) : 0; }

    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(Ch(FPos))) {
            if (FText[FPos] == '\n') ++FLine;
            ++FPos;
        }
    }

    [[noreturn]] void FailEof() const { Fail(FLastContentLine, "unexpected end of file"); }

    void Lex()
    {
        SkipSpace();
        FToken = TToken();
        FToken.Line = FLine;
        if (AtEnd()) {
            FToken.Line = FLastContentLine;
            return;
        }
        const size_t start = FPos;
        const unsigned char c = Ch(FPos);
        if (IsLetter(c)) {
            LexIdentifier();
        } else if (IsDigit(c) || c == '$' || ((c == '-' || c == '+') && (IsDigit(Ch(FPos + 1)) || Ch(FPos + 1) == '$'))) {
            LexNumber();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else if (c == '{') {
            LexBinary();
        } else if (c == '=' || c == ':' || c == ',' || c == '+' || c == '[' || c == ']' || c == '(' || c == ')'
                   || c == '<' || c == '>') {
            FToken.Kind = TTokenKind::Symbol;
            ++FPos;
        } else if (c > ' ' && c < 127) {
            Fail(FLine, "invalid character '" + std::string(1, static_cast<char>(c)) + "'");
        } else {
            Fail(FLine, "invalid character #" + IntToStr(c));
        }
        FToken.Raw = FText.substr(start, FPos - start);
        FLastContentLine = FLine;
    }

    void LexIdentifier()
    {
        FToken.Kind = TTokenKind::Identifier;
        for (;;) {
            while (IsIdentChar(Ch(FPos))) ++FPos;
            if (Ch(FPos) != '.' || !IsLetter(Ch(FPos + 1))) break;
            ++FPos;
        }
    }

    void LexNumber()
    {
        const size_t start = FPos;
        bool negative = false;
        if (Ch(FPos) == '-' || Ch(FPos) == '+') {
            negative = Ch(FPos) == '-';
            ++FPos;
        }
        if (Ch(FPos) == '$') {
            // Hex is a bit pattern: $FFFFFFFFFFFFFFFF is -1, as the integer it stores.
            ++FPos;
            if (HexDigit(Ch(FPos)) < 0) Fail(FLine, "hex digits expected after '$'");
            std::uint64_t value = 0;
            for (int d; (d = HexDigit(Ch(FPos))) >= 0; ++FPos) {
                if (value > (UINT64_MAX >> 4)) Fail(FLine, "integer out of range");
                value = (value << 4) | static_cast<std::uint64_t>(d);
            }
            if (negative) value = 0 - value;
            FToken.Kind = TTokenKind::Integer;
            FToken.Integer = static_cast<long long>(value);
            CheckNumberEnd(start);
            return;
        }
        const size_t digits = FPos;
        while (IsDigit(Ch(FPos))) ++FPos;
        bool isFloat = false;
        if (Ch(FPos) == '.' && IsDigit(Ch(FPos + 1))) {
            isFloat = true;
            ++FPos;
            while (IsDigit(Ch(FPos))) ++FPos;
        }
        if (Ch(FPos) == 'e' || Ch(FPos) == 'E') {
            size_t p = FPos + 1;
            if (Ch(p) == '+' || Ch(p) == '-') ++p;
            if (!IsDigit(Ch(p))) Fail(FLine, "invalid number " + Quoted(FText.substr(start, p - start)));
            while (IsDigit(Ch(p))) ++p;
            FPos = p;
            isFloat = true;
        }
        if (isFloat) {
            double value = 0;
            const TFloatRead read = ReadFloat(FText.substr(start, FPos - start), value);
            if (read == TFloatRead::OutOfRange) Fail(FLine, "number out of range " + Quoted(FText.substr(start, FPos - start)));
            if (read != TFloatRead::Ok) Fail(FLine, "invalid number " + Quoted(FText.substr(start, FPos - start)));
            FToken.Kind = TTokenKind::Float;
            FToken.Float = value;
        } else {
            const std::uint64_t limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
            std::uint64_t value = 0;
            for (size_t p = digits; p < FPos; ++p) {
                const unsigned d = Ch(p) - '0';
                if (value > (limit - d) / 10) Fail(FLine, "integer out of range " + Quoted(FText.substr(start, FPos - start)));
                value = value * 10 + d;
            }
            FToken.Kind = TTokenKind::Integer;
            FToken.Integer = static_cast<long long>(negative ? 0 - value : value);
        }
        CheckNumberEnd(start);
    }

    // "12px" or "1.5.2" is one bad token, not a number followed by something else.
    void CheckNumberEnd(size_t start)
    {
        if (IsIdentChar(Ch(FPos)) || Ch(FPos) == '.' || Ch(FPos) == '$') {
            size_t end = FPos;
            while (IsIdentChar(Ch(end)) || Ch(end) == '.' || Ch(end) == '$') ++end;
            Fail(FLine, "invalid number " + Quoted(FText.substr(start, end - start)));
        }
    }

    // One string value: quoted runs and #codes written together, pieces joined by '+'
    // across white space and line ends.
    void LexString()
    {
        FToken.Kind = TTokenKind::String;
        for (;;) {
            LexStringPiece();
            // Look past white space for a '+' joining the next piece; anything else
            // (including a signed number such as +5) belongs to the next token.
            const size_t savedPos = FPos;
            const int savedLine = FLine;
            SkipSpace();
            if (Ch(FPos) != '+' || IsDigit(Ch(FPos + 1)) || Ch(FPos + 1) == '$') {
                FPos = savedPos;
                FLine = savedLine;
                return;
            }
            ++FPos;
            FLastContentLine = FLine;
            SkipSpace();
            if (AtEnd()) FailEof();
            if (Ch(FPos) != '\'' && Ch(FPos) != '#') Fail(FLine, "string expected after '+'");
        }
    }

    void LexStringPiece()
    {
        for (;;) {
            const unsigned char c = Ch(FPos);
            if (AtEnd()) return;
            if (c == '\'') {
                ++FPos;
                for (;;) {
                    if (AtEnd()) Fail(FLine, "unterminated string");
                    const char q = FText[FPos];
                    if (q == '\r' || q == '\n') Fail(FLine, "string crosses a line end");
                    ++FPos;
                    if (q == '\'') {
                        if (Ch(FPos) != '\'') break;
                        ++FPos;
                    }
                    FToken.Text += q;
                }
            } else if (c == '#') {
                ++FPos;
                if (!IsDigit(Ch(FPos))) Fail(FLine, "character code digits expected after '#'");
                unsigned code = 0;
                while (IsDigit(Ch(FPos))) {
                    if (code <= 255) code = code * 10 + (Ch(FPos) - '0');
                    ++FPos;
                }
                if (code > 255) Fail(FLine, "character code out of range (0..255)");
                FToken.Text += static_cast<char>(code);
            } else {
                return;
            }
        }
    }

    void LexBinary()
    {
        FToken.Kind = TTokenKind::Binary;
        const int startLine = FLine;
        ++FPos;
        int high = -1;
        for (;;) {
            if (AtEnd()) FailEof();
            const unsigned char c = Ch(FPos);
            if (c == '}') {
                ++FPos;
                break;
            }
            if (IsSpace(c)) {
                SkipSpace();
                continue;
            }
            const int d = HexDigit(c);
            if (d < 0) Fail(FLine, "invalid character in binary data");
            FLastContentLine = FLine;
            ++FPos;
            if (high < 0) {
                high = d;
            } else {
                FToken.Binary.push_back(static_cast<unsigned char>(high << 4 | d));
                high = -1;
            }
        }
        if (high >= 0) Fail(startLine, "odd number of hex digits in binary data");
    }

    void CheckDepth(int depth, int line) const
    {
        if (depth > FormTextMaxDepth) Fail(line, "nesting deeper than " + IntToStr(FormTextMaxDepth) + " levels");
    }

    bool PeekSymbol(char symbol)
    {
        const TToken& t = Peek();
        return t.Kind == TTokenKind::Symbol && t.Raw[0] == symbol;
    }

    // Expects Peek() to be the object keyword.
    TFormObject ParseObject(int depth)
    {
        TFormObject object;
        const std::string_view keyword = Peek().Raw;
        object.Line = Peek().Line;
        CheckDepth(depth, object.Line);
        object.Kind = SameText(keyword, "inherited") ? TFormObjectKind::Inherited
                    : SameText(keyword, "inline")    ? TFormObjectKind::Inline
                                                     : TFormObjectKind::Object;
        Consume();
        // The header is one line: otherwise "object Form1:" followed by a property line
        // would take the property name for the class name.
        const TToken& first = Peek();
        if (first.Kind != TTokenKind::Identifier || first.Line != object.Line)
            Fail(object.Line, "class name expected after '" + std::string(keyword) + "'");
        std::string firstName(first.Raw);
        Consume();
        if (PeekSymbol(':') && Peek().Line == object.Line) {
            Consume();
            const TToken& cls = Peek();
            if (cls.Kind != TTokenKind::Identifier || cls.Line != object.Line)
                Fail(object.Line, "class name expected after ':'");
            object.Name = std::move(firstName);
            object.ClassName = std::string(cls.Raw);
            Consume();
        } else {
            object.ClassName = std::move(firstName);
        }

        for (;;) {
            const TToken& t = Peek();
            if (t.Kind == TTokenKind::EndOfFile) FailEof();
            if (t.Kind != TTokenKind::Identifier) Fail(t.Line, Expected("property name, 'object' or 'end'", t));
            if (SameText(t.Raw, "end")) {
                Consume();
                return object;
            }
            if (IsObjectKeyword(t.Raw))
                object.Children.push_back(ParseObject(depth + 1));
            else
                object.Properties.push_back(ParseProperty(depth));
        }
    }

    // Expects Peek() to be the property name.
    TFormProperty ParseProperty(int depth)
    {
        TFormProperty property;
        const TToken& name = Peek();
        property.Name = std::string(name.Raw);
        property.Line = name.Line;
        FProperties.push_back(name.Raw);
        Consume();
        const TToken& eq = Peek();
        if (eq.Kind != TTokenKind::Symbol || eq.Raw[0] != '=') Fail(eq.Line, Expected("'='", eq));
        Consume();
        property.Value = ParseValue(depth, false);
        FProperties.pop_back();
        return property;
    }

    TFormValue ParseValue(int depth, bool inList)
    {
        TFormValue value;
        Peek();
        TToken& t = FToken; // mutable: string and binary bytes are moved out, not copied
        value.Line = t.Line;
        switch (t.Kind) {
        case TTokenKind::EndOfFile: FailEof();
        case TTokenKind::Integer:
            value.Kind = TFormValueKind::Integer;
            value.Integer = t.Integer;
            Consume();
            return value;
        case TTokenKind::Float:
            value.Kind = TFormValueKind::Float;
            value.Float = t.Float;
            Consume();
            return value;
        case TTokenKind::String:
            value.Kind = TFormValueKind::String;
            value.Text = std::move(t.Text);
            Consume();
            return value;
        case TTokenKind::Identifier:
            value.Kind = TFormValueKind::Identifier;
            value.Text = std::string(t.Raw);
            Consume();
            return value;
        case TTokenKind::Binary:
            value.Kind = TFormValueKind::Binary;
            value.Binary = std::move(t.Binary);
            Consume();
            return value;
        case TTokenKind::Symbol:
            break;
        }
        switch (t.Raw[0]) {
        case '[':
            Consume();
            value.Kind = TFormValueKind::Set;
            ParseSet(value);
            return value;
        case '(':
            if (inList) Fail(t.Line, "a list cannot hold another list");
            CheckDepth(depth + 1, t.Line);
            Consume();
            value.Kind = TFormValueKind::List;
            while (!PeekSymbol(')')) value.List.push_back(ParseValue(depth + 1, true));
            Consume();
            return value;
        case '<':
            CheckDepth(depth + 1, t.Line);
            Consume();
            value.Kind = TFormValueKind::Collection;
            ParseItems(value, depth + 1);
            return value;
        default:
            Fail(t.Line, Expected("value", t));
        }
    }

    void ParseSet(TFormValue& value)
    {
        if (PeekSymbol(']')) {
            Consume();
            return;
        }
        for (;;) {
            const TToken& member = Peek();
            if (member.Kind != TTokenKind::Identifier) Fail(member.Line, Expected("set member name", member));
            value.Set.emplace_back(member.Raw);
            Consume();
            const TToken& sep = Peek();
            if (sep.Kind == TTokenKind::Symbol && sep.Raw[0] == ']') {
                Consume();
                return;
            }
            if (sep.Kind != TTokenKind::Symbol || sep.Raw[0] != ',') Fail(sep.Line, Expected("',' or ']'", sep));
            Consume();
        }
    }

    void ParseItems(TFormValue& value, int depth)
    {
        for (;;) {
            const TToken& t = Peek();
            if (t.Kind == TTokenKind::Symbol && t.Raw[0] == '>') {
                Consume();
                return;
            }
            if (t.Kind != TTokenKind::Identifier || !SameText(t.Raw, "item")) Fail(t.Line, Expected("'item' or '>'", t));
            Consume();
            std::vector<TFormProperty>& item = value.Items.emplace_back();
            for (;;) {
                const TToken& p = Peek();
                if (p.Kind != TTokenKind::Identifier) Fail(p.Line, Expected("property name or 'end'", p));
                if (SameText(p.Raw, "end")) {
                    Consume();
                    break;
                }
                item.push_back(ParseProperty(depth));
            }
        }
    }
};

class TWriter {
public:
    std::string Run(const TFormObject& root)
    {
        WriteObject(root, 0, 1);
        return std::move(FOut);
    }

private:
    std::string FOut;

    static constexpr size_t StringPieceLength = 64;
    static constexpr size_t HexDigitsPerLine = 64;

    [[noreturn]] static void Refuse(std::string_view what, std::string_view name)
    {
        throw EInvalidOperation("Cannot write form text: " + std::string(what) + " " + Quoted(name));
    }

    static void CheckDepth(int depth)
    {
        if (depth > FormTextMaxDepth)
            throw EInvalidOperation("Cannot write form text: nesting deeper than " + IntToStr(FormTextMaxDepth) + " levels");
    }

    void Indent(int level) { FOut.append(static_cast<size_t>(level) * 2, ' '); }
    void NewLine() { FOut += "\r\n"; }

    void WriteObject(const TFormObject& object, int level, int depth)
    {
        CheckDepth(depth);
        if (!object.Name.empty() && !IsIdentifier(object.Name)) Refuse("object name", object.Name);
        if (!IsIdentifier(object.ClassName)) Refuse("class name", object.ClassName);
        Indent(level);
        FOut += object.Kind == TFormObjectKind::Inherited ? "inherited "
              : object.Kind == TFormObjectKind::Inline    ? "inline "
                                                          : "object ";
        if (!object.Name.empty()) {
            FOut += object.Name;
            FOut += ": ";
        }
        FOut += object.ClassName;
        NewLine();
        for (const TFormProperty& property : object.Properties) {
            if (IsObjectKeyword(property.Name)) Refuse("property named like a keyword", property.Name);
            WriteProperty(property, level + 1, depth);
        }
        for (const TFormObject& child : object.Children) WriteObject(child, level + 1, depth + 1);
        Indent(level);
        FOut += "end";
        NewLine();
    }

    void WriteProperty(const TFormProperty& property, int level, int depth)
    {
        if (!IsIdentifier(property.Name)) Refuse("property name", property.Name);
        if (SameText(property.Name, "end")) Refuse("property named like a keyword", property.Name);
        Indent(level);
        FOut += property.Name;
        if (property.Value.Kind == TFormValueKind::String) {
            std::vector<std::string> pieces = StringPieces(property.Value.Text);
            if (pieces.size() > 1) {
                // A long string starts on its own line so that its pieces line up.
                FOut += " =";
                NewLine();
                Indent(level + 1);
                WritePieces(pieces, level + 1);
                NewLine();
                return;
            }
        }
        FOut += " = ";
        WriteValue(property.Value, level, depth, false);
        NewLine();
    }

    // The caller has written the start of the line; continuation lines go one level
    // deeper than `level`.
    void WriteValue(const TFormValue& value, int level, int depth, bool inList)
    {
        switch (value.Kind) {
        case TFormValueKind::Integer:
            FOut += IntToStr(value.Integer);
            return;
        case TFormValueKind::Float:
            WriteFloat(value.Float);
            return;
        case TFormValueKind::String:
            WritePieces(StringPieces(value.Text), level);
            return;
        case TFormValueKind::Identifier:
            if (!IsIdentifier(value.Text)) Refuse("identifier value", value.Text);
            FOut += value.Text;
            return;
        case TFormValueKind::Set:
            FOut += '[';
            for (size_t i = 0; i < value.Set.size(); ++i) {
                if (!IsIdentifier(value.Set[i])) Refuse("set member", value.Set[i]);
                if (i > 0) FOut += ", ";
                FOut += value.Set[i];
            }
            FOut += ']';
            return;
        case TFormValueKind::Binary:
            WriteBinary(value.Binary, level);
            return;
        case TFormValueKind::List:
            if (inList) throw EInvalidOperation("Cannot write form text: a list cannot hold another list");
            CheckDepth(depth + 1);
            FOut += '(';
            for (const TFormValue& item : value.List) {
                NewLine();
                Indent(level + 1);
                WriteValue(item, level + 1, depth + 1, true);
            }
            FOut += ')';
            return;
        case TFormValueKind::Collection:
            CheckDepth(depth + 1);
            FOut += '<';
            for (const std::vector<TFormProperty>& item : value.Items) {
                NewLine();
                Indent(level + 1);
                FOut += "item";
                NewLine();
                for (const TFormProperty& property : item) WriteProperty(property, level + 2, depth + 1);
                Indent(level + 1);
                FOut += "end";
            }
            FOut += '>';
            return;
        }
        throw EInvalidOperation("Cannot write form text: unknown value kind");
    }

    void WriteFloat(double value)
    {
        if (!std::isfinite(value)) throw EInvalidOperation("Cannot write form text: float value is not finite");
        const std::string text = ShortestFloat(value);
        FOut += text;
        // "100" would read back as an Integer.
        if (text.find_first_of(".e") == std::string::npos) FOut += ".0";
    }

    // Printable ASCII goes in quoted runs, every other byte as #code, so the text stays
    // 7-bit and survives any editor; pieces of about StringPieceLength characters.
    static std::vector<std::string> StringPieces(std::string_view text)
    {
        std::vector<std::string> pieces;
        std::string piece;
        bool quoted = false;
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 32 && c <= 126) {
                if (!quoted) piece += '\'';
                quoted = true;
                piece += static_cast<char>(c);
                if (c == '\'') piece += '\'';
            } else {
                if (quoted) piece += '\'';
                quoted = false;
                piece += '#';
                piece += IntToStr(c);
            }
            if (piece.size() >= StringPieceLength && i + 1 < text.size()) {
                if (quoted) piece += '\'';
                quoted = false;
                pieces.push_back(std::move(piece));
                piece.clear();
            }
        }
        if (quoted) piece += '\'';
        if (piece.empty()) piece = "''";
        pieces.push_back(std::move(piece));
        return pieces;
    }

    void WritePieces(const std::vector<std::string>& pieces, int level)
    {
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0) {
                FOut += " +";
                NewLine();
                Indent(level);
            }
            FOut += pieces[i];
        }
    }

    void WriteBinary(const std::vector<unsigned char>& bytes, int level)
    {
        static const char Hex[] = "0123456789ABCDEF";
        FOut += '{';
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % (HexDigitsPerLine / 2) == 0) {
                NewLine();
                Indent(level + 1);
            }
            FOut += Hex[bytes[i] >> 4];
            FOut += Hex[bytes[i] & 15];
        }
        FOut += '}';
    }
};

} // namespace

TFormObject ParseFormText(std::string_view text)
{
    return TParser(text).Run();
}

std::string WriteFormText(const TFormObject& root)
{
    return TWriter().Run(root);
}
