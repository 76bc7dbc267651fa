// tests/native/vyHTTPTextTest.cpp
// The portable side of the HTTP client: "LInfo" bytes, base64, multipart pieces, URL
// and header texts, answer values and the progress figures.
#include "vyHTTPText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(LInfo, LayoutOfTheBytes)
{
    // N = 1 + 2 + 3 = 6; every byte after N is XORed with 6 ^ K.
    const Bytes got = EncodeLInfo("ab", "xyz");
    const unsigned char m = 6 ^ VyLInfoKey;
    const Bytes expected{6, static_cast<unsigned char>(2 ^ m), static_cast<unsigned char>('a' ^ m),
                         static_cast<unsigned char>('b' ^ m), static_cast<unsigned char>('x' ^ m),
                         static_cast<unsigned char>('y' ^ m), static_cast<unsigned char>('z' ^ m)};
    EXPECT_EQ(expected, got) << "count byte plain, the rest scrambled";
}

TEST(LInfo, RoundTrips)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"user", "secret"}, {"", "only-password"}, {"only-user", ""}, {std::string("\0\xff", 2), "\x7f\x80"},
        {std::string(127, 'u'), std::string(127, 'p')}, {std::string(254, 'u'), ""}, {"", std::string(254, 'p')}};
    for (const auto& [user, password] : cases) {
        const Bytes b = EncodeLInfo(user, password);
        ASSERT_EQ(1 + user.size() + password.size() + 1, b.size()) << "size for user of " << user.size();
        std::string u = "old", p = "old";
        DecodeLInfo(b.data(), b.size(), u, p);
        EXPECT_EQ(user, u) << "user name of length " << user.size();
        EXPECT_EQ(password, p) << "password of length " << password.size();
    }
}

TEST(LInfo, RefusesCredentialsThatDoNotFitOneCountByte)
{
    EXPECT_THROW(EncodeLInfo(std::string(200, 'u'), std::string(55, 'p')), EvyLInfoError) << "255 together";
    EXPECT_THROW(EncodeLInfo(std::string(256, 'u'), ""), EvyLInfoError) << "user name over 255";
    EXPECT_NO_THROW(EncodeLInfo(std::string(200, 'u'), std::string(54, 'p'))) << "254 together is the limit";
}

TEST(LInfo, RejectsCorruptData)
{
    std::string u = "keep", p = "keep";
    const Bytes good = EncodeLInfo("name", "pw");

    EXPECT_THROW(DecodeLInfo(nullptr, 0, u, p), EvyLInfoError) << "empty";
    const Bytes zero{0};
    EXPECT_THROW(DecodeLInfo(zero.data(), zero.size(), u, p), EvyLInfoError) << "N = 0";
    for (size_t cut = 1; cut < good.size(); ++cut)
        EXPECT_THROW(DecodeLInfo(good.data(), cut, u, p), EvyLInfoError) << "truncated to " << cut << " bytes";
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_THROW(DecodeLInfo(longer.data(), longer.size(), u, p), EvyLInfoError) << "trailing byte";
    Bytes badLength = good;
    badLength[1] = static_cast<unsigned char>(200 ^ (good[0] ^ VyLInfoKey));
    EXPECT_THROW(DecodeLInfo(badLength.data(), badLength.size(), u, p), EvyLInfoError) << "user length past the data";
    EXPECT_EQ("keep", u) << "a rejected LInfo leaves the user name alone";
    EXPECT_EQ("keep", p) << "a rejected LInfo leaves the password alone";
}

TEST(LInfo, ErrorsSayWhatIsWrong)
{
    std::string u, p;
    const Bytes nine{9, 1, 2}, good = EncodeLInfo("name", "pw"); // N = 7: the length byte and 6 characters
    Bytes userOfSeven = good;
    userOfSeven[1] = static_cast<unsigned char>(7 ^ (7 ^ VyLInfoKey));
    const struct {
        const Bytes* Data;
        size_t Size;
        const char* Message;
    } cases[] = {
        {&good, 0, "LInfo is empty"},
        {&nine, 1, "LInfo is truncated"},
        {&nine, 3, "LInfo is truncated"},
        {&userOfSeven, userOfSeven.size(), "LInfo user name is longer than its data"},
    };
    for (const auto& c : cases) {
        const Bytes exact(c.Data->begin(), c.Data->begin() + static_cast<std::ptrdiff_t>(c.Size));
        try {
            DecodeLInfo(c.Size ? exact.data() : c.Data->data(), c.Size, u, p);
            ADD_FAILURE() << "no exception for " << c.Message;
        } catch (const EvyLInfoError& e) {
            EXPECT_EQ(std::string(c.Message), e.what());
        }
    }
}

TEST(Base64, KnownVectors)
{
    // RFC 4648 test vectors.
    EXPECT_EQ("", Base64Encode(""));
    EXPECT_EQ("Zg==", Base64Encode("f"));
    EXPECT_EQ("Zm8=", Base64Encode("fo"));
    EXPECT_EQ("Zm9v", Base64Encode("foo"));
    EXPECT_EQ("Zm9vYg==", Base64Encode("foob"));
    EXPECT_EQ("Zm9vYmE=", Base64Encode("fooba"));
    EXPECT_EQ("Zm9vYmFy", Base64Encode("foobar"));
    EXPECT_EQ("+/+/", Base64Encode("\xfb\xff\xbf")) << "the last two letters of the alphabet";
    EXPECT_EQ("ABA=", Base64Encode(std::string("\0\x10", 2))) << "an odd second letter before the padding";
}

TEST(Base64, LineBreakAfterEvery80Characters)
{
    // 60 bytes give exactly 80 characters: no break at the end.
    const std::string sixty(60, 'A');
    const std::string line = Base64Encode(sixty);
    EXPECT_EQ(80u, line.size());
    EXPECT_EQ(std::string::npos, line.find('\r')) << "one full line only";

    const std::string out = Base64Encode(std::string(121, 'A')); // 164 characters
    ASSERT_EQ(164u + 4u, out.size()) << out;
    EXPECT_EQ("\r\n", out.substr(80, 2)) << "after the first 80";
    EXPECT_EQ("\r\n", out.substr(162, 2)) << "after the second 80";
    EXPECT_EQ(line, out.substr(0, 80));
}

TEST(Multipart, BoundaryAndPieces)
{
    EXPECT_EQ("---ATTACH-BOUNDARY-0-Zm9vYmFy---", MultipartBoundary("foobar"));
    EXPECT_EQ("Content-Type: multipart/form-data, boundary=B", MultipartContentTypeLine("B"));
    EXPECT_EQ("--B\r\nContent-Disposition: form-data; name=\"field\"\r\n\r\n",
              MultipartPartHead("B", "field", "", "text/plain"))
        << "a plain field has no file name and no type";
    EXPECT_EQ("--B\r\nContent-Disposition: form-data; name=\"up\"; filename=\"a.txt\"\r\nContent-Type: text/plain\r\n\r\n",
              MultipartPartHead("B", "up", "a.txt", "text/plain"));
    EXPECT_EQ("--B--\r\n", MultipartEnd("B"));
}

TEST(Multipart, NamesCannotBreakOutOfTheirHeader)
{
    const std::string head = MultipartPartHead("B", "a\"b\r\nX-Evil: 1", "f\".txt", "t/x");
    EXPECT_EQ("--B\r\nContent-Disposition: form-data; name=\"a%22b%0D%0AX-Evil: 1\"; filename=\"f%22.txt\"\r\n"
              "Content-Type: t/x\r\n\r\n",
              head);
}

TEST(URLText, SchemeIsAddedOnlyWhenMissing)
{
    EXPECT_EQ("http://host/a", URLWithScheme("host/a"));
    EXPECT_EQ("https://host/a", URLWithScheme("https://host/a"));
    EXPECT_EQ("ftp://x", URLWithScheme("ftp://x"));
}

TEST(URLText, FileNameOfURL)
{
    EXPECT_EQ("setup.exe", FileNameOfURL("http://host/dir/setup.exe"));
    EXPECT_EQ("get.php?f=a", FileNameOfURL("http://host/dir/get.php?f=a")) << "query stays attached";
    EXPECT_EQ("b.txt", FileNameOfURL("C:\\dir\\b.txt"));
    EXPECT_EQ("c", FileNameOfURL("x:c"));
    EXPECT_EQ("", FileNameOfURL("http://host/dir/"));
    EXPECT_EQ("setup.exe", FileNameOfURL("setup.exe"));
    EXPECT_EQ("a", FileNameOfURL("/a"));
    EXPECT_EQ(255u, FileNameOfURL("http://h/" + std::string(300, 'n')).size()) << "at most 255 characters";
}

TEST(URLText, ExtensionOf)
{
    EXPECT_EQ(".txt", ExtensionOf("a.txt"));
    EXPECT_EQ(".gz", ExtensionOf("C:\\dir\\a.tar.gz"));
    EXPECT_EQ("", ExtensionOf("C:\\dir.d\\noext")) << "a dot in a folder name";
    EXPECT_EQ("", ExtensionOf("dir.d/noext"));
    EXPECT_EQ("", ExtensionOf(""));
    EXPECT_EQ(".", ExtensionOf("trailing."));
    EXPECT_EQ(".txt", ExtensionOf(".txt"));
}

TEST(URLText, NormalizeExtension)
{
    EXPECT_EQ(".txt", NormalizeExtension("TXT"));
    EXPECT_EQ(".html", NormalizeExtension(".HtMl"));
    EXPECT_EQ(".az", NormalizeExtension("AZ"));
    EXPECT_EQ("", NormalizeExtension(""));
}

TEST(RequestHeaders, LinesAndRange)
{
    EXPECT_EQ("", ExtraRequestHeaders({}, 0, 0)) << "nothing at all: no text";
    EXPECT_EQ("A: 1\r\nB: 2\r\n", ExtraRequestHeaders({"A: 1", "B: 2"}, 0, 0));
    EXPECT_EQ("RANGE: bytes=100-\r\n", ExtraRequestHeaders({}, 100, 0)) << "open end";
    EXPECT_EQ("X: y\r\nRANGE: bytes=0-99\r\n", ExtraRequestHeaders({"X: y"}, 0, 99)) << "end only";
    EXPECT_EQ("RANGE: bytes=5-9\r\n", ExtraRequestHeaders({}, 5, 9));
}

TEST(RequestHeaders, BasicAuthorizationIsOneLine)
{
    EXPECT_EQ("Authorization: Basic dXNlcjpwdw==\r\n", BasicAuthorizationLine("user", "pw"));
    const std::string longLine = BasicAuthorizationLine(std::string(200, 'u'), std::string(200, 'p'));
    EXPECT_EQ(longLine.size() - 2, longLine.find("\r\n")) << "no break inside a long value";
}

TEST(AnswerValues, StatusCode)
{
    EXPECT_EQ(200, ParseStatusCode("200"));
    EXPECT_EQ(409, ParseStatusCode(" 409 "));
    EXPECT_EQ(999999999, ParseStatusCode("999999999"));
    EXPECT_EQ(0, ParseStatusCode("1000000000")) << "ten digits";
    EXPECT_EQ(0, ParseStatusCode(""));
    EXPECT_EQ(0, ParseStatusCode("2x0"));
    EXPECT_EQ(0, ParseStatusCode("99999999999")) << "too long to be a status";
}

TEST(AnswerValues, ContentLength)
{
    EXPECT_EQ(0, ParseContentLength("0"));
    EXPECT_EQ(1239, ParseContentLength(" 1239 "));
    EXPECT_EQ(2147483647, ParseContentLength("2147483647"));
    EXPECT_THROW(ParseContentLength("2147483648"), Exception) << "over 32 bits";
    EXPECT_THROW(ParseContentLength("99999999999999999999999"), Exception) << "far over";
    EXPECT_THROW(ParseContentLength("abc"), Exception);
    EXPECT_THROW(ParseContentLength("-5"), Exception) << "negative";
    EXPECT_THROW(ParseContentLength(""), Exception) << "empty";
    EXPECT_THROW(ParseContentLength("12 34"), Exception) << "blank inside";
    try {
        ParseContentLength("abc");
    } catch (const Exception& e) {
        EXPECT_EQ(std::string("'abc' is not a valid Content-Length"), e.what());
    }
    try {
        ParseContentLength(std::string(39, 'x') + "yz");
    } catch (const Exception& e) {
        EXPECT_EQ("'" + std::string(39, 'x') + "y' is not a valid Content-Length", e.what()) << "shown to 40 characters";
    }
}

TEST(Progress, PercentsDoneRoundsHalvesToEven)
{
    EXPECT_EQ(0, TransferFigures(200, 1, 0).PercentsDone) << "0.5 goes to even 0";
    EXPECT_EQ(2, TransferFigures(200, 3, 0).PercentsDone) << "1.5 goes to even 2";
    EXPECT_EQ(33, TransferFigures(3, 1, 0).PercentsDone);
    EXPECT_EQ(100, TransferFigures(7, 7, 0).PercentsDone);
}

TEST(Progress, EstimateRoundsHalvesToEven)
{
    // 2000 of 5000 bytes after 1 s: 2.5 s in all goes to 2, so 1 s left.
    EXPECT_EQ(1, TransferFigures(5000, 2000, 1000).EstimatedTimeLeft);
    // 2000 of 7000 after 1 s: 3.5 goes to 4, so 3 s left.
    EXPECT_EQ(3, TransferFigures(7000, 2000, 1000).EstimatedTimeLeft);
}

TEST(Progress, FiguresWithKnownLength)
{
    // 1000 of 4000 bytes after 2.5 s: 25 %, 2 s elapsed, round(4 * 2) - 2 = 6 s left.
    const TvyTransferFigures f = TransferFigures(4000, 1000, 2500);
    EXPECT_EQ(25, f.PercentsDone);
    EXPECT_EQ(2, f.ElapsedTime);
    EXPECT_EQ(6, f.EstimatedTimeLeft);
    EXPECT_FLOAT_EQ(1000 / 1024.0f / 2, f.TransferRate);
}

TEST(Progress, FirstSecondRateIsTheKilobytesSoFar)
{
    const TvyTransferFigures f = TransferFigures(10000, 2048, 999);
    EXPECT_EQ(0, f.ElapsedTime);
    EXPECT_FLOAT_EQ(2.0f, f.TransferRate) << "not divided by a zero elapsed time";
    EXPECT_EQ(0, f.EstimatedTimeLeft);
    EXPECT_EQ(20, f.PercentsDone);
}

TEST(Progress, UnknownLength)
{
    const TvyTransferFigures f = TransferFigures(0, 5000, 3000);
    EXPECT_EQ(0, f.PercentsDone) << "no length, no percentage";
    EXPECT_EQ(3, f.ElapsedTime);
    EXPECT_EQ(-3, f.EstimatedTimeLeft) << "minus the elapsed time";
    EXPECT_EQ(-3, TransferFigures(1000, 0, 3000).EstimatedTimeLeft) << "nothing read yet: minus the elapsed time too";
}

TEST(Progress, HugeEstimatesDoNotOverflow)
{
    const TvyTransferFigures f = TransferFigures(2147483647, 1, 4000000000UL);
    EXPECT_EQ(4000000, f.ElapsedTime);
    EXPECT_EQ(2147483647, f.EstimatedTimeLeft) << "clamped";
}

} // namespace
