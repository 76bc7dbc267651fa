// app/Main.cpp
#include "Main.h"

#include "ResourceQuery.h"
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
        return i;
    }();
    return info;
}

namespace {
struct TRegisterMain {
    TRegisterMain() { RegisterComponentClass(TForm1::StaticClassInfo()); }
} RegisterMain;

template <class T>
void Bind(TComponent& root, T*& field, const char* name)
{
    field = dynamic_cast<T*>(root.FindComponent(name));
    if (!field) throw EReadError(0, name, std::string("The stored form has no ") + T::StaticClassInfo().Name + " named " + name);
}

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

void TForm1::Loaded()
{
    TForm::Loaded();
    Bind(*this, SysLabel, "SysLabel");
    Bind(*this, SysLab, "SysLab");
    Bind(*this, SysRes, "SysRes");
    Bind(*this, UserLabel, "UserLabel");
    Bind(*this, UserLab, "UserLab");
    Bind(*this, UserRes, "UserRes");
    Bind(*this, GDILabel, "GDILabel");
    Bind(*this, GDILab, "GDILab");
    Bind(*this, GDIRes, "GDIRes");
    Bind(*this, Timer, "Timer");
    Bind(*this, ImageList, "ImageList");
    Bind(*this, PopupMenu1, "PopupMenu1");
    Bind(*this, RestoreItem, "RestoreItem");
    Bind(*this, MinimizeItem, "MinimizeItem");
    Bind(*this, N2, "N2");
    Bind(*this, AutorunatStartUpItem, "AutorunatStartUpItem");
    Bind(*this, AboutItem, "AboutItem");
    Bind(*this, N1, "N1");
    Bind(*this, CloseItem, "CloseItem");
    Bind(*this, vyTrayIcon, "vyTrayIcon");
}

void TForm1::DrawTrayPicture(int sys, int user, int gdi, TColor sysColor, TColor userColor, TColor gdiColor)
{
    TBitmap& pic = *FPicture;
    pic.SetWidth(16);
    pic.SetHeight(16);
    TCanvas& c = *pic.Canvas();
    c.Pen()->SetColor(clBtnFace);
    c.Brush()->SetColor(clBtnFace);
    c.Brush()->SetStyle(TBrushStyle::bsSolid);
    c.Rectangle(0, 0, 16, 16);
    c.Pen()->SetColor(clBlack);
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
    FPicture = std::make_unique<TBitmap>();
    DrawTrayPicture(100, 100, 100, clAqua, clAqua, clAqua);
    ImageList->Add(FPicture.get(), nullptr);
    ImageList->Add(FPicture.get(), nullptr);
    vyTrayIcon->SetImageIndex(1);
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
    GDIRes->SetProgress(QueryFreeResources(1));
    SysLab->SetCaption(IntToStr(SysRes->Progress()) + "%");
    UserLab->SetCaption(IntToStr(UserRes->Progress()) + "%");
    GDILab->SetCaption(IntToStr(GDIRes->Progress()) + "%");
    SysRes->SetForeColor(GaugeColor(SysRes->Progress()));
    UserRes->SetForeColor(GaugeColor(UserRes->Progress()));
    GDIRes->SetForeColor(GaugeColor(GDIRes->Progress()));
    vyTrayIcon->SetHint("System: " + IntToStr(SysRes->Progress()) + "%, User: " + IntToStr(UserRes->Progress()) +
                        "%, GDI: " + IntToStr(GDIRes->Progress()) + "%");
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
    Timer->SetEnabled(true);
}

void TForm1::CloseItemClick(TObject*)
{
    Close();
}
