// framework/ImgList.cpp
#include "ImgList.h"

#include <algorithm>
#include <utility>

#include "GdiGuards.h"

namespace {

COLORREF ListColor(TColor color)
{
    if (color == clNone) return CLR_NONE;
    if (color == clDefault) return CLR_DEFAULT;
    return ColorToRGB(color);
}

// Paints the black pixels of the monochrome picture in src (a width x height context) in
// a system colour, leaving the target alone under the white ones.
void PaintShape(HDC dst, int x, int y, int width, int height, HDC src, int sysColor)
{
    // D := ((P xor D) and S) xor P: the brush where the source is black, D where it is white.
    constexpr DWORD kBrushWhereBlack = 0x00B8074A;
    const TGdiObject brush(CreateSolidBrush(GetSysColor(sysColor)));
    if (!brush.Get()) throw EOutOfResources(kGdiOutOfResources);
    const TSelectObject selected(dst, brush.Get());
    BitBlt(dst, x, y, width, height, src, 0, 0, kBrushWhereBlack);
}

// Kept images cleared from a list wait for the next adds, up to this many.
constexpr size_t kSpareLimit = 4;

[[maybe_unused]] const bool gImageListRegistered = (RegisterComponentClass(TImageList::StaticClassInfo()), true);

} // namespace

// --- TChangeLink -----------------------------------------------------------------------

TChangeLink::~TChangeLink()
{
    if (Sender) Sender->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    OnChange(Sender);
}

// --- TCustomImageList ------------------------------------------------------------------

const TClassInfo& TCustomImageList::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TCustomImageList", &TComponent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(IntProp("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy, DefaultAllocBy));
        i.Props.push_back(IntProp("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor, DefaultBkColor,
                                  &ColorIdents()));
        i.Props.push_back(IntProp("BlendColor", &TCustomImageList::BlendColor, &TCustomImageList::SetBlendColor,
                                  DefaultBlendColor, &ColorIdents()));
        i.Props.push_back(IntProp("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, DefaultHeight));
        i.Props.push_back(BoolProp("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked,
                                   std::optional<bool>(DefaultMasked)));
        i.Props.push_back(IntProp("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, DefaultWidth));
        i.Props.push_back(EventProp("OnChange", &TCustomImageList::OnChange));
        return i;
    }();
    return info;
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink* link : FLinks) link->Sender = nullptr;
    FLinks.clear();
    FreeHandle();
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!FHandle) {
        const UINT flags = ILC_COLORDDB | (FMasked ? ILC_MASK : 0);
        FHandle = ImageList_Create(FWidth, FHeight, flags, FAllocBy, FAllocBy);
        if (!FHandle) throw EOutOfResources("Out of system resources");
        if (FBkColor != clNone) ImageList_SetBkColor(FHandle, ListColor(FBkColor));
        // The images kept so far move into the list, in their order.
        for (HBITMAP kept : FKept) ImageList_Add(FHandle, kept, nullptr);
        FreeKept();
    }
    return FHandle;
}

void TCustomImageList::FreeKept()
{
    for (HBITMAP kept : FKept) DeleteObject(kept);
    FKept.clear();
    for (HBITMAP spare : FSpare) DeleteObject(spare);
    FSpare.clear();
    if (FClearMask) DeleteObject(std::exchange(FClearMask, nullptr));
    if (FCopyDC) DeleteDC(std::exchange(FCopyDC, nullptr));
}

void TCustomImageList::FreeHandle()
{
    FreeKept();
    if (FHandle) ImageList_Destroy(std::exchange(FHandle, nullptr));
}

void TCustomImageList::Recreate()
{
    // The next use makes a list of the new kind; the images go with the old one. Spare
    // bitmaps and the mask of the old size go as well.
    if (!FHandle && FKept.empty()) {
        FreeKept();
        return;
    }
    FreeHandle();
    Change();
}

int TCustomImageList::Count() const
{
    return FHandle ? ImageList_GetImageCount(FHandle) : static_cast<int>(FKept.size());
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask)
{
    if (!image) return -1;
    // Without a mask the control makes the image opaque, and it clears the image under a
    // given mask itself.
    HBITMAP maskHandle = FMasked && mask && !mask->Empty() ? mask->Handle() : nullptr;
    if (!FHandle && !maskHandle && !image->Monochrome() && image->Width() == FWidth && image->Height() == FHeight) {
        // Kept as a copy: the caller may draw on its bitmap again at once.
        if (!FCopyDC && !(FCopyDC = CreateCompatibleDC(nullptr))) throw EOutOfResources("Out of system resources");
        FKept.reserve(FKept.size() + 1);
        HBITMAP spare = nullptr;
        if (!FSpare.empty()) {
            spare = FSpare.back();
            FSpare.pop_back();
        } else {
            // A DIB section rather than a bitmap of the screen's: Wine checks the display
            // settings with the wineserver each time a screen bitmap is selected into a
            // context, which the copy does on every add.
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = FWidth;
            info.bmiHeader.biHeight = FHeight;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            void* bits = nullptr;
            spare = CreateDIBSection(FCopyDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (!spare) throw EOutOfResources("Out of system resources");
        }
        HBITMAP kept = nullptr;
        try {
            kept = image->CopyInto(FCopyDC, spare);
        } catch (...) {
            if (spare) DeleteObject(spare);
            throw;
        }
        FKept.push_back(kept);
        Change();
        return static_cast<int>(FKept.size()) - 1;
    }
    HIMAGELIST list = Handle();
    const int index = ImageList_Add(list, image->Handle(), maskHandle);
    if (index < 0) throw EInvalidOperation("Unable to insert an image");
    Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* icon)
{
    if (!icon || icon->Empty()) return -1;
    const int index = ImageList_ReplaceIcon(Handle(), -1, icon->Handle());
    if (index < 0) throw EInvalidOperation("Unable to insert an image");
    Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor)
{
    if (!image) return -1;
    if (maskColor == clNone || !FMasked) return Add(image, nullptr);
    if (maskColor == clDefault) maskColor = image->TransparentColor();
    // The control blackens the masked pixels of the bitmap it is given: give it a copy.
    TBitmap copy;
    copy.Assign(*image);
    const int index = ImageList_AddMasked(Handle(), copy.Handle(), ColorToRGB(maskColor));
    if (index < 0) throw EInvalidOperation("Unable to insert an image");
    Change();
    return index;
}

void TCustomImageList::Delete(int index)
{
    if (!ValidIndex(index)) throw EInvalidOperation("Image index out of range");
    if (FHandle) {
        ImageList_Remove(FHandle, index);
    } else {
        DeleteObject(FKept[static_cast<size_t>(index)]);
        FKept.erase(FKept.begin() + index);
    }
    Change();
}

void TCustomImageList::Clear()
{
    if (FHandle) ImageList_Remove(FHandle, -1);
    for (HBITMAP kept : FKept)
        if (FSpare.size() < kSpareLimit)
            FSpare.push_back(kept);
        else
            DeleteObject(kept);
    FKept.clear();
    Change();
}

HICON TCustomImageList::GetIconHandle(int index) const
{
    if (!ValidIndex(index)) return nullptr;
    if (FHandle) return ImageList_GetIcon(FHandle, index, ILD_NORMAL);
    // What the list would give for an opaque image: its colours over an all-clear mask,
    // made once (the icon takes a copy). Rows of a monochrome bitmap are whole 16-bit words.
    if (!FClearMask) {
        const std::vector<BYTE> zeros(static_cast<size_t>((FWidth + 15) / 16 * 2) * static_cast<size_t>(FHeight));
        FClearMask = CreateBitmap(FWidth, FHeight, 1, 1, zeros.data());
        if (!FClearMask) return nullptr;
    }
    ICONINFO info{TRUE, 0, 0, FClearMask, FKept[static_cast<size_t>(index)]};
    return CreateIconIndirect(&info);
}

void TCustomImageList::GetIcon(int index, TIcon* icon)
{
    if (icon) icon->SetHandle(GetIconHandle(index));
}

void TCustomImageList::GetBitmap(int index, TBitmap* image)
{
    if (!image) return;
    image->SetMonochrome(false);
    image->SetSize(FWidth, FHeight);
    TCanvas* canvas = image->Canvas();
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->Brush()->SetColor(FBkColor == clNone ? clWhite : FBkColor);
    canvas->FillRect(RECT{0, 0, FWidth, FHeight});
    Draw(canvas, 0, 0, index);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled)
{
    if (!canvas || !ValidIndex(index)) return;
    Handle();
    HDC dc = canvas->Handle();
    if (enabled) {
        ImageList_DrawEx(FHandle, index, dc, x, y, 0, 0, ListColor(FBkColor), ListColor(FBlendColor), ILD_NORMAL);
        return;
    }
    // Disabled: every pixel that is not white (transparent ones included, drawn white)
    // forms a shape, painted in the highlight colour one pixel down and right, then in the
    // shadow colour in place.
    TBitmap shape;
    shape.SetSize(FWidth, FHeight);
    ImageList_DrawEx(FHandle, index, shape.Canvas()->Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    shape.SetMonochrome(true);
    HDC src = shape.Canvas()->Handle();
    const TDCColors colors(dc, RGB(0, 0, 0), RGB(255, 255, 255));
    PaintShape(dc, x + 1, y + 1, FWidth, FHeight, src, COLOR_BTNHIGHLIGHT);
    PaintShape(dc, x, y, FWidth, FHeight, src, COLOR_BTNSHADOW);
}

void TCustomImageList::Change()
{
    // A listener may unregister itself, or another one, while it is told.
    const std::vector<TChangeLink*> links = FLinks;
    for (TChangeLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Change();
    OnChange(this);
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (!link) return;
    if (link->Sender && link->Sender != this) link->Sender->UnRegisterChanges(link);
    link->Sender = this;
    if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    if (!link) return;
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
    if (link->Sender == this) link->Sender = nullptr;
}

void TCustomImageList::SetWidth(int value)
{
    if (value == FWidth) return;
    if (value < 1) throw EInvalidOperation("Invalid image size");
    FWidth = value;
    Recreate();
}

void TCustomImageList::SetHeight(int value)
{
    if (value == FHeight) return;
    if (value < 1) throw EInvalidOperation("Invalid image size");
    FHeight = value;
    Recreate();
}

void TCustomImageList::SetMasked(bool value)
{
    if (value == FMasked) return;
    FMasked = value;
    Recreate();
}

void TCustomImageList::SetBkColor(TColor value)
{
    if (value == FBkColor) return;
    FBkColor = value;
    if (FHandle) ImageList_SetBkColor(FHandle, ListColor(FBkColor));
    Change();
}

void TCustomImageList::SetBlendColor(TColor value)
{
    if (value == FBlendColor) return;
    FBlendColor = value;
    Change();
}

void TCustomImageList::SetAllocBy(int value)
{
    FAllocBy = std::max(value, 1);
}

// --- TImageList ------------------------------------------------------------------------

const TClassInfo& TImageList::StaticClassInfo()
{
    static const TClassInfo info{"TImageList", &TCustomImageList::StaticClassInfo(),
                                 &CreateComponentOf<TImageList>, {}, {}};
    return info;
}
