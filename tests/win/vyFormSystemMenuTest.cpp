// tests/win/vyFormSystemMenuTest.cpp
// The system-menu editor on real forms: the menu read back item by item after each apply,
// the title-bar boxes and frame in the window style, own items answered, the menu on screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyCaptionButton.h"
#include "vyFormSystemMenu.h"
#include "vyFormTopmost.h"

namespace {

using S = TvySystemMenuItemState;
const UINT Sep = 0;
// Wine's own "About Wine" entry, after a separator at the end of its default system menu;
// Windows has none, and the entries read back leave it out.
constexpr UINT WineAbout = 0xF141;

struct TEntry {
    UINT Id;
    std::string Text; // "-" for a separator
    UINT State;       // MFS_GRAYED, MFS_CHECKED
    bool operator==(const TEntry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TEntry& e)
{
    return os << "{" << std::hex << e.Id << std::dec << " '" << e.Text << "' " << e.State << "}";
}

std::vector<TEntry> Entries(HWND w)
{
    HMENU m = GetSystemMenu(w, FALSE);
    std::vector<TEntry> out;
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
        MENUITEMINFOA mii{};
        mii.cbSize = 44;
        mii.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE;
        GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &mii);
        char text[128] = "";
        GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (mii.wID == WineAbout) {
            if (!out.empty() && out.back().Text == "-") out.pop_back();
            continue;
        }
        const bool separator = (mii.fType & MFT_SEPARATOR) != 0;
        const UINT state = ((mii.fState & MFS_GRAYED) && !separator ? UINT(MFS_GRAYED) : 0u) | (mii.fState & MFS_CHECKED);
        out.push_back({mii.wID, separator ? "-" : text, state});
    }
    return out;
}

std::vector<UINT> Ids(HWND w)
{
    std::vector<UINT> ids;
    for (const TEntry& e : Entries(w)) ids.push_back(e.Id);
    return ids;
}

constexpr LONG Elements = WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
LONG ElementsOf(HWND w)
{
    return GetWindowLongA(w, GWL_STYLE) & Elements;
}

// Ends whatever menu the window shows, once it is on screen, after taking its picture; from
// a timer, which the system's menu loops dispatch.
HWND MenuOwner = nullptr;
RECT OpenMenuRect{};
bool MenuShot = false;
void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return; // not open yet: the next tick
    KillTimer(nullptr, id);
    GetWindowRect(menu, &OpenMenuRect);
    PumpFor(100); // what the menu drew reaches the screen a moment later
    RECT scene{};
    GetWindowRect(MenuOwner, &scene);
    UnionRect(&scene, &scene, &OpenMenuRect);
    InflateRect(&scene, 10, 10);
    TBitmap shot;
    CaptureScreen(scene, shot);
    MenuShot = SavePngArtifact(shot, "vyFormSystemMenu-open.png");
    SendMessageA(MenuOwner, WM_CANCELMODE, 0, 0);
}
void CALLBACK CancelMenuMode(HWND, UINT, UINT_PTR, DWORD)
{
    SendMessageA(MenuOwner, WM_CANCELMODE, 0, 0);
}

class FormSystemMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.reset(new TForm(nullptr));
        form->SetBounds(120, 120, 360, 200);
        form->SetCaption("System menu");
    }
    void Read(const std::string& body) { TFormReader::ReadRoot(*form, "object F: TForm\n" + body + "end\n"); }
    template <class T>
    T* Find(const char* name) const
    {
        return dynamic_cast<T*>(form->FindComponent(name));
    }
    TvyFormSystemMenu* Menu() const { return Find<TvyFormSystemMenu>("SysMenu"); }
    TOwnedPtr<TForm> form;
};

// The main window's settings: a single border, no boxes, title-bar buttons whose entries come
// back after every rebuild; the menu as it opens on screen.
TEST_F(FormSystemMenuTest, TheMainWindowsSettingsLeaveMoveCloseAndTheButtonsEntries)
{
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
    Read("  object Pin: TvyFormTopmost\n"
         "    SystemMenu.Caption = 'Always on &top'\n"
         "    SystemMenu.Position = 7\n"
         "    SystemMenu.Separators = [seBefore]\n"
         "  end\n"
         "  object About: TvyCaptionButton\n"
         "    SystemMenu.ApplyToMenu = True\n"
         "    SystemMenu.Caption = 'About...'\n"
         "    SystemMenu.Position = 8\n"
         "  end\n"
         "  object SysMenu: TvyFormSystemMenu\n"
         "    SysItems.Restore = isHidden\n"
         "    SysItems.Size = isHidden\n"
         "    SysItems.Minimize = isHidden\n"
         "    SysItems.Maximize = isHidden\n"
         "  end\n");
    auto* pin = Find<TvyFormTopmost>("Pin");
    auto* about = Find<TvyCaptionButton>("About");
    ASSERT_TRUE(pin && about && Menu());
    const HWND w = form->Handle();
    const UINT p = pin->Identifier(), a = about->Identifier();
    const std::vector<TEntry> expected = {{SC_MOVE, "&Move", 0},       {Sep, "-", 0},
                                          {SC_CLOSE, "&Close\tAlt+F4", 0}, {p + 1000, "-", 0},
                                          {p, "Always on &top", 0},     {a, "About...", 0}};
    EXPECT_EQ(expected, Entries(w)) << "after loading";
    EXPECT_EQ(0, ElementsOf(w)) << "no boxes, and a single border stays single";

    form->Show();
    SetForegroundWindow(w);
    MenuOwner = w;
    MenuShot = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &LookAtMenu);
    PostMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, ' '); // Alt+Space
    EXPECT_TRUE(PumpUntil([] { return MenuShot; }, 5000)) << "the menu opened and was captured";
    KillTimer(nullptr, timer);
    EXPECT_TRUE(PumpUntil([] { return !IsWindowVisible(FindWindowA("#32768", nullptr)); }, 2000)) << "closed again";
    RECT frame{};
    GetWindowRect(w, &frame);
    EXPECT_GT(OpenMenuRect.top, frame.top) << "below the title bar";
    EXPECT_GE(OpenMenuRect.bottom - OpenMenuRect.top, 4 * GetSystemMetrics(SM_CYMENU)) << "six entries";

    // Every later rebuild starts from the default menu and gets the entries back once.
    pin->SetTopmost(true);
    Menu()->SysItems()->SetMove(S::isDisabled);
    auto changed = expected;
    changed[0].State = MFS_GRAYED;
    changed[4].State = MFS_CHECKED;
    EXPECT_EQ(changed, Entries(w)) << "Move greyed; the entry keeps its check mark";
    Menu()->SetActive(false);
    EXPECT_EQ((std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE, p + 1000, a, p}),
              Ids(w))
        << "inactive: the default menu, each entry at its own position (About at 8 before Pin at 8)";
}

// One command at a time on a sizeable form: the menu and the title bar.
TEST_F(FormSystemMenuTest, EachStateGovernsItsCommandAndTitleBarElement)
{
    struct TCase {
        const char* What;
        void (TvyFormSystemMenuItems::*Set)(S);
        S State;
        std::vector<UINT> Ids;
        std::vector<UINT> Greyed;
        LONG Removed; // title-bar elements the change takes away
    };
    const std::vector<UINT> all = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE};
    const TCase cases[] = {
        {"Minimize greyed", &TvyFormSystemMenuItems::SetMinimize, S::isDisabled, all, {SC_MINIMIZE}, WS_MINIMIZEBOX},
        {"Maximize hidden", &TvyFormSystemMenuItems::SetMaximize, S::isHidden,
         {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, Sep, SC_CLOSE}, {}, WS_MAXIMIZEBOX},
        {"Size hidden", &TvyFormSystemMenuItems::SetSize, S::isHidden,
         {SC_RESTORE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE}, {}, WS_THICKFRAME},
        {"Close greyed", &TvyFormSystemMenuItems::SetClose, S::isDisabled, all, {SC_CLOSE}, 0},
        {"Restore hidden", &TvyFormSystemMenuItems::SetRestore, S::isHidden,
         {SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE}, {}, 0},
        {"Separator greyed changes nothing", &TvyFormSystemMenuItems::SetSeparator, S::isDisabled, all, {}, 0},
        {"Separator hidden", &TvyFormSystemMenuItems::SetSeparator, S::isHidden,
         {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE}, {}, 0},
    };
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu) | BorderIconBit(TBorderIcon::biMinimize));
    Read("  object SysMenu: TvyFormSystemMenu\n  end\n");
    EXPECT_EQ(all, Ids(form->Handle())) << "defaults";
    EXPECT_EQ(Elements, ElementsOf(form->Handle())) << "designed without a maximize box, the form gains one";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TvyFormSystemMenuItems& items = *Menu()->SysItems();
        (items.*c.Set)(c.State);
        EXPECT_EQ(c.Ids, Ids(form->Handle()));
        std::vector<UINT> greyed;
        for (const TEntry& e : Entries(form->Handle()))
            if (e.State & MFS_GRAYED) greyed.push_back(e.Id);
        EXPECT_EQ(c.Greyed, greyed);
        EXPECT_EQ(Elements & ~c.Removed, ElementsOf(form->Handle()));
        (items.*c.Set)(S::isActive);
    }

    // A window re-created by the framework gets the edited menu and title bar again.
    Menu()->SysItems()->SetMaximize(S::isHidden);
    const HWND old = form->Handle();
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
    ASSERT_NE(old, form->Handle()) << "a new window";
    PumpQueued();
    EXPECT_EQ((std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, Sep, SC_CLOSE}), Ids(form->Handle()));
    EXPECT_EQ(WS_MINIMIZEBOX | WS_THICKFRAME, ElementsOf(form->Handle()));
}

TEST_F(FormSystemMenuTest, SwitchedOffOnADialogTheDialogMenuComesBackWithoutBoxes)
{
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Read("  object SysMenu: TvyFormSystemMenu\n  end\n");
    EXPECT_EQ(Elements, ElementsOf(form->Handle())) << "all active: the dialog gains both boxes and the frame";
    Menu()->SetActive(false);
    EXPECT_EQ((std::vector<UINT>{SC_MOVE, SC_CLOSE}), Ids(form->Handle()));
    EXPECT_EQ(0, ElementsOf(form->Handle()));

    TOwnedPtr<TComponent> notAForm(new TComponent(nullptr));
    try {
        TvyFormSystemMenu stray(notAForm.get());
        ADD_FAILURE() << "a menu component off a form";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ("Owner must be a Form!", e.what());
    }
}

// Own items at InsertPosition 2, chosen through the system command, rebuilt (not doubled)
// each time the system is about to open the menu.
TEST_F(FormSystemMenuTest, OwnItemsComeInAtTheirPositionAndAnswerWithTheFormAsSender)
{
    Read("  object SysMenu: TvyFormSystemMenu\n"
         "    InsertPosition = 2\n"
         "    object First: TMenuItem\n"
         "      Caption = 'First'\n"
         "      ShortCut = 16454\n" // Ctrl+F
         "      Checked = True\n"
         "    end\n"
         "    object Second: TMenuItem\n"
         "      Caption = 'Second'\n"
         "      Enabled = False\n"
         "    end\n"
         "    object Hidden: TMenuItem\n"
         "      Caption = 'Hidden'\n"
         "      Visible = False\n"
         "    end\n"
         "    object More: TMenuItem\n"
         "      Caption = 'More'\n"
         "      object Inner: TMenuItem\n"
         "        Caption = 'Inner'\n"
         "      end\n"
         "    end\n"
         "  end\n"
         "  object Drop: TPopupMenu\n"
         "    object Dropped: TMenuItem\n"
         "      Caption = 'Dropped'\n"
         "    end\n"
         "  end\n"
         "  object Btn: TvyCaptionButton\n"
         "    PopupMenu = Drop\n"
         "    SystemMenu.ApplyToMenu = True\n"
         "    SystemMenu.Position = 99\n"
         "  end\n");
    auto* first = Find<TMenuItem>("First");
    auto* second = Find<TMenuItem>("Second");
    auto* more = Find<TMenuItem>("More");
    auto* btn = Find<TvyCaptionButton>("Btn");
    ASSERT_TRUE(first && second && more && btn);
    HWND w = form->Handle();
    // The hidden item still counts for the position, so Size lands between; a title-bar
    // button's entry, with its drop-down menu, at the end.
    const std::vector<UINT> expected = {SC_RESTORE, SC_MOVE, first->Command(), second->Command(), SC_SIZE,
                                        more->Command(), SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE, btn->Identifier()};
    const HMENU drop = Find<TPopupMenu>("Drop")->Handle();
    auto dropIntact = [&] {
        HMENU m = GetSystemMenu(w, FALSE);
        return IsMenu(drop) && GetSubMenu(m, GetMenuItemCount(m) - 1) == drop;
    };
    EXPECT_TRUE(dropIntact()) << "the button's drop-down menu after loading";
    EXPECT_EQ(expected, Ids(w));
    const auto entries = Entries(w);
    ASSERT_EQ(expected.size(), entries.size());
    EXPECT_EQ((TEntry{first->Command(), "First\tCtrl+F", MFS_CHECKED}), entries[2]);
    EXPECT_EQ((TEntry{second->Command(), "Second", MFS_GRAYED}), entries[3]);
    HMENU sub = more->Handle();
    EXPECT_EQ(sub, GetSubMenu(GetSystemMenu(w, FALSE), 5)) << "the item's own sub-menu";

    std::vector<TObject*> senders;
    first->OnClick = [&](TObject* sender) { senders.push_back(sender); };
    SendMessageA(w, WM_SYSCOMMAND, first->Command(), 0);
    SendMessageA(w, WM_SYSCOMMAND, second->Command(), 0);
    EXPECT_EQ(std::vector<TObject*>{form.get()}, senders) << "only the first has a handler";

    // The system opens the menu from these; a timer closes it again.
    MenuOwner = w;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CancelMenuMode);
    HMENU sys = GetSystemMenu(w, FALSE);
    DeleteMenu(sys, first->Command(), MF_BYCOMMAND);
    PostMessageA(w, WM_RBUTTONUP, 0, 0); // ends the system's wait for the right button
    SendMessageA(w, WM_NCRBUTTONDOWN, HTCAPTION, 0);
    EXPECT_EQ(expected, Ids(w)) << "rebuilt by a right click on the caption";
    DeleteMenu(sys, second->Command(), MF_BYCOMMAND);
    SendMessageA(w, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    EXPECT_EQ(expected, Ids(w)) << "rebuilt by a click on the system icon";
    RemoveMenu(sys, 5, MF_BYPOSITION); // the sub-menu, kept
    SendMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    KillTimer(nullptr, timer);
    PumpQueued();
    EXPECT_EQ(expected, Ids(w)) << "rebuilt by Alt+Space";
    EXPECT_TRUE(IsMenu(sub)) << "the sub-menu is the item's, not the reset's to destroy";
    EXPECT_EQ(sub, more->Handle());
    EXPECT_TRUE(dropIntact()) << "the button's drop-down menu after the rebuilds";

    // A window the framework makes anew gets the same menu, sub-menus and all.
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    ASSERT_NE(w, form->Handle());
    w = form->Handle();
    EXPECT_TRUE(PumpUntil([&] { return Ids(w) == expected; })) << "re-created";
    EXPECT_EQ(expected, Ids(w));
    EXPECT_TRUE(IsMenu(sub));
    EXPECT_EQ(sub, GetSubMenu(GetSystemMenu(w, FALSE), 5)) << "the item's sub-menu, in the new window's menu";
    EXPECT_TRUE(dropIntact()) << "the button's drop-down menu in the new window's menu";
}

} // namespace
