// tests/win/vyPropImageTest.cpp
// The proportional image on a real form: each of the nine alignments with a picture wider
// than the control, one taller than it and one smaller, read back from the screen; auto-size.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyPropImage.h"

namespace {

constexpr int BoxW = 48, BoxH = 40, Gap = 12;

// A picture of one colour throughout, so that any scaling keeps every pixel that colour.
void SolidPicture(TPicture& picture, int w, int h, TColor color)
{
    TBitmap b;
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(color);
    RECT r{0, 0, w, h};
    b.Canvas()->FillRect(r);
    picture.SetGraphic(&b);
}

struct TRow {
    const char* What;
    int Pw, Ph;
    TColor Color;
    // Expected top-left of the drawn picture and its size, by alignment (iaCenter ... iaBottomRight).
    int W, H;
    POINT At[9];
};

// Worked out by hand for a 48 x 40 control.
const TRow Rows[] = {
    // 90 x 30 shrinks to 48 x 16: 24 pixels free vertically.
    {"wider", 90, 30, clRed, 48, 16, {{0, 12}, {0, 12}, {0, 0}, {0, 12}, {0, 24}, {0, 0}, {0, 0}, {0, 24}, {0, 24}}},
    // 30 x 90 shrinks to 13 x 40 (40 / 3 truncated): 35 free horizontally, half is 17.
    {"taller", 30, 90, clBlue, 13, 40, {{17, 0}, {0, 0}, {17, 0}, {35, 0}, {17, 0}, {0, 0}, {35, 0}, {0, 0}, {35, 0}}},
    // 16 x 10 keeps its size: 32 free across, 30 down.
    {"smaller", 16, 10, clGreen, 16, 10, {{16, 15}, {0, 15}, {16, 0}, {32, 15}, {16, 30}, {0, 0}, {32, 0}, {0, 30}, {32, 30}}},
};

const char* const AlignmentName[9] = {"iaCenter", "iaLeft", "iaTop", "iaRight", "iaBottom",
                                      "iaTopLeft", "iaTopRight", "iaBottomLeft", "iaBottomRight"};

class PropImageTest : public TCatchingTest {};

TEST_F(PropImageTest, NineAlignmentsOnScreen)
{
    TOwnedPtr<TForm> form(new TForm(nullptr));
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetColor(clWhite);
    form->SetBounds(20, 20, Gap + 9 * (BoxW + Gap), Gap + 3 * (BoxH + Gap));
    std::vector<TvyProportionalImage*> images;
    for (int row = 0; row < 3; ++row)
        for (int a = 0; a < 9; ++a) {
            auto* image = new TvyProportionalImage(form.get());
            image->SetBounds(Gap + a * (BoxW + Gap), Gap + row * (BoxH + Gap), BoxW, BoxH);
            image->SetAlignment(static_cast<TvyImageAlignment>(a));
            SolidPicture(*image->Picture(), Rows[row].Pw, Rows[row].Ph, Rows[row].Color);
            image->SetParent(form.get());
            images.push_back(image);
        }
    form->Show();
    RECT client;
    GetClientRect(form->Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    const RECT onScreen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    TBitmap shot;
    // What the window draws reaches the screen a moment later: wait for the last picture.
    const TRow& last = Rows[2];
    const int lastX = Gap + 8 * (BoxW + Gap) + last.At[8].x, lastY = Gap + 2 * (BoxH + Gap) + last.At[8].y;
    PumpUntil([&] {
        CaptureScreen(onScreen, shot);
        return PixelsOf(shot)[static_cast<size_t>(lastY) * shot.Width() + lastX] == ColorToRGB(last.Color);
    });
    SavePngArtifact(shot, "vyPropImage-alignments.png");
    const auto px = PixelsOf(shot);
    const int width = shot.Width();
    for (int row = 0; row < 3; ++row)
        for (int a = 0; a < 9; ++a) {
            const TRow& r = Rows[row];
            const int bx = Gap + a * (BoxW + Gap), by = Gap + row * (BoxH + Gap);
            // The bounding box of the picture's colour within the control's bounds (a pixel
            // of margin around, to catch drawing outside it).
            int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
            for (int y = by - 1; y < by + BoxH + 1; ++y)
                for (int x = bx - 1; x < bx + BoxW + 1; ++x)
                    if (px[static_cast<size_t>(y) * width + x] == ColorToRGB(r.Color)) {
                        left = std::min(left, x - bx);
                        top = std::min(top, y - by);
                        right = std::max(right, x - bx + 1);
                        bottom = std::max(bottom, y - by + 1);
                        ++count;
                    }
            const std::string what = std::string(r.What) + " picture, " + AlignmentName[a];
            EXPECT_EQ(r.At[a].x, left) << what << ": left edge";
            EXPECT_EQ(r.At[a].y, top) << what << ": top edge";
            EXPECT_EQ(r.At[a].x + r.W, right) << what << ": right edge";
            EXPECT_EQ(r.At[a].y + r.H, bottom) << what << ": bottom edge";
            EXPECT_EQ(r.W * r.H, count) << what << ": a solid rectangle";
        }
}

TEST_F(PropImageTest, AutoSizeFollowsThePicture)
{
    TOwnedPtr<TForm> form(new TForm(nullptr));
    auto* image = new TvyProportionalImage(form.get());
    image->SetParent(form.get());
    image->SetBounds(7, 5, 32, 32);
    image->SetAutoSize(true);
    EXPECT_EQ(32, image->Width()) << "an empty picture leaves the size alone";
    EXPECT_EQ(32, image->Height()) << "an empty picture leaves the size alone";
    TPicture source;
    SolidPicture(source, 90, 30, clRed);
    image->SetPicture(&source);
    EXPECT_EQ(7, image->Left()) << "auto-size keeps the corner";
    EXPECT_EQ(5, image->Top()) << "auto-size keeps the corner";
    EXPECT_EQ(90, image->Width()) << "sized to the picture";
    EXPECT_EQ(30, image->Height()) << "sized to the picture";
    SolidPicture(source, 10, 20, clBlue);
    EXPECT_EQ(90, image->Width()) << "the control keeps a copy, not the given picture";
    image->SetBounds(7, 5, 50, 50);
    image->SetAutoSize(true);
    EXPECT_EQ(90, image->Width()) << "setting AutoSize again sizes again";
    EXPECT_EQ(30, image->Height()) << "setting AutoSize again sizes again";
}

TEST_F(PropImageTest, StoredFormKeepsItsIcon)
{
    // The dialogs store their 32 x 32 icon packed in the form, and auto-size to it once read.
    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
    TvyPicture packed;
    packed.SetGraphic(&icon);
    std::vector<std::pair<std::string, TFormValue>> defined;
    packed.WriteDefinedProperties(defined);
    ASSERT_EQ(1u, defined.size());
    const std::string hex = HexBytes(defined[0].second.Binary);
    TOwnedPtr<TForm> form(new TForm(nullptr));
    TFormReader::ReadRoot(*form, "object F: TForm\n"
                                 "  object Image1: TvyProportionalImage\n"
                                 "    Left = 7\n"
                                 "    Top = 5\n"
                                 "    Width = 50\n"
                                 "    Height = 60\n"
                                 "    Alignment = iaTopRight\n"
                                 "    AutoSize = True\n"
                                 "    Picture.SFP = {" + hex + "}\n"
                                 "  end\n"
                                 "end\n");
    auto* image = dynamic_cast<TvyProportionalImage*>(form->FindComponent("Image1"));
    ASSERT_NE(nullptr, image);
    ASSERT_NE(nullptr, dynamic_cast<TIcon*>(image->Picture()->Graphic())) << "the icon comes back";
    EXPECT_EQ(TvyImageAlignment::iaTopRight, image->Alignment());
    EXPECT_EQ(icon.Width(), image->Width()) << "sized to the icon once the form is read";
    EXPECT_EQ(icon.Height(), image->Height()) << "sized to the icon once the form is read";
    const std::string text = TFormWriter::Write(*form);
    EXPECT_NE(std::string::npos, text.find("Alignment = iaTopRight")) << text;
    EXPECT_NE(std::string::npos, text.find("Picture.SFP")) << text;
    for (const char* name : {"About =", "Proportional =", "FixedStretching =", "Stretch ="})
        EXPECT_EQ(std::string::npos, text.find(name)) << name << " keeps its default and is not written:\n" << text;
}

} // namespace
