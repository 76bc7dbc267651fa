// framework/ImgList.h
// The common controls image list (comctl32 4.00, ImageList_* functions of Windows 95) as a
// component: a row of same-sized pictures, each with an optional mask, that other
// components draw or turn into icons.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Classes.h"
#include "Graphics.h"

class TCustomImageList;

// Lets any number of listeners follow one image list. The list sets Sender while the link
// is registered and clears it when either side goes away.
class TChangeLink : public TObject {
public:
    ~TChangeLink() override;

    TNotifyEvent OnChange; // sender: the image list
    TCustomImageList* Sender = nullptr;

    void Change();
};

class TCustomImageList : public TComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultWidth = 16;
    static constexpr int DefaultHeight = 16;
    static constexpr bool DefaultMasked = true;
    static constexpr TColor DefaultBkColor = clNone;
    static constexpr TColor DefaultBlendColor = clNone;
    static constexpr int DefaultAllocBy = 4;

    explicit TCustomImageList(TComponent* owner);
    ~TCustomImageList() override;

    // Fired after every change of the images or of how they are drawn.
    TNotifyEvent OnChange;

    // The list, created on first use (ILC_COLORDDB, plus ILC_MASK when Masked). Until then,
    // opaque images of the list's size are kept by the component itself and turned into
    // icons without the common controls, which are not loaded for them: a program whose
    // first picture is an icon of its list shows it that much sooner.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    int Count() const;

    // Adds the image, cut into Width-wide pieces when it is wider (one narrower than Width
    // adds nothing). Without a mask, or in an unmasked list, the image is opaque. Returns
    // the index of the first new image.
    int Add(TBitmap* image, TBitmap* mask);
    int AddIcon(TIcon* icon);
    // Pixels of maskColor become transparent (clDefault: the image's TransparentColor).
    // The image itself is left as it was.
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index);
    void Clear();

    // An icon of the image; an index out of range empties icon.
    void GetIcon(int index, TIcon* icon);
    // A new icon of the image, or nullptr; the caller destroys it.
    HICON GetIconHandle(int index) const;
    // The image on a Width x Height bitmap, over BkColor (white when clNone).
    void GetBitmap(int index, TBitmap* image);
    // Draws image index at (x, y); disabled images are drawn embossed in the 3-D colours.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

    // Changing the size or the mask setting of an allocated list empties it.
    int Width() const { return FWidth; }
    void SetWidth(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    bool Masked() const { return FMasked; }
    void SetMasked(bool value);
    // The colour behind the images (clNone: drawn transparently where masked).
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor value);
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor value);
    // How many images the list grows by; applies to the next list created.
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int value);

protected:
    virtual void Change();

private:
    void FreeHandle();
    void Recreate();
    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    void FreeKept();

    HIMAGELIST FHandle = nullptr;
    // The opaque images added before the list was created, in order (empty once it is).
    std::vector<HBITMAP> FKept;
    // For kept images: those cleared, which the next adds draw on again (a list cleared and
    // refilled on every tick then makes no bitmaps), the context they are drawn through and
    // the all-clear mask of their icons; all made on first use.
    std::vector<HBITMAP> FSpare;
    HDC FCopyDC = nullptr;
    mutable HBITMAP FClearMask = nullptr;
    int FWidth = DefaultWidth;
    int FHeight = DefaultHeight;
    bool FMasked = DefaultMasked;
    TColor FBkColor = DefaultBkColor;
    TColor FBlendColor = DefaultBlendColor;
    int FAllocBy = DefaultAllocBy;
    std::vector<TChangeLink*> FLinks;
};

// The image list a stored form names.
class TImageList : public TCustomImageList {
public:
    TG_DECLARE_CLASS()
    using TCustomImageList::TCustomImageList;
};
