// lib/caption/vyCaptionButton.cpp
//
// The buttons are not windows: each is painted into the non-client area after the window
// has painted it, and answers hit tests with its own code (its command identifier), so the
// system hands clicks on it back to us as non-client messages with that code.
#include "vyCaptionButton.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "GdiGuards.h"
#include "vyGraphics.h"

namespace {

UINT NextIdentifier = 5734; // 0x1666
UINT NextToolId = 0;
HWND ToolTip = nullptr;
HBITMAP XPFaces[5] = {};
constexpr const char* XPFaceNames[5] = {"VYCB_XP_BLUE", "VYCB_XP_GREEN", "VYCB_XP_RED", "VYCB_XP_YELLOW", "VYCB_XP_BROWN"};

TvyVirtualBtnList* VirtualList = nullptr;

// The Windows 95 layouts of the records the button hands to the system.
constexpr UINT ToolInfoSize = 40;
constexpr UINT MenuItemInfoSize = 44;

bool UnitUp = false;

// The shared tooltip is made when the first button registers its hint (its window's first
// paint), not when the unit starts: the common controls it needs are loaded only then.
HWND SharedToolTip()
{
    if (!ToolTip && UnitUp) {
        InitCommonControls();
        ToolTip = CreateWindowExA(WS_EX_TOPMOST, "tooltips_class32", nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  0, 0, 0, 0, nullptr, nullptr, MainInstance(), nullptr);
        // A control that could not be made is not tried again on every button.
        if (!ToolTip) ToolTip = reinterpret_cast<HWND>(-1);
    }
    return ToolTip == reinterpret_cast<HWND>(-1) ? nullptr : ToolTip;
}

void InitUnit()
{
    UnitUp = true;
}

void DoneUnit()
{
    for (int i = 4; i >= 0; --i) {
        if (XPFaces[i]) DeleteObject(XPFaces[i]);
        XPFaces[i] = nullptr;
    }
    if (ToolTip && ToolTip != reinterpret_cast<HWND>(-1)) DestroyWindow(ToolTip);
    ToolTip = nullptr;
    UnitUp = false;
    TvyVirtualBtnList::Free();
}

struct TRegisterUnit {
    TRegisterUnit() { RegisterUnitInitialization(UnitOrder::CaptionButton, "vyCaptionButton", &InitUnit, &DoneUnit); }
} RegisterUnit;

TOOLINFOA ToolRecord(HWND window, UINT id)
{
    TOOLINFOA ti{};
    ti.cbSize = ToolInfoSize;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = window;
    ti.uId = id;
    ti.hinst = MainInstance();
    return ti;
}

const std::vector<std::string> StyleNames = {"cbsAuto", "cbsWin9x", "cbsWinXP"};
const std::vector<std::string> XPColorNames = {"xpcBlue", "xpcGreen", "xpcRed", "xpcYellow", "xpcBrown"};
const std::vector<std::string> SeparatorNames = {"seBefore", "seAfter"};

// Hands the shared tooltip a move of the mouse to pt, in the client coordinates its tools are
// measured in (the tooltip hears only client-area messages of the windows it subclasses).
void RelayToToolTip(HWND window, POINT pt)
{
    MSG relay{window, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y), static_cast<DWORD>(GetMessageTime()), {pt.x, pt.y}};
    SendMessageA(ToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
}

} // namespace

HWND CaptionButtonToolTip()
{
    return SharedToolTip();
}

HBITMAP CaptionButtonXPFace(TvyCaptionButtonXPStyleColor color)
{
    // Loaded with the first button drawn in the XP style: most systems never draw one.
    if (UnitUp && !XPFaces[0])
        for (int i = 0; i < 5; ++i)
            XPFaces[i] = static_cast<HBITMAP>(LoadImageA(MainInstance(), XPFaceNames[i], IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return XPFaces[static_cast<int>(color)];
}

UINT NextCaptionButtonIdentifier()
{
    return NextIdentifier;
}

// --- lists -----------------------------------------------------------------------------

int TvyRealButtonsList::IndexOf(const TvyCustomCaptionButton* b) const
{
    auto it = std::find(Items.begin(), Items.end(), b);
    return it == Items.end() ? -1 : static_cast<int>(it - Items.begin());
}

TvyVirtualBtnList& TvyVirtualBtnList::Instance()
{
    if (!VirtualList) VirtualList = new TvyVirtualBtnList();
    return *VirtualList;
}

void TvyVirtualBtnList::Free()
{
    delete VirtualList;
    VirtualList = nullptr;
}

TvyRealButtonsList* TvyVirtualBtnList::ListFor(HWND window)
{
    for (auto& l : FLists)
        if (l->Window == window) return l.get();
    return nullptr;
}

TvyRealButtonsList& TvyVirtualBtnList::Acquire(HWND window)
{
    if (TvyRealButtonsList* l = ListFor(window)) return *l;
    FLists.push_back(std::make_unique<TvyRealButtonsList>());
    FLists.back()->Window = window;
    return *FLists.back();
}

void TvyVirtualBtnList::Release(TvyRealButtonsList* list)
{
    if (!list || !list->Items.empty()) return;
    FLists.erase(std::remove_if(FLists.begin(), FLists.end(), [&](const auto& l) { return l.get() == list; }), FLists.end());
}

// --- TvyACaptionButton -----------------------------------------------------------------

namespace {

// A property of the view that reads and writes the button it shows.
template <class T, class G, class S>
TPropInfo ViewProp(TPropInfo p, G get, S set)
{
    p.Get = [get](const TPersistent& o) {
        const auto& b = static_cast<const TvyACaptionButton&>(o).Button();
        if constexpr (std::is_same_v<T, bool>)
            return TPropValue((b.*get)());
        else if constexpr (std::is_same_v<T, std::string>)
            return TPropValue(std::string((b.*get)()));
        else
            return TPropValue(static_cast<long long>((b.*get)()));
    };
    p.Set = [set](TPersistent& o, const TPropValue& v) {
        auto& b = static_cast<TvyACaptionButton&>(o).Button();
        if constexpr (std::is_same_v<T, bool>)
            (b.*set)(std::get<bool>(v));
        else if constexpr (std::is_same_v<T, std::string>)
            (b.*set)(std::get<std::string>(v));
        else
            (b.*set)(static_cast<T>(std::get<long long>(v)));
    };
    return p;
}

TPropInfo Named(const char* name, TPropKind kind, std::optional<TPropValue> def, const TIdentMap* idents = nullptr,
                std::vector<std::string> names = {})
{
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.Default = std::move(def);
    p.Idents = idents;
    p.Names = std::move(names);
    return p;
}

} // namespace

const TClassInfo& TvyACaptionButton::StaticClassInfo()
{
    using B = TvyCustomCaptionButton;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyACaptionButton", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(ViewProp<int>(Named("BtnOrder", TPropKind::Integer, TPropValue(-1LL)), &B::BtnOrder, &B::SetBtnOrder));
        p.push_back(ViewProp<int>(Named("Cursor", TPropKind::Integer, TPropValue(0LL), &CursorIdents()), &B::Cursor, &B::SetCursor));
        p.push_back(ViewProp<int>(Named("CursorDown", TPropKind::Integer, TPropValue(0LL), &CursorIdents()), &B::CursorDown,
                                  &B::SetCursorDown));
        p.push_back(ViewProp<bool>(Named("Enabled", TPropKind::Boolean, TPropValue(true)), &B::Enabled, &B::SetEnabled));
        p.push_back(ViewProp<std::string>(Named("Hint", TPropKind::String, TPropValue(std::string())), &B::Hint, &B::SetHint));
        p.push_back(ViewProp<int>(Named("SeparatorWidth", TPropKind::Integer, TPropValue(0LL)), &B::SeparatorWidth,
                                  &B::SetSeparatorWidth));
        p.push_back(ViewProp<bool>(Named("ShowHint", TPropKind::Boolean, TPropValue(true)), &B::ShowHint, &B::SetShowHint));
        p.push_back(ViewProp<TvyCaptionButtonStyle>(Named("Style", TPropKind::Enum, TPropValue(0LL), nullptr, StyleNames),
                                                    &B::Style, &B::SetStyle));
        p.push_back(ViewProp<bool>(Named("Visible", TPropKind::Boolean, TPropValue(true)), &B::Visible, &B::SetVisible));
        p.push_back(ViewProp<TvyCaptionButtonXPStyleColor>(
            Named("XPStyleColor", TPropKind::Enum, TPropValue(0LL), nullptr, XPColorNames), &B::XPStyleColor, &B::SetXPStyleColor));
        return i;
    }();
    return info;
}

// --- TvySystemMenu ---------------------------------------------------------------------

const TClassInfo& TvySystemMenu::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TvySystemMenu", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        // No default: the entry's presence is always stored.
        p.push_back(BoolProp("ApplyToMenu", &TvySystemMenu::ApplyToMenu, &TvySystemMenu::SetApplyToMenu, std::nullopt));
        p.push_back(StrProp<TvySystemMenu>("Caption", &TvySystemMenu::Caption, &TvySystemMenu::SetCaption));
        p.push_back(IntProp("Position", &TvySystemMenu::Position, &TvySystemMenu::SetPosition, 0));
        p.push_back(SetProp("Separators", &TvySystemMenu::Separators, &TvySystemMenu::SetSeparators, SeparatorNames, 0));
        return i;
    }();
    return info;
}

TvySystemMenu::~TvySystemMenu()
{
    RemoveEntry();
}

template <class T>
void TvySystemMenu::Change(T& field, const T& value)
{
    if (field == value) return;
    RemoveEntry();
    field = value;
    InsertEntry();
}

void TvySystemMenu::SetApplyToMenu(bool v)
{
    Change(FApplyToMenu, v);
}

void TvySystemMenu::SetCaption(const std::string& v)
{
    Change(FCaption, v);
}

void TvySystemMenu::SetPosition(int v)
{
    Change(FPosition, static_cast<int>(static_cast<unsigned short>(v)));
}

void TvySystemMenu::SetSeparators(TvyMenuSeparators v)
{
    Change(FSeparators, v);
}

void TvySystemMenu::InsertEntry()
{
    if (!FApplyToMenu || FInserted) return;
    HWND window = FButton.WindowHandle();
    if (!window) return;
    HMENU menu = FButton.GetSystemMenu();
    if (!menu) return;
    const int n = GetMenuItemCount(menu);
    // Beyond the last item means at the end; clamped to the end itself, so that a separator
    // inserted "at the item's place" below really lands before the appended item.
    int pos = FPosition > n ? n : FPosition;
    const std::string text = FCaption.empty() ? FButton.Hint() : FCaption;
    const UINT id = FButton.Identifier();
    auto insert = [&](int at, UINT itemId, bool separator, bool withSubmenu) {
        MENUITEMINFOA mii{};
        mii.cbSize = MenuItemInfoSize;
        mii.fMask = MIIM_STATE | MIIM_ID | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
        mii.fType = separator ? MFT_SEPARATOR : MFT_STRING;
        mii.fState = MFS_DEFAULT;
        mii.wID = itemId;
        if (!separator) {
            mii.dwTypeData = const_cast<char*>(text.c_str());
            mii.cch = static_cast<UINT>(text.size());
        }
        if (withSubmenu) {
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = FButton.PopupMenu()->Handle();
        }
        InsertMenuItemA(menu, static_cast<UINT>(at), TRUE, &mii);
    };
    insert(pos, id, false, !FButton.Designing() && FButton.PopupMenu());
    if (FSeparators & MenuSeparatorBit(TvyMenuSeparator::seBefore)) {
        // Inserted at the item's place, it lands before the item.
        insert(pos, id + 1000, true, false);
        pos += 2;
    } else {
        pos += 1;
    }
    if (FSeparators & MenuSeparatorBit(TvyMenuSeparator::seAfter)) insert(pos, id + 2000, true, false);
    EnableMenuItem(menu, id, MF_BYCOMMAND | (FButton.Enabled() ? MF_ENABLED : MF_GRAYED));
    FInserted = true;
    CheckEntry(FButton.MenuChecked());
}

void TvySystemMenu::RemoveEntry()
{
    if (!FInserted) return;
    FInserted = false;
    HWND window = FButton.WindowHandle();
    if (!window || !IsWindow(window)) return;
    HMENU menu = FButton.GetSystemMenu();
    const UINT id = FButton.Identifier();
    // Taken out, not deleted: deleting an entry destroys its sub-menu, which is the button's
    // drop-down menu.
    RemoveMenu(menu, id, MF_BYCOMMAND);
    if (FSeparators & MenuSeparatorBit(TvyMenuSeparator::seBefore)) DeleteMenu(menu, id + 1000, MF_BYCOMMAND);
    if (FSeparators & MenuSeparatorBit(TvyMenuSeparator::seAfter)) DeleteMenu(menu, id + 2000, MF_BYCOMMAND);
}

void TvySystemMenu::RecreateEntry()
{
    RemoveEntry();
    InsertEntry();
}

void TvySystemMenu::CheckEntry(bool state)
{
    if (!FInserted) return;
    CheckMenuItem(FButton.GetSystemMenu(), FButton.Identifier(), MF_BYCOMMAND | (state ? MF_CHECKED : MF_UNCHECKED));
}

// --- TvyCustomCaptionButton ------------------------------------------------------------

std::vector<TPropInfo> CaptionButtonProps()
{
    using B = TvyCustomCaptionButton;
    std::vector<TPropInfo> p;
    p.push_back(BoolProp("AllowPress", &B::AllowPress, &B::SetAllowPress, false));
    p.push_back(IntProp("BtnOrder", &B::BtnOrder, &B::SetBtnOrder, -1));
    p.push_back(IntProp("Cursor", &B::Cursor, &B::SetCursor, 0, &CursorIdents()));
    p.push_back(IntProp("CursorDown", &B::CursorDown, &B::SetCursorDown, 0, &CursorIdents()));
    p.push_back(BoolProp("Down", &B::Down, &B::SetDown, false));
    p.push_back(BoolProp("Enabled", &B::Enabled, &B::SetEnabled, true));
    p.push_back(ObjProp("Glyph", &B::Glyph));
    p.push_back(ObjProp("GlyphDown", &B::GlyphDown));
    p.push_back(BoolProp("GlyphTransparent", &B::GlyphTransparent, &B::SetGlyphTransparent, true));
    p.push_back(BoolProp("GlyphUseBtnTextColor", &B::GlyphUseBtnTextColor, &B::SetGlyphUseBtnTextColor, true));
    p.push_back(StrProp<B>("Hint", &B::Hint, &B::SetHint));
    p.push_back(CompProp("PopupMenu", &B::PopupMenu, &B::SetPopupMenu));
    p.push_back(IntProp("SeparatorWidth", &B::SeparatorWidth, &B::SetSeparatorWidth, 0));
    p.push_back(BoolProp("ShowHint", &B::ShowHint, &B::SetShowHint, true));
    p.push_back(ObjProp("SignFont", &B::SignFont));
    p.push_back(IntProp("SignLeft", &B::SignLeft, &B::SetSignLeft, 0));
    p.push_back(IntProp("SignTop", &B::SignTop, &B::SetSignTop, 0));
    p.push_back(StrProp<B>("Sign", &B::Sign, &B::SetSign, std::string("A")));
    p.push_back(EnumProp("Style", &B::Style, &B::SetStyle, StyleNames, std::optional(TvyCaptionButtonStyle::cbsAuto)));
    p.push_back(ObjProp("SystemMenu", &B::SystemMenu));
    p.push_back(BoolProp("Visible", &B::Visible, &B::SetVisible, true));
    p.push_back(EnumProp("XPStyleColor", &B::XPStyleColor, &B::SetXPStyleColor, XPColorNames,
                         std::optional(TvyCaptionButtonXPStyleColor::xpcBlue)));
    p.push_back(EventProp("OnButtonClick", &B::OnButtonClick));
    p.push_back(EventProp("OnMenuClick", &B::OnMenuClick));
    p.push_back(EventProp("OnClick", &B::OnClick));
    p.push_back(EventProp("OnPressed", &B::OnPressed));
    p.push_back(EventProp("OnReleased", &B::OnReleased));
    return p;
}

const TClassInfo& TvyCustomCaptionButton::StaticClassInfo()
{
    static const TClassInfo info{"TvyCustomCaptionButton", &TvyHFormHookComponentWatchCaption::StaticClassInfo(), nullptr,
                                 {}, {}};
    return info;
}

const TClassInfo& TvyCaptionButton::StaticClassInfo()
{
    static const TClassInfo info{"TvyCaptionButton", &TvyCustomCaptionButton::StaticClassInfo(),
                                 &CreateComponentOf<TvyCaptionButton>, CaptionButtonProps(), {}};
    return info;
}

namespace {
struct TRegisterClasses {
    TRegisterClasses() { RegisterComponentClass(TvyCaptionButton::StaticClassInfo()); }
} RegisterClasses;
} // namespace

TvyCustomCaptionButton::TvyCustomCaptionButton(TComponent* owner)
    : TvyHFormHookComponentWatchCaption(owner),
      FGlyph(std::make_unique<TBitmap>()),
      FGlyphDown(std::make_unique<TBitmap>()),
      FSignFont(std::make_unique<TFont>()),
      FSystemMenu(std::make_unique<TvySystemMenu>(*this)),
      FView(std::make_unique<TvyACaptionButton>(*this))
{
    TvyVirtualBtnList::Instance();
    FGlyph->OnChange = [this](TObject*) { Repaint(); };
    FGlyphDown->OnChange = [this](TObject*) { Repaint(); };
    FSignFont->SetName("Arial");
    FSignFont->SetColor(clBtnText);
    FSignFont->OnChange = [this](TObject*) { SignFontChanged(); };
    SignFontChanged();
    FIdentifier = NextIdentifier++;
    FList = &TvyVirtualBtnList::Instance().Acquire(WindowHandle());
    FList->Items.push_back(this);
    Realign(true);
}

TvyCustomCaptionButton::~TvyCustomCaptionButton()
{
    Destroying();
    SetVisible(false);
    if (FList) {
        FList->Items.erase(std::remove(FList->Items.begin(), FList->Items.end(), this), FList->Items.end());
        TvyRealButtonsList* list = FList;
        // The others close the gap.
        if (!list->Items.empty()) list->Items.front()->Realign(true);
        if (VirtualList) VirtualList->Release(list);
        FList = nullptr;
    }
    RemoveHintTool();
    FSystemMenu.reset();
}

void TvyCustomCaptionButton::SignFontChanged()
{
    if (FAdjustingSignFont) return;
    FAdjustingSignFont = true;
    FSignFont->SetHeight(7 - GetSystemMetrics(SM_CYSIZE));
    FAdjustingSignFont = false;
    Repaint();
}

bool TvyCustomCaptionButton::IsToolWindow() const
{
    return !Designing() && (WindowExStyle() & WS_EX_TOOLWINDOW);
}

bool TvyCustomCaptionButton::XPLook() const
{
    return FStyle == TvyCaptionButtonStyle::cbsWinXP || (FStyle == TvyCaptionButtonStyle::cbsAuto && ThemesActive());
}

int TvyCustomCaptionButton::CaptionHeight() const
{
    return GetSystemMetrics(IsToolWindow() ? SM_CYSMCAPTION : SM_CYCAPTION);
}

void TvyCustomCaptionButton::Loaded()
{
    TvyHFormHookComponentWatchCaption::Loaded();
    if (FList) {
        // Stable: repeated passes of adjacent swaps keep equal orders in place.
        auto& items = FList->Items;
        bool moved = false;
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (size_t i = 0; i + 1 < items.size(); ++i)
                if (items[i]->FStoredOrder > items[i + 1]->FStoredOrder) {
                    std::swap(items[i], items[i + 1]);
                    swapped = moved = true;
                }
        }
        if (moved) Realign(true);
    }
    AddHintTool();
}

void TvyCustomCaptionButton::Notification(TComponent* component, TOperation operation)
{
    TvyHFormHookComponentWatchCaption::Notification(component, operation);
    if (operation == TOperation::Remove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TvyCustomCaptionButton::CaptionChanged()
{
    Repaint();
}

// --- properties ------------------------------------------------------------------------

TvyBtnOrder TvyCustomCaptionButton::BtnOrder() const
{
    return FList ? FList->IndexOf(this) : -1;
}

void TvyCustomCaptionButton::SetBtnOrder(TvyBtnOrder v)
{
    if (Loading()) {
        FStoredOrder = v;
        return;
    }
    const int current = BtnOrder();
    if (current == -1) return;
    const int count = static_cast<int>(FList->Items.size());
    v = std::clamp(v, 0, count - 1);
    if (v == current) return;
    FList->Items.erase(FList->Items.begin() + current);
    FList->Items.insert(FList->Items.begin() + v, this);
    Realign(true);
}

void TvyCustomCaptionButton::SetAllowPress(bool v)
{
    FAllowPress = v;
    if (!v && !FCaptured) SetDown(false);
}

void TvyCustomCaptionButton::SetDown(bool v)
{
    if (!FAllowPress) v = false;
    if (v == FDown) return;
    FDown = v;
    if (FSystemMenu->ApplyToMenu()) FSystemMenu->CheckEntry(v);
    Repaint();
}

void TvyCustomCaptionButton::SetEnabled(bool v)
{
    FEnabled = v;
    if (HMENU menu = WindowHandle() ? GetSystemMenu() : nullptr)
        EnableMenuItem(menu, FIdentifier, MF_BYCOMMAND | (v ? MF_ENABLED : MF_GRAYED));
    UpdateHintTool();
    Repaint();
}

void TvyCustomCaptionButton::SetVisible(bool v)
{
    FVisible = v;
    UpdateHintTool();
    Realign(true);
}

void TvyCustomCaptionButton::SetHint(const std::string& v)
{
    if (v == FHint) return;
    FHint = v;
    UpdateHintTool();
}

void TvyCustomCaptionButton::SetShowHint(bool v)
{
    if (v == FShowHint) return;
    FShowHint = v;
    UpdateHintTool();
}

void TvyCustomCaptionButton::SetSeparatorWidth(int v)
{
    v = std::clamp(v, 0, 255);
    if (v == FSeparatorWidth) return;
    FSeparatorWidth = v;
    Realign(true);
}

void TvyCustomCaptionButton::SetSign(const std::string& v)
{
    const char c = v.empty() ? '\0' : v[0];
    if (c == FSign) return;
    FSign = c;
    Repaint();
}

void TvyCustomCaptionButton::SetSignLeft(int v)
{
    if (v == FSignLeft) return;
    FSignLeft = v;
    Repaint();
}

void TvyCustomCaptionButton::SetSignTop(int v)
{
    if (v == FSignTop) return;
    FSignTop = v;
    Repaint();
}

void TvyCustomCaptionButton::SetStyle(TvyCaptionButtonStyle v)
{
    if (v == FStyle) return;
    FStyle = v;
    Repaint();
}

void TvyCustomCaptionButton::SetXPStyleColor(TvyCaptionButtonXPStyleColor v)
{
    if (v == FXPStyleColor) return;
    FXPStyleColor = v;
    Repaint();
}

void TvyCustomCaptionButton::SetGlyphTransparent(bool v)
{
    if (v == FGlyphTransparent) return;
    FGlyphTransparent = v;
    Repaint();
}

void TvyCustomCaptionButton::SetGlyphUseBtnTextColor(bool v)
{
    if (v == FGlyphUseBtnTextColor) return;
    FGlyphUseBtnTextColor = v;
    Repaint();
}

void TvyCustomCaptionButton::SetGlyph(TBitmap* v)
{
    if (v)
        FGlyph->Assign(*v);
    else
        FGlyph->SetHandle(nullptr);
}

void TvyCustomCaptionButton::SetGlyphDown(TBitmap* v)
{
    if (v)
        FGlyphDown->Assign(*v);
    else
        FGlyphDown->SetHandle(nullptr);
}

void TvyCustomCaptionButton::SetPopupMenu(TPopupMenu* v)
{
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = v;
    if (v) v->FreeNotification(this);
    FSystemMenu->RecreateEntry();
}

// --- click operations ------------------------------------------------------------------

void TvyCustomCaptionButton::BeforeButtonClick() {}

void TvyCustomCaptionButton::ButtonClick()
{
    OnButtonClick(this);
    Click();
}

void TvyCustomCaptionButton::BeforeMenuClick() {}

void TvyCustomCaptionButton::MenuClick()
{
    OnMenuClick(this);
    Click();
}

void TvyCustomCaptionButton::Click()
{
    OnClick(this);
}

void TvyCustomCaptionButton::Pressed()
{
    OnPressed(this);
}

void TvyCustomCaptionButton::Released()
{
    OnReleased(this);
}

// --- layout and painting ---------------------------------------------------------------

void TvyCustomCaptionButton::Realign(bool redraw)
{
    if (!FList) return;
    const int w = GetSystemMetrics(IsToolWindow() ? SM_CXSMSIZE : SM_CXSIZE);
    int running = 2;
    for (TvyCustomCaptionButton* b : FList->Items) {
        if (!b->FVisible) continue;
        running += b->FSeparatorWidth + w - 2;
        b->FOffset = running;
    }
    // A hidden window's title bar is painted whole when it is shown.
    if (redraw && WindowHandle() && IsWindowVisible(WindowHandle())) RedrawFrame();
}

void TvyCustomCaptionButton::Repaint()
{
    PaintButton(FDown);
}

void TvyCustomCaptionButton::PaintButton(bool pressed)
{
    FDrawnPressed = pressed;
    HWND window = WindowHandle();
    if (!FVisible || !window || Loading()) return;
    const LONG style = WindowStyle();
    if ((style & (WS_BORDER | WS_DLGFRAME)) != (WS_BORDER | WS_DLGFRAME)) return;

    const TWindowDC windowDC(window);
    const HDC dc = windowDC.DC();
    RECT wr;
    GetWindowRect(window, &wr);
    int W = wr.right - wr.left;
    int bw, bh;
    if (IsToolWindow()) {
        bw = GetSystemMetrics(SM_CXSMSIZE);
        bh = GetSystemMetrics(SM_CYSMSIZE);
    } else {
        bw = GetSystemMetrics(SM_CXSIZE);
        bh = GetSystemMetrics(SM_CYSIZE);
        if (!(style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) && (WindowExStyle() & WS_EX_CONTEXTHELP)) W -= bw;
        if (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) W -= 2 * bw;
    }
    if (style & WS_SYSMENU) W -= bw;
    int fx, fy;
    if (IsIconic(window) || !(style & WS_THICKFRAME)) {
        fx = GetSystemMetrics(SM_CXDLGFRAME);
        fy = GetSystemMetrics(SM_CYDLGFRAME);
    } else {
        fx = GetSystemMetrics(SM_CXFRAME);
        fy = GetSystemMetrics(SM_CYFRAME);
    }
    const int t = fy + 2;
    FRect.left = W - FOffset - 2 * fx;
    FRect.top = t;
    FRect.right = FRect.left + bw - 2;
    FRect.bottom = bh - 5;

    const bool xp = XPLook();
    const int cw = bw - 2, ch = bh - 4;
    // The face is drawn off screen, then copied in one go.
    const TGdiObject bmp(CreateCompatibleBitmap(dc, cw, ch));
    if (!bmp.Get()) return;
    const TMemoryDC memDC(static_cast<HBITMAP>(bmp.Get()), dc);
    const HDC mem = memDC.DC();
    RECT face{0, 0, cw, ch};
    HBITMAP xpFace = xp ? CaptionButtonXPFace(FXPStyleColor) : nullptr;
    if (xpFace) {
        const TMemoryDC src(xpFace, dc);
        BITMAP info;
        GetObjectA(xpFace, sizeof info, &info);
        StretchBlt(mem, 0, 0, cw, ch, src.DC(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    } else {
        DrawFrameControl(mem, &face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
    }
    const int p = pressed ? 1 : 0;
    TBitmap* glyph = (pressed && !FGlyphDown->Empty()) ? FGlyphDown.get() : FGlyph.get();
    if (glyph->Empty()) {
        const TSelectObject font(mem, FSignFont->Handle());
        SetBkMode(mem, TRANSPARENT);
        SetTextAlign(mem, TA_CENTER);
        const int x = bw / 2 - 1 + FSignLeft + p, y = FSignTop + p;
        if (FEnabled) {
            SetTextColor(mem, xp ? RGB(255, 255, 255) : ColorToRGB(FSignFont->Color()));
            TextOutA(mem, x, y, &FSign, 1);
        } else {
            SetTextColor(mem, GetSysColor(COLOR_BTNHIGHLIGHT));
            TextOutA(mem, x + 1, y + 1, &FSign, 1);
            SetTextColor(mem, GetSysColor(COLOR_BTNSHADOW));
            TextOutA(mem, x, y, &FSign, 1);
        }
    } else {
        const bool recolour = FGlyphUseBtnTextColor && FEnabled;
        DrawGlyph(mem, 2 + p, 2 + p, bw - 6, bh - 8, glyph, nullptr, 0, !FEnabled, FGlyphTransparent, clNone, recolour,
                  clBlack, xp ? clWhite : clBtnText);
    }
    BitBlt(dc, FRect.left + t, FRect.top, cw, ch, mem, 0, 0, SRCCOPY);
}

// --- hints -----------------------------------------------------------------------------

void TvyCustomCaptionButton::AddHintTool()
{
    // A hidden window's hints wait for its first paint: nobody can point at its buttons yet,
    // and the tooltip control would load the common controls before the program's first picture.
    if (FToolRegistered || !WindowHandle() || !IsWindowVisible(WindowHandle()) || !SharedToolTip()) return;
    FToolId = NextToolId++;
    TOOLINFOA ti = ToolRecord(WindowHandle(), FToolId);
    SendMessageA(ToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    FToolRegistered = true;
    UpdateHintTool();
}

void TvyCustomCaptionButton::RemoveHintTool()
{
    if (!ToolTip || !FToolRegistered) return;
    TOOLINFOA ti = ToolRecord(WindowHandle(), FToolId);
    SendMessageA(ToolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    FToolRegistered = false;
}

void TvyCustomCaptionButton::UpdateHintTool()
{
    if (!ToolTip || !FToolRegistered) return;
    TOOLINFOA ti = ToolRecord(WindowHandle(), FToolId);
    if (FVisible && FEnabled && FShowHint && !FHint.empty()) {
        const int c = CaptionHeight();
        const int menu = GetMenu(WindowHandle()) ? GetSystemMetrics(SM_CYMENU) : 0;
        ti.rect.left = FRect.left + 1;
        ti.rect.right = FRect.right + 1;
        ti.rect.top = -c - menu;
        ti.rect.bottom = 0 - menu;
        ti.lpszText = const_cast<char*>(FHint.c_str());
    } else {
        ti.lpszText = const_cast<char*>("");
    }
    SendMessageA(ToolTip, TTM_SETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti));
}

// --- messages --------------------------------------------------------------------------

void TvyCustomCaptionButton::BeforeMessage(TMessage& m, bool& handled)
{
    TvyHFormHookComponentWatchCaption::BeforeMessage(m, handled);
    switch (m.Msg) {
    case WM_SETCURSOR:
        if (LOWORD(m.LParam) == FIdentifier) {
            ::SetCursor(Screen->Cursors(FDrawnPressed ? FCursorDown : FCursor));
            m.Result = TRUE;
            handled = true;
        }
        break;
    case WM_NCLBUTTONDBLCLK:
        // A fast second click presses the button again.
        if (m.WParam == FIdentifier) m.Msg = WM_NCLBUTTONDOWN;
        break;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
        if (m.WParam == FIdentifier) handled = true;
        break;
    default: break;
    }
}

void TvyCustomCaptionButton::AfterMessage(TMessage& m)
{
    TvyHFormHookComponentWatchCaption::AfterMessage(m);
    HWND window = WindowHandle();
    if (FPopupPending) {
        HWND capture = GetCapture();
        if (capture && capture != window) return;
        FPopupPending = false;
    }
    switch (m.Msg) {
    case WM_NCHITTEST:
        if (m.Result == HTCAPTION) {
            POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            ScreenToClient(window, &pt);
            if (FRect.left < pt.x && pt.x <= FRect.right + 1 && pt.y < 0) {
                m.Result = FIdentifier;
                if (FCaptured && !FDrawnPressed) PaintButton(true);
            }
        } else if (FDrawnPressed && !FDown) {
            PaintButton(false);
        }
        break;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
        Repaint();
        AddHintTool();
        UpdateHintTool();
        break;
    case WM_NCLBUTTONDOWN:
        if (!FEnabled || !FVisible) break;
        if (m.WParam == FIdentifier) {
            HideHint(window);
            PaintButton(true);
            ::SetCursor(Screen->Cursors(FCursorDown));
            if (!FCaptured) {
                SetCapture(window);
                FCaptured = true;
            }
        } else {
            if (!FDown) PaintButton(false);
            if (FCaptured) {
                FCaptured = false;
                if (GetCapture() == window) ReleaseCapture();
            }
        }
        break;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
        if (!FCaptured) break;
        FCaptured = false;
        if (GetCapture() == window) ReleaseCapture();
        if (FDrawnPressed) {
            BeforeButtonClick();
            if (FAllowPress) {
                SetDown(!FDown);
                if (FDown)
                    Pressed();
                else
                    Released();
            }
            ButtonClick();
        }
        if (FPopupMenu) {
            POINT pt{FRect.left + 2, -2};
            if (GetMenu(window)) pt.y -= GetSystemMetrics(SM_CYMENU);
            ClientToScreen(window, &pt);
            FPopupPending = true;
            FPopupMenu->SetPopupComponent(this);
            FPopupMenu->Popup(pt.x, pt.y);
        }
        if (!FAllowPress) PaintButton(false);
        break;
    case WM_MOUSEMOVE:
        if (FCaptured && !FDown && FDrawnPressed) {
            int c = CaptionHeight();
            if (GetMenu(window)) c += GetSystemMetrics(SM_CYMENU);
            // The caption band lies at negative client y: as an unsigned half it sits
            // just below 65536.
            if (HIWORD(m.LParam) < 65535 - c) PaintButton(FDown);
        }
        break;
    case WM_SYSCOMMAND:
        if (FPopupMenu) {
            FPopupMenu->DispatchCommand(LOWORD(m.WParam));
            break;
        }
        if (m.WParam == FIdentifier) {
            BeforeMenuClick();
            if (FAllowPress) {
                SetDown(!FDown);
                FSystemMenu->CheckEntry(FDown);
                if (FDown)
                    Pressed();
                else
                    Released();
            }
            MenuClick();
        }
        break;
    case VY_REINSERT_SYSMENU: FSystemMenu->RecreateEntry(); break;
    case WM_ENABLE:
        // A modal window opens (often from a click here): no hint stands or comes up over it.
        if (!m.WParam) HideHint(window);
        break;
    case WM_NCMOUSEMOVE:
        // The tooltip control hears only client-area mouse messages of the window it
        // subclasses; moves over the title bar are passed on to it here, once per window,
        // in the client coordinates its tools are measured in.
        if (FToolRegistered && FList && !FList->Items.empty() && FList->Items.front() == this) {
            POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            ScreenToClient(window, &pt);
            RelayToToolTip(window, pt);
        }
        break;
    default: break;
    }
}

void TvyCustomCaptionButton::HideHint(HWND window)
{
    // A move off every tool hides the hint and drops one about to show; the next move onto
    // the button starts it afresh.
    if (FToolRegistered) RelayToToolTip(window, POINT{-32768, -32768});
}

void TvyCustomCaptionButton::RestoreState()
{
    TvyHFormHookComponentWatchCaption::RestoreState();
    if (FList) FList->Window = WindowHandle();
    RemoveHintTool();
    AddHintTool();
    Realign(true);
    FSystemMenu->RecreateEntry();
}
