// tests/win/support/Pictures.cpp
#include "Pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

std::string Hex(COLORREF c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06lX", static_cast<unsigned long>(c));
    return buf;
}

void ExpectPixels(int width, int height, const std::function<COLORREF(int, int)>& actual,
                  const std::function<COLORREF(int, int)>& expected, const std::string& what)
{
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF e = expected(x, y), a = actual(x, y);
            if (e != a && ++wrong <= 4)
                ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") expected " << Hex(e) << " got " << Hex(a);
        }
    EXPECT_EQ(0, wrong) << what << ": differing pixels";
}

void ExpectPixels(const TDibTarget& target, const std::function<COLORREF(int, int)>& expected, const std::string& what)
{
    ExpectPixels(target.Width(), target.Height(), [&](int x, int y) { return target.Pixel(x, y); }, expected, what);
}

void ExpectSamePixels(TBitmap& expected, TBitmap& actual, const std::string& what)
{
    ASSERT_EQ(expected.Width(), actual.Width()) << what << ": width";
    ASSERT_EQ(expected.Height(), actual.Height()) << what << ": height";
    ExpectPixels(
        expected.Width(), expected.Height(), [&](int x, int y) { return actual.Canvas()->Pixel(x, y); },
        [&](int x, int y) { return expected.Canvas()->Pixel(x, y); }, what);
}

std::vector<COLORREF> PixelsOf(TBitmap& bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> raw(static_cast<size_t>(w) * h);
    HBITMAP handle = bitmap.Handle();
    HDC dc = GetDC(nullptr);
    const int lines = GetDIBits(dc, handle, 0, h, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    std::vector<COLORREF> out(raw.size());
    if (lines != h) return out;
    for (size_t i = 0; i < raw.size(); ++i) out[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
    return out;
}

void CaptureScreen(const RECT& r, TBitmap& bitmap)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    bitmap.SetWidth(w);
    bitmap.SetHeight(h);
    HDC screen = GetDC(nullptr);
    BitBlt(bitmap.Canvas()->Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
}

std::string ArtifactFolder()
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TG_ARTIFACTS", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) {
        std::string folder = buf;
        if (folder[0] == '/') folder = "Z:" + folder;
        return folder;
    }
    n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string exe(buf, n);
    size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

bool WriteBmp(const std::string& path, int w, int h, const std::vector<COLORREF>& px)
{
    const int rowBytes = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = static_cast<DWORD>(rowBytes * h);
    fh.bfType = 0x4D42; // "BM"
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::vector<unsigned char> data(ih.biSizeImage);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = px[static_cast<size_t>(h - 1 - y) * w + x];
            unsigned char* p = &data[static_cast<size_t>(y) * rowBytes + x * 3];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
              std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

std::string SaveArtifact(TBitmap& bitmap, const std::string& name)
{
    const std::string path = ArtifactFolder() + "\\" + name + ".bmp";
    return WriteBmp(path, bitmap.Width(), bitmap.Height(), PixelsOf(bitmap)) ? path : std::string();
}

namespace {


uint32_t Crc(const unsigned char* p, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBE(std::string& s, uint32_t v)
{
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    PutBE(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    PutBE(png, Crc(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

} // namespace

// Writes rgb rows (3 bytes a pixel) as a PNG with stored (uncompressed) deflate blocks, into
// the current directory (the build folder when run by the test runner).
bool WritePng(const std::string& name, int width, int height, const std::vector<unsigned char>& rgb)
{
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.append(reinterpret_cast<const char*>(rgb.data()) + static_cast<size_t>(y) * width * 3,
                   static_cast<size_t>(width) * 3);
    }
    std::string z = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, at, n);
        if (raw.empty()) break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE(z, (b << 16) | a);
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    PutBE(ihdr, static_cast<uint32_t>(width));
    PutBE(ihdr, static_cast<uint32_t>(height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) && written == png.size();
    CloseHandle(f);
    return ok;
}

bool SavePngArtifact(TBitmap& bitmap, const std::string& name)
{
    std::vector<unsigned char> rgb;
    for (COLORREF c : PixelsOf(bitmap)) {
        rgb.push_back(GetRValue(c));
        rgb.push_back(GetGValue(c));
        rgb.push_back(GetBValue(c));
    }
    return WritePng(ArtifactFolder() + "\\" + name, bitmap.Width(), bitmap.Height(), rgb);
}

TDibTarget::TDibTarget(int width, int height, COLORREF fill) : FWidth(width), FHeight(height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FBitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    FBits = static_cast<uint32_t*>(bits);
    FDC = CreateCompatibleDC(nullptr);
    FOld = SelectObject(FDC, FBitmap);
    Fill(fill);
    FCanvas.SetHandle(FDC);
}

TDibTarget::~TDibTarget()
{
    FCanvas.SetHandle(nullptr);
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
}

void TDibTarget::Fill(COLORREF c)
{
    GdiFlush();
    for (int i = 0; i < FWidth * FHeight; ++i) FBits[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

COLORREF TDibTarget::Pixel(int x, int y) const
{
    GdiFlush();
    const uint32_t v = FBits[y * FWidth + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int TDibTarget::CountOf(COLORREF c) const
{
    int n = 0;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) n += Pixel(x, y) == c;
    return n;
}

bool TDibTarget::SavePng(const std::string& name) const
{
    std::vector<unsigned char> rgb;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            const COLORREF c = Pixel(x, y);
            rgb.push_back(GetRValue(c));
            rgb.push_back(GetGValue(c));
            rgb.push_back(GetBValue(c));
        }
    return WritePng(name, FWidth, FHeight, rgb);
}

int Scaled(int a, int b, int c)
{
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

COLORREF Band(COLORREF c1, COLORREF c2, int i, int steps)
{
    auto channel = [&](int s, int e) { return s + Scaled(i, e - s, steps - 1); };
    return RGB(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
               channel(GetBValue(c1), GetBValue(c2)));
}

int BandAt(int p, int length)
{
    for (int i = 0; i < 255; ++i)
        if (Scaled(i, length, 255) <= p && p < Scaled(i + 1, length, 255)) return i;
    return -1;
}

std::unique_ptr<TDibTarget> ClientPicture(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    auto picture = std::make_unique<TDibTarget>(client.right, client.bottom, RGB(1, 2, 3));
    HDC dc = GetDC(window);
    BitBlt(picture->DC(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return picture;
}
