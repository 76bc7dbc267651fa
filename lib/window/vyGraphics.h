// lib/window/vyGraphics.h
// Unit vyGraphics: the library's drawing toolbox. Icons and pictures that store themselves
// packed in a form's "SFP" property, the gradient fill, picture placement styles, glyph and
// push-button frame drawing, small canvas helpers, the screen's colour depth, and the extra
// colour names stored forms may use. The packed format itself is vyPackedStream.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "ImgList.h"
#include "vyPackedStream.h"

enum class TvyGradientDirection { gdVertical, gdHorizontal, gdCentral };
enum class TvyBackgroundKind { bkPicture, bkGradient };
enum class TvyBackgroundPictureStyle { bsTile, bsStretch, bsZigzag, bsCenter, bsAlignLeft, bsAlignRight };
enum class TvyScreenColorMode { sm4bit, sm8bit, sm16bit, sm24bit, sm32bit };

// An enhanced metafile the object owns, as a picture can hold one. Its stream is the
// metafile's bytes; a placeable Windows metafile is accepted when loading and converted.
class TMetafile : public TGraphic {
public:
    TG_DECLARE_CLASS()
    TMetafile();
    ~TMetafile() override;

    HENHMETAFILE Handle() const { return FHandle; }
    // Adopts metafile (null empties the picture) and deletes the one it replaces.
    void SetHandle(HENHMETAFILE metafile);

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool Empty() const override { return FHandle == nullptr; }

    void Assign(const TPersistent& source) override;
    void Draw(TCanvas& canvas, const RECT& r) override;
    std::unique_ptr<TGraphic> Clone() const override;

    // Writes the metafile's bytes at the stream's position.
    void SaveToStream(TStream& stream) const;
    // Reads from the position to the end; damaged data raises EInvalidGraphic.
    void LoadFromStream(TStream& stream);

private:
    HENHMETAFILE FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

// Standard streams of the framework's graphics, which it lacks itself: the icon-file
// format for icons, a bitmap file for bitmaps. Loading checks every length against the
// data and raises EInvalidGraphic for anything damaged.
void SaveIconToStream(const TIcon& icon, TStream& stream);
void LoadIconFromStream(TIcon& icon, TStream& stream);
void SaveBitmapToStream(const TBitmap& bitmap, TStream& stream);
void LoadBitmapFromStream(TBitmap& bitmap, TStream& stream);

// An icon that a form description stores packed, as "SFP". Reading accepts "SFP" and the
// standard icon data ("Data", the icon file itself).
class TvyIcon : public TIcon {
public:
    TG_DECLARE_CLASS()
    bool ReadDefinedProperty(const std::string& name, const TFormValue& value) override;
    void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const override;
};

// What the unpacked "SFP" of a picture starts with.
enum class TvyPictureKind : unsigned char { Icon = 0, Metafile = 1 };

// A picture that stores icons and metafiles packed, as "SFP" (a kind byte and the graphic's
// stream); other graphics go as the standard picture data ("Data": the class name as a
// short string, then the graphic's stream; bitmaps with their 4-byte length first).
class TvyPicture : public TPicture {
public:
    TG_DECLARE_CLASS()
    bool ReadDefinedProperty(const std::string& name, const TFormValue& value) override;
    void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const override;
};

// Shades rect from color1 (top, left or centre) to color2 (bottom, right or rim) in 255
// bands (central: one ellipse per step, over the background colour). Errors are swallowed.
void DrawGradient(TCanvas* canvas, const RECT& rect, TColor color1, TvyGradientDirection direction, TColor background,
                  TColor color2);

// Places picture in rect by style, filling what the picture leaves uncovered with background
// where the style says so. Nothing is drawn outside rect; errors are swallowed.
void DrawPicture(TCanvas* canvas, const RECT& rect, TPicture* picture, TvyBackgroundPictureStyle style,
                 TColor background);

// Draws glyph stretched to (x, y, width, height), or without a glyph the image list's image
// index at (x, y). transparentColor clNone takes the glyph's pixel (0, 0). recolor turns
// oldColor into newColor (enabled only). Disabled draws an embossed shape.
void DrawGlyph(HDC dc, int x, int y, int width, int height, TBitmap* glyph, TCustomImageList* images, int imageIndex,
               bool disabled, bool transparent, TColor transparentColor, bool recolor, TColor oldColor,
               TColor newColor);

// A push-button frame; rect comes back as the area inside it.
void DrawButtonFrame(HDC dc, RECT& rect, bool pushed);

// True when the picture holds a graphic that is not empty.
bool PictureHasContent(const TPicture* picture);

// The canvas's text height of "Wj": its tallest and deepest letters.
int CanvasTextHeight(TCanvas* canvas);

// The screen's colour depth (BITSPIXEL of the screen context).
TvyScreenColorMode ScreenColorMode();
TvyScreenColorMode ColorModeFromBitsPerPixel(int bits);

// The enumeration names stored forms use.
const std::vector<std::string>& GradientDirectionNames();
const std::vector<std::string>& BackgroundKindNames();
const std::vector<std::string>& BackgroundPictureStyleNames();
