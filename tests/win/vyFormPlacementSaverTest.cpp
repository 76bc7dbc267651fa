// tests/win/vyFormPlacementSaverTest.cpp
// The placement saver on real forms against the test prefix's real registry: what the first
// show loads (and where a bad value stops it), what a close or a log-off query writes.
#include <gtest/gtest.h>

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

RECT WorkArea()
{
    RECT r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

RECT WindowRectOf(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

std::string Text(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

void SetState(const std::string& bytes, DWORD type = REG_BINARY)
{
    SetValue(HKEY_CURRENT_USER, Key, "WindowState", bytes.data(), static_cast<DWORD>(bytes.size()), type);
}

void StoreAll(int left, int top, int width, int height, char state, DWORD topmost)
{
    SetDword(HKEY_CURRENT_USER, Key, "Left", static_cast<DWORD>(left));
    SetDword(HKEY_CURRENT_USER, Key, "Top", static_cast<DWORD>(top));
    SetDword(HKEY_CURRENT_USER, Key, "Width", static_cast<DWORD>(width));
    SetDword(HKEY_CURRENT_USER, Key, "Height", static_cast<DWORD>(height));
    SetState(std::string(1, state));
    SetDword(HKEY_CURRENT_USER, Key, "Topmost", topmost);
}

std::optional<DWORD> StoredDword(HKEY root, const std::string& key, const char* name)
{
    const auto v = RawValue(root, key, name);
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
    // The form of a run of the program: designed bounds, a show handler of its own.
    void NewForm()
    {
        form.reset();
        Shows.clear();
        form.reset(new TForm(nullptr));
        form->SetBounds(Designed.left, Designed.top, Designed.right - Designed.left, Designed.bottom - Designed.top);
        form->SetCaption("Placement");
        form->OnShow = [this](TObject* sender) {
            Shows.push_back(WindowRectOf(form->Handle()));
            EXPECT_EQ(form.get(), sender) << "the form's own handler gets the form";
        };
    }
    void TearDown() override
    {
        form.reset();
        DeleteTree(HKEY_CURRENT_USER, Key);
        DeleteTree(HKEY_LOCAL_MACHINE, Key);
    }
    // Reads a saver into the form with the given property lines.
    TvyFormPlacementSaver* AddSaver(const std::string& props = "")
    {
        TFormReader::ReadRoot(*form, "object F: TForm\n"
                                     "  object Saver: TvyFormPlacementSaver\n"
                                     "    RegKey = '\\" + Key + "'\n" + props +
                                         "  end\n"
                                         "end\n");
        auto* saver = dynamic_cast<TvyFormPlacementSaver*>(form->FindComponent("Saver"));
        EXPECT_NE(nullptr, saver) << "a " << SaverClass.Name;
        return saver;
    }
    bool Topmost() const { return (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    TOwnedPtr<TForm> form;
    std::vector<RECT> Shows;
};

TEST_F(FormPlacementSaverTest, FirstRunOpensAsDesignedAndACloseWritesAllSixValues)
{
    auto* saver = AddSaver();
    form->Show();
    EXPECT_EQ(Text(Designed), Text(WindowRectOf(form->Handle()))) << "no key: the designed place";
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Key)) << "loading never creates the key";

    form->SetBounds(130, 140, 300, 180);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(form->Handle())) << "the close itself goes on";
    const std::pair<const char*, DWORD> dwords[] = {{"Left", 130}, {"Top", 140}, {"Width", 300}, {"Height", 180}, {"Topmost", 0}};
    for (const auto& [name, value] : dwords) EXPECT_EQ(value, StoredDword(HKEY_CURRENT_USER, Key, name)) << name;
    const auto state = RawValue(HKEY_CURRENT_USER, Key, "WindowState");
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), state->Type);
    EXPECT_EQ(std::string(1, '\0'), state->Data) << "one byte, normal";

    // The application window's end-of-session query saves too, and the topmost state with it.
    saver->SetTopmost(true);
    form->SetBounds(10, 20, 300, 180);
    SendMessageA(Application->Handle(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(DWORD(10), StoredDword(HKEY_CURRENT_USER, Key, "Left"));
    EXPECT_EQ(DWORD(1), StoredDword(HKEY_CURRENT_USER, Key, "Topmost"));
}

// Each case: what the registry holds, and where loading leaves the form. A missing or
// malformed value ends the load there; what came before it stays.
TEST_F(FormPlacementSaverTest, TheFirstShowLoadsUntilAValueIsMissingOrMalformed)
{
    struct TCase {
        const char* What;
        std::function<void()> Store;
        std::string Props;
        RECT Expected;
        TWindowState State;
        bool Topmost;
        bool Event;
    };
    const auto removed = [](const char* name) { return [name] { StoreAll(50, 60, 280, 150, 0, 1), DeleteRawValue(HKEY_CURRENT_USER, Key, name); }; };
    const TCase cases[] = {
        {"all six", [] { StoreAll(50, 60, 280, 150, 0, 1); }, "", {50, 60, 330, 210}, TWindowState::wsNormal, true, true},
        {"size not restored", [] { StoreAll(50, 60, 280, 150, 0, 1); }, "    RestoreFormSize = False\n",
         {50, 60, 370, 260}, TWindowState::wsNormal, true, true},
        {"no WindowState: designed state, the rest applies", removed("WindowState"), "", {50, 60, 330, 210},
         TWindowState::wsNormal, true, true},
        {"no Top: Left only", removed("Top"), "", {50, 100, 370, 300}, TWindowState::wsNormal, false, false},
        {"no Topmost: bounds only", removed("Topmost"), "", {50, 60, 330, 210}, TWindowState::wsNormal, false, false},
        {"Width as text", [] { StoreAll(50, 60, 280, 150, 0, 1), SetText(HKEY_CURRENT_USER, Key, "Width", "280"); }, "",
         {50, 60, 370, 260}, TWindowState::wsNormal, false, false},
        {"WindowState as a number", [] { StoreAll(50, 60, 280, 150, 0, 1), SetState(std::string(4, '\0'), REG_DWORD); },
         "", Designed, TWindowState::wsNormal, false, false},
        {"WindowState of two bytes", [] { StoreAll(50, 60, 280, 150, 0, 1), SetState(std::string(2, '\0')); }, "",
         Designed, TWindowState::wsNormal, false, false},
        {"WindowState out of range", [] { StoreAll(50, 60, 280, 150, 7, 1); }, "", Designed, TWindowState::wsNormal,
         false, false},
        {"partly off the screen: kept", [] { StoreAll(-200, -20, 280, 150, 0, 0); }, "", {-200, -20, 80, 130},
         TWindowState::wsNormal, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        DeleteTree(HKEY_CURRENT_USER, Key);
        c.Store();
        NewForm();
        auto* saver = AddSaver(c.Props);
        int loads = 0;
        saver->OnLoadSettings = [&](TObject* sender, TRegistry& reg) {
            ++loads;
            EXPECT_EQ(saver, sender);
            EXPECT_TRUE(reg.ValueExists("Left")) << "open on the key";
        };
        form->Show();
        EXPECT_EQ(Text(c.Expected), Text(WindowRectOf(form->Handle())));
        EXPECT_EQ(c.State, form->WindowState());
        EXPECT_EQ(c.Topmost, Topmost());
        EXPECT_EQ(c.Event ? 1 : 0, loads) << "OnLoadSettings";
        ASSERT_EQ(1u, Shows.size()) << "the form's own handler ran once";
        EXPECT_EQ(Text(c.Expected), Text(Shows[0])) << "after the load";
    }
}

TEST_F(FormPlacementSaverTest, APlaceOffEveryScreenReopensInsideTheWorkArea)
{
    StoreAll(5000, 5000, 280, 150, 0, 0);
    AddSaver();
    form->Show();
    const RECT r = WindowRectOf(form->Handle());
    const RECT area = WorkArea();
    EXPECT_EQ(280, r.right - r.left) << "size kept";
    EXPECT_EQ(150, r.bottom - r.top) << "size kept";
    EXPECT_EQ(area.right, r.right) << "moved the shortest way in: " << Text(r) << " in " << Text(area);
    EXPECT_EQ(area.bottom, r.bottom) << Text(r) << " in " << Text(area);
}

TEST_F(FormPlacementSaverTest, ASavedMaximizedFormReopensMaximizedOverItsDesignedBounds)
{
    AddSaver();
    form->Show();
    form->SetWindowState(TWindowState::wsMaximized);
    ASSERT_TRUE(IsZoomed(form->Handle()));
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(std::string(1, '\2'), RawValue(HKEY_CURRENT_USER, Key, "WindowState")->Data);
    EXPECT_NE(DWORD(320), StoredDword(HKEY_CURRENT_USER, Key, "Width")) << "the maximized bounds are stored";

    // The next run.
    NewForm();
    AddSaver();
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle())) << "reopens maximized";
    EXPECT_EQ(TWindowState::wsMaximized, form->WindowState());
    ShowWindow(form->Handle(), SW_RESTORE);
    EXPECT_EQ(Text(Designed), Text(WindowRectOf(form->Handle()))) << "restores to the designed bounds";
}

TEST_F(FormPlacementSaverTest, LoadingHappensOnceAtTheFirstShowAndOptionsChooseWhenToSave)
{
    StoreAll(50, 60, 280, 150, 0, 0);
    auto* saver = AddSaver("    RegKey = '\\" + Key + "\\\\'\n    Options = [saveOnMoveResize]\n");
    EXPECT_EQ("\\" + Key, saver->RegKey()) << "trailing backslashes dropped";
    EXPECT_EQ(Text(Designed), Text(WindowRectOf(form->Handle()))) << "nothing before the first show";
    form->Show();
    EXPECT_EQ(Text(RECT{50, 60, 330, 210}), Text(WindowRectOf(form->Handle())));
    form->Hide();
    StoreAll(70, 80, 280, 150, 0, 0);
    form->Show();
    EXPECT_EQ(50, form->Left()) << "the second show loads nothing";
    EXPECT_EQ(2u, Shows.size()) << "but runs the form's own handler";

    // Without saveOnClose a close writes nothing; the end of a move or resize does.
    form->SetBounds(90, 95, 280, 150);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(70), StoredDword(HKEY_CURRENT_USER, Key, "Left"));
    SendMessageA(form->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(DWORD(90), StoredDword(HKEY_CURRENT_USER, Key, "Left"));

    // A handler's own values go into the same key; its exception stops nothing.
    saver->SetOptions(RegSaverOptionBit(TvyRegSaverOption::saveOnClose));
    saver->OnSaveSettings = [](TObject*, TRegistry& reg) {
        reg.WriteInteger("Extra", 7);
        throw Exception("handler failed");
    };
    form->Show();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(7), StoredDword(HKEY_CURRENT_USER, Key, "Extra"));
    EXPECT_FALSE(IsWindowVisible(form->Handle())) << "the close went on";
}

TEST_F(FormPlacementSaverTest, DisabledOrElsewhereTheSaverLeavesTheUsersKeyAlone)
{
    StoreAll(50, 60, 280, 150, 0, 0);
    AddSaver("    Enabled = False\n");
    form->Show();
    EXPECT_EQ(Text(Designed), Text(WindowRectOf(form->Handle()))) << "disabled: nothing loaded";
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(50), StoredDword(HKEY_CURRENT_USER, Key, "Left")) << "disabled: nothing saved";

    // Under the local machine, with a key path that has no leading backslash.
    NewForm();
    AddSaver("    RegLocation = rlLocalMachine\n    RegKey = '" + Key + "'\n");
    form->Show();
    EXPECT_EQ(Text(Designed), Text(WindowRectOf(form->Handle()))) << "the user's key is not the machine's";
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DWORD(Designed.left), StoredDword(HKEY_LOCAL_MACHINE, Key, "Left"));
}

} // namespace
