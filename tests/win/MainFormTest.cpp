// tests/win/MainFormTest.cpp
// The main window as its stored description builds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "Main.h"
#include "StartupTrace.h"
#include "Pictures.h"
#include "TestRegistry.h"
#include "TitleBar.h"
#include "Version.h"
#include "WinTest.h"

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestPlatform().Boxes.clear();
        form.reset(Application->CreateForm<TForm1>());
        // Sampling is not what these tests look at.
        form->Timer->SetEnabled(false);
    }
    void TearDown() override
    {
        form.reset();
        Application->SetMainForm(nullptr);
    }
    TOwnedPtr<TForm1> form;
};

TEST_F(MainFormTest, WindowHasTheStoredCaptionPlacementAndBorder)
{
    HWND h = form->Handle();
    char text[64];
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ("Pellory\xAE Tallyglass", text);
    RECT w, c;
    GetWindowRect(h, &w);
    GetClientRect(h, &c);
    EXPECT_EQ(228, w.left);
    EXPECT_EQ(205, w.top);
    EXPECT_EQ(241, c.right);
    EXPECT_EQ(108, c.bottom);
    LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ("MS Sans Serif", form->Font()->Name());
    EXPECT_EQ(-11, form->Font()->Height());
}

TEST_F(MainFormTest, ControlsStandWhereTheDescriptionPutsThem)
{
    const struct {
        TControl* Control;
        int Left, Top, Width, Height;
    } expected[] = {{form->SysRes, 4, 14, 235, 19}, {form->UserRes, 4, 50, 235, 19}, {form->GDIRes, 4, 86, 235, 19}};
    for (const auto& e : expected) {
        EXPECT_EQ(e.Left, e.Control->Left()) << e.Control->Name();
        EXPECT_EQ(e.Top, e.Control->Top()) << e.Control->Name();
        EXPECT_EQ(e.Width, e.Control->Width()) << e.Control->Name();
        EXPECT_EQ(e.Height, e.Control->Height()) << e.Control->Name();
    }
    EXPECT_EQ(9, form->ControlCount());
    for (TGauge* g : {form->SysRes, form->UserRes, form->GDIRes}) {
        EXPECT_EQ(clLime, g->ForeColor()) << g->Name();
        EXPECT_EQ(0, g->Progress()) << g->Name();
        EXPECT_TRUE(g->Font()->Style() & (1u << static_cast<unsigned>(TFontStyle::fsBold))) << g->Name();
    }
    EXPECT_EQ("System resources:", form->SysLabel->Caption());
    EXPECT_EQ("User resources:", form->UserLabel->Caption());
    EXPECT_EQ("GDI resources:", form->GDILabel->Caption());
    for (TLabel* l : {form->SysLabel, form->SysLab, form->UserLabel, form->UserLab, form->GDILabel, form->GDILab})
        EXPECT_TRUE(l->Transparent()) << l->Name();
    EXPECT_EQ(0, form->SysLabel->Top());
    EXPECT_EQ(36, form->UserLabel->Top());
    EXPECT_EQ(72, form->GDILabel->Top());
}

TEST_F(MainFormTest, TimerImageListAndMenuAreConfigured)
{
    EXPECT_EQ(50u, static_cast<unsigned>(form->Timer->Interval()));
    EXPECT_EQ(16, form->ImageList->Width());
    EXPECT_EQ(16, form->ImageList->Height());
    EXPECT_EQ(2, form->ImageList->Count()) << "the first picture is stored twice at creation";
    TMenuItem* items = form->PopupMenu1->Items();
    ASSERT_EQ(7, items->Count());
    EXPECT_EQ("&Show Details", form->RestoreItem->Caption());
    EXPECT_TRUE(form->RestoreItem->Default());
    EXPECT_FALSE(form->MinimizeItem->Enabled());
    EXPECT_EQ("-", form->N2->Caption());
    EXPECT_EQ("Auto-run at &StartUp", form->AutorunatStartUpItem->Caption());
    EXPECT_EQ("&About...", form->AboutItem->Caption());
    EXPECT_EQ(32883, form->CloseItem->ShortCut()) << "Alt+F4";
    EXPECT_EQ(form->CloseItem, items->Items(6));
}

TEST_F(MainFormTest, FirstTrayPictureIsThreeFullCyanBars)
{
    TBitmap* pic = form->TrayPicture();
    ASSERT_NE(nullptr, pic);
    TCanvas& c = *pic->Canvas();
    const COLORREF black = RGB(0, 0, 0), cyan = RGB(0, 255, 255);
    for (int x : {0, 5, 10, 15}) EXPECT_EQ(black, c.Pixel(x, 8)) << "outline column " << x;
    for (int x : {1, 4, 6, 9, 11, 14}) EXPECT_EQ(cyan, c.Pixel(x, 8)) << "bar column " << x;
    for (int x = 0; x < 16; ++x) EXPECT_EQ(black, c.Pixel(x, 0)) << "full bars reach the top row at " << x;
    for (int x = 0; x < 16; ++x) EXPECT_EQ(black, c.Pixel(x, 15)) << "base line at " << x;
}

TEST_F(MainFormTest, TrayPicturePixelForPixel)
{
    // '.' button face, 'k' black outline and base line, 'L' lime, 'Y' yellow, 'R' red.
    const struct {
        int Sys, User, Gdi;
        TColor SysColor, UserColor, GdiColor;
        const char* Rows[16];
    } cases[] = {
        {100, 50, 19, clLime, clYellow, clRed,
         {"kkkkkk..........", "kLLLLk..........", "kLLLLk..........", "kLLLLk..........",
          "kLLLLk..........", "kLLLLk..........", "kLLLLk..........", "kLLLLk..........",
          "kLLLLkkkkkk.....", "kLLLLkYYYYk.....", "kLLLLkYYYYk.....", "kLLLLkYYYYk.....",
          "kLLLLkYYYYk.....", "kLLLLkYYYYkkkkkk", "kLLLLkYYYYkRRRRk", "kkkkkkkkkkkkkkkk"}},
        // 4 % is one pixel row high: only the outline shows; 0 % draws nothing.
        {4, 0, 100, clRed, clRed, clLime,
         {"..........kkkkkk", "..........kLLLLk", "..........kLLLLk", "..........kLLLLk",
          "..........kLLLLk", "..........kLLLLk", "..........kLLLLk", "..........kLLLLk",
          "..........kLLLLk", "..........kLLLLk", "..........kLLLLk", "..........kLLLLk",
          "..........kLLLLk", "..........kLLLLk", "..........kLLLLk", "kkkkkkkkkkkkkkkk"}},
    };
    auto colour = [](char c) -> COLORREF {
        switch (c) {
        case 'k': return RGB(0, 0, 0);
        case 'L': return RGB(0, 255, 0);
        case 'Y': return RGB(255, 255, 0);
        case 'R': return RGB(255, 0, 0);
        default: return GetSysColor(COLOR_BTNFACE);
        }
    };
    for (const auto& c : cases) {
        form->DrawTrayPicture(c.Sys, c.User, c.Gdi, c.SysColor, c.UserColor, c.GdiColor);
        TBitmap* pic = form->TrayPicture();
        ASSERT_EQ(16, pic->Width());
        ASSERT_EQ(16, pic->Height());
        ExpectPixels(
            16, 16, [&](int x, int y) { return pic->Canvas()->Pixel(x, y); },
            [&](int x, int y) { return colour(c.Rows[y][x]); },
            "figures " + std::to_string(c.Sys) + ", " + std::to_string(c.User) + ", " + std::to_string(c.Gdi));
    }
}

// The magnet keeps the window on top from the start, and the always-on-top button shows it.
TEST_F(MainFormTest, StaysOnTopFromTheStartWithItsButtonPressed)
{
    EXPECT_NE(0, GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(form->vyFormTopmost1->Down());
    EXPECT_TRUE(form->vyFormMagnet->FormDragable());
    // And the button turns it off and on again under real clicks.
    form->Show();
    for (const bool expected : {false, true}) {
        ASSERT_TRUE(ClickCaptionButton(*form->vyFormTopmost1));
        EXPECT_EQ(expected, (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
        EXPECT_EQ(expected, form->vyFormTopmost1->Down());
    }
}

// The system menu keeps Move and Close, and the title-bar buttons' entries stand at their
// positions, the always-on-top entry after its separator; restoring, sizing, minimising and
// maximising are gone. (Wine's own "About Wine" entry, with its separator, is left out.)
TEST_F(MainFormTest, SystemMenuHoldsMoveCloseAndTheButtonsEntries)
{
    form->Show();
    HMENU m = GetSystemMenu(form->Handle(), FALSE);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
        char text[128] = {};
        GetMenuStringA(m, i, text, sizeof text, MF_BYPOSITION);
        if (GetMenuItemID(m, i) == 0xF141) {
            items.pop_back();
            continue;
        }
        items.push_back(text[0] ? std::string(text).substr(0, std::string(text).find('\t')) : "-");
    }
    EXPECT_EQ((std::vector<std::string>{"Minimize to Tray", "&Move", "-", "&Close", "-", "Always on &top",
                                        "About...", "Auto-run at &StartUp"}),
              items);
}

// The tray menu's check mark, the title-bar button and the system-menu entry all work the
// same start-up entry, and the check mark follows whichever the user used.
TEST_F(MainFormTest, AutoRunCheckMarkButtonMenuEntryAndRunEntryStayInStep)
{
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = TvyAppAutoRun::EntryName();
    form->Show();
    TvyAppAutoRun& button = *form->vyAppAutoRun;
    auto inStep = [&](bool on, const char* after) {
        EXPECT_EQ(on, form->AutorunatStartUpItem->Checked()) << after;
        EXPECT_EQ(on, form->vyAppAutoRun->AutoRun()) << after;
        EXPECT_EQ(on, RawText(HKEY_CURRENT_USER, run, name).has_value()) << after;
        EXPECT_EQ(PixelsOf(*AutoRunGlyph(on)), PixelsOf(*form->vyAppAutoRun->Glyph())) << after << ": the button";
        const UINT entry = GetMenuState(GetSystemMenu(form->Handle(), FALSE), form->vyAppAutoRun->Identifier(), MF_BYCOMMAND);
        EXPECT_EQ(on ? UINT(MF_CHECKED) : 0u, entry & MF_CHECKED) << after << ": the system-menu entry";
    };
    inStep(false, "at start");
    form->AutorunatStartUpItem->Click();
    inStep(true, "the tray menu item");
    ASSERT_TRUE(ClickCaptionButton(button));
    inStep(false, "a real click on the title-bar button");
    SendMessageA(form->Handle(), WM_SYSCOMMAND, button.Identifier(), 0);
    inStep(true, "the system-menu entry");
    form->AutorunatStartUpItem->Click();
    inStep(false, "the tray menu item again");

    // A run that starts with the entry present shows it everywhere from the start.
    SetText(HKEY_CURRENT_USER, run, name.c_str(), TvyAppAutoRun::EntryData());
    form.reset();
    form.reset(Application->CreateForm<TForm1>());
    form->Timer->SetEnabled(false);
    inStep(true, "a new window with the entry present");
    DeleteRawValue(HKEY_CURRENT_USER, run, name);
}

// Closed from the tray menu as by its close box, the window leaves its place behind.
TEST_F(MainFormTest, CloseItemClosesTheMainWindowEndsTheApplicationAndKeepsThePlacement)
{
    const std::string key = "Software\\Pellory Solutions\\Tallyglass";
    DeleteTree(HKEY_CURRENT_USER, key);
    Application->SetMainForm(form.get());
    form->Show();
    form->CloseItem->Click();
    EXPECT_TRUE(Application->Terminated());
    TakeBackQuit();
    const auto left = RawValue(HKEY_CURRENT_USER, key, "Left");
    ASSERT_TRUE(left.has_value()) << "the placement is stored";
    EXPECT_EQ(std::string("\xE4\0\0\0", 4), left->Data) << "Left 228";
    DeleteTree(HKEY_CURRENT_USER, key);
}

// The start-up benchmark reads these moments; nobody else may ever find a file written.
TEST_F(MainFormTest, StartupMomentsAreWrittenOnlyWhenAsked)
{
    char dir[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof dir, dir));
    const std::string path = std::string(dir) + "tg-startup-trace.txt";
    DeleteFileA(path.c_str());
    TraceStartup("main");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << "written without being asked";

    SetEnvironmentVariableA("TG_STARTUP_TRACE", path.c_str());
    form->TimerTimer(nullptr);
    form->TimerTimer(nullptr);
    SetEnvironmentVariableA("TG_STARTUP_TRACE", nullptr);
    form->Timer->SetEnabled(false);
    TraceStartup("main");

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileA(path.c_str());
    std::istringstream lines(text.str());
    std::string event;
    double ms = 0;
    ASSERT_TRUE(lines >> event >> ms) << "nothing traced: " << text.str();
    EXPECT_EQ("live", event) << "the first sampled picture, once";
    const double now = static_cast<double>(std::time(nullptr)) * 1000;
    EXPECT_NEAR(now, ms, 60000) << "milliseconds since 1970: " << text.str();
    EXPECT_FALSE(lines >> event) << "more than the first tick traced: " << text.str();
}

// The stored form carries the version twice (about box, upgrader), the resource once more.
TEST_F(MainFormTest, AboutBoxUpgraderAndVersionResourceShowTheVersionOfVersionH)
{
    EXPECT_EQ(TG_VERSION_DATE, form->vyAppUpdater->VersionDate()) << "the date the upgrader compares";
    const std::string shortVersion = "version " TG_STR(TG_VERSION_MAJOR) "." TG_STR(TG_VERSION_MINOR);
    EXPECT_NE(std::string::npos, form->vyQuickAboutBox->Copyright().find(shortVersion))
        << form->vyQuickAboutBox->Copyright();

    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    ASSERT_NE(nullptr, res);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    const DWORD size = SizeofResource(nullptr, res);
    // VS_FIXEDFILEINFO follows the block's key; it begins with its signature 0xFEEF04BD.
    const BYTE signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    const BYTE* fixed = std::search(data, data + size, signature, signature + 4);
    ASSERT_LE(fixed + 52, data + size) << "no fixed file information";
    DWORD words[4];
    memcpy(words, fixed + 8, sizeof words); // file version MS, LS, product version MS, LS
    for (int i : {0, 2}) {
        EXPECT_EQ(static_cast<DWORD>(TG_VERSION_MAJOR << 16 | TG_VERSION_MINOR), words[i]) << i;
        EXPECT_EQ(static_cast<DWORD>(TG_VERSION_RELEASE << 16 | TG_VERSION_BUILD), words[i + 1]) << i;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::wstring wide;
    for (char c : std::string(TG_VERSION_TEXT)) wide += static_cast<wchar_t>(c);
    EXPECT_NE(std::string::npos, text.find(std::string(reinterpret_cast<const char*>(wide.c_str()), wide.size() * 2)))
        << "the file version text " TG_VERSION_TEXT;
}

} // namespace
