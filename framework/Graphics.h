// framework/Graphics.h
// GDI wrappers: colours, fonts, pens and brushes that own their handles, a canvas that draws
// on a device context it does not own (subclasses may own one), and the pictures a canvas
// draws: device-dependent bitmaps with their own memory canvas, and icons.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Classes.h"

// --- Colours ---------------------------------------------------------------------------

// A Windows COLORREF (red in the low byte), or a system colour: the COLOR_xxx index with the
// top bit set, so every system colour is negative.
using TColor = int;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
// "No colour" (transparent, no background) and "whatever the owner uses".
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SysColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);

// System colours resolve through GetSysColor; anything else is returned as it is, so callers
// test for clNone and clDefault before handing the result to GDI.
COLORREF ColorToRGB(TColor color);

// The "TColor" identifier map (clLime, clBtnFace, ...), filled at start-up.
const TIdentMap& ColorIdents();
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(const std::string& ident, TColor& color);

// The screen's logical pixels per inch (LOGPIXELSY), read once.
int ScreenPixelsPerInch();

// A picture could not be loaded (missing resource, unreadable file).
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// --- Fonts, pens, brushes --------------------------------------------------------------

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned; // bit i set: TFontStyle i is in the set
constexpr TFontStyles FontStyleBit(TFontStyle s) { return 1u << static_cast<unsigned>(s); }

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TCanvas;

// Owns one GDI object, made from the properties on first use. A property change drops the
// object: a canvas that has it selected puts its device context's own object back first,
// listeners hear OnChange (and may ask for the new handle at once), then the old object is
// deleted.
class TGraphicsObject : public TPersistent {
public:
    TG_DECLARE_CLASS()
    TGraphicsObject() = default;
    ~TGraphicsObject() override;

    TNotifyEvent OnChange;
    bool HandleAllocated() const { return FHandle != nullptr; }

protected:
    void Changed();
    HGDIOBJ GetHandle();
    virtual HGDIOBJ CreateHandle() const = 0;

private:
    friend class TCanvas;
    HGDIOBJ FHandle = nullptr;
    TCanvas* FSelectedIn = nullptr; // the canvas whose device context holds FHandle
};

class TFont : public TGraphicsObject {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultCharset = DEFAULT_CHARSET;
    static constexpr TColor DefaultColor = clWindowText;
    static constexpr int DefaultHeight = -11;
    static constexpr const char* DefaultName = "MS Sans Serif";

    TFont();

    HFONT Handle() { return static_cast<HFONT>(GetHandle()); }
    void Assign(const TPersistent& source) override;

    int Charset() const { return FCharset; }
    void SetCharset(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Points, from Height at PixelsPerInch (rounded as MulDiv rounds).
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    // The resolution Size converts at; the screen's unless a printer canvas says otherwise.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value; }

protected:
    HGDIOBJ CreateHandle() const override;

private:
    int FCharset = DefaultCharset;
    TColor FColor = DefaultColor;
    int FHeight = DefaultHeight;
    std::string FName = DefaultName;
    TFontPitch FPitch = TFontPitch::fpDefault;
    TFontStyles FStyle = 0;
    int FPixelsPerInch;
};

class TPen : public TGraphicsObject {
public:
    TG_DECLARE_CLASS()
    static constexpr TColor DefaultColor = clBlack;
    static constexpr int DefaultMode = R2_COPYPEN;
    static constexpr int DefaultWidth = 1;

    HPEN Handle() { return static_cast<HPEN>(GetHandle()); }
    void Assign(const TPersistent& source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // The mix mode (R2_xxx) the canvas sets with SetROP2 when it selects the pen.
    int Mode() const { return FMode; }
    void SetMode(int value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    int Width() const { return FWidth; }
    void SetWidth(int value);

protected:
    HGDIOBJ CreateHandle() const override;

private:
    TColor FColor = DefaultColor;
    int FMode = DefaultMode;
    TPenStyle FStyle = TPenStyle::psSolid;
    int FWidth = DefaultWidth;
};

class TBrush : public TGraphicsObject {
public:
    TG_DECLARE_CLASS()
    static constexpr TColor DefaultColor = clWhite;

    HBRUSH Handle() { return static_cast<HBRUSH>(GetHandle()); }
    void Assign(const TPersistent& source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);

protected:
    HGDIOBJ CreateHandle() const override;

private:
    TColor FColor = DefaultColor;
    TBrushStyle FStyle = TBrushStyle::bsSolid;
};

// --- Canvas ----------------------------------------------------------------------------

class TGraphic;
class TCanvas;

// Lends a context to a canvas for a while: the canvas lets go of it (its font, pen and brush
// come out of the context) when the guard goes, also when drawing throws, before the owner
// of the context releases or deletes it.
class TCanvasDC {
public:
    TCanvasDC(TCanvas& canvas, HDC dc);
    ~TCanvasDC();
    TCanvasDC(const TCanvasDC&) = delete;
    TCanvasDC& operator=(const TCanvasDC&) = delete;

private:
    TCanvas& FCanvas;
};

// Draws on a device context. The base class borrows one (SetHandle); a subclass that makes
// its own overrides CreateHandle and gives it back with SetHandle(nullptr) before freeing
// it. Font, pen and brush are selected when a drawing call needs them; the context's own
// objects go back in when the context changes, a selected object changes, or the canvas
// dies, so nothing selected is ever deleted.
class TCanvas : public TPersistent {
public:
    TG_DECLARE_CLASS()
    TCanvas();
    ~TCanvas() override;

    // Fired after every drawing call made through the canvas.
    TNotifyEvent OnChange;

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }

    // The device context with font, pen and brush selected, ready for direct GDI calls.
    HDC Handle();
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Puts the context's own objects back; the next drawing call selects ours again.
    void Refresh();

    int CopyMode() const { return FCopyMode; }
    void SetCopyMode(int value) { FCopyMode = value; }

    void MoveTo(int x, int y);
    // Draws from the current position up to, not including, (x, y).
    void LineTo(int x, int y);
    POINT PenPos();
    // Shapes include their left and top edges and exclude their right and bottom ones.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(const POINT* points, int count);
    void Polyline(const POINT* points, int count);
    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void DrawFocusRect(const RECT& r);
    void TextOut(int x, int y, const std::string& text);
    // Text clipped to r; the background of r is filled with the brush unless it is clear.
    void TextRect(const RECT& r, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& r, TGraphic* graphic);
    // Stretches source's srcRect onto dst with CopyMode.
    void CopyRect(const RECT& dst, TCanvas* source, const RECT& srcRect);
    COLORREF Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

protected:
    // Called when a drawing call finds no context; a subclass makes one and calls SetHandle.
    virtual void CreateHandle() {}
    void Changed();

private:
    friend class TGraphicsObject;
    enum : unsigned { csHandle = 1, csFont = 2, csPen = 4, csBrush = 8, csAll = 15 };
    void RequiredState(unsigned state);
    void SelectFont();
    void SelectPen();
    void SelectBrush();
    void Deselect(TGraphicsObject& object);
    void DeselectAll();

    HDC FHandle = nullptr;
    unsigned FState = 0;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    int FCopyMode = SRCCOPY;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

// --- Pictures --------------------------------------------------------------------------

class TGraphic : public TPersistent {
public:
    TG_DECLARE_CLASS()
    TNotifyEvent OnChange;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    virtual void SetWidth(int /*value*/) {}
    virtual void SetHeight(int /*value*/) {}
    // Draws the picture stretched to r.
    virtual void Draw(TCanvas& canvas, const RECT& r) = 0;
    // A new graphic of the same kind holding a copy of this one (TPicture copies through it).
    virtual std::unique_ptr<TGraphic> Clone() const;

    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);

protected:
    void Changed();

    bool FTransparent = false;
};

// A device-dependent bitmap compatible with the screen (or a monochrome one), with a memory
// device context canvas made on first use. Owns its handle.
class TBitmap : public TGraphic {
public:
    TG_DECLARE_CLASS()
    TBitmap();
    ~TBitmap() override;

    TCanvas* Canvas();
    // The bitmap, taken out of the canvas's memory context first so that it can be selected
    // or read elsewhere; the next canvas call puts it back.
    HBITMAP Handle() const;
    // Adopts bitmap (null empties the picture) and deletes the one it replaces.
    void SetHandle(HBITMAP bitmap);
    // Hands the bitmap to the caller, who deletes it; the picture is empty afterwards.
    HBITMAP ReleaseHandle();

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool Empty() const override { return FHandle == nullptr; }
    // Resizing keeps the pixels that still fit; new area is white.
    void SetWidth(int value) override { SetSize(value, FHeight); }
    void SetHeight(int value) override { SetSize(FWidth, value); }
    void SetSize(int width, int height);
    bool Monochrome() const { return FMonochrome; }
    void SetMonochrome(bool value);

    // The colour drawn see-through when Transparent: the bottom-left pixel unless a colour
    // was set (clDefault goes back to that); clNone for an empty picture.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);

    void LoadFromResourceName(HINSTANCE instance, const char* name);
    void LoadFromResourceID(HINSTANCE instance, int id);
    void LoadFromFile(const std::string& fileName);

    // A deep copy of another TBitmap: pixels, size, format and transparency settings.
    void Assign(const TPersistent& source) override;
    void Draw(TCanvas& canvas, const RECT& r) override;
    std::unique_ptr<TGraphic> Clone() const override;
    // Copies the pixels into target, a bitmap of the same size and format that no context
    // holds, drawing through dc, a memory context of the caller's; a null target is made
    // anew. Returns the copy (the caller's), or null for an empty picture. Unlike Assign it
    // leaves the canvas's context alone and needs no context of its own, so a picture copied
    // on every tick costs a blit.
    HBITMAP CopyInto(HDC dc, HBITMAP target) const;

private:
    class TBitmapCanvas;
    // Deletes the canvas's memory context so that the bitmap is selected nowhere.
    void FreeContext() const;
    // Runs f with a device context that has the bitmap selected: the canvas's when it has
    // one, else a temporary one.
    template <class F>
    void WithDC(F&& f) const;
    // Frees the context, deletes the old bitmap and takes bitmap with its size and format.
    void Replace(HBITMAP bitmap, int width, int height, bool monochrome);

    HBITMAP FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    bool FMonochrome = false;
    TColor FTransparentColor = clDefault;
    mutable std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon handle the object owns.
class TIcon : public TGraphic {
public:
    TG_DECLARE_CLASS()
    TIcon();
    ~TIcon() override;

    HICON Handle() const { return FHandle; }
    // Adopts icon (null empties the picture) and destroys the one it replaces.
    void SetHandle(HICON icon);
    HICON ReleaseHandle();

    // Width and height 0 load the system's standard icon size.
    void LoadFromResourceName(HINSTANCE instance, const char* name, int width = 0, int height = 0);
    void LoadFromResourceID(HINSTANCE instance, int id, int width = 0, int height = 0);

    int Width() const override;
    int Height() const override;
    bool Empty() const override { return FHandle == nullptr; }

    void Assign(const TPersistent& source) override;
    void Draw(TCanvas& canvas, const RECT& r) override;
    std::unique_ptr<TGraphic> Clone() const override;

private:
    // The size is read from the icon when first asked: reading it copies both of the
    // icon's bitmaps, and an icon handed on at once (the tray's, twenty times a second)
    // never needs it.
    void MeasureSize() const;

    HICON FHandle = nullptr;
    mutable bool FSizeKnown = true;
    mutable int FWidth = 0;
    mutable int FHeight = 0;
};

// Holds one graphic of any kind, a copy of what it was given.
class TPicture : public TPersistent {
public:
    TG_DECLARE_CLASS()
    TPicture();
    ~TPicture() override;

    TNotifyEvent OnChange;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Copies graphic (nullptr empties the picture).
    void SetGraphic(TGraphic* graphic);
    // The graphic as a bitmap or icon, replacing a graphic of another kind with an empty one.
    TBitmap* Bitmap();
    TIcon* Icon();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // From a TPicture or any TGraphic.
    void Assign(const TPersistent& source) override;

private:
    void Adopt(std::unique_ptr<TGraphic> graphic);
    void Changed();

    std::unique_ptr<TGraphic> FGraphic;
};
