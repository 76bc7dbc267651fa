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

struct TEntry {
    UINT Id;
    std::string Text; // "-" for a separator
    UINT State;
    bool operator==(const TEntry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TEntry& e)
{
    return os << "{" << std::hex << e.Id << std::dec << " '" << e.Text << "' state " << e.State << "}";
}

// Wine's own "About Wine" entry, after a separator at the end of its default system menu;
// Windows has none, and the entries read back leave it out.
constexpr UINT WineAbout = 0xF141;

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
                const UINT state = ((mii.fState & MFS_GRAYED) ? UINT(MFS_GRAYED) : 0u) | (mii.fState & MFS_CHECKED);
        if (mii.wID == WineAbout) {
            if (!out.empty() && out.back().Text == "-") out.pop_back();
            continue;
        }
        out.push_back({mii.wID, (mii.fType & MFT_SEPARATOR) ? "-" : text, state});
    }
    return out;
}

std::vector<UINT> Ids(HWND w)
{
    std::vector<UINT> ids;
    for (const TEntry& e : Entries(w)) ids.push_back(e.Id);
    return ids;
}

bool Has(HWND w, LONG bit)
{
    return (GetWindowLongA(w, GWL_STYLE) & bit) != 0;
}

class FormSystemMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.reset(new TForm(nullptr));
        form->SetBounds(120, 120, 360, 200);
        form->SetCaption("System menu");
    }
    void Read(const std::string& body)
    {
        TFormReader::ReadRoot(*form, "object F: TForm\n" + body + "end\n");
    }
    TvyFormSystemMenu* Menu() const { return dynamic_cast<TvyFormSystemMenu*>(form->FindComponent("SysMenu")); }
    TOwnedPtr<TForm> form;
};

const UINT Sep = 0;

// The main window's settings: a single border, no boxes, three title-bar buttons whose
// entries come back after every rebuild of the menu.
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
         "    Hint = 'About'\n"
         "    SystemMenu.ApplyToMenu = True\n"
         "    SystemMenu.Caption = 'About...'\n"
         "    SystemMenu.Position = 8\n"
         "  end\n"
         "  object Auto: TvyCaptionButton\n"
         "    SystemMenu.ApplyToMenu = True\n"
         "    SystemMenu.Caption = 'Auto-run at &StartUp'\n"
         "    SystemMenu.Position = 10\n"
         "  end\n"
         "  object SysMenu: TvyFormSystemMenu\n"
         "    SysItems.Restore = isHidden\n"
         "    SysItems.Size = isHidden\n"
         "    SysItems.Minimize = isHidden\n"
         "    SysItems.Maximize = isHidden\n"
         "  end\n");
    auto* pin = dynamic_cast<TvyFormTopmost*>(form->FindComponent("Pin"));
    auto* about = dynamic_cast<TvyCaptionButton*>(form->FindComponent("About"));
    auto* autorun = dynamic_cast<TvyCaptionButton*>(form->FindComponent("Auto"));
    ASSERT_TRUE(pin && about && autorun && Menu());
    const HWND w = form->Handle();
    const std::vector<UINT> expected = {SC_MOVE, Sep, SC_CLOSE, pin->Identifier() + 1000, pin->Identifier(),
                                        about->Identifier(), autorun->Identifier()};
    EXPECT_EQ(expected, Ids(w)) << "after loading";
    const auto entries = Entries(w);
    ASSERT_EQ(expected.size(), entries.size());
    EXPECT_EQ("&Move", entries[0].Text);
    EXPECT_EQ("&Close\tAlt+F4", entries[2].Text);
    EXPECT_EQ("Always on &top", entries[4].Text);
    EXPECT_EQ("About...", entries[5].Text);
    EXPECT_FALSE(Has(w, WS_MINIMIZEBOX)) << "no minimize box";
    EXPECT_FALSE(Has(w, WS_MAXIMIZEBOX)) << "no maximize box";
    EXPECT_FALSE(Has(w, WS_THICKFRAME)) << "a single border stays single";

    // Every later rebuild starts from the default menu and gets the entries back once.
    pin->SetTopmost(true);
    Menu()->SysItems()->SetMove(S::isDisabled);
    EXPECT_EQ(expected, Ids(w)) << "after a property change";
    EXPECT_EQ(static_cast<UINT>(MFS_GRAYED), Entries(w)[0].State) << "Move greyed";
    EXPECT_EQ(static_cast<UINT>(MFS_CHECKED), Entries(w)[4].State) << "the entry keeps its check mark";
    Menu()->SysItems()->SetMove(S::isActive);
    Menu()->SetActive(false);
    EXPECT_EQ((std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE,
                                 pin->Identifier() + 1000, about->Identifier(), pin->Identifier(), autorun->Identifier()}),
              Ids(w))
        << "inactive: the default menu, and each entry at its own position (About at 8 lands before Pin at 8)";
}

// One command at a time on a sizeable form with both boxes: the menu and the title bar.
TEST_F(FormSystemMenuTest, EachStateGovernsItsCommandAndTitleBarElement)
{
    struct TCase {
        const char* What;
        void (TvyFormSystemMenuItems::*Set)(S);
        S State;
        std::vector<UINT> Ids;
        std::vector<UINT> Greyed;
        LONG Removed; // style bits the change takes away
    };
    const std::vector<UINT> all = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, Sep, SC_CLOSE};
    const TCase cases[] = {
        {"defaults", &TvyFormSystemMenuItems::SetMove, S::isActive, all, {}, 0},
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
    // Designed without a maximize box: all at their defaults, the form gains one.
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu) | BorderIconBit(TBorderIcon::biMinimize));
    Read("  object SysMenu: TvyFormSystemMenu\n  end\n");
    const HWND w = form->Handle();
    EXPECT_TRUE(Has(w, WS_MAXIMIZEBOX)) << "a form designed without a maximize box gains one";
    const LONG elements = WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TvyFormSystemMenuItems& items = *Menu()->SysItems();
        (items.*c.Set)(c.State);
        EXPECT_EQ(c.Ids, Ids(w));
        std::vector<UINT> greyed;
        for (const TEntry& e : Entries(w))
            if ((e.State & MFS_GRAYED) && e.Text != "-") greyed.push_back(e.Id);
        EXPECT_EQ(c.Greyed, greyed);
        EXPECT_EQ(elements & ~c.Removed, GetWindowLongA(w, GWL_STYLE) & elements) << "title-bar elements";
        (items.*c.Set)(S::isActive);
    }

    // A window re-created by the framework gets the edited menu and title bar again.
    Menu()->SysItems()->SetMaximize(S::isHidden);
    const HWND old = w;
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
    ASSERT_NE(old, form->Handle()) << "a new window";
    PumpQueued();
    EXPECT_EQ((std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, Sep, SC_CLOSE}), Ids(form->Handle()));
    EXPECT_EQ(WS_MINIMIZEBOX | WS_THICKFRAME, GetWindowLongA(form->Handle(), GWL_STYLE) & elements);
}

TEST_F(FormSystemMenuTest, SwitchedOffOnADialogTheDialogMenuComesBackWithoutBoxes)
{
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Read("  object SysMenu: TvyFormSystemMenu\n  end\n");
    const HWND w = form->Handle();
    EXPECT_TRUE(Has(w, WS_MINIMIZEBOX) && Has(w, WS_MAXIMIZEBOX)) << "all active: the dialog gains both boxes";
    Menu()->SetActive(false);
    EXPECT_EQ((std::vector<UINT>{SC_MOVE, SC_CLOSE}), Ids(w));
    EXPECT_FALSE(Has(w, WS_MINIMIZEBOX));
    EXPECT_FALSE(Has(w, WS_MAXIMIZEBOX));
    EXPECT_FALSE(Has(w, WS_THICKFRAME));

    TOwnedPtr<TComponent> notAForm(new TComponent(nullptr));
    try {
        TvyFormSystemMenu stray(notAForm.get());
        ADD_FAILURE() << "a menu component off a form";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ("Owner must be a Form!", e.what());
    }
}

// Ends whatever menu mode the window is in; from a timer, which menu loops dispatch.
HWND MenuOwner = nullptr;
void CALLBACK CancelMenuMode(HWND, UINT, UINT_PTR, DWORD)
{
    SendMessageA(MenuOwner, WM_CANCELMODE, 0, 0);
}

// Own items at InsertPosition 2, chosen through the real system command, rebuilt (not
// doubled) each time the menu is about to open.
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
         "    object Line: TMenuItem\n"
         "      Caption = '-'\n"
         "    end\n"
         "    object More: TMenuItem\n"
         "      Caption = 'More'\n"
         "      object Inner: TMenuItem\n"
         "        Caption = 'Inner'\n"
         "      end\n"
         "    end\n"
         "  end\n");
    auto item = [&](const char* name) { return dynamic_cast<TMenuItem*>(form->FindComponent(name)); };
    TMenuItem* first = item("First");
    TMenuItem* second = item("Second");
    TMenuItem* more = item("More");
    ASSERT_TRUE(first && second && more && item("Line"));
    const HWND w = form->Handle();
    const std::vector<TEntry> expected = {
        {SC_RESTORE, "&Restore", MFS_GRAYED}, {SC_MOVE, "&Move", 0}, {first->Command(), "First\tCtrl+F", MFS_CHECKED},
        {second->Command(), "Second", MFS_GRAYED}, {SC_SIZE, "&Size", 0}, {item("Line")->Command(), "-", 0},
        {more->Command(), "More", 0}};
    auto head = [&] {
        auto e = Entries(w);
        e.resize(expected.size());
        return e;
    };
    // Windows greys Restore of a window that is not maximized only when the menu opens.
    auto normalise = [](std::vector<TEntry> e) {
        e[0].State = MFS_GRAYED;
        return e;
    };
    EXPECT_EQ(expected, normalise(head())) << "the hidden item still counts for the position, so Size lands between";
    EXPECT_EQ(11u, Entries(w).size());
    HMENU sub = more->Handle();
    EXPECT_EQ(sub, GetSubMenu(GetSystemMenu(w, FALSE), 6)) << "the item's own sub-menu";

    std::vector<TObject*> senders;
    first->OnClick = [&](TObject* sender) { senders.push_back(sender); };
    SendMessageA(w, WM_SYSCOMMAND, first->Command(), 0);
    SendMessageA(w, WM_SYSCOMMAND, second->Command(), 0);
    EXPECT_EQ(std::vector<TObject*>{form.get()}, senders) << "only the first has a handler";

    // About to open by mouse or keyboard: rebuilt from the default, nothing doubled; the
    // sub-menu survives every reset.
    // The system opens the menu from these; a timer closes it again.
    MenuOwner = w;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CancelMenuMode);
    HMENU sys = GetSystemMenu(w, FALSE);
    DeleteMenu(sys, first->Command(), MF_BYCOMMAND);
    PostMessageA(w, WM_RBUTTONUP, 0, 0); // ends the system's wait for the right button
    SendMessageA(w, WM_NCRBUTTONDOWN, HTCAPTION, 0);
    EXPECT_EQ(expected, normalise(head())) << "after a right click on the caption";
    EXPECT_EQ(11u, Entries(w).size());
    DeleteMenu(sys, second->Command(), MF_BYCOMMAND);
    SendMessageA(w, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    KillTimer(nullptr, timer);
    PumpQueued();
    EXPECT_EQ(expected, normalise(head()));
    EXPECT_EQ(11u, Entries(w).size());
    EXPECT_TRUE(IsMenu(sub)) << "the sub-menu is the item's, not the reset's to destroy";
    EXPECT_EQ(sub, more->Handle());
    Menu()->Free();
    EXPECT_TRUE(IsMenu(GetSystemMenu(w, FALSE)));
}

// The system menu as it opens: looked at on screen, read back while it is open.
HWND OpenMenuWindow = nullptr;
RECT OpenMenuRect{};
bool MenuShot = false;

void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return; // not open yet: the next tick
    KillTimer(nullptr, id);
    GetWindowRect(menu, &OpenMenuRect);
    // What the menu drew reaches the screen a moment later.
    PumpFor(100);
    // The whole form with its title bar, and the menu below it.
    RECT scene{};
    GetWindowRect(OpenMenuWindow, &scene);
    UnionRect(&scene, &scene, &OpenMenuRect);
    InflateRect(&scene, 10, 10);
    TBitmap shot;
    CaptureScreen(scene, shot);
    MenuShot = SavePngArtifact(shot, "vyFormSystemMenu-open.png");
    SendMessageA(OpenMenuWindow, WM_CANCELMODE, 0, 0);
}

TEST_F(FormSystemMenuTest, TheOpenedMenuShowsTheOwnItemsWhereTheyWereInserted)
{
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
    Read("  object SysMenu: TvyFormSystemMenu\n"
         "    InsertPosition = 2\n"
         "    SysItems.Restore = isHidden\n"
         "    SysItems.Size = isHidden\n"
         "    SysItems.Minimize = isHidden\n"
         "    SysItems.Maximize = isHidden\n"
         "    object Own: TMenuItem\n"
         "      Caption = 'Own item'\n"
         "    end\n"
         "  end\n"
         "  object Pin: TvyFormTopmost\n"
         "    SystemMenu.Caption = 'Always on &top'\n"
         "  end\n");
    form->Show();
    auto* own = dynamic_cast<TMenuItem*>(form->FindComponent("Own"));
    ASSERT_TRUE(own);
    DeleteMenu(GetSystemMenu(form->Handle(), FALSE), own->Command(), MF_BYCOMMAND);
    SetForegroundWindow(form->Handle());
    OpenMenuWindow = form->Handle();
    MenuShot = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &LookAtMenu);
    // Alt+Space: the keyboard way in, which rebuilds the menu before it opens.
    PostMessageA(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    EXPECT_TRUE(PumpUntil([] { return MenuShot; }, 5000)) << "the menu opened and was captured";
    KillTimer(nullptr, timer);
    EXPECT_TRUE(PumpUntil([] { return !IsWindowVisible(FindWindowA("#32768", nullptr)); }, 2000)) << "closed again";
    // Below the left end of the title bar, as tall as its six entries need.
    RECT frame{};
    GetWindowRect(form->Handle(), &frame);
    EXPECT_GE(OpenMenuRect.left, frame.left - 2);
    EXPECT_GT(OpenMenuRect.top, frame.top);
    EXPECT_GE(OpenMenuRect.bottom - OpenMenuRect.top, 4 * GetSystemMetrics(SM_CYMENU)) << "six entries";
    auto* pin = dynamic_cast<TvyFormTopmost*>(form->FindComponent("Pin"));
    ASSERT_TRUE(pin);
    EXPECT_EQ((std::vector<UINT>{SC_MOVE, Sep, own->Command(), SC_CLOSE, pin->Identifier() + 1000, pin->Identifier()}), Ids(form->Handle()));
}

} // namespace
