// app/Main.cpp
#include "Main.h"

#include <algorithm>

#include "ResourceQuery.h"
#include "StartupTrace.h"
#include "TrayPicture.h"

TForm1* Form1 = nullptr;

const TClassInfo& TForm1::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TForm1", &TForm::StaticClassInfo(), &CreateComponentOf<TForm1>, {}, {}};
        i.Methods.push_back(Method("FormCreate", &TForm1::FormCreate));
        i.Methods.push_back(Method("FormDestroy", &TForm1::FormDestroy));
        i.Methods.push_back(Method("TimerTimer", &TForm1::TimerTimer));
        i.Methods.push_back(Method("CloseItemClick", &TForm1::CloseItemClick));
        i.Methods.push_back(Method("AutorunatStartUpItemClick", &TForm1::AutorunatStartUpItemClick));
        i.Methods.push_back(Method("vyAppAutoRunButtonClick", &TForm1::vyAppAutoRunButtonClick));
        i.Methods.push_back(Method("vyCaptionButton1Click", &TForm1::vyCaptionButton1Click));
        i.Fields = {Field("SysLabel", &TForm1::SysLabel), Field("SysLab", &TForm1::SysLab),
                    Field("SysRes", &TForm1::SysRes), Field("UserLabel", &TForm1::UserLabel),
                    Field("UserLab", &TForm1::UserLab), Field("UserRes", &TForm1::UserRes),
                    Field("GDILabel", &TForm1::GDILabel), Field("GDILab", &TForm1::GDILab),
                    Field("GDIRes", &TForm1::GDIRes), Field("Timer", &TForm1::Timer),
                    Field("ImageList", &TForm1::ImageList), Field("PopupMenu1", &TForm1::PopupMenu1),
                    Field("RestoreItem", &TForm1::RestoreItem), Field("MinimizeItem", &TForm1::MinimizeItem),
                    Field("N2", &TForm1::N2), Field("AutorunatStartUpItem", &TForm1::AutorunatStartUpItem),
                    Field("AboutItem", &TForm1::AboutItem), Field("N1", &TForm1::N1),
                    Field("CloseItem", &TForm1::CloseItem), Field("vyTrayIcon", &TForm1::vyTrayIcon),
                    Field("vyAppEvents1", &TForm1::vyAppEvents1), Field("vyAppCursors1", &TForm1::vyAppCursors1),
                    Field("vyFormTopmost1", &TForm1::vyFormTopmost1), Field("vyAppAutoRun", &TForm1::vyAppAutoRun),
                    Field("vyFormSystemMenu1", &TForm1::vyFormSystemMenu1), Field("vyFormMagnet", &TForm1::vyFormMagnet),
                    Field("vyFormPlacementSaver", &TForm1::vyFormPlacementSaver),
                    Field("vyFormBackground1", &TForm1::vyFormBackground1),
                    Field("vyCaptionButton1", &TForm1::vyCaptionButton1),
                    Field("vyQuickAboutBox", &TForm1::vyQuickAboutBox), Field("vyAppUpdater", &TForm1::vyAppUpdater)};
        return i;
    }();
    return info;
}

namespace {
struct TRegisterMain {
    TRegisterMain() { RegisterComponentClass(TForm1::StaticClassInfo()); }
} RegisterMain;

// Posted by FormCreate: the first sample, as soon as the message loop runs.
constexpr UINT WM_FIRSTSAMPLE = WM_APP + 1;

// The about box's picture is 32 x 32 (its image's stored size).
constexpr int AboutIconSize = 32;

// 40 and above is plenty, 20 to 39 is getting low, below 20 is short.
TColor GaugeColor(int percent)
{
    return static_cast<TColor>(ColorForFigure(percent));
}
} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    LoadFromResource();
}

TForm1::~TForm1() = default;

void TForm1::DrawTrayPicture(int sys, int user, int gdi, TColor sysColor, TColor userColor, TColor gdiColor)
{
    TBitmap& pic = *FPicture;
    pic.SetWidth(16);
    pic.SetHeight(16);
    TCanvas& c = *pic.Canvas();
    // The face colour fills the picture through the system's own brush, so the pen stays
    // black and the brush keeps the bar colour from one tick to the next: neither has to be
    // made again twenty times a second.
    c.Pen()->SetColor(clBlack);
    c.Brush()->SetStyle(TBrushStyle::bsSolid);
    const RECT all{0, 0, 16, 16};
    FillRect(c.Handle(), &all, GetSysColorBrush(COLOR_BTNFACE));
    c.MoveTo(0, 15);
    c.LineTo(16, 15);
    const TColor colors[3] = {sysColor, userColor, gdiColor};
    const int figures[3] = {sys, user, gdi};
    for (int i = 0; i < 3; ++i) {
        TrayBar bar = TrayBarFor(i, static_cast<unsigned char>(figures[i]));
        if (bar.Top >= 16) continue;
        c.Brush()->SetColor(colors[i]);
        c.Rectangle(bar.Left, bar.Top, bar.Right, 16);
    }
}

void TForm1::FormCreate(TObject*)
{
    AutorunatStartUpItem->SetChecked(vyAppAutoRun->AutoRun());
    // The about box shows the program's own icon, at its picture's size.
    TIcon icon;
    icon.LoadFromResourceName(MainInstance(), "MAINICON", AboutIconSize, AboutIconSize);
    vyQuickAboutBox->SetIcon(&icon);
    FPicture = std::make_unique<TBitmap>();
    DrawTrayPicture(100, 100, 100, clAqua, clAqua, clAqua);
    ImageList->Add(FPicture.get(), nullptr);
    ImageList->Add(FPicture.get(), nullptr);
    vyTrayIcon->SetImageIndex(1);
    TraceStartup("tray");
    // The timer's first tick would come a whole interval after the loop starts; the live
    // figures should not wait for it.
    PostMessageA(Handle(), WM_FIRSTSAMPLE, 0, 0);
}

void TForm1::WndProc(TMessage& m)
{
    if (m.Msg == WM_FIRSTSAMPLE) {
        // A timer switched off meanwhile stays off (whoever did so drives the ticks).
        if (!FLive && Timer->Enabled()) TimerTimer(Timer);
        return;
    }
    TForm::WndProc(m);
}

void TForm1::FormDestroy(TObject*)
{
    FPicture.reset();
}

void TForm1::TimerTimer(TObject*)
{
    Timer->SetEnabled(false);
    SysRes->SetProgress(QueryFreeResources(0));
    UserRes->SetProgress(QueryFreeResources(2));
    // While the upgrader is fetching, the GDI figure keeps its previous value; the tray
    // picture and the tooltip read it back from the gauge.
    if (!vyAppUpdater->Busy()) GDIRes->SetProgress(QueryFreeResources(1));
    const int figures[3] = {SysRes->Progress(), UserRes->Progress(), GDIRes->Progress()};
    // Labels and tooltip are set only when their figures moved: the same text again would
    // change nothing, and the figures stand still for minutes at a time.
    TLabel* const labels[3] = {SysLab, UserLab, GDILab};
    for (int i = 0; i < 3; ++i)
        if (figures[i] != FLabelShown[i] && (i != 2 || !vyAppUpdater->Busy())) {
            labels[i]->SetCaption(IntToStr(figures[i]) + "%");
            FLabelShown[i] = figures[i];
        }
    SysRes->SetForeColor(GaugeColor(figures[0]));
    UserRes->SetForeColor(GaugeColor(figures[1]));
    GDIRes->SetForeColor(GaugeColor(figures[2]));
    if (!std::equal(figures, figures + 3, FHintShown)) {
        vyTrayIcon->SetHint("System: " + IntToStr(figures[0]) + "%, User: " + IntToStr(figures[1]) + "%, GDI: " +
                            IntToStr(figures[2]) + "%");
        std::copy(figures, figures + 3, FHintShown);
    }
    ImageList->Clear();
    DrawTrayPicture(SysRes->Progress(), UserRes->Progress(), GDIRes->Progress(), SysRes->ForeColor(),
                    UserRes->ForeColor(), GDIRes->ForeColor());
    ImageList->Add(FPicture.get(), nullptr);
    ImageList->Add(FPicture.get(), nullptr);
    // The same index again would send nothing: flipping between the two identical images
    // is what makes the icon take the new picture.
    vyTrayIcon->SetImageIndex(vyTrayIcon->ImageIndex() ^ 1);
    // With the timer off, no tick can start inside this one.
    Application->ProcessMessages();
    if (!FLive) {
        FLive = true;
        TraceStartup("live");
    }
    Timer->SetEnabled(true);
}

void TForm1::CloseItemClick(TObject*)
{
    // The ordinary way, as the close box does: the components that keep something on close
    // (the window's placement) hear it.
    SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TForm1::AutorunatStartUpItemClick(TObject*)
{
    AutorunatStartUpItem->SetChecked(!AutorunatStartUpItem->Checked());
    vyAppAutoRun->SetAutoRun(AutorunatStartUpItem->Checked());
}

void TForm1::vyCaptionButton1Click(TObject*)
{
    vyQuickAboutBox->Execute();
}

void TForm1::vyAppAutoRunButtonClick(TObject*, bool autoRun)
{
    AutorunatStartUpItem->SetChecked(autoRun);
}
