// tests/win/vyEditTest.cpp
// The edit with a button and an attached label on real windows: typed input through the X
// server (digits only, Enter and Escape as dialog keys, a password edit), the text kept off
// the button on screen, the password dialog's label layout, the stock glyphs, colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "XInput.h"
#include "vyEdit.h"

namespace {

std::string WindowText(HWND wnd)
{
    char buf[256] = "";
    GetWindowTextA(wnd, buf, sizeof buf);
    return buf;
}

// The control's client area as the screen shows it.
void Shot(TWinControl* c, TBitmap& b)
{
    RECT client;
    GetClientRect(c->Handle(), &client);
    POINT o{0, 0};
    ClientToScreen(c->Handle(), &o);
    CaptureScreen(RECT{o.x, o.y, o.x + client.right, o.y + client.bottom}, b);
}

bool IsDark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
}

class EditTest : public TCatchingTest {
protected:
    void SetUp() override
    {
        TCatchingTest::SetUp();
        form.reset(new TForm(nullptr));
        form->SetBorderStyle(TFormBorderStyle::bsDialog);
        form->SetBounds(100, 100, 330, 180);
        form->SetCaption("vyEdit test");
    }
    void TearDown() override
    {
        form.reset();
        TCatchingTest::TearDown();
    }
    TvyEdit* NewEdit(int left, int top)
    {
        auto* e = new TvyEdit(form.get());
        e->SetBounds(left, top, 121, 21);
        e->SetParent(form.get());
        return e;
    }
    void ShowForm()
    {
        form->Show();
        SetForegroundWindow(form->Handle());
        PumpQueued(); // the first paint
    }
    // Clicks into the edit, at its left end, through the X server.
    void ClickInto(TvyEdit* e)
    {
        POINT p = e->ClientToScreen(POINT{4, e->ClientHeight() / 2});
        ASSERT_TRUE(XClick(p.x, p.y)) << "xdotool click";
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == e->Handle(); })) << "the click gives the edit the focus";
    }
    TOwnedPtr<TForm> form;
};

TEST_F(EditTest, TypedDigitsOnlyAndDialogKeys)
{
    TvyEdit* edit = NewEdit(20, 20);
    edit->SetValidChars("0123456789");
    edit->SetValidateChars(true);
    std::vector<std::string> clicks;
    auto* ok = new TButton(form.get());
    ok->SetBounds(20, 60, 75, 23);
    ok->SetDefault(true);
    ok->OnClick = [&](TObject*) { clicks.push_back("OK"); };
    ok->SetParent(form.get());
    auto* cancel = new TButton(form.get());
    cancel->SetBounds(110, 60, 75, 23);
    cancel->SetCancel(true);
    cancel->OnClick = [&](TObject*) { clicks.push_back("Cancel"); };
    cancel->SetParent(form.get());
    ShowForm();
    ASSERT_NO_FATAL_FAILURE(ClickInto(edit));

    ASSERT_TRUE(XType("a1b2c3Z")) << "xdotool type";
    EXPECT_TRUE(PumpUntil([&] { return edit->Text() == "123"; })) << "letters refused, digits taken: " << edit->Text();
    ASSERT_TRUE(XKey("BackSpace"));
    EXPECT_TRUE(PumpUntil([&] { return edit->Text() == "12"; })) << "Backspace works: " << edit->Text();
    EXPECT_EQ("12", WindowText(edit->Handle())) << "the window and the property agree";

    ASSERT_TRUE(XKey("Return"));
    EXPECT_TRUE(PumpUntil([&] { return clicks.size() == 1; })) << "Enter presses the default button";
    ASSERT_TRUE(XKey("Escape"));
    EXPECT_TRUE(PumpUntil([&] { return clicks.size() == 2; })) << "Escape presses the cancel button";
    EXPECT_EQ((std::vector<std::string>{"OK", "Cancel"}), clicks) << "buttons pressed, in order";
    EXPECT_EQ("12", edit->Text()) << "no line break from Enter";
    EXPECT_EQ(1, SendMessageA(edit->Handle(), EM_GETLINECOUNT, 0, 0)) << "still one line";
    EXPECT_EQ(edit->Handle(), GetFocus()) << "the dialog keys leave the focus in the edit";
}

TEST_F(EditTest, PasswordEditShowsStars)
{
    TvyEdit* secret = NewEdit(20, 20);
    secret->SetPasswordChar('*');
    TvyEdit* shown = NewEdit(20, 60);
    shown->SetText("***");
    ShowForm();
    EXPECT_FALSE(GetWindowLongA(secret->Handle(), GWL_STYLE) & ES_MULTILINE) << "a password edit stays single-line";
    EXPECT_TRUE(GetWindowLongA(shown->Handle(), GWL_STYLE) & ES_MULTILINE) << "a plain one is multi-line";
    ASSERT_NO_FATAL_FAILURE(ClickInto(secret));
    ASSERT_TRUE(XType("abc"));
    ASSERT_TRUE(PumpUntil([&] { return secret->Text() == "abc"; })) << "typed into the password edit: " << secret->Text();
    // Same font, same size: the password edit must look exactly like a plain edit holding
    // "***", apart from the caret, which is hidden for the comparison.
    HideCaret(secret->Handle());
    secret->Repaint();
    shown->Repaint();
    TBitmap a, b;
    const bool same = PumpUntil([&] {
        Shot(secret, a);
        Shot(shown, b);
        return PixelsOf(a) == PixelsOf(b);
    }, 2000);
    SavePngArtifact(a, "vyEdit-password.png");
    SavePngArtifact(b, "vyEdit-password-plain.png");
    EXPECT_TRUE(same) << "the password edit shows '***' (see vyEdit-password.png)";
    const auto px = PixelsOf(a);
    EXPECT_GT(std::count_if(px.begin(), px.end(), IsDark), 6) << "something is drawn";
    ShowCaret(secret->Handle());
}

TEST_F(EditTest, TextStopsShortOfTheButton)
{
    TvyEdit* edit = NewEdit(20, 20);
    edit->Button()->SetKind(TvyEditButtonKind::bkEllipsis);
    edit->Button()->SetVisible(true);
    edit->SetText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    int clicked = 0;
    edit->OnButtonClick = [&](TObject* sender) {
        EXPECT_EQ(edit, sender) << "the edit is the sender";
        ++clicked;
    };
    ShowForm();
    const int cw = edit->ClientWidth(), ch = edit->ClientHeight();
    RECT text{};
    SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    // The edit may keep its margin and a pixel for its sunken edge inside the rectangle it is
    // given, never more.
    const int margin = HIWORD(SendMessageA(edit->Handle(), EM_GETMARGINS, 0, 0));
    EXPECT_LE(text.right, cw - 22) << "the text rectangle ends 22 pixels before the client's right edge";
    EXPECT_GE(text.right, cw - 22 - margin - 1) << "the text rectangle ends 22 pixels before the client's right edge";
    EXPECT_EQ(cw - 20, edit->ButtonPanel()->Left()) << "the button's panel at the right of the client area";
    EXPECT_EQ(20, edit->ButtonPanel()->Width());
    EXPECT_EQ(ch, edit->ButtonPanel()->Height()) << "the panel is as high as the client area";

    TBitmap shot;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Waits for the button's face at its place: the panel paints after the edit.
    PumpUntil([&] {
        Shot(edit, shot);
        return PixelsOf(shot)[static_cast<size_t>(ch / 2) * cw + cw - 10] != window;
    });
    SavePngArtifact(shot, "vyEdit-button.png");
    const auto px = PixelsOf(shot);
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * cw + x]; };
    int textDark = 0, spareDark = 0, buttonFace = 0, glyphDark = 0;
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw - 22; ++x) textDark += IsDark(at(x, y));
        for (int x = cw - 22; x < cw - 20; ++x) spareDark += at(x, y) != window;
        for (int x = cw - 20; x < cw; ++x) {
            buttonFace += at(x, y) == face;
            glyphDark += IsDark(at(x, y)) && y > 3 && y < ch - 3 && x > cw - 17 && x < cw - 3;
        }
    }
    EXPECT_GT(textDark, 100) << "the W's are drawn up to the text rectangle";
    EXPECT_EQ(0, spareDark) << "the two spare columns before the button stay blank: no text under it";
    EXPECT_GT(buttonFace, 20 * ch / 3) << "the button's face fills the last 20 columns";
    EXPECT_EQ(12, glyphDark) << "the ellipsis glyph: three 2 x 2 dots";

    POINT p = edit->ClientToScreen(POINT{cw - 10, ch / 2});
    ASSERT_TRUE(XClick(p.x, p.y));
    EXPECT_TRUE(PumpUntil([&] { return clicked == 1; })) << "a click on the button calls OnButtonClick";
}

TEST_F(EditTest, PasswordDialogLayout)
{
    form->SetClientSize(297, 141);
    auto* message = new TLabel(form.get());
    message->SetBounds(45, 5, 246, 13);
    message->SetCaption("Please enter your username and password.");
    message->SetParent(form.get());
    auto* bottom = new TPanel(form.get());
    bottom->SetBevelOuter(TPanelBevel::bvNone);
    bottom->SetBounds(0, 141 - 98, 297, 98);
    bottom->SetParent(form.get());
    struct TField {
        const char* Caption;
        int Top;
        char PasswordChar;
    };
    const TField fields[] = {{"User Name", 10, 0}, {"Password", 34, '*'}};
    std::vector<TvyEdit*> edits;
    for (const TField& f : fields) {
        auto* e = new TvyEdit(form.get());
        e->SetBounds(122, f.Top, 157, 21);
        e->SetParent(bottom);
        e->SetPasswordChar(f.PasswordChar);
        e->AttachedLabel()->SetSpacingKind(TvyAttachedLabelSpacingKind::skFarPoint);
        e->AttachedLabel()->SetSpacing(e->Left() - message->Left());
        e->AttachedLabel()->SetCaption(f.Caption);
        e->AttachedLabel()->SetVisible(true);
        edits.push_back(e);
    }
    ShowForm();
    for (size_t i = 0; i < edits.size(); ++i) {
        TLabel* l = edits[i]->AttachedLabel()->Label();
        EXPECT_EQ(bottom, l->Parent()) << fields[i].Caption << ": the label takes the edit's parent";
        EXPECT_EQ(TvyAttachedLabel::LabelTag, l->Tag());
        EXPECT_EQ(45, l->Left()) << fields[i].Caption << ": level with the message";
        EXPECT_EQ(fields[i].Top + (21 - l->Height()) / 2, l->Top()) << fields[i].Caption << ": centred on the edit";
        EXPECT_GT(l->Width(), 20) << fields[i].Caption << ": sized to its text";
    }
    // On screen the captions' text begins where the message's does.
    TBitmap shot;
    PumpUntil([&] {
        Shot(form.get(), shot);
        const auto px = PixelsOf(shot);
        return std::count_if(px.begin(), px.end(), IsDark) > 200;
    });
    SavePngArtifact(shot, "vyEdit-password-dialog.png");
    const auto px = PixelsOf(shot);
    auto firstDarkColumn = [&](int top, int bottomRow) {
        for (int x = 0; x < 120; ++x)
            for (int y = top; y < bottomRow; ++y)
                if (IsDark(px[static_cast<size_t>(y) * shot.Width() + x])) return x;
        return -1;
    };
    const int messageColumn = firstDarkColumn(5, 18);
    EXPECT_GE(messageColumn, 45) << "the message starts at its label";
    EXPECT_LE(messageColumn, 46) << "the message starts at its label";
    for (size_t i = 0; i < edits.size(); ++i) {
        const int top = 43 + fields[i].Top;
        EXPECT_EQ(messageColumn, firstDarkColumn(top, top + 21)) << fields[i].Caption << " begins under the message";
    }
    // Moving the edit carries the label; hiding it shrinks the label away.
    edits[0]->SetLeft(150);
    EXPECT_EQ(150 - 77, edits[0]->AttachedLabel()->Label()->Left()) << "the label follows the edit";
    edits[0]->SetVisible(false);
    EXPECT_EQ(0, edits[0]->AttachedLabel()->Label()->Width()) << "a hidden edit's label has no size";
}

TEST_F(EditTest, StockGlyphsAndCustomGlyph)
{
    TvyEdit* edit = NewEdit(20, 20);
    struct TKind {
        TvyEditButtonKind Kind;
        int W, H;
    };
    // The sizes tools/bitmaps/make_bitmaps.py draws them at.
    const TKind kinds[] = {{TvyEditButtonKind::bkEllipsis, 12, 4}, {TvyEditButtonKind::bkDropDown, 9, 6},
                           {TvyEditButtonKind::bkFileOpen, 14, 12}, {TvyEditButtonKind::bkFileSave, 12, 11},
                           {TvyEditButtonKind::bkBrowse, 12, 12}, {TvyEditButtonKind::bkCalc, 10, 12}};
    edit->Button()->SetVisible(true);
    ShowForm();
    // The bare button first: each glyph must then change what the screen shows.
    std::vector<COLORREF> previous;
    PumpUntil([&] {
        TBitmap bare;
        Shot(edit->ButtonPanel(), bare);
        previous = PixelsOf(bare);
        return std::count(previous.begin(), previous.end(), GetSysColor(COLOR_BTNFACE)) > 100;
    });
    for (const TKind& k : kinds) {
        edit->Button()->SetKind(k.Kind);
        const std::string what = EditButtonKindNames()[static_cast<size_t>(k.Kind)];
        EXPECT_EQ(k.W, edit->Button()->Glyph()->Width()) << what;
        EXPECT_EQ(k.H, edit->Button()->Glyph()->Height()) << what;
        EXPECT_EQ(RGB(255, 0, 255), ColorToRGB(edit->Button()->Glyph()->TransparentColor())) << what << ": background";
        // On the button: the new glyph replaces the last one, its background see-through.
        TBitmap shot;
        std::vector<COLORREF> button;
        const bool changed = PumpUntil([&] {
            Shot(edit->ButtonPanel(), shot);
            button = PixelsOf(shot);
            return button != previous;
        }, 3000);
        EXPECT_TRUE(changed) << what << ": the button shows the new glyph";
        EXPECT_EQ(0, std::count(button.begin(), button.end(), RGB(255, 0, 255))) << what << ": no background pixel shows";
        SavePngArtifact(shot, "vyEdit-glyph-" + what + ".png");
        previous = button;
    }
    edit->Button()->SetKind(TvyEditButtonKind::bkCustom);
    EXPECT_TRUE(edit->Button()->Glyph()->Empty()) << "a custom button starts without a glyph";
    edit->Button()->SetKind(TvyEditButtonKind::bkEllipsis);
    TBitmap custom;
    custom.SetSize(5, 5);
    edit->Button()->SetGlyph(&custom);
    EXPECT_EQ(TvyEditButtonKind::bkCustom, edit->Button()->Kind()) << "a glyph makes the button custom";
    EXPECT_EQ(5, edit->Button()->Glyph()->Width()) << "and keeps that glyph";
}

TEST_F(EditTest, DisabledColourAndButton)
{
    TvyEdit* edit = NewEdit(20, 20);
    edit->SetColor(clWhite);
    edit->SetColorDisabled(clYellow);
    edit->Button()->SetKind(TvyEditButtonKind::bkEllipsis);
    edit->Button()->SetVisible(true);
    ShowForm();
    const int y = edit->ClientHeight() / 2;
    auto backgroundIs = [&](COLORREF c) {
        return PumpUntil([&] {
            TBitmap shot;
            Shot(edit, shot);
            return PixelsOf(shot)[static_cast<size_t>(y) * shot.Width() + 40] == c;
        }, 3000);
    };
    EXPECT_TRUE(backgroundIs(RGB(255, 255, 255))) << "enabled: Color";
    edit->SetEnabled(false);
    EXPECT_FALSE(edit->SpeedButton()->Enabled()) << "the button follows the edit";
    EXPECT_TRUE(backgroundIs(RGB(255, 255, 0))) << "disabled: ColorDisabled";
    TBitmap shot;
    Shot(edit, shot);
    SavePngArtifact(shot, "vyEdit-disabled.png");
    // The disabled button shows its glyph embossed: the three dots in the shadow colour over
    // a highlight, nothing black left inside the frame.
    {
        const auto px = PixelsOf(shot);
        const int w = shot.Width(), h = shot.Height();
        int shadow = 0, black = 0;
        for (int row = 3; row < h - 3; ++row)
            for (int x = w - 17; x < w - 3; ++x) {
                const COLORREF c = px[static_cast<size_t>(row) * w + x];
                shadow += c == GetSysColor(COLOR_BTNSHADOW);
                black += c == RGB(0, 0, 0);
            }
        EXPECT_EQ(12, shadow) << "three 2 x 2 dots in the shadow colour";
        EXPECT_EQ(0, black) << "no black glyph pixels while disabled";
    }
    edit->SetEnabled(true);
    EXPECT_TRUE(edit->SpeedButton()->Enabled()) << "the button follows the edit";
    EXPECT_TRUE(backgroundIs(RGB(255, 255, 255))) << "enabled again: Color";
}

TEST_F(EditTest, WindowStylesMinimumHeightAndFocus)
{
    TvyEdit* edit = NewEdit(20, 20);
    edit->SetAlignment(TAlignment::taRightJustify);
    edit->SetText("12345");
    ShowForm();
    const LONG style = GetWindowLongA(edit->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CLIPCHILDREN) << "the button panel is not painted over";
    EXPECT_TRUE(style & ES_RIGHT) << "right-justified";
    // The minimum: a quarter of the border height, the smaller text height, and one.
    TEXTMETRICA sys{}, own{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(dc, &sys);
    SelectObject(dc, edit->Font()->Handle());
    GetTextMetricsA(dc, &own);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int minimum = GetSystemMetrics(SM_CYBORDER) / 4 + std::min(sys.tmHeight, own.tmHeight) + 1;
    edit->SetHeight(3);
    EXPECT_EQ(minimum, edit->Height()) << "a smaller height is raised";
    edit->SetHeight(30);
    EXPECT_EQ(30, edit->Height()) << "a larger one is kept";

    // Focus from the keyboard side (not a click) selects everything.
    edit->SetFocus();
    EXPECT_EQ(0, edit->SelStart());
    EXPECT_EQ(5, edit->SelLength()) << "entering selects all";
    // Focus from a real click leaves the caret where the click put it.
    TvyEdit* other = NewEdit(20, 70);
    other->SetFocus();
    ASSERT_EQ(other->Handle(), GetFocus());
    ASSERT_NO_FATAL_FAILURE(ClickInto(edit));
    EXPECT_EQ(0, edit->SelLength()) << "a click into the edit selects nothing";

    std::vector<std::string> seen;
    edit->OnMouseEnter = [&](TObject*) { seen.push_back("enter"); };
    edit->OnMouseLeave = [&](TObject*) { seen.push_back("leave"); };
    SendMessageA(edit->Handle(), CM_MOUSEENTER, 0, 0);
    SendMessageA(edit->Handle(), CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"enter", "leave"}), seen) << "the framework's notices reach the events";
}

TEST_F(EditTest, BorderCursor)
{
    // Wine's edit never reports its border to the mouse (it draws a flat border itself and a
    // sunken edge hit-tests as nowhere), so the system's question is asked directly, through
    // the window, as Windows asks it over a non-client border.
    TvyEdit* edit = NewEdit(20, 20);
    edit->SetCursorBorder(crHandPoint);
    ShowForm();
    struct TAsk {
        const char* What;
        WORD HitTest;
        HCURSOR Cursor;
    };
    const TAsk asks[] = {{"CursorBorder over the border", HTBORDER, Screen->Cursors(crHandPoint)},
                         {"the text cursor over the text", HTCLIENT, LoadCursorA(nullptr, IDC_IBEAM)},
                         {"CursorBorder again", HTBORDER, Screen->Cursors(crHandPoint)}};
    for (const TAsk& a : asks) {
        SetCursor(nullptr);
        const LRESULT handled = SendMessageA(edit->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(edit->Handle()),
                                             MAKELPARAM(a.HitTest, WM_MOUSEMOVE));
        if (a.HitTest == HTBORDER) {
            EXPECT_TRUE(handled) << a.What;
        }
        EXPECT_EQ(a.Cursor, GetCursor()) << a.What;
    }
}

TEST_F(EditTest, StoredFormsSetTheParts)
{
    TFormReader::ReadRoot(*form, "object F: TForm\n"
                                 "  object Name: TvyEdit\n"
                                 "    Left = 122\n"
                                 "    Top = 10\n"
                                 "    Width = 157\n"
                                 "    PasswordChar = '*'\n"
                                 "    ValidChars = '0123456789'\n"
                                 "    ValidateChars = True\n"
                                 "    ColorDisabled = clYellow\n"
                                 "    AttachedLabel.Caption = 'User Name'\n"
                                 "    AttachedLabel.Position = lpAbove\n"
                                 "    AttachedLabel.SpacingKind = skFarPoint\n"
                                 "    AttachedLabel.Spacing = 30\n"
                                 "    AttachedLabel.Visible = True\n"
                                 "    Button.Kind = bkCalc\n"
                                 "    Button.Visible = True\n"
                                 "    Button.Hint = 'Calculate'\n"
                                 "  end\n"
                                 "end\n");
    auto* e = dynamic_cast<TvyEdit*>(form->FindComponent("Name"));
    ASSERT_NE(nullptr, e);
    EXPECT_EQ('*', e->PasswordChar());
    EXPECT_EQ("0123456789", e->ValidChars());
    EXPECT_TRUE(e->ValidateChars());
    EXPECT_EQ(clYellow, e->ColorDisabled());
    EXPECT_EQ(TvyEditButtonKind::bkCalc, e->Button()->Kind());
    EXPECT_FALSE(e->Button()->Glyph()->Empty()) << "the stock glyph is loaded";
    EXPECT_TRUE(e->SpeedButton()->ShowHint()) << "a hint turns hints on";
    TLabel* l = e->AttachedLabel()->Label();
    EXPECT_EQ(form.get(), l->Parent()) << "placed once the form is read";
    EXPECT_EQ(122, l->Left());
    EXPECT_EQ(10 - 30, l->Top()) << "far point above: the label's top 30 above the edit";

    const std::string text = TFormWriter::Write(*form);
    for (const char* line : {"PasswordChar = '*'", "AttachedLabel.Caption = 'User Name'", "AttachedLabel.Visible = True",
                             "Button.Kind = bkCalc", "ValidateChars = True"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << " is written:\n" << text;
    for (const char* name : {"About", "Button.Glyph", "AttachedLabel.Font", "Button.Width"})
        EXPECT_EQ(std::string::npos, text.find(name)) << name << " is not written:\n" << text;
}

} // namespace
