// tests/win/vyFormBackgroundTest.cpp
// The form background on real forms: erase messages sent with a 32-bit DIB section as
// the context (exact pixels), repaint requests read back as update regions, the busy flag,
// stored forms, and the screen under a shown form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyFormBackground.h"
#include "vyPackedStream.h"

namespace {

constexpr UINT kInvalidateNotice = 0xB00D;
constexpr COLORREF kSentinel = RGB(1, 2, 3);

// What one erase message paints: the form's client area drawn into a DIB section.
struct TErase {
    std::unique_ptr<TDibTarget> Target;
    LRESULT Result;
};

TErase Erase(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    TErase e{std::make_unique<TDibTarget>(client.right, client.bottom, kSentinel), 0};
    e.Result = SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(e.Target->DC()), 0);
    return e;
}

bool HasUpdate(HWND window)
{
    RECT r;
    return GetUpdateRect(window, &r, FALSE) != 0;
}

RECT UpdateRect(HWND window)
{
    RECT r{};
    GetUpdateRect(window, &r, FALSE);
    return r;
}

// A graphic whose drawing sends a second erase to the form, as a picture that repaints
// itself might: the second one must be swallowed by the busy flag.
struct TNested {
    HWND Window = nullptr;
    TvyFormBackground* Background = nullptr;
    int Draws = 0;
    LRESULT NestedResult = 0;
    int NestedPainted = -1;
    bool BusyInside = false;
    bool RepaintInsideInvalidated = true;
} gNested;

class TNestingGraphic : public TGraphic {
public:
    int Width() const override { return 8; }
    int Height() const override { return 8; }
    bool Empty() const override { return false; }
    void Draw(TCanvas& canvas, const RECT& r) override
    {
        ++gNested.Draws;
        gNested.BusyInside = gNested.Background->Busy();
        TDibTarget other(20, 20, kSentinel);
        gNested.NestedResult = SendMessageA(gNested.Window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(other.DC()), 0);
        gNested.NestedPainted = 400 - other.CountOf(kSentinel);
        ValidateRect(gNested.Window, nullptr);
        gNested.Background->Repaint();
        gNested.RepaintInsideInvalidated = HasUpdate(gNested.Window);
        canvas.Brush()->SetColor(clLime);
        canvas.FillRect(r);
    }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TNestingGraphic>(); }
};

// Counts the repaint requests that reach the form.
class TCountingForm : public TForm {
public:
    using TForm::TForm;
    int Invalidations = 0;
    void Invalidate() override
    {
        ++Invalidations;
        TForm::Invalidate();
    }
};

class BackgroundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.reset(new TCountingForm(nullptr));
        form->SetBounds(40, 40, 260, 180);
        form->SetColor(clRed);
        bg = new TvyFormBackground(form.get());
        window = form->Handle();
        GetClientRect(window, &client);
        // Only a visible window collects an update region to read back.
        form->Show();
        PumpQueued();
    }
    void TearDown() override { form.reset(); }

    TOwnedPtr<TCountingForm> form;
    TvyFormBackground* bg = nullptr;
    HWND window = nullptr;
    RECT client{};
};

} // namespace

TEST_F(BackgroundTest, DefaultsAndGradientOnErase)
{
    EXPECT_TRUE(bg->Active());
    EXPECT_EQ(clBlue, bg->GradientColor1());
    EXPECT_EQ(clBlack, bg->GradientColor2());
    EXPECT_EQ(TvyGradientDirection::gdVertical, bg->GradientDirection());
    EXPECT_EQ(TvyBackgroundKind::bkPicture, bg->Kind());
    EXPECT_EQ(TvyBackgroundPictureStyle::bsTile, bg->PictureStyle());
    EXPECT_EQ(nullptr, bg->Picture()->Graphic());

    bg->SetKind(TvyBackgroundKind::bkGradient);
    const TErase e = Erase(window);
    EXPECT_EQ(1, e.Result) << "the erase is handled";
    for (int y = 0; y < client.bottom; y += 7)
        EXPECT_EQ(Band(0xFF0000, 0x000000, BandAt(y, client.bottom), 255), e.Target->Pixel(client.right / 2, y))
            << "row " << y << " of a blue-to-black vertical gradient";
    EXPECT_EQ(0, e.Target->CountOf(RGB(255, 0, 0))) << "the form's own colour never shows";
    EXPECT_FALSE(bg->Busy()) << "busy only while painting";

    // The main window's setting: 3-D light at the left edge to button face at the right.
    bg->SetGradientColor1(cl3DLight);
    bg->SetGradientColor2(clBtnFace);
    bg->SetGradientDirection(TvyGradientDirection::gdHorizontal);
    const TErase h = Erase(window);
    const COLORREF l = GetSysColor(COLOR_3DLIGHT), f = GetSysColor(COLOR_BTNFACE);
    for (int x = 0; x < client.right; x += 5)
        EXPECT_EQ(Band(l, f, BandAt(x, client.right), 255), h.Target->Pixel(x, client.bottom - 1)) << "column " << x;
}

TEST_F(BackgroundTest, EmptyPictureInactiveOrDesigningLetTheFormErase)
{
    // bkPicture without a picture: the form erases itself in its own colour.
    TErase e = Erase(window);
    EXPECT_EQ(client.right * client.bottom, e.Target->CountOf(RGB(255, 0, 0))) << "empty picture: form colour";

    bg->SetKind(TvyBackgroundKind::bkGradient);
    bg->SetActive(false);
    e = Erase(window);
    EXPECT_EQ(client.right * client.bottom, e.Target->CountOf(RGB(255, 0, 0))) << "inactive: form colour";

    bg->SetActive(true);
    bg->SetDesigning(true);
    e = Erase(window);
    EXPECT_EQ(client.right * client.bottom, e.Target->CountOf(RGB(255, 0, 0))) << "designing: form colour";
}

TEST_F(BackgroundTest, PictureStyleUsesTheFormColour)
{
    TvyPicture source;
    source.Bitmap()->SetSize(10, 6);
    source.Bitmap()->Canvas()->Brush()->SetColor(clYellow);
    source.Bitmap()->Canvas()->FillRect(RECT{0, 0, 10, 6});
    bg->SetPictureStyle(TvyBackgroundPictureStyle::bsCenter);
    bg->SetPicture(&source);
    ASSERT_NE(source.Graphic(), bg->Picture()->Graphic()) << "the picture is copied";
    const TErase e = Erase(window);
    EXPECT_EQ(1, e.Result);
    EXPECT_EQ(60, e.Target->CountOf(RGB(255, 255, 0))) << "one 10 x 6 picture";
    EXPECT_EQ(client.right * client.bottom - 60, e.Target->CountOf(RGB(255, 0, 0))) << "the rest in the form colour";
    const int x0 = (client.right - 10) / 2, y0 = (client.bottom - 6) / 2;
    EXPECT_EQ(RGB(255, 255, 0), e.Target->Pixel(x0, y0)) << "centred";
    EXPECT_EQ(RGB(255, 255, 0), e.Target->Pixel(x0 + 9, y0 + 5));

    bg->SetPictureStyle(TvyBackgroundPictureStyle::bsTile);
    const TErase t = Erase(window);
    EXPECT_EQ(client.right * client.bottom, t.Target->CountOf(RGB(255, 255, 0))) << "tiles cover everything";
}

TEST_F(BackgroundTest, BusyFlagSwallowsANestedErase)
{
    gNested = TNested{};
    gNested.Window = window;
    gNested.Background = bg;
    TNestingGraphic graphic;
    bg->Picture()->SetGraphic(&graphic);
    bg->SetPictureStyle(TvyBackgroundPictureStyle::bsStretch);
    const TErase e = Erase(window);
    EXPECT_EQ(1, gNested.Draws) << "the nested erase paints nothing";
    EXPECT_TRUE(gNested.BusyInside);
    EXPECT_EQ(1, gNested.NestedResult) << "the nested erase counts as handled";
    EXPECT_EQ(0, gNested.NestedPainted) << "nor does the form erase under it";
    EXPECT_FALSE(gNested.RepaintInsideInvalidated) << "no repaint while busy";
    EXPECT_EQ(client.right * client.bottom, e.Target->CountOf(RGB(0, 255, 0))) << "the outer erase painted";
    EXPECT_FALSE(bg->Busy());
}

TEST_F(BackgroundTest, SizeNoticeAndScrollsRepaint)
{
    MSG msg;
    while (PeekMessageA(&msg, window, kInvalidateNotice, kInvalidateNotice, PM_REMOVE)) {}
    SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(client.right, client.bottom));
    EXPECT_FALSE(PeekMessageA(&msg, window, kInvalidateNotice, kInvalidateNotice, PM_NOREMOVE)) << "minimised: no notice";
    for (WPARAM kind : {WPARAM{SIZE_RESTORED}, WPARAM{SIZE_MAXIMIZED}}) {
        SendMessageA(window, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
        ASSERT_TRUE(PeekMessageA(&msg, window, kInvalidateNotice, kInvalidateNotice, PM_REMOVE))
            << "the invalidate notice is posted after size type " << kind;
        ValidateRect(window, nullptr);
        DispatchMessageA(&msg);
        const RECT u = UpdateRect(window);
        EXPECT_EQ(client.right, u.right) << "the whole client area after the notice";
        EXPECT_EQ(client.bottom, u.bottom);
        EXPECT_EQ(0, u.left);
    }
    for (UINT scroll : {UINT{WM_HSCROLL}, UINT{WM_VSCROLL}}) {
        ValidateRect(window, nullptr);
        SendMessageA(window, scroll, SB_LINEDOWN, 0);
        EXPECT_TRUE(HasUpdate(window)) << "scroll message " << scroll << " repaints";
    }
}

TEST_F(BackgroundTest, SettersRepaintOnlyOnChange)
{
    auto repaints = [&](const char* what, auto&& change) {
        ValidateRect(window, nullptr);
        change();
        return HasUpdate(window) ? std::string(what) + " repaints" : std::string(what) + " does not repaint";
    };
    EXPECT_EQ("same colour 1 does not repaint", repaints("same colour 1", [&] { bg->SetGradientColor1(clBlue); }));
    EXPECT_EQ("colour 1 repaints", repaints("colour 1", [&] { bg->SetGradientColor1(clNavy); }));
    EXPECT_EQ("same colour 2 does not repaint", repaints("same colour 2", [&] { bg->SetGradientColor2(clBlack); }));
    EXPECT_EQ("colour 2 repaints", repaints("colour 2", [&] { bg->SetGradientColor2(clWhite); }));
    EXPECT_EQ("same direction does not repaint",
              repaints("same direction", [&] { bg->SetGradientDirection(TvyGradientDirection::gdVertical); }));
    EXPECT_EQ("direction repaints", repaints("direction", [&] { bg->SetGradientDirection(TvyGradientDirection::gdCentral); }));
    EXPECT_EQ("same style does not repaint",
              repaints("same style", [&] { bg->SetPictureStyle(TvyBackgroundPictureStyle::bsTile); }));
    EXPECT_EQ("style repaints", repaints("style", [&] { bg->SetPictureStyle(TvyBackgroundPictureStyle::bsZigzag); }));
    EXPECT_EQ("same kind repaints", repaints("same kind", [&] { bg->SetKind(TvyBackgroundKind::bkPicture); }));
    EXPECT_EQ("same picture repaints", repaints("same picture", [&] { bg->SetPicture(bg->Picture()); }));
    EXPECT_EQ("picture content repaints", repaints("picture content", [&] { bg->Picture()->Bitmap()->SetSize(2, 2); }));
    form->SetFormStyle(TFormStyle::fsMDIForm);
    EXPECT_EQ("MDI parent repaints", repaints("MDI parent", [&] { bg->SetGradientColor1(clTeal); }));
    bg->SetDesigning(true);
    EXPECT_EQ("designing does not repaint", repaints("designing", [&] { bg->SetGradientColor1(clMaroon); }));
}

TEST_F(BackgroundTest, SwitchingActiveRepaintsOnceEachWay)
{
    bg->SetKind(TvyBackgroundKind::bkGradient);
    ValidateRect(window, nullptr);
    bg->SetActive(false);
    EXPECT_TRUE(HasUpdate(window)) << "switching off repaints";
    EXPECT_EQ(client.right * client.bottom, Erase(window).Target->CountOf(RGB(255, 0, 0)))
        << "and that repaint shows the plain colour";
    ValidateRect(window, nullptr);
    bg->SetGradientColor1(clLime);
    EXPECT_FALSE(HasUpdate(window)) << "inactive: changes do not repaint";
    bg->SetActive(true);
    EXPECT_TRUE(HasUpdate(window)) << "switching on repaints, so the background comes back at once";
    EXPECT_EQ(0, Erase(window).Target->CountOf(RGB(255, 0, 0)));
}

TEST_F(BackgroundTest, RecreatedWindowIsRepaintedAndStillPainted)
{
    // Records whether RestoreState itself asks the form for a repaint.
    class TProbe : public TvyFormBackground {
    public:
        using TvyFormBackground::TvyFormBackground;
        int Restores = 0;
        bool Repainted = false;
        void RestoreState() override
        {
            ++Restores;
            auto* counting = static_cast<TCountingForm*>(OwnerForm());
            const int before = counting->Invalidations;
            TvyFormBackground::RestoreState();
            Repainted = counting->Invalidations == before + 1;
        }
    };
    bg->Free();
    auto* probe = new TProbe(form.get());
    probe->SetKind(TvyBackgroundKind::bkGradient);
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    HWND after = form->Handle();
    ASSERT_NE(window, after);
    ASSERT_TRUE(PumpUntil([&] { return probe->Restores == 1; }));
    EXPECT_TRUE(probe->Repainted) << "RestoreState repaints the new window";
    EXPECT_EQ(after, probe->WindowHandle());
    const TErase e = Erase(after);
    EXPECT_EQ(1, e.Result);
    RECT now;
    GetClientRect(after, &now);
    EXPECT_EQ(Band(0xFF0000, 0, BandAt(0, now.bottom), 255), e.Target->Pixel(0, 0)) << "row 0 of the gradient";
}

TEST_F(BackgroundTest, StoredFormsReadAndWriteTheSettings)
{
    TOwnedPtr<TForm> stored(new TForm(nullptr));
    TIcon icon;
    icon.SetHandle(LoadIconA(nullptr, IDI_APPLICATION));
    TvyPicture withIcon;
    withIcon.SetGraphic(&icon);
    std::vector<std::pair<std::string, TFormValue>> defined;
    withIcon.WriteDefinedProperties(defined);
    ASSERT_EQ(1u, defined.size());
    const std::string hex = HexBytes(defined[0].second.Binary);
    TFormReader::ReadRoot(*stored, "object F: TForm\n"
                                   "  object Background: TvyFormBackground\n"
                                   "    GradientColor1 = cl3DLight\n"
                                   "    GradientColor2 = clOrange\n"
                                   "    GradientDirection = gdHorizontal\n"
                                   "    Kind = bkGradient\n"
                                   "    Picture.SFP = {" + hex + "}\n"
                                   "    PictureStyle = bsZigzag\n"
                                   "  end\n"
                                   "end\n");
    auto* read = dynamic_cast<TvyFormBackground*>(stored->FindComponent("Background"));
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(cl3DLight, read->GradientColor1());
    EXPECT_EQ(0x0068FF, read->GradientColor2()) << "an extra colour name";
    EXPECT_EQ(TvyGradientDirection::gdHorizontal, read->GradientDirection());
    EXPECT_EQ(TvyBackgroundKind::bkGradient, read->Kind());
    EXPECT_EQ(TvyBackgroundPictureStyle::bsZigzag, read->PictureStyle());
    EXPECT_NE(nullptr, dynamic_cast<TIcon*>(read->Picture()->Graphic())) << "the packed icon";
    EXPECT_TRUE(read->Hooked()) << "hooked to the form it was read into";

    const std::string text = TFormWriter::Write(*stored);
    for (const char* line : {"GradientColor1 = cl3DLight", "GradientColor2 = clOrange", "GradientDirection = gdHorizontal",
                             "Kind = bkGradient", "PictureStyle = bsZigzag", "Picture.SFP = {"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << " in\n" << text;
    EXPECT_EQ(std::string::npos, text.find("Active")) << "defaults are not stored\n" << text;
    EXPECT_EQ(std::string::npos, text.find("About")) << text;
}

TEST_F(BackgroundTest, ShownFormsLookRight)
{
    // The main window's look, then a vivid one, painted by the system's own erase.
    bg->SetKind(TvyBackgroundKind::bkGradient);
    bg->SetGradientColor1(cl3DLight);
    bg->SetGradientColor2(clBtnFace);
    bg->SetGradientDirection(TvyGradientDirection::gdHorizontal);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    auto read = [&] {
        UpdateWindow(window);
        TDibTarget shot(client.right, client.bottom, kSentinel);
        HDC dc = GetDC(window);
        BitBlt(shot.DC(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
        std::vector<COLORREF> row;
        for (int x = 0; x < client.right; ++x) row.push_back(shot.Pixel(x, client.bottom / 2));
        return row;
    };
    // What is drawn reaches the screen asynchronously: the middle row is read until both of
    // its ends show what is expected there, or time is up; the checks then say what differs.
    auto capture = [&](COLORREF left, COLORREF right) {
        std::vector<COLORREF> row;
        PumpUntil([&] {
            row = read();
            return row.front() == left && row.back() == right;
        });
        return row;
    };
    const COLORREF l = GetSysColor(COLOR_3DLIGHT), f = GetSysColor(COLOR_BTNFACE);
    const COLORREF mainLeft = Band(l, f, BandAt(0, client.right), 255);
    const COLORREF mainRight = Band(l, f, BandAt(client.right - 1, client.right), 255);
    const auto main = capture(mainLeft, mainRight);
    EXPECT_EQ(mainLeft, main.front()) << "left edge on screen: 3-D light";
    EXPECT_EQ(mainRight, main.back()) << "right edge on screen: button face";
    bg->SetGradientColor1(clBlue);
    bg->SetGradientColor2(clYellow);
    const COLORREF vividLeft = Band(0xFF0000, 0x00FFFF, BandAt(0, client.right), 255);
    const COLORREF vividRight = Band(0xFF0000, 0x00FFFF, BandAt(client.right - 1, client.right), 255);
    const auto vivid = capture(vividLeft, vividRight);
    EXPECT_EQ(vividLeft, vivid.front()) << "left edge on screen";
    EXPECT_EQ(vividRight, vivid.back()) << "right edge on screen";
    bg->SetActive(false);
    const auto plain = capture(RGB(255, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(static_cast<size_t>(client.right), static_cast<size_t>(std::count(plain.begin(), plain.end(), RGB(255, 0, 0))))
        << "switched off: repainted once in the form's plain colour";
}
