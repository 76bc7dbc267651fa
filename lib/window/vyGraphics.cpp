// lib/window/vyGraphics.cpp
#include "vyGraphics.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "FormText.h"
#include "GdiGuards.h"
#include "Forms.h"
#include "vyCursors.h"

namespace {

const char* const kOutOfResources = "Out of system resources";

// D := ((D xor P) and S) xor D: the brush where the (black and white) source is white, the
// target where it is black.
constexpr DWORD kBrushWhereWhite = 0x00E20746;
// Stands in for the transparent colour while the replacement colour is painted, when the
// two are the same, so that recoloured pixels do not turn see-through.
constexpr COLORREF kTransparentDetour = 0x654321;

// --- Colour names ----------------------------------------------------------------------

struct TColorName {
    const char* Name;
    unsigned Value;
};

constexpr TColorName kExtraColors[] = {
    {"clHotLight", 0x8000001A},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clContextHelp", 0xEEFFFF},
    {"clBrown", 0x003090},
    {"clOliveGreen", 0x003030},
    {"clDarkGreen", 0x003000},
    {"clDarkTeal", 0x603000},
    {"clIndigo", 0x903030},
    {"clSkyBlue", 0xFFC800},
    {"clNight", 0x303030},
    {"clOrange", 0x0068FF},
    {"clBlueGray", 0x906060},
    {"clLightOrange", 0x0098FF},
    {"clSeaGreen", 0x609830},
    {"clLightBlue", 0xFF6830},
    {"clMetal", 0x909090},
    {"clGold", 0x00C8FF},
    {"clLavender", 0xFF98C0},
    {"clCream", 0xA6CAF0},
    {"clPlum", 0x603090},
    {"clRose", 0xD098FF},
    {"clTan", 0xA0C8FF},
    {"clLightYellow", 0x90FFFF},
    {"clLightGreen", 0xD0FFD0},
    {"clLightTurquoise", 0xFFFFC0},
    {"clPaleBlue", 0xFFC890},
    {"clSoftBlue", 0xE6AA8C},
    {"clMoneyGreen", 0xC0DCC0},
    {"clDefault", 0x20000000},
};

void InitializeUnit()
{
    InitCursorSet();
    ColorIdents(); // the framework's names first, so that ours are put ahead of them
    TIdentMap& colors = IdentMap("TColor");
    if (colors.ToInt(kExtraColors[0].Name)) return; // initialised before
    // Each Add(..., true) goes in front: adding the last first keeps the table's order.
    for (auto it = std::rbegin(kExtraColors); it != std::rend(kExtraColors); ++it)
        colors.Add(it->Name, static_cast<TColor>(it->Value), true);
}

[[maybe_unused]] const bool gUnitRegistered =
    (RegisterUnitInitialization(UnitOrder::Graphics, "vyGraphics", InitializeUnit, nullptr), true);

// --- Small GDI owners ------------------------------------------------------------------

// A GDI object that must exist: a null one means GDI ran out.
class TGdiHandle : public TGdiObject {
public:
    explicit TGdiHandle(HGDIOBJ object) : TGdiObject(object)
    {
        if (!Get()) throw EOutOfResources(kOutOfResources);
    }
    HBITMAP Bitmap() const { return static_cast<HBITMAP>(Get()); }
};

HBITMAP ScreenBitmap(int width, int height)
{
    TScreenDC screen;
    return CreateCompatibleBitmap(screen.DC(), width, height);
}

// --- Byte-level stream helpers ---------------------------------------------------------

using Bytes = std::vector<unsigned char>;

Bytes ReadRest(TStream& stream)
{
    const long pos = stream.Position();
    const long size = stream.Size();
    Bytes data(pos < size ? static_cast<size_t>(size - pos) : 0);
    stream.ReadBuffer(data.data(), static_cast<long>(data.size()));
    return data;
}

void Write(TStream& stream, const void* data, size_t size)
{
    stream.WriteBuffer(data, static_cast<long>(size));
}

void Put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

uint32_t Get16(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
}

uint32_t Get32(const unsigned char* p)
{
    return Get16(p) | (Get16(p + 2) << 16);
}

template <class T>
T ReadStruct(const unsigned char* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

uint64_t DibStride(uint64_t width, unsigned bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// A DIB header we can hand to GDI without it reading past the data: a plain 40-byte
// header, a sane size, a depth Windows 95 knows, uncompressed or (a bitmap, bottom-up)
// run-length encoded at 8 or 4 bits, which GDI decodes within biSizeImage.
struct TDibLayout {
    BITMAPINFOHEADER Header;
    uint64_t Colors;     // colour table entries
    uint64_t BitsOffset; // from the header's start
    uint64_t BitsSize;
};

bool CheckDib(const unsigned char* p, size_t size, bool iconImage, TDibLayout& out)
{
    constexpr long kMaxSide = 4096;
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    const auto h = ReadStruct<BITMAPINFOHEADER>(p);
    const bool rle = !iconImage && h.biHeight > 0 && h.biSizeImage > 0 &&
                     ((h.biCompression == BI_RLE8 && h.biBitCount == 8) || (h.biCompression == BI_RLE4 && h.biBitCount == 4));
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || (h.biCompression != BI_RGB && !rle)) return false;
    const unsigned bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    long height = h.biHeight;
    if (iconImage) {
        if (height <= 0 || height % 2 != 0) return false;
        height /= 2;
    } else if (height < 0) {
        height = -height;
    }
    if (h.biWidth <= 0 || h.biWidth > kMaxSide || height <= 0 || height > kMaxSide) return false;
    const uint64_t maxColors = bits <= 8 ? (1u << bits) : 0;
    if (h.biClrUsed > maxColors && bits <= 8) return false;
    out.Header = h;
    out.Colors = bits <= 8 ? (h.biClrUsed ? h.biClrUsed : maxColors) : h.biClrUsed;
    if (out.Colors > 256) return false;
    out.BitsOffset = sizeof(BITMAPINFOHEADER) + out.Colors * sizeof(RGBQUAD);
    out.BitsSize = rle ? h.biSizeImage : DibStride(static_cast<uint64_t>(h.biWidth), bits) * static_cast<uint64_t>(height);
    // An icon image carries its 1-bit AND mask after the colour bits.
    if (iconImage) out.BitsSize += DibStride(static_cast<uint64_t>(h.biWidth), 1) * static_cast<uint64_t>(height);
    return true;
}

// The bits of a bitmap as a bottom-up DIB of the given depth, with its header and colour
// table (2 entries for 1 bit, none above 8).
struct TDib {
    Bytes Info; // BITMAPINFOHEADER and colour table
    Bytes Bits;
};

TDib GetDib(HBITMAP bitmap, int width, int height, unsigned bitCount)
{
    TDib dib;
    const size_t colors = bitCount <= 8 ? (1u << bitCount) : 0;
    dib.Info.resize(sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(static_cast<uint64_t>(width), bitCount) * static_cast<uint64_t>(height));
    std::memcpy(dib.Info.data(), &h, sizeof h);
    dib.Bits.resize(h.biSizeImage);
    TScreenDC screen;
    if (!GetDIBits(screen.DC(), bitmap, 0, static_cast<UINT>(height), dib.Bits.data(),
                   reinterpret_cast<BITMAPINFO*>(dib.Info.data()), DIB_RGB_COLORS))
        throw EInvalidGraphic("Cannot read the bitmap's pixels");
    // GetDIBits may rewrite the header; keep the fields the file formats rely on.
    std::memcpy(dib.Info.data(), &h, sizeof h);
    return dib;
}

[[noreturn]] void BadIcon()
{
    throw EInvalidGraphic("Invalid icon data");
}

[[noreturn]] void BadBitmap()
{
    throw EInvalidGraphic("Invalid bitmap data");
}

[[noreturn]] void BadMetafile()
{
    throw EInvalidGraphic("Invalid metafile data");
}

// --- Metafile checks -------------------------------------------------------------------

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeader = 22;
constexpr size_t kEmfMinHeader = 80;

// Walks the records of an enhanced metafile; true when they tile the data exactly from a
// header to an end-of-file record.
bool CheckEnhMetafile(const unsigned char* p, size_t size)
{
    if (size < kEmfMinHeader) return false;
    if (Get32(p) != EMR_HEADER || Get32(p + 40) != ENHMETA_SIGNATURE) return false;
    const uint32_t headerSize = Get32(p + 4);
    const uint32_t total = Get32(p + 48);
    if (headerSize < kEmfMinHeader || headerSize > total || total != size) return false;
    uint32_t last = 0;
    for (size_t at = 0; at < size;) {
        if (size - at < 8) return false;
        const uint32_t type = Get32(p + at);
        const uint32_t length = Get32(p + at + 4);
        if (length < 8 || length % 4 != 0 || length > size - at) return false;
        last = type;
        at += length;
    }
    return last == EMR_EOF;
}

// A placeable Windows metafile: its header, then a metafile whose records end in the
// end-of-file record (function 0).
bool CheckPlaceableMetafile(const unsigned char* p, size_t size)
{
    constexpr size_t kMetaHeader = 18;
    if (size < kPlaceableHeader + kMetaHeader) return false;
    const unsigned char* wmf = p + kPlaceableHeader;
    const size_t wmfSize = size - kPlaceableHeader;
    if (Get16(wmf + 2) != 9) return false; // header size in words
    const uint64_t total = static_cast<uint64_t>(Get32(wmf + 6)) * 2;
    if (total < kMetaHeader || total > wmfSize) return false;
    for (uint64_t at = kMetaHeader; at < total;) {
        if (total - at < 6) return false;
        const uint64_t length = static_cast<uint64_t>(Get32(wmf + at)) * 2;
        const uint32_t function = Get16(wmf + at + 4);
        if (length < 6 || length > total - at) return false;
        at += length;
        if (function == 0) return at == total;
    }
    return false;
}

// --- Picture data ----------------------------------------------------------------------

TFormValue BinaryValue(Bytes data)
{
    TFormValue v;
    v.Kind = TFormValueKind::Binary;
    v.Binary = std::move(data);
    return v;
}

const Bytes& BinaryOf(const std::string& name, const TFormValue& value)
{
    if (value.Kind != TFormValueKind::Binary)
        throw EReadError(value.Line, name, "Wrong value type: expected binary data");
    return value.Binary;
}

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& data)
{
    auto stream = std::make_unique<TMemoryStream>();
    Write(*stream, data.data(), data.size());
    stream->SetPosition(0);
    return stream;
}

std::unique_ptr<TMemoryStream> UnpackValue(const std::string& name, const TFormValue& value)
{
    auto packed = StreamOf(BinaryOf(name, value));
    return UnpackStream(*packed);
}

Bytes Packed(TMemoryStream& plain)
{
    TMemoryStream packed;
    PackStream(plain, packed);
    return packed.Bytes();
}

// --- Drawing helpers -------------------------------------------------------------------

// Clips a context to a rectangle for a while, then puts its own clipping back.
class TClipTo {
public:
    TClipTo(HDC dc, const RECT& r) : FDC(dc), FSaved(CreateRectRgn(0, 0, 0, 0))
    {
        FHadClip = FSaved && GetClipRgn(dc, FSaved) == 1;
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    ~TClipTo()
    {
        SelectClipRgn(FDC, FHadClip ? FSaved : nullptr);
        if (FSaved) DeleteObject(FSaved);
    }
    TClipTo(const TClipTo&) = delete;
    TClipTo& operator=(const TClipTo&) = delete;

private:
    HDC FDC;
    HRGN FSaved;
    bool FHadClip = false;
};

void FillIfAny(TCanvas* canvas, const RECT& r)
{
    if (r.right > r.left && r.bottom > r.top) canvas->FillRect(r);
}

// Turns every pixel of colour `from` in the w x h picture in dc into `to`: a mask of the
// old colour, then the new colour's brush through it.
void ChangeColor(HDC dc, int width, int height, COLORREF from, COLORREF to)
{
    TGdiHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
    TMemoryDC maskDC(mask.Bitmap());
    TGdiHandle brush(CreateSolidBrush(to));
    {
        const TDCBkColor back(dc, from);
        BitBlt(maskDC.DC(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    }
    const TDCColors colors(dc, RGB(0, 0, 0), RGB(255, 255, 255));
    const TSelectObject selected(dc, brush.Get());
    BitBlt(dc, 0, 0, width, height, maskDC.DC(), 0, 0, kBrushWhereWhite);
}

// Paints the white pixels of the monochrome mask in color onto dc at (x, y).
void PaintShape(HDC dc, int x, int y, int width, int height, HDC maskDC, COLORREF color)
{
    TGdiHandle brush(CreateSolidBrush(color));
    const HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, x, y, width, height, maskDC, 0, 0, kBrushWhereWhite);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
    SelectObject(dc, oldBrush);
}

// The embossed look of a disabled glyph: the shape in the highlight colour one pixel down
// and right, then in the shadow colour in place.
void Emboss(HDC dc, int x, int y, int width, int height, HDC shapeDC)
{
    PaintShape(dc, x + 1, y + 1, width, height, shapeDC, ColorToRGB(clBtnHighlight));
    PaintShape(dc, x, y, width, height, shapeDC, ColorToRGB(clBtnShadow));
}

// Writes into maskDC a mask of the pixels of picture (in dc) that are not `transparent`:
// white for the shape.
void ShapeMask(HDC maskDC, HDC dc, int width, int height, COLORREF transparent)
{
    PatBlt(maskDC, 0, 0, width, height, WHITENESS);
    const COLORREF oldBk = SetBkColor(dc, transparent);
    BitBlt(maskDC, 0, 0, width, height, dc, 0, 0, SRCINVERT);
    SetBkColor(dc, oldBk);
}

COLORREF ListColor(TColor color)
{
    if (color == clNone) return CLR_NONE;
    if (color == clDefault) return CLR_DEFAULT;
    return ColorToRGB(color);
}

void DrawListImage(HDC dc, int x, int y, TCustomImageList* images, int index, bool disabled, bool transparent)
{
    HIMAGELIST list = images->Handle();
    if (!disabled) {
        ImageList_DrawEx(list, index, dc, x, y, 0, 0, ListColor(images->BkColor()), ListColor(images->BlendColor()),
                         transparent ? ILD_TRANSPARENT : ILD_NORMAL);
        return;
    }
    int width = 0, height = 0;
    if (!ImageList_GetIconSize(list, &width, &height) || width <= 0 || height <= 0) return;
    // The image over white, then every pixel that is not white is the shape.
    TGdiHandle picture(ScreenBitmap(width, height));
    TMemoryDC pictureDC(picture.Bitmap());
    PatBlt(pictureDC.DC(), 0, 0, width, height, WHITENESS);
    ImageList_DrawEx(list, index, pictureDC.DC(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    TGdiHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
    TMemoryDC maskDC(mask.Bitmap());
    ShapeMask(maskDC.DC(), pictureDC.DC(), width, height, RGB(255, 255, 255));
    Emboss(dc, x, y, width, height, maskDC.DC());
}

} // namespace

// --- TMetafile -------------------------------------------------------------------------

const TClassInfo& TMetafile::StaticClassInfo()
{
    static const TClassInfo info{"TMetafile", &TGraphic::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TMetafile::TMetafile() = default;

TMetafile::~TMetafile()
{
    if (FHandle) DeleteEnhMetaFile(FHandle);
}

void TMetafile::SetHandle(HENHMETAFILE metafile)
{
    if (metafile == FHandle) return;
    int width = 0, height = 0;
    ENHMETAHEADER h{};
    if (metafile && GetEnhMetaFileHeader(metafile, sizeof h, &h)) {
        // The frame is in 0.01 mm; the reference device's size says how many pixels that is.
        if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0) {
            width = MulDiv(h.rclFrame.right - h.rclFrame.left, h.szlDevice.cx, h.szlMillimeters.cx * 100);
            height = MulDiv(h.rclFrame.bottom - h.rclFrame.top, h.szlDevice.cy, h.szlMillimeters.cy * 100);
        }
        if (width <= 0 || height <= 0) {
            width = h.rclBounds.right - h.rclBounds.left + 1;
            height = h.rclBounds.bottom - h.rclBounds.top + 1;
        }
    }
    if (FHandle) DeleteEnhMetaFile(FHandle);
    FHandle = metafile;
    FWidth = std::max(width, 0);
    FHeight = std::max(height, 0);
    Changed();
}

void TMetafile::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TMetafile*>(&source);
    if (!other) {
        TGraphic::Assign(source);
        return;
    }
    if (other == this) return;
    HENHMETAFILE copy = nullptr;
    if (other->FHandle) {
        copy = CopyEnhMetaFileA(other->FHandle, nullptr);
        if (!copy) throw EOutOfResources(kOutOfResources);
    }
    SetHandle(copy);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    auto copy = std::make_unique<TMetafile>();
    copy->Assign(*this);
    return copy;
}

void TMetafile::Draw(TCanvas& canvas, const RECT& r)
{
    if (FHandle) PlayEnhMetaFile(canvas.Handle(), FHandle, &r);
}

void TMetafile::SaveToStream(TStream& stream) const
{
    if (!FHandle) return;
    const UINT size = GetEnhMetaFileBits(FHandle, 0, nullptr);
    Bytes data(size);
    if (size == 0 || GetEnhMetaFileBits(FHandle, size, data.data()) != size)
        throw EInvalidGraphic("Cannot read the metafile");
    Write(stream, data.data(), data.size());
}

void TMetafile::LoadFromStream(TStream& stream)
{
    const Bytes data = ReadRest(stream);
    if (data.empty()) {
        SetHandle(nullptr);
        return;
    }
    HENHMETAFILE metafile = nullptr;
    if (data.size() >= 4 && Get32(data.data()) == kPlaceableKey) {
        if (!CheckPlaceableMetafile(data.data(), data.size())) BadMetafile();
        // The placeable header's box is in units of `inch` per inch; the picture keeps
        // its size in 0.01 mm.
        const auto left = static_cast<int16_t>(Get16(data.data() + 6));
        const auto top = static_cast<int16_t>(Get16(data.data() + 8));
        const auto right = static_cast<int16_t>(Get16(data.data() + 10));
        const auto bottom = static_cast<int16_t>(Get16(data.data() + 12));
        const int inch = static_cast<int>(Get16(data.data() + 14));
        METAFILEPICT pict{};
        pict.mm = MM_ANISOTROPIC;
        if (inch > 0) {
            pict.xExt = MulDiv(right - left, 2540, inch);
            pict.yExt = MulDiv(bottom - top, 2540, inch);
        }
        TScreenDC screen;
        metafile = SetWinMetaFileBits(static_cast<UINT>(data.size() - kPlaceableHeader),
                                      data.data() + kPlaceableHeader, screen.DC(), &pict);
    } else {
        if (!CheckEnhMetafile(data.data(), data.size())) BadMetafile();
        metafile = SetEnhMetaFileBits(static_cast<UINT>(data.size()), data.data());
    }
    if (!metafile) BadMetafile();
    SetHandle(metafile);
}

// --- Icon and bitmap streams -----------------------------------------------------------

void SaveIconToStream(const TIcon& icon, TStream& stream)
{
    if (!icon.Handle()) return;
    ICONINFO info{};
    if (!GetIconInfo(icon.Handle(), &info)) throw EInvalidGraphic("Cannot read the icon");
    if (!info.hbmMask) {
        if (info.hbmColor) DeleteObject(info.hbmColor);
        throw EInvalidGraphic("Cannot read the icon");
    }
    TGdiHandle mask(info.hbmMask);
    std::unique_ptr<TGdiHandle> color(info.hbmColor ? new TGdiHandle(info.hbmColor) : nullptr);
    BITMAP bm{};
    GetObjectA(info.hbmMask, sizeof bm, &bm);
    const int width = bm.bmWidth;
    int height = color ? bm.bmHeight : bm.bmHeight / 2;
    unsigned bitCount = 1;
    TDib image;
    Bytes andBits;
    if (color) {
        BITMAP cb{};
        GetObjectA(info.hbmColor, sizeof cb, &cb);
        height = cb.bmHeight;
        // 24 bits, which every Windows version loads, unless the picture has an alpha
        // channel to keep.
        bitCount = 24;
        if (cb.bmBitsPixel * cb.bmPlanes == 32) {
            image = GetDib(info.hbmColor, width, height, 32);
            for (size_t i = 3; i < image.Bits.size() && bitCount == 24; i += 4)
                if (image.Bits[i] != 0) bitCount = 32;
        }
        if (bitCount == 24) image = GetDib(info.hbmColor, width, height, 24);
        andBits = GetDib(info.hbmMask, width, height, 1).Bits;
    } else {
        // A monochrome icon's mask holds the AND half on top of the XOR half: as a
        // bottom-up DIB that is the XOR bits followed by the AND bits, as the file has them.
        image = GetDib(info.hbmMask, width, height * 2, 1);
    }
    if (width <= 0 || height <= 0) throw EInvalidGraphic("Cannot read the icon");
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(image.Info.data());
    header->biHeight = height * 2;
    header->biSizeImage = static_cast<DWORD>(image.Bits.size() + andBits.size());
    const size_t bytes = image.Info.size() + image.Bits.size() + andBits.size();

    Bytes file;
    Put16(file, 0); // reserved
    Put16(file, 1); // icon
    Put16(file, 1); // one image
    file.push_back(static_cast<unsigned char>(width >= 256 ? 0 : width));
    file.push_back(static_cast<unsigned char>(height >= 256 ? 0 : height));
    file.push_back(static_cast<unsigned char>(bitCount == 1 ? 2 : 0)); // palette size
    file.push_back(0);
    Put16(file, 1);
    Put16(file, bitCount);
    Put32(file, static_cast<uint32_t>(bytes));
    Put32(file, 6 + 16);
    file.insert(file.end(), image.Info.begin(), image.Info.end());
    file.insert(file.end(), image.Bits.begin(), image.Bits.end());
    file.insert(file.end(), andBits.begin(), andBits.end());
    Write(stream, file.data(), file.size());
}

void LoadIconFromStream(TIcon& icon, TStream& stream)
{
    Bytes data = ReadRest(stream);
    if (data.size() < 6 || Get16(data.data()) != 0 || Get16(data.data() + 2) != 1) BadIcon();
    const size_t count = Get16(data.data() + 4);
    if (count == 0 || 6 + 16 * count > data.size()) BadIcon();
    // Of the images that check out, the one nearest the system's icon size, then the
    // deepest.
    const int wanted = GetSystemMetrics(SM_CXICON);
    const unsigned char* best = nullptr;
    TDibLayout bestLayout{};
    size_t bestSize = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* entry = data.data() + 6 + 16 * i;
        const uint64_t size = Get32(entry + 8);
        const uint64_t offset = Get32(entry + 12);
        if (offset > data.size() || size > data.size() - offset) continue;
        TDibLayout layout{};
        if (!CheckDib(data.data() + offset, static_cast<size_t>(size), true, layout)) continue;
        if (layout.BitsOffset + layout.BitsSize > size) continue;
        if (best) {
            const long d = std::labs(layout.Header.biWidth - wanted);
            const long bestD = std::labs(bestLayout.Header.biWidth - wanted);
            if (d > bestD || (d == bestD && layout.Header.biBitCount <= bestLayout.Header.biBitCount)) continue;
        }
        best = data.data() + offset;
        bestLayout = layout;
        bestSize = static_cast<size_t>(size);
    }
    if (!best) BadIcon();
    HICON handle = CreateIconFromResourceEx(const_cast<unsigned char*>(best), static_cast<DWORD>(bestSize), TRUE,
                                            0x00030000, bestLayout.Header.biWidth, bestLayout.Header.biHeight / 2,
                                            LR_DEFAULTCOLOR);
    if (!handle) BadIcon();
    icon.SetHandle(handle);
}

void SaveBitmapToStream(const TBitmap& bitmap, TStream& stream)
{
    HBITMAP handle = bitmap.Handle();
    if (!handle) return;
    const unsigned bitCount = bitmap.Monochrome() ? 1 : 24;
    const TDib dib = GetDib(handle, bitmap.Width(), bitmap.Height(), bitCount);
    const uint32_t offset = static_cast<uint32_t>(14 + dib.Info.size());
    Bytes file;
    file.push_back('B');
    file.push_back('M');
    Put32(file, static_cast<uint32_t>(offset + dib.Bits.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), dib.Info.begin(), dib.Info.end());
    file.insert(file.end(), dib.Bits.begin(), dib.Bits.end());
    Write(stream, file.data(), file.size());
}

void LoadBitmapFromStream(TBitmap& bitmap, TStream& stream)
{
    const Bytes data = ReadRest(stream);
    constexpr size_t kFileHeader = 14;
    if (data.size() < kFileHeader || data[0] != 'B' || data[1] != 'M') BadBitmap();
    TDibLayout layout{};
    if (!CheckDib(data.data() + kFileHeader, data.size() - kFileHeader, false, layout)) BadBitmap();
    const uint64_t bitsAt = Get32(data.data() + 10);
    if (bitsAt < kFileHeader + layout.BitsOffset || bitsAt > data.size() || layout.BitsSize > data.size() - bitsAt)
        BadBitmap();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(data.data() + kFileHeader);
    const int width = layout.Header.biWidth;
    const int height = std::abs(layout.Header.biHeight);
    const bool monochrome = layout.Header.biBitCount == 1;
    TGdiHandle result(monochrome ? CreateBitmap(width, height, 1, 1, nullptr) : ScreenBitmap(width, height));
    TScreenDC screen;
    if (!SetDIBits(screen.DC(), result.Bitmap(), 0, static_cast<UINT>(height), data.data() + bitsAt, info,
                   DIB_RGB_COLORS))
        BadBitmap();
    // Handed over only once complete; the picture owns it from here.
    HBITMAP handle = static_cast<HBITMAP>(result.Release());
    try {
        bitmap.SetHandle(handle);
    } catch (...) {
        DeleteObject(handle);
        throw;
    }
}

// --- TvyIcon ---------------------------------------------------------------------------

const TClassInfo& TvyIcon::StaticClassInfo()
{
    static const TClassInfo info{"TvyIcon", &TIcon::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

bool TvyIcon::ReadDefinedProperty(const std::string& name, const TFormValue& value)
{
    if (SameText(name, "SFP")) {
        auto plain = UnpackValue(name, value);
        LoadIconFromStream(*this, *plain);
        return true;
    }
    if (SameText(name, "Data")) {
        auto plain = StreamOf(BinaryOf(name, value));
        LoadIconFromStream(*this, *plain);
        return true;
    }
    return TIcon::ReadDefinedProperty(name, value);
}

void TvyIcon::WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const
{
    TIcon::WriteDefinedProperties(out);
    if (Empty()) return;
    TMemoryStream plain;
    SaveIconToStream(*this, plain);
    out.emplace_back("SFP", BinaryValue(Packed(plain)));
}

// --- TvyPicture ------------------------------------------------------------------------

namespace {

constexpr const char* kBitmapClass = "TBitmap";
constexpr const char* kIconClass = "TIcon";
constexpr const char* kMetafileClass = "TMetafile";

// The graphic named by a standard picture stream's class name, read from the stream.
std::unique_ptr<TGraphic> ReadStandardGraphic(TStream& stream)
{
    unsigned char length = 0;
    if (stream.Read(&length, 1) != 1) throw EInvalidGraphic("Invalid picture data");
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    if (className.empty()) return nullptr;
    if (SameText(className, kBitmapClass)) {
        uint32_t size = 0;
        unsigned char raw[4];
        stream.ReadBuffer(raw, 4);
        size = Get32(raw);
        const long left = stream.Size() - stream.Position();
        if (size > static_cast<uint64_t>(std::max(left, 0L))) throw EInvalidGraphic("Invalid picture data");
        Bytes file(size);
        stream.ReadBuffer(file.data(), static_cast<long>(size));
        auto bitmap = std::make_unique<TBitmap>();
        auto plain = StreamOf(file);
        LoadBitmapFromStream(*bitmap, *plain);
        return bitmap;
    }
    if (SameText(className, kIconClass)) {
        auto icon = std::make_unique<TIcon>();
        LoadIconFromStream(*icon, stream);
        return icon;
    }
    if (SameText(className, kMetafileClass)) {
        auto metafile = std::make_unique<TMetafile>();
        metafile->LoadFromStream(stream);
        return metafile;
    }
    throw EInvalidGraphic("Unknown picture format " + className);
}

} // namespace

const TClassInfo& TvyPicture::StaticClassInfo()
{
    static const TClassInfo info{"TvyPicture", &TPicture::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

bool TvyPicture::ReadDefinedProperty(const std::string& name, const TFormValue& value)
{
    if (SameText(name, "SFP")) {
        auto plain = UnpackValue(name, value);
        unsigned char kind = 0xFF;
        if (plain->Read(&kind, 1) != 1) kind = 0xFF; // no kind byte: nothing to show
        std::unique_ptr<TGraphic> graphic;
        if (kind == static_cast<unsigned char>(TvyPictureKind::Icon)) {
            auto icon = std::make_unique<TIcon>();
            LoadIconFromStream(*icon, *plain);
            graphic = std::move(icon);
        } else if (kind == static_cast<unsigned char>(TvyPictureKind::Metafile)) {
            auto metafile = std::make_unique<TMetafile>();
            metafile->LoadFromStream(*plain);
            graphic = std::move(metafile);
        }
        SetGraphic(graphic.get());
        return true;
    }
    if (SameText(name, "Data")) {
        auto plain = StreamOf(BinaryOf(name, value));
        auto graphic = ReadStandardGraphic(*plain);
        SetGraphic(graphic.get());
        return true;
    }
    return TPicture::ReadDefinedProperty(name, value);
}

void TvyPicture::WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const
{
    TPicture::WriteDefinedProperties(out);
    const TGraphic* graphic = Graphic();
    if (!graphic || graphic->Empty()) return;
    TMemoryStream plain;
    if (const auto* icon = dynamic_cast<const TIcon*>(graphic)) {
        const auto kind = static_cast<unsigned char>(TvyPictureKind::Icon);
        Write(plain, &kind, 1);
        SaveIconToStream(*icon, plain);
        out.emplace_back("SFP", BinaryValue(Packed(plain)));
    } else if (const auto* metafile = dynamic_cast<const TMetafile*>(graphic)) {
        const auto kind = static_cast<unsigned char>(TvyPictureKind::Metafile);
        Write(plain, &kind, 1);
        metafile->SaveToStream(plain);
        out.emplace_back("SFP", BinaryValue(Packed(plain)));
    } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) {
        TMemoryStream file;
        SaveBitmapToStream(*bitmap, file);
        const std::string className = kBitmapClass;
        const auto length = static_cast<unsigned char>(className.size());
        Write(plain, &length, 1);
        Write(plain, className.data(), className.size());
        Bytes size;
        Put32(size, static_cast<uint32_t>(file.Bytes().size()));
        Write(plain, size.data(), size.size());
        Write(plain, file.Memory(), file.Bytes().size());
        out.emplace_back("Data", BinaryValue(plain.Bytes()));
    }
}

// --- Drawing ---------------------------------------------------------------------------

void DrawGradient(TCanvas* canvas, const RECT& rect, TColor color1, TvyGradientDirection direction, TColor background,
                  TColor color2)
{
    if (!canvas) return;
    try {
        const COLORREF c1 = ColorToRGB(color1);
        const COLORREF c2 = ColorToRGB(color2);
        const int start[3] = {GetRValue(c1), GetGValue(c1), GetBValue(c1)};
        const int delta[3] = {GetRValue(c2) - start[0], GetGValue(c2) - start[1], GetBValue(c2) - start[2]};
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        int steps = 255;
        const int halfWidth = width / 2;
        const int halfHeight = height / 2;
        const int cx = (rect.left + rect.right) / 2;
        const int cy = (rect.top + rect.bottom) / 2;
        canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
        if (direction == TvyGradientDirection::gdCentral) {
            steps = std::clamp(std::min(halfWidth, halfHeight), 2, 255);
            canvas->Pen()->SetStyle(TPenStyle::psClear);
            canvas->Brush()->SetColor(background);
            canvas->FillRect(rect);
        } else {
            canvas->Pen()->SetStyle(TPenStyle::psSolid);
        }
        for (int i = steps - 1; i >= 0; --i) {
            const COLORREF band = RGB(start[0] + MulDiv(i, delta[0], steps - 1), start[1] + MulDiv(i, delta[1], steps - 1),
                                      start[2] + MulDiv(i, delta[2], steps - 1));
            canvas->Brush()->SetColor(static_cast<TColor>(band));
            switch (direction) {
            case TvyGradientDirection::gdVertical:
                canvas->FillRect(RECT{rect.left, rect.top + MulDiv(i, height, steps), rect.right,
                                      rect.top + MulDiv(i + 1, height, steps)});
                break;
            case TvyGradientDirection::gdHorizontal:
                canvas->FillRect(RECT{rect.left + MulDiv(i, width, steps), rect.top,
                                      rect.left + MulDiv(i + 1, width, steps), rect.bottom});
                break;
            case TvyGradientDirection::gdCentral: {
                const int rx = MulDiv(i + 1, halfWidth, steps);
                const int ry = MulDiv(i + 1, halfHeight, steps);
                canvas->Ellipse(cx - rx, cy - ry, cx + rx, cy + ry);
                break;
            }
            }
        }
    } catch (...) {
        // A background that cannot be drawn leaves what is there.
    }
}

void DrawPicture(TCanvas* canvas, const RECT& rect, TPicture* picture, TvyBackgroundPictureStyle style,
                 TColor background)
{
    if (!canvas || !picture || !picture->Graphic()) return;
    try {
        TGraphic* graphic = picture->Graphic();
        const int w = graphic->Width();
        const int h = graphic->Height();
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        TClipTo clip(canvas->Handle(), rect);
        canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
        canvas->Brush()->SetColor(background);
        switch (style) {
        case TvyBackgroundPictureStyle::bsTile:
        case TvyBackgroundPictureStyle::bsZigzag: {
            if (w <= 0 || h <= 0) break; // nothing to repeat
            const bool zigzag = style == TvyBackgroundPictureStyle::bsZigzag;
            int row = 0;
            for (int y = rect.top; y < rect.bottom; y += h, ++row) {
                const int first = zigzag && row % 2 == 1 ? rect.left - w / 2 : rect.left;
                for (int x = first; x < rect.right; x += w) canvas->Draw(x, y, graphic);
            }
            break;
        }
        case TvyBackgroundPictureStyle::bsStretch: canvas->StretchDraw(rect, graphic); break;
        case TvyBackgroundPictureStyle::bsCenter: {
            const int x = rect.left + (width - w) / 2;
            const int y = rect.top + (height - h) / 2;
            FillIfAny(canvas, RECT{rect.left, rect.top, rect.right, y});
            FillIfAny(canvas, RECT{rect.left, y, x, y + h});
            FillIfAny(canvas, RECT{x + w, y, rect.right, y + h});
            FillIfAny(canvas, RECT{rect.left, y + h, rect.right, rect.bottom});
            canvas->Draw(x, y, graphic);
            break;
        }
        case TvyBackgroundPictureStyle::bsAlignLeft:
            FillIfAny(canvas, rect);
            canvas->Draw(rect.left, rect.top, graphic);
            break;
        case TvyBackgroundPictureStyle::bsAlignRight:
            FillIfAny(canvas, rect);
            canvas->Draw(rect.right - w, rect.top, graphic);
            break;
        default: break;
        }
    } catch (...) {
        // As with the gradient: a picture that cannot be drawn leaves what is there.
    }
}

void DrawGlyph(HDC dc, int x, int y, int width, int height, TBitmap* glyph, TCustomImageList* images, int imageIndex,
               bool disabled, bool transparent, TColor transparentColor, bool recolor, TColor oldColor,
               TColor newColor)
{
    if (glyph && !glyph->Empty()) {
        if (width <= 0 || height <= 0) return;
        const int gw = glyph->Width();
        const int gh = glyph->Height();
        TMemoryDC source(glyph->Handle());
        const bool recolorNow = recolor && !disabled;
        if (!transparent && !disabled && !recolorNow) {
            StretchBlt(dc, x, y, width, height, source.DC(), 0, 0, gw, gh, SRCCOPY);
            return;
        }
        TGdiHandle copy(ScreenBitmap(width, height));
        TMemoryDC copyDC(copy.Bitmap());
        SetStretchBltMode(copyDC.DC(), COLORONCOLOR);
        StretchBlt(copyDC.DC(), 0, 0, width, height, source.DC(), 0, 0, gw, gh, SRCCOPY);
        COLORREF clear = transparentColor == clNone ? GetPixel(copyDC.DC(), 0, 0) : ColorToRGB(transparentColor);
        if (recolorNow) {
            const COLORREF replacement = ColorToRGB(newColor);
            if (transparent && clear == replacement) {
                ChangeColor(copyDC.DC(), width, height, clear, kTransparentDetour);
                clear = kTransparentDetour;
            }
            ChangeColor(copyDC.DC(), width, height, ColorToRGB(oldColor), replacement);
        }
        if (!transparent && !disabled) {
            // Recoloured but opaque: the copy as it is.
            BitBlt(dc, x, y, width, height, copyDC.DC(), 0, 0, SRCCOPY);
            return;
        }
        TGdiHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
        TMemoryDC maskDC(mask.Bitmap());
        if (disabled) {
            ShapeMask(maskDC.DC(), copyDC.DC(), width, height, clear);
            Emboss(dc, x, y, width, height, maskDC.DC());
            return;
        }
        // White where the glyph is see-through; then target xor copy, and mask, xor copy
        // leaves the target there and the copy everywhere else.
        const COLORREF oldCopyBk = SetBkColor(copyDC.DC(), clear);
        BitBlt(maskDC.DC(), 0, 0, width, height, copyDC.DC(), 0, 0, SRCCOPY);
        SetBkColor(copyDC.DC(), oldCopyBk);
        const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
        const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        BitBlt(dc, x, y, width, height, copyDC.DC(), 0, 0, SRCINVERT);
        BitBlt(dc, x, y, width, height, maskDC.DC(), 0, 0, SRCAND);
        BitBlt(dc, x, y, width, height, copyDC.DC(), 0, 0, SRCINVERT);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBk);
        return;
    }
    if (images && imageIndex >= 0 && imageIndex < images->Count())
        DrawListImage(dc, x, y, images, imageIndex, disabled, transparent);
}

void DrawButtonFrame(HDC dc, RECT& rect, bool pushed)
{
    UINT state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (pushed) state |= DFCS_PUSHED;
    DrawFrameControl(dc, &rect, DFC_BUTTON, state);
}

bool PictureHasContent(const TPicture* picture)
{
    return picture && picture->Graphic() && !picture->Graphic()->Empty();
}

int CanvasTextHeight(TCanvas* canvas)
{
    return canvas->TextHeight("Wj");
}

TvyScreenColorMode ColorModeFromBitsPerPixel(int bits)
{
    switch (bits) {
    case 4: return TvyScreenColorMode::sm4bit;
    case 16: return TvyScreenColorMode::sm16bit;
    case 24: return TvyScreenColorMode::sm24bit;
    case 32: return TvyScreenColorMode::sm32bit;
    default: return TvyScreenColorMode::sm8bit;
    }
}

TvyScreenColorMode ScreenColorMode()
{
    TScreenDC screen;
    return ColorModeFromBitsPerPixel(screen.DC() ? GetDeviceCaps(screen.DC(), BITSPIXEL) : 0);
}

const std::vector<std::string>& GradientDirectionNames()
{
    static const std::vector<std::string> names{"gdVertical", "gdHorizontal", "gdCentral"};
    return names;
}

const std::vector<std::string>& BackgroundKindNames()
{
    static const std::vector<std::string> names{"bkPicture", "bkGradient"};
    return names;
}

const std::vector<std::string>& BackgroundPictureStyleNames()
{
    static const std::vector<std::string> names{"bsTile", "bsStretch", "bsZigzag", "bsCenter", "bsAlignLeft",
                                                "bsAlignRight"};
    return names;
}
