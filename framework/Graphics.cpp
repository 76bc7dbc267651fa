// framework/Graphics.cpp
#include "Graphics.h"

#include <algorithm>
#include <utility>

#include "GdiGuards.h"

namespace {

const char* const kOutOfResources = "Out of system resources";

struct TIdentName {
    const char* Name;
    int Value;
};

constexpr TIdentName kColorNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clNone", clNone},
    {"clDefault", clDefault},
};

// Stored forms write Font.Charset by its GDI name.
constexpr TIdentName kCharsetNames[] = {
    {"ANSI_CHARSET", ANSI_CHARSET},
    {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SYMBOL_CHARSET", SYMBOL_CHARSET},
    {"MAC_CHARSET", MAC_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
    {"HANGEUL_CHARSET", HANGEUL_CHARSET},
    {"JOHAB_CHARSET", JOHAB_CHARSET},
    {"GB2312_CHARSET", GB2312_CHARSET},
    {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
    {"GREEK_CHARSET", GREEK_CHARSET},
    {"TURKISH_CHARSET", TURKISH_CHARSET},
    {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
    {"HEBREW_CHARSET", HEBREW_CHARSET},
    {"ARABIC_CHARSET", ARABIC_CHARSET},
    {"BALTIC_CHARSET", BALTIC_CHARSET},
    {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
    {"THAI_CHARSET", THAI_CHARSET},
    {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
    {"OEM_CHARSET", OEM_CHARSET},
};

// Pen.Mode holds the R2_xxx code itself; stored forms may name it.
constexpr TIdentName kPenModeNames[] = {
    {"pmBlack", R2_BLACK},
    {"pmWhite", R2_WHITE},
    {"pmNop", R2_NOP},
    {"pmNot", R2_NOT},
    {"pmCopy", R2_COPYPEN},
    {"pmNotCopy", R2_NOTCOPYPEN},
    {"pmMergePenNot", R2_MERGEPENNOT},
    {"pmMaskPenNot", R2_MASKPENNOT},
    {"pmMergeNotPen", R2_MERGENOTPEN},
    {"pmMaskNotPen", R2_MASKNOTPEN},
    {"pmMerge", R2_MERGEPEN},
    {"pmNotMerge", R2_NOTMERGEPEN},
    {"pmMask", R2_MASKPEN},
    {"pmNotMask", R2_NOTMASKPEN},
    {"pmXor", R2_XORPEN},
    {"pmNotXor", R2_NOTXORPEN},
};

template <size_t N>
TIdentMap& FillIdents(const char* mapName, const TIdentName (&names)[N])
{
    TIdentMap& map = IdentMap(mapName);
    for (const auto& n : names) map.Add(n.Name, n.Value);
    return map;
}

const TIdentMap& CharsetIdents()
{
    static TIdentMap& map = FillIdents("TFontCharset", kCharsetNames);
    return map;
}

const TIdentMap& PenModeIdents()
{
    static TIdentMap& map = FillIdents("TPenMode", kPenModeNames);
    return map;
}

// Stored forms name these before any font or pen exists.
[[maybe_unused]] const TIdentMap& gColorIdents = ColorIdents();
[[maybe_unused]] const TIdentMap& gCharsetIdents = CharsetIdents();
[[maybe_unused]] const TIdentMap& gPenModeIdents = PenModeIdents();

TClassInfo PlainClass(const char* name, const TClassInfo& parent)
{
    return TClassInfo{name, &parent, nullptr, {}, {}};
}

HBITMAP NewBitmap(int width, int height, bool monochrome)
{
    HBITMAP bitmap = nullptr;
    if (monochrome) {
        bitmap = CreateBitmap(width, height, 1, 1, nullptr);
    } else {
        TScreenDC screen;
        bitmap = CreateCompatibleBitmap(screen.DC(), width, height);
    }
    if (!bitmap) throw EOutOfResources(kOutOfResources);
    return bitmap;
}

// A new white width x height bitmap with as much of the source (selected in source, which
// may be null) copied to its top-left corner as fits.
HBITMAP CopyBitmap(HDC source, int sourceWidth, int sourceHeight, int width, int height, bool monochrome)
{
    TGdiObject result(NewBitmap(width, height, monochrome));
    {
        TMemoryDC dst(static_cast<HBITMAP>(result.Get()));
        PatBlt(dst.DC(), 0, 0, width, height, WHITENESS);
        if (source) {
            // Between colour and monochrome, white is the one colour that maps to white.
            SetTextColor(dst.DC(), RGB(0, 0, 0));
            SetBkColor(dst.DC(), RGB(255, 255, 255));
            COLORREF oldBk = SetBkColor(source, RGB(255, 255, 255));
            BitBlt(dst.DC(), 0, 0, std::min(width, sourceWidth), std::min(height, sourceHeight), source, 0, 0,
                   SRCCOPY);
            SetBkColor(source, oldBk);
        }
    }
    return static_cast<HBITMAP>(result.Release());
}

std::string ResourceText(const char* name)
{
    if (IS_INTRESOURCE(name)) return "#" + IntToStr(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

} // namespace

// --- Colours ---------------------------------------------------------------------------

COLORREF ColorToRGB(TColor color)
{
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

const TIdentMap& ColorIdents()
{
    static TIdentMap& map = FillIdents("TColor", kColorNames);
    return map;
}

bool ColorToIdent(TColor color, std::string& ident)
{
    auto found = ColorIdents().ToIdent(color);
    if (!found) return false;
    ident = *found;
    return true;
}

bool IdentToColor(const std::string& ident, TColor& color)
{
    auto found = ColorIdents().ToInt(ident);
    if (!found) return false;
    color = static_cast<TColor>(*found);
    return true;
}

int ScreenPixelsPerInch()
{
    static const int ppi = [] {
        HDC screen = GetDC(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

// --- TGraphicsObject -------------------------------------------------------------------

const TClassInfo& TGraphicsObject::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TGraphicsObject", TPersistent::StaticClassInfo());
    return info;
}

TGraphicsObject::~TGraphicsObject()
{
    if (FSelectedIn) FSelectedIn->Deselect(*this);
    if (FHandle) DeleteObject(FHandle);
}

void TGraphicsObject::Changed()
{
    // The old object dies last: a listener may hand the new one to a window (WM_SETFONT)
    // before the old one it still uses is gone.
    TGdiObject old(std::exchange(FHandle, nullptr));
    if (FSelectedIn) FSelectedIn->Deselect(*this);
    OnChange(this);
}

HGDIOBJ TGraphicsObject::GetHandle()
{
    if (!FHandle) {
        FHandle = CreateHandle();
        if (!FHandle) throw EOutOfResources(kOutOfResources);
    }
    return FHandle;
}

// --- TFont -----------------------------------------------------------------------------

const TClassInfo& TFont::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i = PlainClass("TFont", TGraphicsObject::StaticClassInfo());
        i.Props.push_back(IntProp("Charset", &TFont::Charset, &TFont::SetCharset, DefaultCharset, &CharsetIdents()));
        i.Props.push_back(IntProp("Color", &TFont::Color, &TFont::SetColor, DefaultColor, &ColorIdents()));
        i.Props.push_back(IntProp("Height", &TFont::Height, &TFont::SetHeight, DefaultHeight));
        i.Props.push_back(StrProp<TFont>("Name", &TFont::Name, &TFont::SetName, std::string(DefaultName)));
        i.Props.push_back(EnumProp("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"},
                                   std::optional<TFontPitch>(TFontPitch::fpDefault)));
        TPropInfo size = IntProp("Size", &TFont::Size, &TFont::SetSize, std::nullopt);
        size.Stored = [](const TPersistent&) { return false; }; // Height says it
        i.Props.push_back(std::move(size));
        i.Props.push_back(SetProp("Style", &TFont::Style, &TFont::SetStyle,
                                  {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, 0));
        return i;
    }();
    return info;
}

TFont::TFont() : FPixelsPerInch(ScreenPixelsPerInch()) {}

void TFont::Assign(const TPersistent& source)
{
    const auto* font = dynamic_cast<const TFont*>(&source);
    if (!font) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (font == this) return;
    const bool same = FCharset == font->FCharset && FColor == font->FColor && FHeight == font->FHeight &&
                      FName == font->FName && FPitch == font->FPitch && FStyle == font->FStyle &&
                      FPixelsPerInch == font->FPixelsPerInch;
    if (same) return;
    FCharset = font->FCharset;
    FColor = font->FColor;
    FHeight = font->FHeight;
    FName = font->FName;
    FPitch = font->FPitch;
    FStyle = font->FStyle;
    FPixelsPerInch = font->FPixelsPerInch;
    Changed();
}

void TFont::SetCharset(int value)
{
    if (value == FCharset) return;
    FCharset = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (value == FHeight) return;
    FHeight = value;
    Changed();
}

void TFont::SetName(const std::string& value)
{
    if (value == FName) return;
    FName = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (value == FPitch) return;
    FPitch = value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, FPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

HGDIOBJ TFont::CreateHandle() const
{
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & FontStyleBit(TFontStyle::fsBold)) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & FontStyleBit(TFontStyle::fsItalic)) ? TRUE : FALSE;
    lf.lfUnderline = (FStyle & FontStyleBit(TFontStyle::fsUnderline)) ? TRUE : FALSE;
    lf.lfStrikeOut = (FStyle & FontStyleBit(TFontStyle::fsStrikeOut)) ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(FCharset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    switch (FPitch) {
    case TFontPitch::fpVariable: lf.lfPitchAndFamily = VARIABLE_PITCH; break;
    case TFontPitch::fpFixed: lf.lfPitchAndFamily = FIXED_PITCH; break;
    default: lf.lfPitchAndFamily = DEFAULT_PITCH; break;
    }
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

// --- TPen ------------------------------------------------------------------------------

const TClassInfo& TPen::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i = PlainClass("TPen", TGraphicsObject::StaticClassInfo());
        i.Props.push_back(IntProp("Color", &TPen::Color, &TPen::SetColor, DefaultColor, &ColorIdents()));
        i.Props.push_back(IntProp("Mode", &TPen::Mode, &TPen::SetMode, DefaultMode, &PenModeIdents()));
        i.Props.push_back(EnumProp("Style", &TPen::Style, &TPen::SetStyle,
                                   {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                                    "psInsideFrame"},
                                   std::optional<TPenStyle>(TPenStyle::psSolid)));
        i.Props.push_back(IntProp("Width", &TPen::Width, &TPen::SetWidth, DefaultWidth));
        return i;
    }();
    return info;
}

void TPen::Assign(const TPersistent& source)
{
    const auto* pen = dynamic_cast<const TPen*>(&source);
    if (!pen) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (FColor == pen->FColor && FMode == pen->FMode && FStyle == pen->FStyle && FWidth == pen->FWidth) return;
    FColor = pen->FColor;
    FMode = pen->FMode;
    FStyle = pen->FStyle;
    FWidth = pen->FWidth;
    Changed();
}

void TPen::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TPen::SetMode(int value)
{
    if (value == FMode) return;
    FMode = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    if (value == FWidth) return;
    FWidth = value;
    Changed();
}

HGDIOBJ TPen::CreateHandle() const
{
    // The style ordinals are the PS_xxx codes: psClear is PS_NULL, psInsideFrame PS_INSIDEFRAME.
    return CreatePen(static_cast<int>(FStyle), FWidth, ColorToRGB(FColor));
}

// --- TBrush ----------------------------------------------------------------------------

const TClassInfo& TBrush::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i = PlainClass("TBrush", TGraphicsObject::StaticClassInfo());
        i.Props.push_back(IntProp("Color", &TBrush::Color, &TBrush::SetColor, DefaultColor, &ColorIdents()));
        i.Props.push_back(EnumProp("Style", &TBrush::Style, &TBrush::SetStyle,
                                   {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                    "bsBDiagonal", "bsCross", "bsDiagCross"},
                                   std::optional<TBrushStyle>(TBrushStyle::bsSolid)));
        return i;
    }();
    return info;
}

void TBrush::Assign(const TPersistent& source)
{
    const auto* brush = dynamic_cast<const TBrush*>(&source);
    if (!brush) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (FColor == brush->FColor && FStyle == brush->FStyle) return;
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    Changed();
}

void TBrush::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

HGDIOBJ TBrush::CreateHandle() const
{
    LOGBRUSH lb{};
    lb.lbColor = ColorToRGB(FColor);
    switch (FStyle) {
    case TBrushStyle::bsSolid: lb.lbStyle = BS_SOLID; break;
    case TBrushStyle::bsClear: lb.lbStyle = BS_NULL; break;
    default:
        // bsHorizontal .. bsDiagCross are HS_HORIZONTAL .. HS_DIAGCROSS in order.
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = static_cast<ULONG_PTR>(static_cast<int>(FStyle) - static_cast<int>(TBrushStyle::bsHorizontal));
        break;
    }
    return CreateBrushIndirect(&lb);
}

// --- TCanvas ---------------------------------------------------------------------------

const TClassInfo& TCanvas::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TCanvas", TPersistent::StaticClassInfo());
    return info;
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>())
{
}

TCanvas::~TCanvas()
{
    DeselectAll();
}

TCanvasDC::TCanvasDC(TCanvas& canvas, HDC dc) : FCanvas(canvas)
{
    FCanvas.SetHandle(dc);
}

TCanvasDC::~TCanvasDC()
{
    FCanvas.SetHandle(nullptr);
}

HDC TCanvas::Handle()
{
    RequiredState(csAll);
    return FHandle;
}

void TCanvas::SetHandle(HDC dc)
{
    if (dc == FHandle) return;
    DeselectAll();
    FHandle = dc;
    FState = dc ? unsigned(csHandle) : 0u;
}

void TCanvas::Refresh()
{
    DeselectAll();
}

void TCanvas::Changed()
{
    OnChange(this);
}

void TCanvas::RequiredState(unsigned state)
{
    const unsigned missing = state & ~FState;
    if (!missing) return;
    if (missing & csHandle) {
        CreateHandle();
        if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (missing & csFont) SelectFont();
    if (missing & csPen) SelectPen();
    if (missing & csBrush) SelectBrush();
}

void TCanvas::SelectFont()
{
    HGDIOBJ font = FFont->GetHandle();
    HGDIOBJ old = SelectObject(FHandle, font);
    if (!old) throw EOutOfResources(kOutOfResources);
    FOldFont = old;
    FFont->FSelectedIn = this;
    SetTextColor(FHandle, ColorToRGB(FFont->Color()));
    FState |= csFont;
}

void TCanvas::SelectPen()
{
    HGDIOBJ pen = FPen->GetHandle();
    HGDIOBJ old = SelectObject(FHandle, pen);
    if (!old) throw EOutOfResources(kOutOfResources);
    FOldPen = old;
    FPen->FSelectedIn = this;
    SetROP2(FHandle, FPen->Mode());
    FState |= csPen;
}

void TCanvas::SelectBrush()
{
    HGDIOBJ brush = FBrush->GetHandle();
    HGDIOBJ old = SelectObject(FHandle, brush);
    if (!old) throw EOutOfResources(kOutOfResources);
    FOldBrush = old;
    FBrush->FSelectedIn = this;
    const COLORREF color = ColorToRGB(FBrush->Color());
    if (FBrush->Style() == TBrushStyle::bsSolid) {
        SetBkColor(FHandle, color);
        SetBkMode(FHandle, OPAQUE);
    } else {
        // Text and hatch gaps stay see-through. Windows 95 leaves out hatch lines drawn in
        // the background colour, so that colour must differ from the brush's.
        SetBkColor(FHandle, ~color & 0xFFFFFF);
        SetBkMode(FHandle, TRANSPARENT);
    }
    FState |= csBrush;
}

void TCanvas::Deselect(TGraphicsObject& object)
{
    auto restore = [this](HGDIOBJ& old, unsigned flag) {
        if (FHandle && old) SelectObject(FHandle, old);
        old = nullptr;
        FState &= ~flag;
    };
    if (&object == FFont.get())
        restore(FOldFont, csFont);
    else if (&object == FPen.get())
        restore(FOldPen, csPen);
    else if (&object == FBrush.get())
        restore(FOldBrush, csBrush);
    object.FSelectedIn = nullptr;
}

void TCanvas::DeselectAll()
{
    if (FFont->FSelectedIn == this) Deselect(*FFont);
    if (FPen->FSelectedIn == this) Deselect(*FPen);
    if (FBrush->FSelectedIn == this) Deselect(*FBrush);
}

void TCanvas::MoveTo(int x, int y)
{
    RequiredState(csHandle);
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    RequiredState(csHandle | csPen | csBrush);
    ::LineTo(FHandle, x, y);
    Changed();
}

POINT TCanvas::PenPos()
{
    RequiredState(csHandle);
    POINT p{};
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    RequiredState(csHandle | csPen | csBrush);
    ::Rectangle(FHandle, left, top, right, bottom);
    Changed();
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    RequiredState(csHandle | csPen | csBrush);
    ::RoundRect(FHandle, left, top, right, bottom, ellipseWidth, ellipseHeight);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    RequiredState(csHandle | csPen | csBrush);
    ::Ellipse(FHandle, left, top, right, bottom);
    Changed();
}

void TCanvas::Polygon(const POINT* points, int count)
{
    RequiredState(csHandle | csPen | csBrush);
    ::Polygon(FHandle, points, count);
    Changed();
}

void TCanvas::Polyline(const POINT* points, int count)
{
    RequiredState(csHandle | csPen | csBrush);
    ::Polyline(FHandle, points, count);
    Changed();
}

void TCanvas::FillRect(const RECT& r)
{
    RequiredState(csHandle | csBrush);
    ::FillRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& r)
{
    RequiredState(csHandle | csBrush);
    ::FrameRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const RECT& r)
{
    RequiredState(csHandle | csBrush);
    ::DrawFocusRect(FHandle, &r);
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    RequiredState(csHandle | csFont | csBrush);
    ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
    Changed();
}

void TCanvas::TextRect(const RECT& r, int x, int y, const std::string& text)
{
    RequiredState(csHandle | csFont | csBrush);
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != TBrushStyle::bsClear) options |= ETO_OPAQUE;
    ExtTextOutA(FHandle, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::string& text)
{
    RequiredState(csHandle | csFont);
    SIZE size{};
    GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty()) return;
    RequiredState(csHandle);
    graphic->Draw(*this, RECT{x, y, x + graphic->Width(), y + graphic->Height()});
    Changed();
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic)
{
    if (!graphic || graphic->Empty()) return;
    RequiredState(csHandle);
    graphic->Draw(*this, r);
    Changed();
}

void TCanvas::CopyRect(const RECT& dst, TCanvas* source, const RECT& srcRect)
{
    if (!source) return;
    RequiredState(csHandle | csBrush);
    StretchBlt(FHandle, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, source->Handle(), srcRect.left,
               srcRect.top, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, static_cast<DWORD>(FCopyMode));
    Changed();
}

COLORREF TCanvas::Pixel(int x, int y)
{
    RequiredState(csHandle);
    return GetPixel(FHandle, x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    RequiredState(csHandle);
    ::SetPixel(FHandle, x, y, ColorToRGB(color));
    Changed();
}

// --- TGraphic --------------------------------------------------------------------------

const TClassInfo& TGraphic::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TGraphic", TPersistent::StaticClassInfo());
    return info;
}

std::unique_ptr<TGraphic> TGraphic::Clone() const
{
    throw EInvalidOperation("Cannot copy a " + ClassName());
}

void TGraphic::SetTransparent(bool value)
{
    if (value == FTransparent) return;
    FTransparent = value;
    Changed();
}

void TGraphic::Changed()
{
    OnChange(this);
}

// --- TBitmap ---------------------------------------------------------------------------

// The bitmap's canvas: a memory context made on first use with the bitmap selected, and
// deleted whenever the bitmap is replaced or handed out.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(const TBitmap& owner) : FOwner(owner) {}
    ~TBitmapCanvas() override { FreeContext(); }

    HDC DC() const { return FDC; }
    void FreeContext()
    {
        if (!FDC) return;
        HDC dc = std::exchange(FDC, nullptr);
        SetHandle(nullptr); // font, pen and brush out before the context goes
        if (FOldBitmap) SelectObject(dc, FOldBitmap);
        FOldBitmap = nullptr;
        DeleteDC(dc);
    }

protected:
    void CreateHandle() override
    {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) throw EOutOfResources(kOutOfResources);
        if (FOwner.FHandle) FOldBitmap = SelectObject(dc, FOwner.FHandle);
        FDC = dc;
        SetHandle(dc);
    }

private:
    const TBitmap& FOwner;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
};

const TClassInfo& TBitmap::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TBitmap", TGraphic::StaticClassInfo());
    return info;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();
    if (FHandle) DeleteObject(FHandle);
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas) {
        FCanvas = std::make_unique<TBitmapCanvas>(*this);
        FCanvas->OnChange.Set([this](TObject*) { Changed(); });
    }
    return FCanvas.get();
}

void TBitmap::FreeContext() const
{
    if (FCanvas) FCanvas->FreeContext();
}

template <class F>
void TBitmap::WithDC(F&& f) const
{
    if (FCanvas && FCanvas->DC()) {
        f(FCanvas->DC());
    } else {
        TMemoryDC dc(FHandle);
        f(dc.DC());
    }
}

HBITMAP TBitmap::Handle() const
{
    FreeContext();
    return FHandle;
}

void TBitmap::Replace(HBITMAP bitmap, int width, int height, bool monochrome)
{
    FreeContext();
    if (FHandle && FHandle != bitmap) DeleteObject(FHandle);
    FHandle = bitmap;
    FWidth = width;
    FHeight = height;
    FMonochrome = monochrome;
}

void TBitmap::SetHandle(HBITMAP bitmap)
{
    if (bitmap == FHandle) return;
    BITMAP bm{};
    if (bitmap && !GetObjectA(bitmap, sizeof(bm), &bm)) throw EInvalidGraphic("Invalid bitmap handle");
    Replace(bitmap, bm.bmWidth, bm.bmHeight, bitmap && bm.bmPlanes == 1 && bm.bmBitsPixel == 1);
    Changed();
}

HBITMAP TBitmap::ReleaseHandle()
{
    FreeContext();
    HBITMAP bitmap = std::exchange(FHandle, nullptr);
    FWidth = 0;
    FHeight = 0;
    Changed();
    return bitmap;
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    HBITMAP bitmap = nullptr;
    if (width > 0 && height > 0) {
        if (FHandle)
            WithDC([&](HDC dc) { bitmap = CopyBitmap(dc, FWidth, FHeight, width, height, FMonochrome); });
        else
            bitmap = CopyBitmap(nullptr, 0, 0, width, height, FMonochrome);
    }
    Replace(bitmap, width, height, FMonochrome);
    Changed();
}

void TBitmap::SetMonochrome(bool value)
{
    if (value == FMonochrome) return;
    HBITMAP bitmap = nullptr;
    if (FHandle) WithDC([&](HDC dc) { bitmap = CopyBitmap(dc, FWidth, FHeight, FWidth, FHeight, value); });
    Replace(bitmap, FWidth, FHeight, value);
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (FTransparentColor != clDefault) return FTransparentColor;
    if (!FHandle) return clNone;
    COLORREF pixel = 0;
    WithDC([&](HDC dc) { pixel = GetPixel(dc, 0, FHeight - 1); });
    return static_cast<TColor>(pixel & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor value)
{
    if (value == FTransparentColor) return;
    FTransparentColor = value;
    if (FTransparent) Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const char* name)
{
    HBITMAP bitmap = LoadBitmapA(instance, name);
    if (!bitmap) throw EInvalidGraphic("Bitmap resource " + ResourceText(name) + " not found");
    SetHandle(bitmap);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id)
{
    LoadFromResourceName(instance, MAKEINTRESOURCEA(id));
}

void TBitmap::LoadFromFile(const std::string& fileName)
{
    auto bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap) throw EInvalidGraphic("Cannot load bitmap " + fileName);
    SetHandle(bitmap);
}

void TBitmap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (!other) {
        TGraphic::Assign(source);
        return;
    }
    if (other == this) return;
    HBITMAP bitmap = nullptr;
    if (other->FHandle)
        other->WithDC([&](HDC dc) {
            bitmap = CopyBitmap(dc, other->FWidth, other->FHeight, other->FWidth, other->FHeight, other->FMonochrome);
        });
    Replace(bitmap, other->FWidth, other->FHeight, other->FMonochrome);
    FTransparent = other->FTransparent;
    FTransparentColor = other->FTransparentColor;
    Changed();
}

HBITMAP TBitmap::CopyInto(HDC dc, HBITMAP target) const
{
    if (!FHandle) return nullptr;
    TGdiObject made(target ? nullptr : NewBitmap(FWidth, FHeight, FMonochrome));
    HBITMAP copy = target ? target : static_cast<HBITMAP>(made.Get());
    HGDIOBJ old = SelectObject(dc, copy);
    if (!old) throw EOutOfResources(kOutOfResources);
    try {
        WithDC([&](HDC src) { BitBlt(dc, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY); });
    } catch (...) {
        SelectObject(dc, old); // the caller may delete its target
        throw;
    }
    SelectObject(dc, old);
    made.Release();
    return copy;
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*this);
    return copy;
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r)
{
    if (!FHandle) return;
    HDC dst = canvas.Handle();
    const COLORREF transparent = FTransparent ? ColorToRGB(TransparentColor()) : 0;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const TStretchMode stretch(dst, FMonochrome ? BLACKONWHITE : COLORONCOLOR);
    // A monochrome source takes the target's text and background colours: keep it black
    // and white; the transparent path relies on the same for its mask.
    const TDCColors colors(dst, RGB(0, 0, 0), RGB(255, 255, 255));
    WithDC([&](HDC src) {
        if (!FTransparent) {
            StretchBlt(dst, r.left, r.top, w, h, src, 0, 0, FWidth, FHeight, static_cast<DWORD>(canvas.CopyMode()));
            return;
        }
        // Mask: 1 where the source shows the transparent colour. Then target xor source,
        // and mask, xor source: the target where the mask is set, the source elsewhere.
        TGdiObject mask(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
        if (!mask.Get()) throw EOutOfResources(kOutOfResources);
        TMemoryDC maskDC(static_cast<HBITMAP>(mask.Get()));
        {
            const TDCBkColor srcBack(src, transparent);
            BitBlt(maskDC.DC(), 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
        }
        StretchBlt(dst, r.left, r.top, w, h, src, 0, 0, FWidth, FHeight, SRCINVERT);
        StretchBlt(dst, r.left, r.top, w, h, maskDC.DC(), 0, 0, FWidth, FHeight, SRCAND);
        StretchBlt(dst, r.left, r.top, w, h, src, 0, 0, FWidth, FHeight, SRCINVERT);
    });
}

// --- TIcon -----------------------------------------------------------------------------

const TClassInfo& TIcon::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TIcon", TGraphic::StaticClassInfo());
    return info;
}

TIcon::TIcon()
{
    // Icons carry their own mask.
    FTransparent = true;
}

TIcon::~TIcon()
{
    if (FHandle) DestroyIcon(FHandle);
}

void TIcon::SetHandle(HICON icon)
{
    if (icon == FHandle) return;
    if (FHandle) DestroyIcon(FHandle);
    FHandle = icon;
    FWidth = 0;
    FHeight = 0;
    FSizeKnown = icon == nullptr;
    Changed();
}

void TIcon::MeasureSize() const
{
    if (FSizeKnown) return;
    FSizeKnown = true;
    ICONINFO info{};
    if (!GetIconInfo(FHandle, &info)) return;
    BITMAP bm{};
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof(bm), &bm)) {
        FWidth = bm.bmWidth;
        FHeight = bm.bmHeight;
    } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof(bm), &bm)) {
        // A monochrome icon stacks its AND and XOR masks in one bitmap.
        FWidth = bm.bmWidth;
        FHeight = bm.bmHeight / 2;
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

int TIcon::Width() const
{
    MeasureSize();
    return FWidth;
}

int TIcon::Height() const
{
    MeasureSize();
    return FHeight;
}

HICON TIcon::ReleaseHandle()
{
    HICON icon = std::exchange(FHandle, nullptr);
    FWidth = 0;
    FHeight = 0;
    FSizeKnown = true;
    Changed();
    return icon;
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const char* name, int width, int height)
{
    const UINT flags = (width == 0 && height == 0) ? LR_DEFAULTSIZE : 0;
    auto icon = static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, width, height, flags));
    if (!icon) throw EInvalidGraphic("Icon resource " + ResourceText(name) + " not found");
    SetHandle(icon);
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id, int width, int height)
{
    LoadFromResourceName(instance, MAKEINTRESOURCEA(id), width, height);
}

void TIcon::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TIcon*>(&source);
    if (!other) {
        TGraphic::Assign(source);
        return;
    }
    if (other == this) return;
    HICON copy = nullptr;
    if (other->FHandle) {
        copy = CopyIcon(other->FHandle);
        if (!copy) throw EOutOfResources(kOutOfResources);
    }
    SetHandle(copy);
}

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    auto copy = std::make_unique<TIcon>();
    copy->Assign(*this);
    return copy;
}

void TIcon::Draw(TCanvas& canvas, const RECT& r)
{
    if (!FHandle) return;
    DrawIconEx(canvas.Handle(), r.left, r.top, FHandle, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

// --- TPicture --------------------------------------------------------------------------

const TClassInfo& TPicture::StaticClassInfo()
{
    static const TClassInfo info = PlainClass("TPicture", TPersistent::StaticClassInfo());
    return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed()
{
    OnChange(this);
}

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange.Set([this](TObject*) { Changed(); });
    Changed();
}

void TPicture::SetGraphic(TGraphic* graphic)
{
    Adopt(graphic ? graphic->Clone() : nullptr);
}

TBitmap* TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) Adopt(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(FGraphic.get())) Adopt(std::make_unique<TIcon>());
    return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::Assign(const TPersistent& source)
{
    if (const auto* picture = dynamic_cast<const TPicture*>(&source)) {
        if (picture != this) SetGraphic(picture->Graphic());
    } else if (const auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
        SetGraphic(const_cast<TGraphic*>(graphic));
    } else {
        TPersistent::Assign(source);
    }
}
