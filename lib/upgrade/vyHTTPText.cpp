// lib/upgrade/vyHTTPText.cpp
#include "vyHTTPText.h"

#include <climits>
#include <cmath>

#include "vyClassesText.h"

namespace {

const char CRLF[] = "\r\n";

// Names in a part's header are quoted: a quote, CR or LF would end it early.
std::string QuotedName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (char ch : name) {
        switch (ch) {
        case '"': out += "%22"; break;
        case '\r': out += "%0D"; break;
        case '\n': out += "%0A"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

int ClampToInt(double value)
{
    if (!(value == value)) return 0; // NaN
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

// --- "LInfo" ---------------------------------------------------------------------------

std::vector<unsigned char> EncodeLInfo(std::string_view user, std::string_view password)
{
    if (user.size() > VyCredentialMax || password.size() > VyCredentialMax ||
        user.size() + password.size() > VyLInfoCredentialsMax)
        throw EvyLInfoError("User name and password together exceed 254 characters");
    const size_t n = 1 + user.size() + password.size();
    const auto mask = static_cast<unsigned char>(n ^ VyLInfoKey);
    std::vector<unsigned char> out;
    out.reserve(1 + n);
    out.push_back(static_cast<unsigned char>(n));
    out.push_back(static_cast<unsigned char>(user.size() ^ mask));
    for (char ch : user) out.push_back(static_cast<unsigned char>(static_cast<unsigned char>(ch) ^ mask));
    for (char ch : password) out.push_back(static_cast<unsigned char>(static_cast<unsigned char>(ch) ^ mask));
    return out;
}

void DecodeLInfo(const unsigned char* data, size_t size, std::string& user, std::string& password)
{
    if (size == 0 || !data) throw EvyLInfoError("LInfo is empty");
    const size_t n = data[0];
    if (n == 0) throw EvyLInfoError("LInfo holds no user name length");
    if (size - 1 < n) throw EvyLInfoError("LInfo is truncated");
    if (size - 1 > n) throw EvyLInfoError("LInfo has data after its end");
    const auto mask = static_cast<unsigned char>(n ^ VyLInfoKey);
    const size_t userLength = static_cast<unsigned char>(data[1] ^ mask);
    if (userLength > n - 1) throw EvyLInfoError("LInfo user name is longer than its data");
    std::string u, p;
    u.reserve(userLength);
    for (size_t i = 0; i < userLength; ++i) u += static_cast<char>(data[2 + i] ^ mask);
    for (size_t i = 2 + userLength; i < 1 + n; ++i) p += static_cast<char>(data[i] ^ mask);
    user = std::move(u);
    password = std::move(p);
}

// --- Texts -----------------------------------------------------------------------------

std::string Base64Encode(std::string_view data)
{
    static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string plain;
    plain.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(data[i]) << 16 | static_cast<unsigned char>(data[i + 1]) << 8 |
                           static_cast<unsigned char>(data[i + 2]);
        plain += Alphabet[v >> 18 & 63];
        plain += Alphabet[v >> 12 & 63];
        plain += Alphabet[v >> 6 & 63];
        plain += Alphabet[v & 63];
    }
    const size_t rest = data.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        if (rest == 2) v |= static_cast<unsigned char>(data[i + 1]) << 8;
        plain += Alphabet[v >> 18 & 63];
        plain += Alphabet[v >> 12 & 63];
        plain += rest == 2 ? Alphabet[v >> 6 & 63] : '=';
        plain += '=';
    }
    std::string out;
    out.reserve(plain.size() + plain.size() / 80 * 2);
    for (size_t pos = 0; pos < plain.size(); pos += 80) {
        if (pos > 0) out += CRLF;
        out.append(plain, pos, 80);
    }
    return out;
}

std::string MultipartBoundary(std::string_view dateTimeText)
{
    return "---ATTACH-BOUNDARY-0-" + Base64Encode(dateTimeText) + "---";
}

std::string MultipartContentTypeLine(std::string_view boundary)
{
    return "Content-Type: multipart/form-data, boundary=" + std::string(boundary);
}

std::string MultipartPartHead(std::string_view boundary, std::string_view fieldName, std::string_view fileName,
                              std::string_view contentType)
{
    std::string out = "--" + std::string(boundary) + CRLF;
    out += "Content-Disposition: form-data; name=\"" + QuotedName(fieldName) + "\"";
    if (!fileName.empty()) {
        out += "; filename=\"" + QuotedName(fileName) + "\"" + CRLF;
        out += "Content-Type: " + QuotedName(contentType);
    }
    out += CRLF;
    out += CRLF;
    return out;
}

std::string MultipartEnd(std::string_view boundary)
{
    return "--" + std::string(boundary) + "--" + CRLF;
}

std::string URLWithScheme(std::string_view url)
{
    if (url.find("://") != std::string_view::npos) return std::string(url);
    return "http://" + std::string(url);
}

std::string FileNameOfURL(std::string_view url)
{
    size_t start = 0;
    for (size_t i = 0; i < url.size(); ++i)
        if (url[i] == '/' || url[i] == '\\' || url[i] == ':') start = i + 1;
    return std::string(url.substr(start, 255));
}

std::string ExtensionOf(std::string_view fileName)
{
    for (size_t i = fileName.size(); i > 0; --i) {
        const char ch = fileName[i - 1];
        if (ch == '.') return std::string(fileName.substr(i - 1));
        if (ch == '\\' || ch == '/' || ch == ':') break;
    }
    return {};
}

std::string NormalizeExtension(std::string_view extension)
{
    if (extension.empty()) return {};
    std::string out;
    if (extension.front() != '.') out += '.';
    for (char ch : extension) out += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    return out;
}

std::string ExtraRequestHeaders(const std::vector<std::string>& lines, int startRange, int endRange)
{
    std::string out;
    for (const auto& line : lines) out += line + CRLF;
    if (startRange != 0 || endRange != 0) {
        out += "RANGE: bytes=" + IntToStr(startRange) + "-";
        if (endRange != 0) out += IntToStr(endRange);
        out += CRLF;
    }
    return out;
}

std::string BasicAuthorizationLine(std::string_view user, std::string_view password)
{
    std::string encoded = Base64Encode(std::string(user) + ":" + std::string(password));
    std::string oneLine;
    for (char ch : encoded)
        if (ch != '\r' && ch != '\n') oneLine += ch;
    return "Authorization: Basic " + oneLine + CRLF;
}

int ParseStatusCode(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 9) return 0;
    int value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return 0;
        value = value * 10 + (ch - '0');
    }
    return value;
}

int ParseContentLength(std::string_view text)
{
    std::string_view t = TrimBlanks(text);
    bool ok = !t.empty();
    long long value = 0;
    for (char ch : t) {
        if (ch < '0' || ch > '9' || value > INT_MAX) {
            ok = false;
            break;
        }
        value = value * 10 + (ch - '0');
    }
    if (!ok || value > INT_MAX) {
        // Outside text: shown shortened.
        std::string shown(text.substr(0, 40));
        throw Exception("'" + shown + "' is not a valid Content-Length");
    }
    return static_cast<int>(value);
}

// --- Progress --------------------------------------------------------------------------

TvyTransferFigures TransferFigures(int fileSize, int bytesRead, unsigned long elapsedMs)
{
    TvyTransferFigures f;
    f.PercentsDone = Percent(bytesRead, fileSize);
    f.ElapsedTime = static_cast<int>(elapsedMs / 1000 > INT_MAX ? INT_MAX : elapsedMs / 1000);
    const double elapsed = f.ElapsedTime;
    if (bytesRead > 0)
        f.EstimatedTimeLeft =
            ClampToInt(static_cast<double>(RoundHalfEven(static_cast<long double>(fileSize) / bytesRead * static_cast<long double>(elapsed))) - elapsed);
    else
        f.EstimatedTimeLeft = -f.ElapsedTime; // nothing read yet: nothing to extrapolate
    double rate = bytesRead / 1024.0;
    if (f.ElapsedTime != 0) rate /= elapsed;
    f.TransferRate = static_cast<float>(rate);
    return f;
}
