// tests/win/vyFormPlacementSaverTest.cpp
// The placement saver on real forms against the test prefix's real registry: what the first
// show loads (and where a bad value stops it), what a close or a log-off query writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "TestRegistry.h"
#include "WinTest.h"
#include "vyFormPlacementSaver.h"

namespace {

// Nothing else in this program names the unit: this links it, and its class with it.
const TClassInfo& SaverClass = TvyFormPlacementSaver::StaticClassInfo();

const std::string Key = "Software\\Tallyglass Tests\\Placement";
const RECT Designed{100, 100, 420, 300}; // 320 x 200

std::string Text(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

void SetState(const std::string& bytes, DWORD type = REG_BINARY)
{
    SetValue(HKEY_CURRENT_USER, Key, "WindowState", bytes.data(), static_cast<DWORD>(bytes.size()), type);
}

void StoreAll(int left, int top, char state = 0, DWORD topmost = 1)
{
    const std::pair<const char*, int> values[] = {{"Left", left}, {"Top", top}, {"Width", 280}, {"Height", 150}};
    for (const auto& [name, v] : values) SetDword(HKEY_CURRENT_USER, Key, name, static_cast<DWORD>(v));
    SetState(std::string(1, state));
    SetDword(HKEY_CURRENT_USER, Key, "Topmost", topmost);
}

std::optional<DWORD> Stored(const char* name, HKEY root = HKEY_CURRENT_USER)
{
    const auto v = RawValue(root, Key, name);
    if (!v || v->Type != REG_DWORD || v->Data.size() != 4) return std::nullopt;
    DWORD d = 0;
    memcpy(&d, v->Data.data(), 4);
    return d;
}

class FormPlacementSaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteTree(HKEY_CURRENT_USER, Key);
        NewForm();
    }
    void TearDown() override
    {
        form.reset();
        DeleteTree(HKEY_CURRENT_USER, Key);
        DeleteTree(HKEY_LOCAL_MACHINE, Key);
    }
    // The form of one run of the program, with a saver read from a stored form.
    TvyFormPlacementSaver* NewForm(const std::string& props = "")
    {
        form.reset();
        Shows.clear();
        form.reset(new TForm(nullptr));
        form->SetBounds(Designed.left, Designed.top, Designed.right - Designed.left, Designed.bottom - Designed.top);
        form->OnShow = [this](TObject* sender) {
            Shows.push_back(Bounds());
            EXPECT_EQ(form.get(), sender) << "the form's own handler gets the form";
        };
        TFormReader::ReadRoot(*form, "object F: TForm\n  object Saver: TvyFormPlacementSaver\n"
                                     "    RegKey = '\\" + Key + "'\n" + props + "  end\nend\n");
        auto* saver = dynamic_cast<TvyFormPlacementSaver*>(form->FindComponent("Saver"));
        EXPECT_NE(nullptr, saver) << "a " << SaverClass.Name;
        return saver;
    }
    RECT Bounds() const
    {
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        return r;
    }
    bool Topmost() const { return (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    TOwnedPtr<TForm> form;
    std::vector<RECT> Shows;
};

// Each case: what the registry holds, and where the first show leaves the form. A missing or
// malformed value ends the load there; what came before it stays.
TEST_F(FormPlacementSaverTest, TheFirstShowLoadsUntilAValueIsMissingOrMalformed)
{
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const auto without = [](const char* name) { return [name] { StoreAll(50, 60), DeleteRawValue(HKEY_CURRENT_USER, Key, name); }; };
    struct TCase {
        const char* What;
        std::function<void()> Store;
        std::string Props;
        RECT Expected;
        bool Topmost, Event;
    };
    const TCase cases[] = {
        {"first run: no key", [] {}, "", Designed, false, false},
        {"all six", [] { StoreAll(50, 60); }, "", {50, 60, 330, 210}, true, true},
        {"size not restored", [] { StoreAll(50, 60); }, "    RestoreFormSize = False\n", {50, 60, 370, 260}, true, true},
        {"no WindowState: the designed state, the rest applies", without("WindowState"), "", {50, 60, 330, 210}, true, true},
        {"no Top: Left only", without("Top"), "", {50, 100, 370, 300}, false, false},
        {"no Topmost: bounds only", without("Topmost"), "", {50, 60, 330, 210}, false, false},
        {"Width as text", [] { StoreAll(50, 60), SetText(HKEY_CURRENT_USER, Key, "Width", "280"); }, "",
         {50, 60, 370, 260}, false, false},
        {"WindowState as a number", [] { StoreAll(50, 60), SetState(std::string(4, '\0'), REG_DWORD); }, "", Designed,
         false, false},
        {"WindowState of two bytes", [] { StoreAll(50, 60), SetState(std::string(2, '\0')); }, "", Designed, false, false},
        {"WindowState out of range", [] { StoreAll(50, 60, 7); }, "", Designed, false, false},
        {"partly off the screen: kept", [] { StoreAll(-200, -20); }, "", {-200, -20, 80, 130}, true, true},
        {"saved on a larger screen: moved the shortest way in", [] { StoreAll(5000, 5000); }, "",
         {area.right - 280, area.bottom - 150, area.right, area.bottom}, true, true},
        {"disabled: nothing loaded", [] { StoreAll(50, 60); }, "    Enabled = False\n", Designed, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        DeleteTree(HKEY_CURRENT_USER, Key);
        c.Store();
        auto* saver = NewForm(c.Props);
        int loads = 0;
        saver->OnLoadSettings = [&](TObject* sender, TRegistry& reg) {
            ++loads;
            EXPECT_EQ(saver, sender);
            EXPECT_TRUE(reg.ValueExists("Left")) << "open on the key";
        };
        EXPECT_EQ(Text(Designed), Text(Bounds())) << "nothing before the first show";
        form->Show();
        EXPECT_EQ(Text(c.Expected), Text(Bounds()));
        EXPECT_EQ(TWindowState::wsNormal, form->WindowState());
        EXPECT_EQ(c.Topmost, Topmost());
        EXPECT_EQ(c.Event ? 1 : 0, loads) << "OnLoadSettings";
        ASSERT_EQ(1u, Shows.size()) << "the form's own handler ran once";
        EXPECT_EQ(Text(c.Expected), Text(Shows[0])) << "and after the load";
    }
}

TEST_F(FormPlacementSaverTest, ACloseWritesAllSixValuesAndAMaximizedFormReopensMaximized)
{
    TvyFormPlacementSaver* saver = NewForm("    RegKey = '\\" + Key + "\\\\'\n");
    EXPECT_EQ("\\" + Key, saver->RegKey()) << "trailing backslashes dropped";
    // Until the first show has loaded the stored placement, the form holds only its designed
    // one: closed before that, it must not overwrite what is stored.
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Key)) << "a form never shown saves nothing";
    form->Show();
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Key)) << "loading never creates the key";
    form->SetBounds(130, 140, 300, 180);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(form->Handle())) << "the close itself goes on";
    const std::pair<const char*, DWORD> dwords[] = {{"Left", 130}, {"Top", 140}, {"Width", 300}, {"Height", 180}, {"Topmost", 0}};
    for (const auto& [name, value] : dwords) EXPECT_EQ(value, Stored(name)) << name;
    const auto state = RawValue(HKEY_CURRENT_USER, Key, "WindowState");
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), state->Type);
    EXPECT_EQ(std::string(1, '\0'), state->Data) << "one byte, normal";

    // Maximized and on top, saved by the application window's end-of-session query.
    form->Show();
    saver->SetTopmost(true);
    form->SetWindowState(TWindowState::wsMaximized);
    SendMessageA(Application->Handle(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(std::string(1, '\2'), RawValue(HKEY_CURRENT_USER, Key, "WindowState")->Data);
    EXPECT_EQ(DWORD(1), Stored("Topmost"));
    EXPECT_NE(DWORD(300), Stored("Width")) << "the maximized bounds are stored";

    // The next run opens maximized over its designed bounds, and the second show loads nothing.
    NewForm();
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle())) << "reopens maximized";
    EXPECT_EQ(TWindowState::wsMaximized, form->WindowState());
    EXPECT_TRUE(Topmost());
    ShowWindow(form->Handle(), SW_RESTORE);
    EXPECT_EQ(Text(Designed), Text(Bounds())) << "restores to the designed bounds";
    form->Hide();
    form->Show();
    EXPECT_EQ(Text(Designed), Text(Bounds())) << "the second show loads nothing";
    EXPECT_EQ(2u, Shows.size()) << "but runs the form's own handler";

    // A program that gives the form a show handler of its own after loading: the first show
    // loads all the same, and a close saves.
    NewForm();
    int ownShows = 0;
    form->OnShow = [&](TObject*) { ++ownShows; };
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle())) << "loaded whatever OnShow holds";
    EXPECT_TRUE(Topmost());
    EXPECT_EQ(1, ownShows);
    DeleteTree(HKEY_CURRENT_USER, Key);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(1), Stored("Topmost")) << "and saved at the close";
}

TEST_F(FormPlacementSaverTest, OptionsChooseWhenToSaveAndWhere)
{
    StoreAll(50, 60);
    TvyFormPlacementSaver* saver = NewForm("    Options = [saveOnMoveResize]\n");
    form->Show();
    EXPECT_EQ(50, form->Left()) << "loaded without saveOnClose too";
    form->SetBounds(90, 95, 280, 150);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(50), Stored("Left")) << "no save on close";
    SendMessageA(form->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(DWORD(90), Stored("Left")) << "saved at the end of a move";

    // A handler's own values go into the same key; its exception stops nothing.
    saver->SetOptions(RegSaverOptionBit(TvyRegSaverOption::saveOnClose));
    saver->OnSaveSettings = [](TObject*, TRegistry& reg) {
        reg.WriteInteger("Extra", 7);
        throw Exception("handler failed");
    };
    form->Show();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(7), Stored("Extra"));
    EXPECT_FALSE(IsWindowVisible(form->Handle())) << "the close went on";

    // A saver freed before the first show leaves the form its own handler.
    NewForm()->Free();
    form->Show();
    EXPECT_EQ(1u, Shows.size());

    NewForm("    Enabled = False\n");
    form->Show();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(90), Stored("Left")) << "disabled: nothing saved";

    // Under the local machine, with a key path without a leading backslash.
    NewForm("    RegLocation = rlLocalMachine\n    RegKey = '" + Key + "'\n");
    form->Show();
    EXPECT_EQ(Text(Designed), Text(Bounds())) << "the user's key is not the machine's";
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(Designed.left), Stored("Left", HKEY_LOCAL_MACHINE));
}

} // namespace
