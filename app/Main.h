// app/Main.h
// The main window: three gauges sampled every 50 ms and the 16 x 16 tray picture.
#pragma once

#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Gauges.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "vyAppAutoRun.h"
#include "vyAppCursors.h"
#include "vyAppUpdater.h"
#include "vyCaptionButton.h"
#include "vyAppEvents.h"
#include "vyFormBackground.h"
#include "vyFormMagnet.h"
#include "vyFormPlacementSaver.h"
#include "vyFormSystemMenu.h"
#include "vyFormTopmost.h"
#include "vyQuickAboutBox.h"
#include "vyTrayIcon.h"

class TForm1 : public TForm {
public:
    TG_DECLARE_CLASS()
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // Controls and components of the stored form, published fields bound by the reader.
    TLabel* SysLabel = nullptr;
    TLabel* SysLab = nullptr;
    TGauge* SysRes = nullptr;
    TLabel* UserLabel = nullptr;
    TLabel* UserLab = nullptr;
    TGauge* UserRes = nullptr;
    TLabel* GDILabel = nullptr;
    TLabel* GDILab = nullptr;
    TGauge* GDIRes = nullptr;
    TTimer* Timer = nullptr;
    TImageList* ImageList = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* RestoreItem = nullptr;
    TMenuItem* MinimizeItem = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* AutorunatStartUpItem = nullptr;
    TMenuItem* AboutItem = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* CloseItem = nullptr;
    TvyTrayIcon* vyTrayIcon = nullptr;
    TvyAppEvents* vyAppEvents1 = nullptr;
    TvyAppCursors* vyAppCursors1 = nullptr;
    TvyFormTopmost* vyFormTopmost1 = nullptr;
    TvyCaptionButton* vyCaptionButton1 = nullptr;
    TvyAppAutoRun* vyAppAutoRun = nullptr;
    TvyFormSystemMenu* vyFormSystemMenu1 = nullptr;
    TvyFormMagnet* vyFormMagnet = nullptr;
    TvyFormPlacementSaver* vyFormPlacementSaver = nullptr;
    TvyFormBackground* vyFormBackground1 = nullptr;
    TvyQuickAboutBox* vyQuickAboutBox = nullptr;
    TvyAppUpdater* vyAppUpdater = nullptr;

    // Published handlers, wired by the stored form.
    void FormCreate(TObject* sender);
    void FormDestroy(TObject* sender);
    void TimerTimer(TObject* sender);
    void CloseItemClick(TObject* sender);
    void AutorunatStartUpItemClick(TObject* sender);
    void vyCaptionButton1Click(TObject* sender);
    void vyAppAutoRunButtonClick(TObject* sender, bool autoRun);

    // The off-screen picture the tray picture is drawn on (exists between FormCreate and
    // FormDestroy).
    TBitmap* TrayPicture() const noexcept { return FPicture.get(); }
    // Draws the three-bar tray picture for the given figures and colours.
    void DrawTrayPicture(int sys, int user, int gdi, TColor sysColor, TColor userColor, TColor gdiColor);

protected:
    void WndProc(TMessage& m) override;

private:
    std::unique_ptr<TBitmap> FPicture;
    // The figures the labels and the tooltip show (none yet), so unchanged texts are not set again.
    int FLabelShown[3] = {-1, -1, -1};
    int FHintShown[3] = {-1, -1, -1};
    bool FLive = false; // the first sampled picture has been handed to the tray
};

extern TForm1* Form1;
