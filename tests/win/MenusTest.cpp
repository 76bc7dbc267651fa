// tests/win/MenusTest.cpp
// Menu items, the system menus built from them, command routing and stored forms, against
// Wine's real menus.
#include "FormReader.h"
#include "Menus.h"
#include "Forms.h"
#include "WinTest.h"
#include "WinUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Every test sees the exceptions handed to HandleException during it, and no message box.
class MenusTest : public TCatchingTest {};

std::string MenuText(HMENU menu, UINT position)
{
    char buffer[256] = {};
    int n = GetMenuStringA(menu, position, buffer, sizeof buffer, MF_BYPOSITION);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

bool HasState(HMENU menu, UINT position, UINT flag)
{
    return (GetMenuState(menu, position, MF_BYPOSITION) & flag) != 0;
}

// The program's tray menu, built in code.
struct TTrayMenu {
    TComponent Owner{nullptr};
    TPopupMenu* Menu = new TPopupMenu(&Owner);
    TMenuItem* Show = Add("&Show Details");
    TMenuItem* Minimize = Add("&Minimize to Tray");
    TMenuItem* Separator1 = Add("-");
    TMenuItem* AutoRun = Add("Auto-run at &StartUp");
    TMenuItem* About = Add("&About...");
    TMenuItem* Separator2 = Add("-");
    TMenuItem* Close = Add("&Close");
    std::vector<std::string> Clicks;

    TTrayMenu()
    {
        Show->SetDefault(true);
        Minimize->SetEnabled(false);
        AutoRun->SetChecked(true);
        Close->SetShortCut(32883);
    }

    TMenuItem* Add(const std::string& caption)
    {
        auto* item = new TMenuItem(&Owner);
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject*) { Clicks.push_back(caption); };
        Menu->Items()->Add(item);
        return item;
    }
};

// --- the system menu -------------------------------------------------------------------

TEST_F(MenusTest, HandleShowsEveryItemWithItsState)
{
    TTrayMenu tray;
    HMENU h = tray.Menu->Handle();
    ASSERT_NE(nullptr, h) << "popup menu handle";
    ASSERT_EQ(7, GetMenuItemCount(h)) << "entries of the tray menu";

    EXPECT_EQ("&Show Details", MenuText(h, 0));
    EXPECT_EQ("&Minimize to Tray", MenuText(h, 1));
    EXPECT_EQ("Auto-run at &StartUp", MenuText(h, 3));
    EXPECT_EQ("&About...", MenuText(h, 4));
    EXPECT_EQ("&Close\tAlt+F4", MenuText(h, 6)) << "caption with its short-cut after a tab";

    EXPECT_TRUE(HasState(h, 2, MF_SEPARATOR)) << "first separator";
    EXPECT_TRUE(HasState(h, 5, MF_SEPARATOR)) << "second separator";
    EXPECT_FALSE(HasState(h, 4, MF_SEPARATOR)) << "About is no separator";

    EXPECT_TRUE(HasState(h, 3, MF_CHECKED)) << "Auto-run checked";
    EXPECT_FALSE(HasState(h, 4, MF_CHECKED)) << "About unchecked";
    EXPECT_TRUE(HasState(h, 1, MF_GRAYED)) << "Minimize disabled";
    EXPECT_FALSE(HasState(h, 0, MF_GRAYED)) << "Show Details enabled";
    EXPECT_EQ(0u, GetMenuDefaultItem(h, TRUE, 0)) << "default item position";

    EXPECT_EQ(tray.Close->Command(), GetMenuItemID(h, 6)) << "Close's command id";
    EXPECT_EQ(tray.Show->Command(), GetMenuItemID(h, 0)) << "Show's command id";
    EXPECT_EQ(h, tray.Menu->Handle()) << "the handle is made once";
}

TEST_F(MenusTest, StateChangesReachTheLiveMenu)
{
    TTrayMenu tray;
    HMENU h = tray.Menu->Handle();

    tray.AutoRun->SetChecked(false);
    EXPECT_FALSE(HasState(h, 3, MF_CHECKED)) << "Auto-run after unchecking";
    tray.AutoRun->SetChecked(true);
    EXPECT_TRUE(HasState(h, 3, MF_CHECKED)) << "Auto-run after checking again";

    tray.Minimize->SetEnabled(true);
    EXPECT_FALSE(HasState(h, 1, MF_GRAYED)) << "Minimize after enabling";
    tray.About->SetEnabled(false);
    EXPECT_TRUE(HasState(h, 4, MF_GRAYED)) << "About after disabling";

    tray.Close->SetDefault(true);
    EXPECT_EQ(6u, GetMenuDefaultItem(h, TRUE, 0)) << "default moved to Close";
    EXPECT_FALSE(tray.Show->Default()) << "the old default is cleared";
    tray.Close->SetDefault(false);
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuDefaultItem(h, TRUE, 0)) << "no default left";

    EXPECT_EQ(h, tray.Menu->Handle()) << "state changes keep the handle";
    EXPECT_EQ(7, GetMenuItemCount(h)) << "state changes keep the entries";
}

TEST_F(MenusTest, StructureChangesRebuildTheSameHandle)
{
    TTrayMenu tray;
    HMENU h = tray.Menu->Handle();

    tray.Close->SetShortCut(MakeShortCut('Q', scCtrl));
    EXPECT_EQ("&Close\tCtrl+Q", MenuText(h, 6)) << "new short-cut text";
    tray.About->SetVisible(false);
    ASSERT_EQ(6, GetMenuItemCount(h)) << "hidden About is left out";
    EXPECT_EQ("&Close\tCtrl+Q", MenuText(h, 5)) << "Close moved up one place";
    // In-place updates must address the shown position, not the item's list index.
    tray.Close->SetEnabled(false);
    EXPECT_TRUE(HasState(h, 5, MF_GRAYED)) << "Close disabled at its shown position";
    EXPECT_FALSE(HasState(h, 3, MF_GRAYED)) << "Auto-run, shown before it, is untouched";
    tray.Close->SetDefault(true);
    EXPECT_EQ(5u, GetMenuDefaultItem(h, TRUE, GMDI_USEDISABLED)) << "default at Close's shown position";
    tray.AutoRun->SetCaption("-");
    EXPECT_TRUE(HasState(h, 3, MF_SEPARATOR)) << "caption '-' makes a separator";
    tray.About->SetVisible(true);
    EXPECT_EQ(6u, GetMenuDefaultItem(h, TRUE, GMDI_USEDISABLED)) << "default follows Close back down";

    auto* extra = new TMenuItem(&tray.Owner);
    extra->SetCaption("E&xtra");
    tray.Menu->Items()->Insert(0, extra);
    ASSERT_EQ(8, GetMenuItemCount(h)) << "item added to a built menu";
    EXPECT_EQ("E&xtra", MenuText(h, 0));
    delete extra;
    ASSERT_EQ(7, GetMenuItemCount(h)) << "a destroyed item leaves the menu";
    EXPECT_EQ("&Show Details", MenuText(h, 0));
    EXPECT_EQ(h, tray.Menu->Handle()) << "a rebuild keeps the handle";
}

TEST_F(MenusTest, SubItemsBecomeSubMenus)
{
    TTrayMenu tray;
    auto* options = new TMenuItem(&tray.Owner);
    options->SetCaption("&Options");
    auto* sound = new TMenuItem(&tray.Owner);
    sound->SetCaption("&Sound");
    options->Add(sound);
    tray.Menu->Items()->Insert(4, options);

    HMENU h = tray.Menu->Handle();
    HMENU sub = GetSubMenu(h, 4);
    ASSERT_NE(nullptr, sub) << "Options opens a sub-menu";
    EXPECT_EQ(sub, options->Handle()) << "the item knows its sub-menu";
    EXPECT_EQ("&Sound", MenuText(sub, 0));
    sound->SetChecked(true);
    EXPECT_TRUE(HasState(sub, 0, MF_CHECKED)) << "checkmark inside the sub-menu";

    auto* volume = new TMenuItem(&tray.Owner);
    options->Add(volume);
    sub = GetSubMenu(h, 4);
    ASSERT_NE(nullptr, sub) << "sub-menu after adding";
    EXPECT_EQ(2, GetMenuItemCount(sub)) << "sub-menu rebuilt with the new item";
    EXPECT_TRUE(HasState(sub, 0, MF_CHECKED)) << "rebuilt sub-menu keeps the checkmark";
    EXPECT_EQ(volume, tray.Menu->FindItem(volume->Command())) << "nested item found by command";
    EXPECT_EQ(nullptr, tray.Menu->FindItem(tray.Menu->Items()->Command())) << "the root item is no entry";
}

// --- the item tree ---------------------------------------------------------------------

TEST_F(MenusTest, TreeOperationsKeepParentsAndOrder)
{
    TComponent owner(nullptr);
    TMenuItem root(nullptr);
    auto* a = new TMenuItem(&owner);
    auto* b = new TMenuItem(&owner);
    auto* c = new TMenuItem(&owner);
    root.Add(a);
    root.Add(c);
    root.Insert(1, b);
    EXPECT_EQ(b, root.Items(1)) << "inserted in the middle";
    EXPECT_EQ(2, c->MenuIndex());
    EXPECT_EQ(&root, b->Parent());

    EXPECT_THROW(root.Add(b), EInvalidOperation) << "an item in two places";
    EXPECT_THROW(b->Add(&root), EInvalidOperation) << "a parent inside its child";
    EXPECT_THROW(root.Insert(5, new TMenuItem(&owner)), EInvalidOperation) << "index past the end";

    root.Remove(b);
    EXPECT_EQ(nullptr, b->Parent()) << "removed item has no parent";
    EXPECT_EQ(-1, root.IndexOf(b));
    EXPECT_THROW(root.Remove(b), EInvalidOperation) << "removing twice";

    // A parent takes its sub-items with it, wherever they are owned.
    b->Add(new TMenuItem(&owner));
    b->Add(new TMenuItem(&owner));
    const int before = owner.ComponentCount();
    delete b;
    EXPECT_EQ(before - 3, owner.ComponentCount()) << "item and its two sub-items destroyed";
    delete a;
    ASSERT_EQ(1, root.Count()) << "a destroyed item leaves its parent";
    EXPECT_EQ(c, root.Items(0));
}

TEST_F(MenusTest, CommandsAreUniqueAmongLiveItems)
{
    TComponent owner(nullptr);
    std::set<WORD> live;
    for (int i = 0; i < 50; ++i) {
        auto* item = new TMenuItem(&owner);
        EXPECT_TRUE(live.insert(item->Command()).second) << "duplicate command for item " << i;
        // Free every third one again: later items may reuse those, never a live one.
        if (i % 3 == 0) {
            live.erase(item->Command());
            delete item;
        }
    }
    EXPECT_EQ(0u, live.count(0)) << "command 0 handed out";
}

TEST_F(MenusTest, ShortCutsAreNamedTheClassicWay)
{
    EXPECT_EQ(32883, MakeShortCut(VK_F4, scAlt)) << "the stored number of Alt+F4";
    EXPECT_EQ("Alt+F4", ShortCutToText(32883));
    EXPECT_EQ("Ctrl+S", ShortCutToText(MakeShortCut('S', scCtrl)));
    EXPECT_EQ("Shift+Del", ShortCutToText(MakeShortCut(VK_DELETE, scShift)));
    EXPECT_EQ("Shift+Ctrl+Alt+F12", ShortCutToText(MakeShortCut(VK_F12, scShift | scCtrl | scAlt)));
    EXPECT_EQ("Ctrl+Num 5", ShortCutToText(MakeShortCut(VK_NUMPAD5, scCtrl)));
    EXPECT_EQ("", ShortCutToText(scNone)) << "no short-cut";
    EXPECT_EQ("", ShortCutToText(scCtrl)) << "a modifier without a key";

    TMenuItem item(nullptr);
    item.SetCaption("&Save");
    EXPECT_EQ("&Save", item.DisplayText()) << "no tab without a short-cut";
}

// --- clicks ----------------------------------------------------------------------------

TEST_F(MenusTest, CommandsAndShortCutsClickTheRightItem)
{
    TTrayMenu tray;
    EXPECT_TRUE(tray.Menu->DispatchCommand(tray.Close->Command())) << "Close's command";
    EXPECT_TRUE(tray.Menu->DispatchCommand(tray.About->Command())) << "About's command";
    EXPECT_TRUE(tray.Menu->IsShortCut(32883)) << "Alt+F4";
    EXPECT_EQ((std::vector<std::string>{"&Close", "&About...", "&Close"}), tray.Clicks) << "click order";

    TMenuItem stranger(nullptr);
    EXPECT_FALSE(tray.Menu->DispatchCommand(stranger.Command())) << "a command of no item of this menu";
    EXPECT_FALSE(tray.Menu->IsShortCut(MakeShortCut('S', scCtrl))) << "nobody has Ctrl+S";

    tray.Clicks.clear();
    EXPECT_TRUE(tray.Menu->DispatchCommand(tray.Minimize->Command())) << "disabled item still known";
    tray.Close->SetEnabled(false);
    EXPECT_FALSE(tray.Menu->IsShortCut(32883)) << "short-cut of a disabled item";
    EXPECT_TRUE(tray.Clicks.empty()) << "a disabled item does not click";
    tray.Minimize->SetEnabled(true);
    tray.Minimize->Click();
    EXPECT_EQ((std::vector<std::string>{"&Minimize to Tray"}), tray.Clicks) << "Click from code";
}

TEST_F(MenusTest, PopupWindowRoutesCommandsAndCatchesExceptions)
{
    TTrayMenu first;
    TTrayMenu second;
    HWND w = TPopupMenu::PopupWindow();
    ASSERT_TRUE(IsWindow(w)) << "popup window";
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(second.Close->Command(), 0), 0);
    EXPECT_TRUE(first.Clicks.empty()) << "first menu untouched";
    EXPECT_EQ((std::vector<std::string>{"&Close"}), second.Clicks) << "second menu's Close";
    // A control's notification carries its window handle: not a menu command.
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(second.About->Command(), BN_CLICKED), reinterpret_cast<LPARAM>(w));
    EXPECT_EQ(1u, second.Clicks.size()) << "control notification taken for a menu command";

    first.About->OnClick = [](TObject*) { throw Exception("about failed"); };
    first.About->SetShortCut(MakeShortCut('A', scCtrl));
    EXPECT_NO_THROW(first.Menu->DispatchCommand(first.About->Command())) << "exception escaped DispatchCommand";
    EXPECT_NO_THROW(first.Menu->IsShortCut(MakeShortCut('A', scCtrl))) << "exception escaped IsShortCut";
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(first.About->Command(), 0), 0);
    ASSERT_EQ(3u, Caught.size()) << "HandleException calls: one per click";
    for (const TCaught& c : Caught) {
        EXPECT_EQ(first.About, c.Sender) << "caught by the menu, not by the window thunk";
        EXPECT_EQ("about failed", c.Message);
    }
}

// A tick run by the menu's modal loop: brings the pointer onto the fourth item, then, once
// the item shows selected, clicks and handles the waiting messages as the sampling tick does.
struct {
    HMENU Menu;
    int Stage;
    int Ticks;
} MenuRun;

void CALLBACK TickInMenu(HWND, UINT, UINT_PTR, DWORD)
{
    RECT r;
    if (++MenuRun.Ticks > 250) EndMenu(); // the click never took: give up
    if (MenuRun.Stage == 0 && GetMenuItemRect(nullptr, MenuRun.Menu, 3, &r)) {
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        MenuRun.Stage = 1;
    } else if (MenuRun.Stage == 1 && (GetMenuState(MenuRun.Menu, 3, MF_BYPOSITION) & MF_HILITE)) {
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        Application->ProcessMessages();
        MenuRun.Stage = 2;
    }
}

// A tick that runs inside the tray menu's modal loop and handles the waiting messages (as
// the sampling tick does) leaves the user's click to the menu: the item is chosen.
TEST_F(MenusTest, ATickInsideTheMenuLoopLeavesTheClickToTheMenu)
{
    TTrayMenu tray;
    MenuRun = {tray.Menu->Handle(), 0, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, TickInMenu);
    ASSERT_NE(0u, timer);
    tray.Menu->Popup(300, 200);
    KillTimer(nullptr, timer);
    EXPECT_EQ(2, MenuRun.Stage) << "the pointer came onto the item and clicked";
    EXPECT_TRUE(PumpUntil([&] { return !tray.Clicks.empty(); })) << "the click chose an item";
    EXPECT_EQ((std::vector<std::string>{"Auto-run at &StartUp"}), tray.Clicks);
}

TEST_F(MenusTest, PopupComponentIsForgottenWhenItGoes)
{
    TTrayMenu tray;
    auto* control = new TComponent(nullptr);
    tray.Menu->SetPopupComponent(control);
    EXPECT_EQ(control, tray.Menu->PopupComponent());
    delete control;
    EXPECT_EQ(nullptr, tray.Menu->PopupComponent()) << "dangling popup component";
}

// --- a real popup ----------------------------------------------------------------------

// Typed into the menu's modal loop from a thread timer, as a user would. Returns the
// timer's ticks, so a test can tell whether the menu closed by the keys or by the guard.
std::vector<std::pair<UINT, WPARAM>> Keys;
size_t NextKey = 0;
int TimerTicks = 0;

void CALLBACK TypeKey(HWND, UINT, UINT_PTR, DWORD)
{
    ++TimerTicks;
    if (NextKey < Keys.size()) {
        PostMessageA(TPopupMenu::PopupWindow(), Keys[NextKey].first, Keys[NextKey].second, 0);
        ++NextKey;
    } else if (TimerTicks > 40) {
        // The keys went unheard: end the menu rather than hang the test.
        PostMessageA(TPopupMenu::PopupWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(TPopupMenu::PopupWindow(), WM_CANCELMODE, 0, 0);
    }
}

int TrackWithKeys(TPopupMenu& menu, std::vector<std::pair<UINT, WPARAM>> keys)
{
    Keys = std::move(keys);
    NextKey = 0;
    TimerTicks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &TypeKey);
    EXPECT_NE(0u, timer) << "thread timer";
    menu.Popup(100, 100);
    KillTimer(nullptr, timer);
    return TimerTicks;
}

TEST_F(MenusTest, RealPopupClicksTheChosenItemAfterClosing)
{
    TTrayMenu tray;
    std::vector<std::string> events;
    tray.Menu->OnPopup = [&](TObject* sender) {
        events.push_back(sender == tray.Menu ? "popup" : "popup from a stranger");
    };
    tray.Close->OnClick = [&](TObject*) { events.push_back("close"); };

    EXPECT_LT(TrackWithKeys(*tray.Menu, {{WM_CHAR, 'c'}}), 40) << "the menu had to be cancelled";
    events.push_back("returned");
    PumpUntil([&] { return events.size() >= 3; }, 2000);
    EXPECT_EQ((std::vector<std::string>{"popup", "returned", "close"}), events)
        << "access key C chooses Close, clicked from the message loop after Popup returned";
    EXPECT_EQ(100, tray.Menu->PopupPoint().x);

    events.clear();
    EXPECT_LT(TrackWithKeys(*tray.Menu, {{WM_KEYDOWN, VK_ESCAPE}}), 40) << "Escape went unheard";
    PumpQueued(); // a chosen item's click would be waiting here
    EXPECT_EQ((std::vector<std::string>{"popup"}), events) << "Escape chooses nothing";
    EXPECT_TRUE(Caught.empty()) << "no exception expected";
}

// --- stored forms ----------------------------------------------------------------------

class TMenuTestForm : public TComponent {
public:
    TG_DECLARE_CLASS()
    using TComponent::TComponent;
    std::vector<std::string> Events;
    void CloseItemClick(TObject* sender) { Events.push_back("close:" + static_cast<TComponent*>(sender)->Name()); }
    void PopupMenu1Popup(TObject*) { Events.push_back("popup"); }
};

const TClassInfo& TMenuTestForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TMenuTestForm", &TComponent::StaticClassInfo(), &CreateComponentOf<TMenuTestForm>, {}, {}};
        i.Methods.push_back(Method("CloseItemClick", &TMenuTestForm::CloseItemClick));
        i.Methods.push_back(Method("PopupMenu1Popup", &TMenuTestForm::PopupMenu1Popup));
        return i;
    }();
    return info;
}

[[maybe_unused]] const bool FormRegistered = [] {
    RegisterComponentClass(TMenuTestForm::StaticClassInfo());
    return true;
}();

// Properties in the writer's order, defaults left out, so writing gives the same tree.
const char TrayForm[] = R"(object MenuTestForm: TMenuTestForm
  object PopupMenu1: TPopupMenu
    OnPopup = PopupMenu1Popup
    object RestoreItem: TMenuItem
      Caption = '&Show Details'
      Default = True
    end
    object MinimizeItem: TMenuItem
      Caption = '&Minimize to Tray'
      Enabled = False
    end
    object N2: TMenuItem
      Caption = '-'
    end
    object OptionsItem: TMenuItem
      Caption = '&Options'
      object AutorunItem: TMenuItem
        Caption = 'Auto-run at &StartUp'
        Checked = True
        Tag = 7
      end
    end
    object CloseItem: TMenuItem
      Caption = '&Close'
      ShortCut = 32883
      OnClick = CloseItemClick
    end
  end
end
)";

TEST_F(MenusTest, StoredFormBuildsTheNestedItems)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(TrayForm, nullptr));
    auto* form = dynamic_cast<TMenuTestForm*>(root.get());
    ASSERT_NE(nullptr, form) << "root class";
    auto* menu = dynamic_cast<TPopupMenu*>(form->FindComponent("PopupMenu1"));
    ASSERT_NE(nullptr, menu) << "PopupMenu1";

    std::vector<std::string> names;
    for (int i = 0; i < menu->Items()->Count(); ++i) names.push_back(menu->Items()->Items(i)->Name());
    EXPECT_EQ((std::vector<std::string>{"RestoreItem", "MinimizeItem", "N2", "OptionsItem", "CloseItem"}), names)
        << "top-level items in stored order";

    auto* options = dynamic_cast<TMenuItem*>(form->FindComponent("OptionsItem"));
    auto* autorun = dynamic_cast<TMenuItem*>(form->FindComponent("AutorunItem"));
    auto* close = dynamic_cast<TMenuItem*>(form->FindComponent("CloseItem"));
    ASSERT_TRUE(options && autorun && close) << "named items exist as menu items";
    EXPECT_EQ(options, autorun->Parent()) << "nested item's parent";
    EXPECT_EQ(options, autorun->GetParentComponent());
    EXPECT_EQ(menu, close->GetParentComponent()) << "a top-level item's parent component is its menu";
    EXPECT_EQ(form, close->Owner()) << "the form owns its items";
    EXPECT_TRUE(autorun->Checked());
    EXPECT_EQ(7, autorun->Tag());
    EXPECT_EQ(32883, close->ShortCut());
    EXPECT_TRUE(menu->AutoPopup());

    HMENU h = menu->Handle();
    ASSERT_EQ(5, GetMenuItemCount(h));
    EXPECT_EQ("&Close\tAlt+F4", MenuText(h, 4));
    EXPECT_TRUE(HasState(h, 1, MF_GRAYED)) << "MinimizeItem";
    EXPECT_EQ(0u, GetMenuDefaultItem(h, TRUE, 0)) << "RestoreItem is the default";

    EXPECT_TRUE(menu->DispatchCommand(close->Command()));
    EXPECT_EQ((std::vector<std::string>{"close:CloseItem"}), form->Events) << "OnClick wired to the form's method";
    form->Events.clear();
    menu->OnPopup(menu);
    EXPECT_EQ((std::vector<std::string>{"popup"}), form->Events) << "OnPopup wired";
}

TEST_F(MenusTest, StoredFormWritesTheItemsBackNested)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(TrayForm, nullptr));
    EXPECT_EQ(ParseFormText(TrayForm), TFormWriter::WriteTree(*root)) << TFormWriter::Write(*root);
}

TEST_F(MenusTest, DestroyingAFormTakesItsMenuAlong)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(TrayForm, nullptr));
    auto* menu = dynamic_cast<TPopupMenu*>(root->FindComponent("PopupMenu1"));
    ASSERT_NE(nullptr, menu);
    menu->Handle();
    // The menu goes first here, taking items the form still lists.
    delete menu;
    EXPECT_EQ(0, root->ComponentCount()) << "items left behind in the form";
}

TEST_F(MenusTest, AnItemOutsideAMenuIsAReadError)
{
    const char text[] = "object MenuTestForm: TMenuTestForm\n"
                        "  object Stray: TMenuItem\n"
                        "    Caption = 'Lost'\n"
                        "  end\n"
                        "end\n";
    try {
        std::unique_ptr<TComponent> root(TFormReader::CreateRoot(text, nullptr));
        ADD_FAILURE() << "a menu item directly in a form was accepted";
    } catch (const EReadError& e) {
        EXPECT_EQ(2, e.Line()) << e.Message();
    }
}

} // namespace
