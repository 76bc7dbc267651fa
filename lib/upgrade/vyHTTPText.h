// lib/upgrade/vyHTTPText.h
// The portable side of unit vyHTTP: the scrambled credentials of "LInfo", base64, the
// multipart body pieces, URL texts, request header texts, answer header values and the
// progress figures. No <windows.h> here: compiled natively too, unit-tested and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

// --- "LInfo" ---------------------------------------------------------------------------
// Bytes: N = 1 + length(user) + length(password), stored plain; then N bytes, each XORed
// with (N XOR VyLInfoKey): the user name's length, the user name, the password.

// The format's fixed scrambling constant K.
inline constexpr unsigned char VyLInfoKey = 0x5A;
// Credentials are short strings; together they must fit N's one byte.
inline constexpr size_t VyCredentialMax = 255;
inline constexpr size_t VyLInfoCredentialsMax = 254;

// A stored "LInfo" that cannot be what the writer made.
class EvyLInfoError : public Exception {
public:
    using Exception::Exception;
};

// Throws EvyLInfoError when the two together exceed VyLInfoCredentialsMax characters.
std::vector<unsigned char> EncodeLInfo(std::string_view user, std::string_view password);
// Throws EvyLInfoError for anything the writer cannot have made (empty, truncated, trailing
// bytes, a user name longer than the data); never reads past size.
void DecodeLInfo(const unsigned char* data, size_t size, std::string& user, std::string& password);

// --- Texts -----------------------------------------------------------------------------

// RFC 2045 base64 with "=" padding; a CR LF follows every full 80-character line that has
// more output after it.
std::string Base64Encode(std::string_view data);

// "---ATTACH-BOUNDARY-0-" + base64 of the date and time text + "---".
std::string MultipartBoundary(std::string_view dateTimeText);
// "Content-Type: multipart/form-data, boundary=" + boundary.
std::string MultipartContentTypeLine(std::string_view boundary);
// The head of one part: delimiter, CR LF, the Content-Disposition line (with the file
// name and a Content-Type line when fileName is non-empty), then CR LF CR LF. Quotes, CR
// and LF in the names are percent-encoded so a name cannot end its header early.
std::string MultipartPartHead(std::string_view boundary, std::string_view fieldName, std::string_view fileName,
                              std::string_view contentType);
// The closing delimiter: "--" + boundary + "--" + CR LF.
std::string MultipartEnd(std::string_view boundary);

// The URL with "http://" in front when it holds no "://".
std::string URLWithScheme(std::string_view url);
// Every "/" made "\", then the text after the last "\" or ":", at most 255 characters.
std::string FileNameOfURL(std::string_view url);
// The extension of a file name with its dot: the text from the last "." that follows the
// last "\", "/" or ":"; empty when there is none.
std::string ExtensionOf(std::string_view fileName);
// The extension lower-cased (ASCII letters) with a "." in front when missing; empty stays
// empty.
std::string NormalizeExtension(std::string_view extension);

// The extra request headers: each line followed by CR LF, then, when start or end is
// non-zero, "RANGE: bytes=" + start + "-" + (end when non-zero) + CR LF.
std::string ExtraRequestHeaders(const std::vector<std::string>& lines, int startRange, int endRange);

// "Authorization: Basic " + base64 of user:password on one line, then CR LF.
std::string BasicAuthorizationLine(std::string_view user, std::string_view password);

// The status text as an integer; 0 when it is not one.
int ParseStatusCode(std::string_view text);
// The Content-Length text as a byte count. Throws Exception when it is not a whole number
// from 0 to 2147483647 (blanks around it are allowed).
int ParseContentLength(std::string_view text);

// --- Progress --------------------------------------------------------------------------

struct TvyTransferFigures {
    uint8_t PercentsDone = 0;
    int ElapsedTime = 0;       // seconds
    int EstimatedTimeLeft = 0; // seconds
    float TransferRate = 0;    // kilobytes per second
};

// The figures of a progress step, elapsedMs after the transfer started. PercentsDone is
// Percent(bytesRead, fileSize) of the shared utilities.
TvyTransferFigures TransferFigures(int fileSize, int bytesRead, unsigned long elapsedMs);
