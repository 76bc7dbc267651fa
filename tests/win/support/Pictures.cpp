// tests/win/support/Pictures.cpp
#include "Pictures.h"

#include <cstdint>
#include <cstdio>

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
